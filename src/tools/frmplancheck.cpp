#include "tools/frmplancheck.h"

#include "tools/frmadjust.h"

#include "core/base/textfile.h"
#include "core/model/pointlabel.h"
#include "drawing/frmdrawplan.h"
#include "platform/controls.h"
#include "tools/planplaces.h"

#include <QCloseEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace corvane {

namespace {

const QString kCheckTitle = QStringLiteral("Check Plan");

QString findingLine(const Finding& f) {
    return QString::fromStdString(PointNumberToLabel(f.from)) + QChar(0x2013) +
           QString::fromStdString(PointNumberToLabel(f.to));
}

bool hasLine(const Finding& f) {
    return f.from != 0 && f.to != 0;
}

// What the finding is about: its parcel, line or point (several when it names several).
QString whereText(const Finding& f) {
    QStringList parts;
    if (!f.parcel.empty())
        parts << QString::fromStdString(f.parcel);
    if (hasLine(f))
        parts << findingLine(f);
    if (!f.point.empty())
        parts << QString::fromStdString(f.point);
    return parts.join(QStringLiteral(", "));
}

QColor gradeColour(FindingGrade grade) {
    switch (grade) {
    case FindingGrade::Error:
        return QColor(200, 0, 0);
    case FindingGrade::Warning:
        return QColor(190, 110, 0); // amber, still read on white
    case FindingGrade::Information:
        break;
    }
    return QColor(Qt::black);
}

QString countText(std::size_t count, const char* one, const char* many) {
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}

} // namespace

frmPlanCheck::frmPlanCheck(PlanHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window), host_(host), owner_(QStringLiteral("frmPlanCheck")) {
    setObjectName(QStringLiteral("frmPlanCheck"));
    setWindowTitle(kCheckTitle);
    watch_ = new LinesWatch(host_, this,
                            QStringLiteral("The plan has changed since this check: Check again"),
                            [this](const QString& why) { clearFindings(why); });
    buildControls();
    host_.registerPlanWindow(this);
}

frmPlanCheck::~frmPlanCheck() {
    host_.unregisterPlanWindow(this);
}

void frmPlanCheck::buildControls() {
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    grdFindings = new QTableWidget(0, 4, this);
    grdFindings->setObjectName(QStringLiteral("grdFindings"));
    grdFindings->setHorizontalHeaderLabels({QStringLiteral("Grade"), QStringLiteral("Rule"),
                                            QStringLiteral("Parcel, line or point"),
                                            QStringLiteral("Finding")});
    grdFindings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdFindings->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdFindings->setWordWrap(true);
    grdFindings->verticalHeader()->hide();
    grdFindings->horizontalHeader()->setStretchLastSection(true);
    grdFindings->setToolTip(QStringLiteral("Double-click a finding to open its parcel, or to see "
                                           "its line or point on the plan"));
    connect(grdFindings, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { grdFindings_DblClick(row); });
    cmdCheck = MakeButton(this, "cmdCheck", QStringLiteral("Check again"),
                          QStringLiteral("Click here to check the plan again"));
    cmdPrint = MakeButton(this, "cmdPrint", QStringLiteral("Print"),
                          QStringLiteral("Click here to print the findings"));
    cmdClose = MakeButton(this, "cmdClose", QStringLiteral("Close"),
                          QStringLiteral("Click here to close the window"));
    connect(cmdCheck, &QPushButton::clicked, this, [this] { cmdCheck_Click(); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { cmdPrint_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { close(); });

    auto* commands = new QHBoxLayout;
    commands->addWidget(cmdCheck);
    commands->addWidget(cmdPrint);
    commands->addStretch(1);
    commands->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(watch_->note());
    layout->addWidget(lblSummary);
    layout->addWidget(grdFindings, 1);
    layout->addLayout(commands);
    resize(820, 480);
}

void frmPlanCheck::openCheck() {
    if (!runCheck())
        return;
    show();
    raise();
    activateWindow();
}

bool frmPlanCheck::runCheck() {
    PlanState& plan = host_.plan();
    Desktop& desktop = host_.desktop();
    const QString accuracy = host_.accuracyClass();
    std::optional<Result<LodgementCheck>> checked;
    {
        BusyCursor busy(desktop);
        if (!LinesCurrent(plan)) {
            Result<void> loaded = LoadLines(plan);
            if (!loaded) {
                desktop.showError(loaded.error());
                return false;
            }
        }
        checked = CheckPlanForLodgement(plan, toCore(accuracy), StoredAdjustmentOptions(desktop));
    }
    if (!*checked) {
        desktop.showError(checked->error());
        return false;
    }
    check_ = std::move(*checked).value();
    accuracy_ = accuracy;
    setWindowTitle(kCheckTitle + QStringLiteral(" - ") + PathFromCore(FileNameOf(plan.PlanPath)));
    showFindings();
    watch_->start();
    return true;
}

void frmPlanCheck::showFindings() {
    const std::vector<Finding>& findings = check_->findings;
    std::size_t counts[3] = {};
    grdFindings->setRowCount(static_cast<int>(findings.size()));
    for (std::size_t k = 0; k < findings.size(); ++k) {
        const Finding& f = findings[k];
        ++counts[static_cast<int>(f.grade)];
        const QString texts[] = {QString::fromLatin1(FindingGradeName(f.grade)),
                                 QString::fromStdString(f.rule), whereText(f),
                                 QString::fromStdString(f.message)};
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setForeground(gradeColour(f.grade));
            grdFindings->setItem(static_cast<int>(k), c, item);
        }
    }
    grdFindings->resizeColumnsToContents();
    grdFindings->resizeRowsToContents();
    const QString criterion =
        QStringLiteral(" (accuracy criterion ") + accuracy_ + QLatin1Char(')');
    lblSummary->setText(
        findings.empty() ? QStringLiteral("No findings: the plan passes every rule") + criterion
                         : countText(counts[0], "error", "errors") + QStringLiteral(", ") +
                               countText(counts[1], "warning", "warnings") + QStringLiteral(", ") +
                               countText(counts[2], "information", "information") + criterion);
    cmdPrint->setEnabled(true);
}

void frmPlanCheck::clearFindings(const QString& why) {
    check_.reset();
    watch_->stop(why);
    grdFindings->setRowCount(0);
    lblSummary->clear();
    cmdPrint->setEnabled(false);
    if (frmDrawPlan* view = host_.planView())
        view->clearOverlay(owner_);
}

bool frmPlanCheck::checkStale() {
    return watch_->check();
}

void frmPlanCheck::cmdCheck_Click() {
    runCheck();
}

void frmPlanCheck::grdFindings_DblClick(int row) {
    if (checkStale() || !check_ || row < 0 ||
        static_cast<std::size_t>(row) >= check_->findings.size())
        return;
    const Finding& f = check_->findings[static_cast<std::size_t>(row)];
    PlanOverlay base;
    base.Owner = owner_;
    if (!f.parcel.empty())
        emit parcelWanted(QString::fromStdString(f.parcel));
    else if (hasLine(f))
        ShowLineOnPlan(host_, std::move(base), f.from, f.to, kCheckTitle);
    else if (!f.point.empty())
        ShowPointOnPlan(host_, std::move(base), PointLabelToNumber(f.point), kCheckTitle);
}

void frmPlanCheck::cmdPrint_Click() {
    if (checkStale() || !check_)
        return;
    Desktop& desktop = host_.desktop();
    const std::string& path = host_.plan().PlanPath;
    std::unique_ptr<PrintJob> job = desktop.startPrint(
        QStringLiteral("Plan check for ") + PathFromCore(path), PathFromCore(DirectoryOf(path)),
        PrintoutPdfName(path, QStringLiteral("plan check")));
    if (!job)
        return;
    Result<QString> ended = QString();
    {
        BusyCursor busy(desktop);
        const FontChoice font = host_.reportFont();
        job->setFont(font.name, font.size);
        job->print("Plan check for " + toCore(PathFromCore(path)));
        job->emptyLine();
        job->print("Accuracy criterion = " + toCore(accuracy_));
        job->print(PrintableText(lblSummary->text().toStdString()));
        job->emptyLine();
        for (const Finding& f : check_->findings) {
            PrintLine heading;
            heading.add(FindingGradeName(f.grade))
                .tab(14, f.rule)
                .tab(28, PrintableText(whereText(f).toStdString()));
            job->print(heading);
            job->print(TabLine(5, PrintableText(f.message)));
        }
        job->emptyLine();
        job->print("Printed on " + toCore(TodayText()));
        ended = job->endDocument();
    }
    if (!ended) {
        desktop.showError(Error{ended.error().message, "Print Plan Check"});
        return;
    }
    desktop.message(PrintedToText(ended.value()), QStringLiteral("Print Plan Check"),
                    Icon::Information);
}

void frmPlanCheck::closeEvent(QCloseEvent* event) {
    watch_->stop();
    if (frmDrawPlan* view = host_.planView())
        view->clearOverlay(owner_);
    event->accept();
}

void frmPlanCheck::closeForPlanChange() {
    clearFindings(QString());
    hide();
}

} // namespace corvane
