#pragma once

#include "core/files/curves.h"
#include "core/grid/traverse_curve.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace corvane {

class Desktop;
struct PlanState;

// The curve window: the radius, arc length, turn and one bearing of an arc that forms one
// traverse line. Check reports the arc's other elements; OK stores the turn and bearing in
// the plan's curve file and hands radius and arc length back to the grid. One window serves
// the whole run and is filled afresh for every use.
class frmCurve : public QDialog {
    Q_OBJECT

  public:
    frmCurve(Desktop& desktop, const PlanState& plan, QWidget* parent = nullptr);

    // Empties the boxes, clears chkChecked and fills the window with the arc's working
    // record.
    void LoadCurve(const CurveData& curve);
    // Shows the window modally; true when it was closed with OK (chkChecked).
    bool runModal();

    bool checked() const;
    QString radiusText() const;
    QString arcText() const;

  public slots:
    // Closing the window by its frame or Esc is its Cancel.
    void reject() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    CurveFields fields() const;
    void showMessage(const Error& message);
    void enterLength(QLineEdit* box, QWidget* next);
    // A bearing box's Enter: false when the text is no bearing (the message was shown).
    bool enterBearing(QLineEdit* box);

    void cmdCheck_Click();
    void cmdClear_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    Desktop& desktop_;
    const PlanState& plan_;

    QLabel* lblPoint1 = nullptr;
    QLabel* lblPoint2 = nullptr;
    QLineEdit* txtRadius = nullptr;
    QLineEdit* txtArc = nullptr;
    QRadioButton* optLeft = nullptr;
    QRadioButton* optRight = nullptr;
    QLineEdit* txtTangentBng = nullptr;
    QLineEdit* txtChordBng = nullptr;
    QPushButton* cmdCheck = nullptr;
    QPushButton* cmdClear = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QCheckBox* chkChecked = nullptr;
};

} // namespace corvane
