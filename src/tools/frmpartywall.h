#pragma once

#include "core/tools/easement.h"
#include "tools/toolwindow.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace corvane {

// The fixed width easement and party wall window: a traverse with a width per line, the
// side the traverse is on, and (for an easement) the bearings and numbers of the strip's two
// end lines. Draw shows the strip's outline in the plan view; OK stores the lines to the new
// corners and the outline as a new parcel. After the first strip the traverse stays for the
// strip on its other side; the second save clears the window.
class frmPartyWall : public ToolWindow {
    Q_OBJECT

  public:
    frmPartyWall(PlanHost& host, QWidget* parent = nullptr);

    // Shows the window for a new parcel; the side turns over when the first strip of the
    // traverse still in the grid was saved since the window was last opened.
    void openStrip(const QString& identifier);

    QString identifier() const { return identifier_; }
    int stripCount() const;

  signals:
    // A strip was stored as a new parcel of the polygons file.
    void parcelAdded(const QString& identifier);

  protected:
    void cancelWindow() override;
    void okWindow() override { cmdOK_Click(); }
    bool gridFunctionKey(int key) override;
    bool editorFunctionKey(int key, int col) override;
    void gridShown() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();
    StripOptions options() const;
    // The two end bearing boxes hold bearings or nothing; false (the message shown) otherwise.
    bool endBearingsValid();
    bool bearingBoxEnter(QLineEdit* box);
    void newPointKey();
    void noDataKey();
    void cmdClear_Click();
    void cmdDraw_Click();
    void cmdOK_Click();

    QString identifier_;
    // A strip was saved since the window was last opened: the next opening turns the side.
    bool turnSide_ = false;
    QRadioButton* optLeft = nullptr;
    QRadioButton* optRight = nullptr;
    QLineEdit* txtStartBearing = nullptr;
    QLineEdit* txtEndBearing = nullptr;
    QLineEdit* txtFirstPoint = nullptr;
    QLineEdit* txtEndPoint = nullptr;
    QLineEdit* txtCount = nullptr;
    QCheckBox* chkChange = nullptr;
    QPushButton* cmdDraw = nullptr;
};

} // namespace corvane
