#pragma once

#include "core/geometry/planview.h"
#include "drawing/plancontent.h"
#include "host/planhost.h"

#include <QString>
#include <QWidget>
#include <optional>

class QAction;
class QLabel;
class QToolBar;

namespace corvane {

class PlanCanvas;

// The plan view: a whole plan or one traverse drawn to scale, with scrolling, zooming (by
// the toolbar, the mouse wheel about the pointer, or a rectangle dragged any way), panning
// (middle button, or Space and the left button), point and parcel labels that stay on until
// switched off,
// identification of the points in a rectangle dragged with the right button, a temporary
// line between two points, and a printout at scale. It draws from its own copy of what it
// was given, and repaints itself whenever it is uncovered or resized.
class frmDrawPlan : public QWidget, public PlanWindow {
    Q_OBJECT

  public:
    explicit frmDrawPlan(PlanHost& host, QWidget* parent = nullptr);
    ~frmDrawPlan() override;

    // Shows the window (not modal) with the content's first view, centred, zoomed out once.
    void ShowPlan(PlanContent content);

    // The toolbar's commands.
    void ScrollAround(char direction);
    void ZoomAround(double percent);
    void RedrawLines();
    void DrawPoints();
    void DrawParcels();
    // Switches the bearings and distances along the lines on or off; they stay through zoom
    // and scroll.
    void DrawBearings();
    void ConnectLine();
    void PrintPlot();
    // The PDF a printout of the view is offered as, named by what it draws and its scale.
    QString PrintPdfName() const;
    QString PrintPdfName(double printScale) const;
    // Saves the whole plan as a DXF drawing, in a file the user names.
    void SaveDxf();
    void CloseView();

    // Lays an overlay over the drawing in place of any before it. It stays through zoom,
    // scroll and printing, until cleared or the view shows something else.
    void setOverlay(PlanOverlay overlay);
    // Takes the overlay away when the window named owner laid it.
    void clearOverlay(const QString& owner);
    // Centres the view on a place of the plan (a line's ends, or a point given twice), zoomed
    // out as far as it takes to show the whole of it with a margin.
    void showPlace(double east1, double north1, double east2, double north2);

    // The view's state, for the commands and the tests.
    bool chkLines() const { return content_.WholePlan; }
    bool chkPoints() const { return chkPoints_; }
    bool chkParcels() const { return chkParcels_; }
    bool chkBearings() const { return chkBearings_; }
    QString txtEast() const { return txtEast_; }
    QString txtNorth() const { return txtNorth_; }
    // The status line at the window's foot (the joined line's bearing and distance).
    QString statusText() const;
    const ViewScale& viewScale() const { return scale_; }
    void setViewScale(const ViewScale& scale);
    const PlanContent& content() const { return content_; }
    PlanPicture picture() const;
    QWidget* canvas() const;
    QAction* toolButton(const QString& key) const;

    // PlanWindow
    void closeForPlanChange() override { CloseView(); }
    bool isPlanWindowOpen() const override { return isVisible(); }

  signals:
    // The view shows a new content; wholePlan tells which kind.
    void viewShown(bool wholePlan);
    // The view was closed; wholePlan tells which kind it showed.
    void viewClosed(bool wholePlan);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    friend class PlanCanvas;
    void mousePressed(Qt::MouseButton button, QPointF position);
    void mouseMoved(Qt::MouseButtons buttons, QPointF position);
    void mouseReleased(Qt::MouseButton button, QPointF position);
    void wheelTurned(QPointF position, int angleDelta);
    void spaceHeld(bool held) { spaceHeld_ = held; }
    void canvasResized();
    bool FindNearestCoord();
    void ZoomLines();
    // Redraw and closing wipe the joined line and its status; labels stay until switched off.
    void beforeRedraw();
    // The label buttons pressed in while their labels are on.
    void showToggles();
    void placeOnScreen();
    double aspect() const;
    ViewTransform transform() const;

    PlanHost& host_;
    Desktop& desktop_;
    QToolBar* Toolbar2 = nullptr;
    PlanCanvas* canvas_ = nullptr;
    PlanContent content_;
    ViewScale scale_;
    bool chkPoints_ = false;
    bool chkParcels_ = false;
    bool chkBearings_ = false;
    QString txtEast_;
    QString txtNorth_;
    std::optional<PlotLine> connect_;
    bool dragging_ = false;
    bool panning_ = false;
    bool spaceHeld_ = false;
    QPointF panFrom_;
    ViewScale firstView_;
    QLabel* status_ = nullptr;
    double PressX = 0, PressY = 0, DragX = 0, DragY = 0;
    bool placed_ = false;
};

} // namespace corvane
