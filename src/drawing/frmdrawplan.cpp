#include "drawing/frmdrawplan.h"

#include "core/exchange/dxfexport.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

namespace corvane {

// The drawing surface: paints the view's picture and hands the mouse to the view in pixels.
class PlanCanvas : public QWidget {
  public:
    explicit PlanCanvas(frmDrawPlan& view) : QWidget(&view), view_(view) {
        setObjectName(QStringLiteral("picPlan"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(120, 90);
        setFocusPolicy(Qt::StrongFocus); // Space held pans
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        RenderPlanPicture(painter, QRectF(rect()), view_.scale_, view_.picture(), font());
    }
    void mousePressEvent(QMouseEvent* e) override {
        view_.mousePressed(e->button(), e->position());
    }
    void mouseMoveEvent(QMouseEvent* e) override { view_.mouseMoved(e->buttons(), e->position()); }
    void mouseReleaseEvent(QMouseEvent* e) override {
        view_.mouseReleased(e->button(), e->position());
    }
    void resizeEvent(QResizeEvent*) override { view_.canvasResized(); }
    void wheelEvent(QWheelEvent* e) override {
        view_.wheelTurned(e->position(), e->angleDelta().y());
        e->accept();
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Space && !e->isAutoRepeat())
            view_.spaceHeld(true);
        QWidget::keyPressEvent(e);
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Space && !e->isAutoRepeat())
            view_.spaceHeld(false);
        QWidget::keyReleaseEvent(e);
    }
    // A Space let go while another window had the keys is not heard here: the drawing stops
    // panning when it loses them, so a later left drag zooms as it should.
    void focusOutEvent(QFocusEvent* e) override {
        view_.spaceHeld(false);
        QWidget::focusOutEvent(e);
    }

  private:
    frmDrawPlan& view_;
};

frmDrawPlan::frmDrawPlan(PlanHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window), host_(host), desktop_(host.desktop()) {
    setObjectName(QStringLiteral("frmDrawPlan"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Toolbar2 = new QToolBar(this);
    Toolbar2->setObjectName(QStringLiteral("Toolbar2"));
    Toolbar2->setToolButtonStyle(Qt::ToolButtonTextOnly);
    struct Button {
        const char* key;
        const char* caption;
        const char* tooltip;
        QKeySequence shortcut;
        std::function<void()> run;
    };
    const Button buttons[] = {
        {"Left", "Left", "Move to the left", QKeySequence(Qt::Key_Left),
         [this] { ScrollAround('W'); }},
        {"Right", "Right", "Move to the right", QKeySequence(Qt::Key_Right),
         [this] { ScrollAround('E'); }},
        {"Up", "Up", "Move up", QKeySequence(Qt::Key_Up), [this] { ScrollAround('N'); }},
        {"Down", "Down", "Move down", QKeySequence(Qt::Key_Down), [this] { ScrollAround('S'); }},
        {"ZoomIn", "Zoom In", nullptr, QKeySequence(Qt::Key_Plus), [this] { ZoomAround(10); }},
        {"ZoomOut", "Zoom Out", nullptr, QKeySequence(Qt::Key_Minus), [this] { ZoomAround(-10); }},
        {"Redraw", "Redraw", nullptr, QKeySequence(Qt::Key_F5), [this] { RedrawLines(); }},
        {"Points", "Points", "Show Point Numbers", {}, [this] { DrawPoints(); }},
        {"Parcels", "Parcels", "Show parcel identifiers", {}, [this] { DrawParcels(); }},
        {"Bearings", "Bearings", "Show bearings and distances", {}, [this] { DrawBearings(); }},
        {"Connect", "Connect", "Connect two points with a line", {}, [this] { ConnectLine(); }},
        {"Print", "Print", "Print the drawing", QKeySequence::Print, [this] { PrintPlot(); }},
        {"DXF", "DXF...", "Save the plan as a DXF drawing for CAD", {}, [this] { SaveDxf(); }},
        {"Close", "Close", "Close the window", QKeySequence(Qt::Key_Escape),
         [this] { CloseView(); }},
    };
    for (const Button& b : buttons) {
        QAction* action = Toolbar2->addAction(QString::fromLatin1(b.caption));
        action->setObjectName(QString::fromLatin1(b.key));
        if (b.tooltip)
            action->setToolTip(QString::fromLatin1(b.tooltip));
        if (!b.shortcut.isEmpty())
            action->setShortcut(b.shortcut);
        connect(action, &QAction::triggered, this, b.run);
    }
    // The label buttons show whether their labels are on: they stay on until pressed again.
    for (const char* key : {"Points", "Parcels", "Bearings"})
        toolButton(QString::fromLatin1(key))->setCheckable(true);
    layout->addWidget(Toolbar2);
    canvas_ = new PlanCanvas(*this);
    layout->addWidget(canvas_, 1);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLine"));
    status_->setContentsMargins(6, 2, 6, 2);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(status_);
    host_.registerPlanWindow(this);
}

frmDrawPlan::~frmDrawPlan() {
    host_.unregisterPlanWindow(this);
    // The drawing tells this window when it loses the keys; it goes first, while there is
    // still a window to tell (as a child it would go once only the QWidget is left).
    delete canvas_;
    canvas_ = nullptr;
}

QWidget* frmDrawPlan::canvas() const {
    return canvas_;
}

QAction* frmDrawPlan::toolButton(const QString& key) const {
    return Toolbar2->findChild<QAction*>(key);
}

double frmDrawPlan::aspect() const {
    const QSize size = canvas_->size();
    return size.height() > 0 ? static_cast<double>(size.width()) / size.height() : 1.0;
}

ViewTransform frmDrawPlan::transform() const {
    return ViewTransform{scale_, static_cast<double>(std::max(1, canvas_->width())),
                         static_cast<double>(std::max(1, canvas_->height()))};
}

void frmDrawPlan::placeOnScreen() {
    if (placed_)
        return;
    placed_ = true;
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    // A little in from the top left corner, the rest of the screen for the drawing.
    const QRect area = screen->availableGeometry();
    const int inset = 13;
    setGeometry(area.x() + inset, area.y() + inset, std::max(400, area.width() - 2 * inset),
                std::max(300, area.height() - 2 * inset));
}

void frmDrawPlan::ShowPlan(PlanContent content) {
    // A traverse drawn over the whole plan ends the whole plan's view.
    const bool wholePlanEnds = isVisible() && content_.WholePlan && !content.WholePlan;
    content_ = std::move(content);
    if (wholePlanEnds)
        emit viewClosed(true);
    chkPoints_ = chkParcels_ = chkBearings_ = false;
    showToggles();
    connect_.reset();
    status_->clear();
    dragging_ = panning_ = false;
    setWindowTitle(content_.Caption);
    placeOnScreen();
    show();
    raise();
    activateWindow();
    canvas_->setFocus(); // the keys (Space to pan) go to the drawing from the start
    double east = 0, north = 0;
    scale_ = firstView_ = OpeningView(content_, aspect(), &east, &north);
    const char* format = content_.WholePlan ? "0" : "0.000";
    txtEast_ = fromCore(Format(east, format));
    txtNorth_ = fromCore(Format(north, format));
    canvas_->update();
    emit viewShown(content_.WholePlan);
}

void frmDrawPlan::setOverlay(PlanOverlay overlay) {
    content_.Overlay = std::move(overlay);
    canvas_->update();
}

void frmDrawPlan::clearOverlay(const QString& owner) {
    if (content_.Overlay.empty() || content_.Overlay.Owner != owner)
        return;
    content_.Overlay = PlanOverlay{};
    canvas_->update();
}

void frmDrawPlan::showPlace(double east1, double north1, double east2, double north2) {
    ViewScale view = scale_;
    // A fifth of the view is kept round the place on each side.
    const double needWidth = std::abs(east2 - east1) / 0.6;
    const double needHeight = std::abs(north2 - north1) / 0.6;
    if (needWidth > std::abs(view.Width) || needHeight > std::abs(view.Height)) {
        const double grow =
            std::max(needWidth / std::abs(view.Width), needHeight / std::abs(view.Height));
        view.Width *= grow;
        view.Height *= grow;
    }
    view.Left = (east1 + east2) / 2 - view.Width / 2;
    view.Top = (north1 + north2) / 2 - view.Height / 2;
    setViewScale(view);
}

void frmDrawPlan::setViewScale(const ViewScale& scale) {
    scale_ = scale;
    canvas_->update();
}

PlanPicture frmDrawPlan::picture() const {
    PlanPicture picture = PictureOf(content_, scale_, chkPoints_, chkParcels_, chkBearings_);
    picture.Connect = connect_;
    if (dragging_ && (PressX != DragX || PressY != DragY))
        picture.RubberBand = PlotLine{PressX, PressY, DragX, DragY, Stroke::Dotted};
    return picture;
}

void frmDrawPlan::beforeRedraw() {
    connect_.reset();
    status_->clear();
}

QString frmDrawPlan::statusText() const {
    return status_->text();
}

void frmDrawPlan::ScrollAround(char direction) {
    setViewScale(corvane::ScrollAround(scale_, direction));
}

void frmDrawPlan::ZoomAround(double percent) {
    setViewScale(corvane::ZoomAround(scale_, percent));
}

void frmDrawPlan::RedrawLines() {
    BusyCursor busy(desktop_);
    beforeRedraw();
    // The first view again, at the window's present shape.
    ViewScale first = firstView_;
    const double centre = first.Left + first.Width / 2;
    first.Width = -first.Height * aspect();
    first.Left = centre - first.Width / 2;
    setViewScale(first);
}

// The Points and Parcels buttons switch their labels on and, pressed again, off.
void frmDrawPlan::DrawPoints() {
    chkPoints_ = !chkPoints_;
    showToggles();
    canvas_->update();
}

void frmDrawPlan::DrawParcels() {
    if (host_.parcels().isEmpty()) {
        desktop_.message(QStringLiteral("No parcels found"), QStringLiteral("Draw Parcel No's"),
                         Icon::Exclamation);
        return;
    }
    if (!content_.WholePlan)
        return;
    chkParcels_ = !chkParcels_;
    showToggles();
    canvas_->update();
}

void frmDrawPlan::DrawBearings() {
    chkBearings_ = !chkBearings_;
    showToggles();
    canvas_->update();
}

void frmDrawPlan::showToggles() {
    toolButton(QStringLiteral("Points"))->setChecked(chkPoints_);
    toolButton(QStringLiteral("Parcels"))->setChecked(chkParcels_);
    toolButton(QStringLiteral("Bearings"))->setChecked(chkBearings_);
}

void frmDrawPlan::ConnectLine() {
    const QString answer =
        desktop_.inputBox(QStringLiteral("Enter two point numbers separated by a space or -"),
                          QStringLiteral("Connect Line"));
    ConnectAnswer parsed = ParseConnectAnswer(toCore(answer), content_.Points);
    if (parsed.Empty)
        return;
    if (!parsed.Message.empty()) {
        desktop_.message(fromCore(parsed.Message), QStringLiteral("Connect error"),
                         Icon::Exclamation);
        return;
    }
    const PointRecord& a = content_.Points[static_cast<std::size_t>(parsed.From)];
    const PointRecord& b = content_.Points[static_cast<std::size_t>(parsed.To)];
    connect_ = PlotLine{a.East, a.North, b.East, b.North, Stroke::Solid};
    status_->setText(fromCore(JoiningLineText(a, b)));
    canvas_->update();
}

// "D20417 plan 1-667.pdf", "D20417 AL1 drawing 1-250.pdf": the scale is the one a PDF page
// gives, as the file is named before anything is drawn.
QString frmDrawPlan::PrintPdfName() const {
    return PrintPdfName(
        PlanPrintLayout(content_, chkPoints_, chkParcels_, kPdfPageWidthMm, kPdfPageHeightMm)
            .Scale);
}

QString frmDrawPlan::PrintPdfName(double printScale) const {
    const QString scale = QStringLiteral(" 1-") + fromCore(Format(printScale, "0"));
    if (content_.WholePlan)
        return PrintoutPdfName(content_.PlanPath, QStringLiteral("plan") + scale);
    // A traverse's caption names the plan after its own identifier.
    QString traverse = content_.Caption;
    const QString ofPlan = QStringLiteral(" - ") + PathFromCore(FileNameOf(content_.PlanPath));
    if (traverse.endsWith(ofPlan))
        traverse.chop(ofPlan.size());
    return PrintoutPdfName(content_.PlanPath, traverse + QStringLiteral(" drawing") + scale);
}

void frmDrawPlan::PrintPlot() {
    // The scale first, offered with the one that fits a sheet of the PDF's paper on top; a
    // larger scale is printed on as many sheets as it needs.
    const ViewScale extent = DrawingExtent(content_, chkPoints_, chkParcels_);
    const double fits = LayOutPrint(extent, kPdfPageWidthMm, kPdfPageHeightMm).Scale;
    const std::vector<double> scales = StandardScalesUpTo(fits * 10);
    QStringList items{QStringLiteral("1:") + fromCore(Format(fits, "0")) +
                      QStringLiteral(" (fits one sheet)")};
    // Larger scales only as far as a printout of reasonably few sheets takes them.
    for (double s : scales)
        if (s != fits &&
            LayOutPrint(extent, kPdfPageWidthMm, kPdfPageHeightMm, s).SheetsNeeded <= kMaxSheets)
            items.append(QStringLiteral("1:") + fromCore(Format(s, "0")));
    // Last, the larger sheet: the scale at which the plan fits one A3 sheet.
    const double fitsA3 = LayOutPrint(extent, kPdfA3WidthMm, kPdfA3HeightMm).Scale;
    items.append(QStringLiteral("1:") + fromCore(Format(fitsA3, "0")) +
                 QStringLiteral(" on A3 (fits one sheet)"));
    const int picked =
        desktop_.chooseItem(QStringLiteral("Print at scale"), QStringLiteral("Print"), items);
    if (picked < 0)
        return;
    const bool a3 = picked == items.size() - 1;
    double scale = fits;
    if (a3)
        scale = fitsA3;
    else if (picked > 0)
        scale = Val(toCore(items[picked].mid(2)));

    // The print or save dialog next: the hourglass is for the drawing only.
    std::unique_ptr<PrintJob> job =
        desktop_.startPrint(windowTitle(), PathFromCore(DirectoryOf(content_.PlanPath)),
                            PrintPdfName(scale), a3 ? Paper::A3 : Paper::A4);
    if (!job)
        return;
    {
        BusyCursor busy(desktop_);
        const FontChoice font = host_.reportFont();
        job->setFont(font.name, font.size);
        // The picked scale is kept; the fitting one is fitted again to the printer's own paper.
        const PrintLayout printed =
            PrintPlanView(*job, content_, chkPoints_, chkParcels_, chkBearings_,
                          picked > 0 && !a3 ? scale : 0, TodayText());
        if (printed.Sheets.empty()) {
            // The printer's paper is smaller than the PDF's: the job is dropped unprinted.
            desktop_.message(TooManySheetsText(printed), QStringLiteral("Print lines error"),
                             Icon::Exclamation);
            return;
        }
    }
    auto done = job->endDocument();
    if (!done) {
        desktop_.showError(Error{done.error().message,
                                 content_.WholePlan ? "Print lines error" : "Print coords error"});
        return;
    }
    desktop_.message(PrintedToText(done.value()), QStringLiteral("CORVANE"), Icon::Exclamation);
}

void frmDrawPlan::SaveDxf() {
    if (!content_.WholePlan) {
        desktop_.message(QStringLiteral("Only the whole plan can be saved as DXF: use Draw Plan"),
                         QStringLiteral("DXF export error"), Icon::Exclamation);
        return;
    }
    const QString name = desktop_.saveFileDialog(QStringLiteral("DXF drawings (*.dxf)|*.dxf"),
                                                 QStringLiteral("Save DXF drawing"),
                                                 PathFromCore(DirectoryOf(content_.PlanPath)));
    if (name.isEmpty())
        return;
    WholePlanDrawing drawing;
    drawing.Lines = content_.Lines;
    drawing.Points = content_.Points;
    drawing.Curves = content_.Curves;
    drawing.Polygons = content_.Polygons;
    Result<DxfSummary> written = [&] {
        BusyCursor busy(desktop_);
        return WritePlanDxf(drawing, PathToCore(name));
    }();
    if (!written) {
        desktop_.showError(written.error());
        return;
    }
    QString text = name + QStringLiteral(" written");
    if (!written.value().notFixed.empty()) {
        text += QStringLiteral("\nPoints not fixed, left out:");
        for (const std::string& label : written.value().notFixed)
            text += QLatin1Char(' ') + fromCore(label);
    }
    desktop_.message(text, QStringLiteral("DXF export"), Icon::Information);
}

void frmDrawPlan::CloseView() {
    const bool wasOpen = isVisible();
    const bool wholePlan = content_.WholePlan;
    beforeRedraw();
    chkPoints_ = chkParcels_ = false;
    dragging_ = panning_ = false;
    hide();
    content_ = PlanContent{};
    if (wasOpen)
        emit viewClosed(wholePlan);
}

void frmDrawPlan::closeEvent(QCloseEvent* event) {
    event->ignore();
    CloseView();
}

void frmDrawPlan::canvasResized() {
    // The drawing keeps its scale in both directions and its centre: the view's width
    // follows the window.
    if (scale_.Height != 0) {
        const double centre = scale_.Left + scale_.Width / 2;
        scale_.Width = -scale_.Height * aspect();
        scale_.Left = centre - scale_.Width / 2;
    }
}

void frmDrawPlan::mousePressed(Qt::MouseButton button, QPointF position) {
    if (button == Qt::MiddleButton || (button == Qt::LeftButton && spaceHeld_)) {
        panning_ = true;
        panFrom_ = position;
        return;
    }
    const ViewTransform t = transform();
    PressX = DragX = t.East(position.x());
    PressY = DragY = t.North(position.y());
    dragging_ = true;
}

void frmDrawPlan::mouseMoved(Qt::MouseButtons buttons, QPointF position) {
    if (panning_) {
        // The plan follows the pointer.
        const ViewTransform t = transform();
        const double dE = t.East(position.x()) - t.East(panFrom_.x());
        const double dN = t.North(position.y()) - t.North(panFrom_.y());
        panFrom_ = position;
        ViewScale moved = scale_;
        moved.Left -= dE;
        moved.Top -= dN;
        setViewScale(moved);
        return;
    }
    if (!dragging_ || !(buttons & (Qt::LeftButton | Qt::RightButton)))
        return;
    const ViewTransform t = transform();
    DragX = t.East(position.x());
    DragY = t.North(position.y());
    canvas_->update();
}

void frmDrawPlan::mouseReleased(Qt::MouseButton button, QPointF position) {
    if (panning_) {
        mouseMoved(Qt::NoButton, position);
        panning_ = false;
        return;
    }
    if (!dragging_)
        return;
    const ViewTransform t = transform();
    DragX = t.East(position.x());
    DragY = t.North(position.y());
    dragging_ = false;
    canvas_->update();
    if (button == Qt::RightButton) {
        if (!FindNearestCoord())
            desktop_.message(QStringLiteral("Nothing found"), QStringLiteral("Identify Point"),
                             Icon::None);
    } else {
        ZoomLines();
    }
}

void frmDrawPlan::wheelTurned(QPointF position, int angleDelta) {
    if (angleDelta == 0)
        return;
    // One notch of the wheel (120) magnifies by a fifth, about the plan point under the pointer.
    const ViewTransform t = transform();
    const double factor = std::pow(1.2, angleDelta / 120.0);
    setViewScale(ZoomAbout(scale_, t.East(position.x()), t.North(position.y()), factor));
}

void frmDrawPlan::ZoomLines() {
    // A drag of a few pixels is a click, not a rectangle to zoom to.
    const double least = 4 * std::abs(scale_.Width) / std::max(1, canvas_->width());
    if (auto zoomed = ZoomToRectangle(scale_, PressX, PressY, DragX, DragY, least))
        setViewScale(*zoomed);
}

bool frmDrawPlan::FindNearestCoord() {
    std::vector<std::string> descriptions;
    const std::string pts = content_.PlanPath + ".pts";
    if (FileExists(pts))
        if (auto lines = ReadTextLines(ResolveFileName(pts)))
            descriptions = std::move(lines).value();
    const auto reports = IdentifyPoints(content_.Points, PressX, PressY, DragX, DragY,
                                        FileNameOf(content_.PlanPath), descriptions);
    for (const std::string& report : reports)
        desktop_.message(fromCore(report), QStringLiteral("Identify Point"), Icon::None);
    return !reports.empty();
}

} // namespace corvane
