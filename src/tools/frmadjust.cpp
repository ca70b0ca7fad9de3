#include "tools/frmadjust.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/reports/adjustreport.h"
#include "core/reports/diagnosis.h"
#include "drawing/frmdrawplan.h"
#include "platform/controls.h"
#include "tools/adjusttables.h"
#include "tools/planplaces.h"

#include <QCloseEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <set>
#include <utility>

namespace corvane {

namespace {

const QString kAdjustTitle = QStringLiteral("Adjust Plan");
const QString kAdjustErrorTitle = QStringLiteral("Adjust Plan error");
const QString kAdjustSection = QStringLiteral("Adjustment");

// A weight field: its settings key, its limits and what is said of a figure beyond them.
struct WeightField {
    const char* key;
    double AdjustmentOptions::*value;
    double high;
    const char* refusal;
};
const WeightField kWeights[] = {
    {"DistanceMm", &AdjustmentOptions::distanceMm, 1000,
     "The distance's standard deviation must be a number of millimetres from 0 to 1000"},
    {"DistancePpm", &AdjustmentOptions::distancePpm, 1000,
     "The distance's part in proportion must be a number of parts per million from 0 to 1000"},
    {"BearingSeconds", &AdjustmentOptions::bearingSeconds, 3600,
     "The bearing's standard deviation must be a number of seconds from 0 to 3600"},
};

QTableView* makeTable(QWidget* parent, const char* name, QSortFilterProxyModel* model) {
    auto* table = new QTableView(parent);
    table->setObjectName(QLatin1String(name));
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->setSortingEnabled(true);
    // The rows stand in the order the window put them until a heading is clicked.
    table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    return table;
}

} // namespace

frmAdjust::frmAdjust(PlanHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window), host_(host), owner_(QStringLiteral("frmAdjust")) {
    setObjectName(QStringLiteral("frmAdjust"));
    setWindowTitle(kAdjustTitle);
    watch_ = new LinesWatch(
        host_, this, QStringLiteral("The plan has changed since this adjustment: Adjust again"),
        [this](const QString& why) { clearResults(why); });
    buildControls();
    host_.registerPlanWindow(this);
}

frmAdjust::~frmAdjust() {
    host_.unregisterPlanWindow(this);
}

void frmAdjust::buildControls() {
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lstRemoved = new QListWidget(this);
    lstRemoved->setObjectName(QStringLiteral("lstRemoved"));
    lstRemoved->setMaximumHeight(110);

    auto field = [this](const char* name, const QString& tip) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->setToolTip(tip);
        edit->setMaximumWidth(70);
        return edit;
    };
    txtDistanceMm = field("txtDistanceMm", QStringLiteral("Millimetres every distance is weighted "
                                                          "by, whatever its length"));
    txtDistancePpm = field("txtDistancePpm", QStringLiteral("Parts per million of the distance, "
                                                            "added to the millimetres"));
    txtBearingSeconds = field("txtBearingSeconds",
                              QStringLiteral("Seconds of arc every bearing is weighted by; 2 mm "
                                             "of centring over the line's length is added"));
    cmdAdjust = MakeButton(this, "cmdAdjust", QStringLiteral("Adjust"),
                           QStringLiteral("Click here to adjust again with these weights"));
    cmdShowOnPlan =
        MakeButton(this, "cmdShowOnPlan", QStringLiteral("Show on plan"),
                   QStringLiteral("Click here to draw the error ellipses and flagged lines on the "
                                  "plan view"));
    cmdClose = MakeButton(this, "cmdClose", QStringLiteral("Close"),
                          QStringLiteral("Click here to close the window"));
    connect(cmdAdjust, &QPushButton::clicked, this, [this] { cmdAdjust_Click(); });
    connect(cmdShowOnPlan, &QPushButton::clicked, this, [this] { cmdShowOnPlan_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });

    observations_ = new QStandardItemModel(this);
    points_ = new QStandardItemModel(this);
    sortedObservations_ = new QSortFilterProxyModel(this);
    sortedPoints_ = new QSortFilterProxyModel(this);
    for (auto [sorted, source] :
         {std::pair(sortedObservations_, observations_), std::pair(sortedPoints_, points_)}) {
        sorted->setSourceModel(source);
        sorted->setSortRole(Qt::UserRole);
    }
    tabResults = new QTabWidget(this);
    tabResults->setObjectName(QStringLiteral("tabResults"));
    tblObservations = makeTable(this, "tblObservations", sortedObservations_);
    tblPoints = makeTable(this, "tblPoints", sortedPoints_);
    tabResults->addTab(tblObservations, QStringLiteral("Observations"));
    tabResults->addTab(tblPoints, QStringLiteral("Points"));
    connect(tblObservations, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { tblObservations_DblClick(index); });

    auto* weights = new QHBoxLayout;
    weights->addWidget(new QLabel(QStringLiteral("Distance ") + QChar(0x03C3), this));
    weights->addWidget(txtDistanceMm);
    weights->addWidget(new QLabel(QStringLiteral("mm +"), this));
    weights->addWidget(txtDistancePpm);
    weights->addWidget(new QLabel(QStringLiteral("ppm    Bearing ") + QChar(0x03C3), this));
    weights->addWidget(txtBearingSeconds);
    weights->addWidget(new QLabel(QString(QChar(0x2033)), this));
    weights->addWidget(cmdAdjust);
    weights->addStretch(1);
    weights->addWidget(cmdShowOnPlan);
    weights->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(watch_->note());
    layout->addWidget(lblSummary);
    layout->addWidget(lstRemoved);
    layout->addWidget(tabResults, 1);
    layout->addLayout(weights);
    resize(860, 620);
}

AdjustmentOptions StoredAdjustmentOptions(Desktop& desktop) {
    AdjustmentOptions options;
    for (const WeightField& w : kWeights) {
        const QString text = desktop.setting(kAdjustSection, QLatin1String(w.key), QString());
        // A stored figure no longer fit (edited by hand) gives way to the default.
        if (auto figure = NumberField(toCore(text), 0, w.high))
            options.*w.value = *figure;
    }
    if (options.distanceMm + options.distancePpm <= 0)
        options = AdjustmentOptions{};
    return options;
}

AdjustmentOptions frmAdjust::storedOptions() {
    return StoredAdjustmentOptions(host_.desktop());
}

void frmAdjust::storeOptions(const AdjustmentOptions& options) {
    for (const WeightField& w : kWeights)
        host_.desktop().setSetting(kAdjustSection, QLatin1String(w.key),
                                   QString::number(options.*w.value, 'g', 10));
}

void frmAdjust::showOptions(const AdjustmentOptions& options) {
    QLineEdit* fields[] = {txtDistanceMm, txtDistancePpm, txtBearingSeconds};
    for (std::size_t k = 0; k < std::size(kWeights); ++k)
        fields[k]->setText(QString::number(options.*kWeights[k].value, 'g', 10));
}

std::optional<AdjustmentOptions> frmAdjust::typedOptions() {
    AdjustmentOptions options;
    QLineEdit* fields[] = {txtDistanceMm, txtDistancePpm, txtBearingSeconds};
    for (std::size_t k = 0; k < std::size(kWeights); ++k) {
        const auto figure = NumberField(toCore(fields[k]->text().trimmed()), 0, kWeights[k].high);
        if (!figure) {
            host_.desktop().message(QString::fromLatin1(kWeights[k].refusal), kAdjustErrorTitle,
                                    Icon::Exclamation);
            fields[k]->setFocus();
            fields[k]->selectAll();
            return std::nullopt;
        }
        options.*kWeights[k].value = *figure;
    }
    // A distance weighted by nothing would be held exactly, as if it were a fixed datum.
    if (options.distanceMm + options.distancePpm <= 0) {
        host_.desktop().message(QStringLiteral("A distance needs a standard deviation: the "
                                               "millimetres and the parts per million cannot "
                                               "both be 0"),
                                kAdjustErrorTitle, Icon::Exclamation);
        txtDistanceMm->setFocus();
        return std::nullopt;
    }
    return options;
}

void frmAdjust::openAdjustment() {
    const AdjustmentOptions options = storedOptions();
    showOptions(options);
    if (!runAdjustment(options))
        return;
    show();
    raise();
    activateWindow();
}

bool frmAdjust::runAdjustment(const AdjustmentOptions& options) {
    PlanState& plan = host_.plan();
    Desktop& desktop = host_.desktop();
    std::optional<Result<PlanAdjustment>> adjusted;
    QStringList removedTexts;
    {
        BusyCursor busy(desktop);
        if (!LinesCurrent(plan)) {
            Result<void> loaded = LoadLines(plan);
            if (!loaded) {
                desktop.showError(loaded.error());
                return false;
            }
        }
        adjusted = AdjustPlan(plan, options);
        if (*adjusted) {
            // The diagnosis's typing explanation beside each line taken out, where one fits.
            const PlanAdjustment& a = adjusted->value();
            std::optional<PlanDiagnosis> diagnosis;
            if (!a.removed.empty())
                if (auto curves = ReadCurveFile(plan.PlanPath))
                    if (auto found =
                            DiagnosePlan(plan, curves.value(), toCore(host_.accuracyClass())))
                        diagnosis = std::move(found).value();
            int order = 0;
            for (const RemovedObservation& r : a.removed) {
                QString text = QString::number(++order) + QStringLiteral(". ") +
                               QString::fromStdString(EstimatedErrorText(r));
                if (diagnosis) {
                    const std::string why = TypingExplanation(r.observation, *diagnosis);
                    if (!why.empty())
                        text += QStringLiteral(" ") + QChar(0x2014) + QStringLiteral(" ") +
                                QString::fromStdString(why);
                }
                removedTexts << text;
            }
        }
    }
    if (!*adjusted) {
        desktop.showError(adjusted->error());
        return false;
    }
    adjustment_ = std::move(*adjusted).value();
    options_ = options;
    removedTexts_ = removedTexts;
    setWindowTitle(kAdjustTitle + QStringLiteral(" - ") + PathFromCore(FileNameOf(plan.PlanPath)));
    showResults();
    // Ellipses on the plan view are drawn again from the new figures.
    if (frmDrawPlan* view = host_.planView())
        if (view->isVisible() && view->content().Overlay.Owner == owner_)
            view->setOverlay(ellipseOverlay(view->content()));
    watch_->start();
    return true;
}

void frmAdjust::showResults() {
    const PlanAdjustment& a = *adjustment_;
    QStringList summary = AdjustmentSummary(a.all, options_.flagLimit);
    if (!a.removed.empty())
        summary << QStringLiteral("After taking out ") + QString::number(a.removed.size()) +
                       QStringLiteral(": SEUW ") + QString::number(a.final.seuw, 'f', 2) +
                       QStringLiteral("; ") + QString::fromStdString(GlobalTestText(a.final));
    lblSummary->setText(summary.join(QLatin1Char('\n')));
    lstRemoved->clear();
    if (removedTexts_.isEmpty())
        lstRemoved->addItem(QStringLiteral("Blunder search: no observation taken out"));
    else {
        lstRemoved->addItem(QStringLiteral("Blunder search, in the order taken out:"));
        lstRemoved->addItems(removedTexts_);
    }
    FillObservationTable(*observations_, a.all);
    FillPointTable(*points_, a.all);
    for (QTableView* table : {tblObservations, tblPoints}) {
        table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        table->resizeColumnsToContents();
    }
    cmdShowOnPlan->setEnabled(true);
}

void frmAdjust::clearResults(const QString& why) {
    adjustment_.reset();
    removedTexts_.clear();
    watch_->stop(why);
    lblSummary->clear();
    lstRemoved->clear();
    observations_->removeRows(0, observations_->rowCount());
    points_->removeRows(0, points_->rowCount());
    cmdShowOnPlan->setEnabled(false);
    if (frmDrawPlan* view = host_.planView())
        view->clearOverlay(owner_);
}

bool frmAdjust::checkStale() {
    return watch_->check();
}

void frmAdjust::cmdAdjust_Click() {
    const std::optional<AdjustmentOptions> options = typedOptions();
    if (!options)
        return;
    storeOptions(*options);
    runAdjustment(*options);
}

PlanOverlay frmAdjust::ellipseOverlay(const PlanContent& drawn) const {
    PlanOverlay overlay;
    overlay.Owner = owner_;
    if (!adjustment_)
        return overlay;
    const AdjustmentResult& all = adjustment_->all;
    double largest = 0;
    for (const AdjustedPoint& p : all.points)
        largest = std::max(largest, p.ellipseMajor);
    const ViewScale extent = DrawingExtent(drawn, false, false);
    const double factor =
        EllipseExaggeration(largest, std::max(std::abs(extent.Width), std::abs(extent.Height)));
    // Each ellipse is centred where the plan view draws its point: the view's coordinates
    // are made with the scaled lines too, so its origin need not be the adjustment's.
    for (const AdjustedPoint& p : all.points)
        if (p.ellipseMajor > 0)
            if (const std::optional<PlotMarker> at = DrawnPoint(drawn, p.number))
                overlay.Ellipses.push_back({at->E, at->N, p.ellipseMajor * factor,
                                            p.ellipseMinor * factor, p.ellipseBearing});
    // The lines flagged with every observation in, and those the blunder search took out.
    std::set<std::pair<std::int32_t, std::int32_t>> suspect;
    for (const ObservationResult& r : all.observations)
        if (r.flagged)
            suspect.insert({r.observation.from, r.observation.to});
    for (const RemovedObservation& r : adjustment_->removed)
        suspect.insert({r.observation.from, r.observation.to});
    for (const auto& [from, to] : suspect)
        if (auto line = DrawnLine(drawn, from, to))
            overlay.Lines.push_back(*line);
    overlay.Caption = QStringLiteral("Error ellipses ") + QChar(0x00D7) + QLatin1Char(' ') +
                      QString::number(factor, 'f', 0);
    if (!overlay.Lines.empty())
        overlay.Caption += QStringLiteral(", flagged lines in red");
    return overlay;
}

void frmAdjust::cmdShowOnPlan_Click() {
    if (checkStale() || !adjustment_)
        return;
    frmDrawPlan* view = WholePlanView(host_);
    if (!view)
        return;
    view->setOverlay(ellipseOverlay(view->content()));
    view->raise();
    view->activateWindow();
}

void frmAdjust::tblObservations_DblClick(const QModelIndex& index) {
    if (checkStale() || !adjustment_ || !index.isValid())
        return;
    const QModelIndex first =
        observations_->index(sortedObservations_->mapToSource(index).row(), 0);
    const auto k = first.data(kObservationRole).toULongLong();
    if (k >= adjustment_->all.observations.size())
        return;
    const Observation& o = adjustment_->all.observations[k].observation;
    // Over the ellipses when they are shown, alone otherwise.
    PlanOverlay base;
    base.Owner = owner_;
    if (frmDrawPlan* view = host_.planView())
        if (view->isVisible() && view->content().Overlay.Owner == owner_ &&
            !view->content().Overlay.Ellipses.empty())
            base = ellipseOverlay(view->content());
    ShowLineOnPlan(host_, std::move(base), o.from, o.to, kAdjustTitle);
}

void frmAdjust::cmdClose_Click() {
    close();
}

void frmAdjust::closeEvent(QCloseEvent* event) {
    watch_->stop();
    if (frmDrawPlan* view = host_.planView())
        view->clearOverlay(owner_);
    event->accept();
}

void frmAdjust::closeForPlanChange() {
    clearResults(QString());
    hide();
}

} // namespace corvane
