#include "reports/frmsummary.h"

#include "core/base/textfile.h"
#include "core/edits/parcelcmds.h"
#include "core/files/curves.h"
#include "core/files/linesfile.h"
#include "core/files/polygons.h"
#include "core/reports/diagnosis.h"
#include "core/reports/summary.h"
#include "reports/parcelarea.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

namespace corvane {

namespace {

// The grid's heading texts; the blanks in each give its column's width.
constexpr const char* kGridFormat =
    "   |Parcel                             |Closure         |Area                          ";

constexpr int kMarkColumn = 0;
constexpr int kIdentifierColumn = 1;
constexpr int kAreaColumn = 3;
// The printed summary keeps to the four columns above; the window adds, for each parcel that
// closes, its closure ratio, the allowable misclosure and the area the closure computes
// beside the stored one.
constexpr int kPrintedColumns = 4;
constexpr const char* kAddedColumns[] = {"Ratio", "Allowable", "Computed area"};

// A "+" row keeps the area the closure computed with the row itself, so every question
// offers the calculated area of the parcel it names: its text, and the figure that is
// stored (square metres to a tenth, never the text's rounding).
constexpr int kCalculatedAreaRole = Qt::UserRole + 1;
constexpr int kCalculatedValueRole = Qt::UserRole + 2;

constexpr int kLegendColumn = 10;

} // namespace

frmSummary::frmSummary(PlanHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName(QStringLiteral("frmSummary"));
    setWindowFlag(Qt::Window);
    buildControls();
    host_.registerPlanWindow(this);

    // The window opens at the right of the screen, clear of the main window's parcel list.
    resize(760, 480);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect free = screen->availableGeometry();
        move(std::max(free.left(), free.right() - width() - 13), free.top() + 13);
    }
}

frmSummary::~frmSummary() {
    host_.unregisterPlanWindow(this);
}

void frmSummary::buildControls() {
    Grid1 = new QTableWidget(0, kPrintedColumns + static_cast<int>(std::size(kAddedColumns)), this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid1->verticalHeader()->hide();
    const QStringList headings = QString::fromLatin1(kGridFormat).split(QLatin1Char('|'));
    QStringList labels;
    for (int c = 0; c < headings.size(); ++c) {
        labels << headings[c].trimmed();
        Grid1->setColumnWidth(c, fontMetrics().horizontalAdvance(headings[c]) + 8);
    }
    for (const char* heading : kAddedColumns) {
        const QString text = QString::fromLatin1(heading);
        Grid1->setColumnWidth(static_cast<int>(labels.size()),
                              fontMetrics().horizontalAdvance(text + QStringLiteral("00000000")));
        labels << text;
    }
    Grid1->setHorizontalHeaderLabels(labels);
    Grid1->horizontalHeader()->setStretchLastSection(true);
    connect(Grid1, &QTableWidget::cellDoubleClicked, this, &frmSummary::Grid1_DblClick);

    fraLegend = new QGroupBox(QStringLiteral("Legend"), this);
    fraLegend->setObjectName(QStringLiteral("fraLegend"));
    auto* legend = new QVBoxLayout(fraLegend);
    for (const char* text :
         {"OK  - closure is satisfactory", "md  - missing data in closure",
          "*    - edit parcel data", "+   - small difference in calculated area", "#  - edit area",
          "Double click on a parcel identifier to edit the area"}) {
        auto* label = new QLabel(QString::fromLatin1(text), fraLegend);
        label->setWordWrap(true);
        legend->addWidget(label);
    }

    auto addButton = [this](const char* name, const char* caption, const char* tooltip,
                            void (frmSummary::*slot)()) {
        auto* button = new QPushButton(QString::fromLatin1(caption), this);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(QString::fromLatin1(tooltip));
        connect(button, &QPushButton::clicked, this, slot);
        return button;
    };
    cmdAreas = addButton("cmdAreas", "Query Areas...", "Click here to query area differences",
                         &frmSummary::cmdAreas_Click);
    cmdRefresh = addButton("cmdRefresh", "Refresh", "Click here to recalculate summary data",
                           &frmSummary::cmdRefresh_Click);
    cmdPrint = addButton("cmdPrint", "Print", "Click here to print the Summary data",
                         &frmSummary::cmdPrint_Click);
    cmdClose = addButton("cmdClose", "Close", "Click here to close the Summary form",
                         &frmSummary::cmdClose_Click);

    chkDiagnose = new QCheckBox(QStringLiteral("Print likely mistakes"), this);
    chkDiagnose->setObjectName(QStringLiteral("chkDiagnose"));
    chkDiagnose->setToolTip(QStringLiteral("Print, after the summary, the figures whose "
                                           "correction would close the failing parcels"));

    // The grid takes what the window gains; the legend and buttons stay at the right edge.
    auto* side = new QVBoxLayout;
    side->addWidget(fraLegend);
    side->addStretch();
    side->addWidget(chkDiagnose);
    for (QPushButton* button : {cmdAreas, cmdRefresh, cmdPrint, cmdClose})
        side->addWidget(button);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Grid1, 1);
    layout->addLayout(side);
}

void frmSummary::openSummary() {
    // After a refused lines file the parcels were not listed: an empty list then says
    // nothing of the plan's parcels.
    if (host_.plan().LinesLoadFailed) {
        host_.desktop().message(fromCore(LinesNotLoadedMessage(host_.plan())),
                                QStringLiteral("Summary error"), Icon::Exclamation);
        return;
    }
    if (host_.parcels().isEmpty()) {
        host_.desktop().message(QStringLiteral("No parcels to close"),
                                QStringLiteral("Summary error"), Icon::Exclamation);
        return;
    }
    if (!EnsureLines())
        return;
    ClearGrid();
    if (!FillSummary())
        return;
    // The plan by its name: a whole path hides it at the far end of the title bar.
    setWindowTitle(QStringLiteral("Summary for ") + fromCore(FileNameOf(host_.plan().PlanPath)));
    show();
    raise();
    activateWindow();
}

void frmSummary::closeForPlanChange() {
    hide();
    // The rows are the old plan's: none of them may be offered against the next one.
    ClearGrid();
    setWindowTitle(QString());
}

bool frmSummary::isPlanWindowOpen() const {
    return isVisible();
}

bool frmSummary::EnsureLines() {
    PlanState& plan = host_.plan();
    if (!LinesCurrent(plan)) {
        if (Result<void> loaded = LoadLines(plan); !loaded)
            showError(loaded.error());
    }
    if (plan.chkArray)
        return true;
    host_.desktop().message(QStringLiteral("No lines loaded"), QStringLiteral("Summary error"),
                            Icon::Exclamation);
    return false;
}

bool frmSummary::FillSummary() {
    Result<ClosureSummaryResult> summary = Error{};
    {
        BusyCursor busy(host_.desktop());
        summary = ClosureSummary(SummaryRows, host_.plan(), toCore(host_.accuracyClass()));
    }
    if (!summary) {
        showError(summary.error());
        return false;
    }
    const std::vector<SummaryRow>& rows = summary.value().Rows;
    const std::vector<std::string> marks = MarkSummaryRows(rows);
    Grid1->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const SummaryRow& row = rows[static_cast<size_t>(r)];
        setCell(r, kMarkColumn, fromCore(marks[static_cast<size_t>(r)]));
        setCell(r, kIdentifierColumn, fromCore(row.Identifier));
        setCell(r, 2, fromCore(row.Closure));
        setCell(r, kAreaColumn, fromCore(row.AreaText));
        Grid1->item(r, kAreaColumn)->setData(kCalculatedAreaRole, fromCore(row.CalculatedArea));
        Grid1->item(r, kAreaColumn)->setData(kCalculatedValueRole, row.CalculatedAreaValue);
        int column = kPrintedColumns;
        for (const std::string* added : {&row.Ratio, &row.Allowable, &row.ComputedArea})
            setCell(r, column++, fromCore(*added));
    }
    return true;
}

void frmSummary::ClearGrid() {
    Grid1->setRowCount(0);
}

QString frmSummary::cell(int row, int column) const {
    const QTableWidgetItem* item = Grid1->item(row, column);
    return item ? item->text() : QString();
}

void frmSummary::setCell(int row, int column, const QString& text) {
    if (QTableWidgetItem* item = Grid1->item(row, column))
        item->setText(text);
    else
        Grid1->setItem(row, column, new QTableWidgetItem(text));
}

void frmSummary::showError(const Error& error) {
    host_.desktop().showError(error);
}

void frmSummary::cmdRefresh_Click() {
    ClearGrid();
    cmdRefresh->setEnabled(false);
    if (EnsureLines())
        FillSummary();
    cmdRefresh->setEnabled(true);
}

void frmSummary::cmdAreas_Click() {
    if (Grid1->rowCount() == 0 ||
        host_.refuseWrite(QStringLiteral("Query Areas"), QStringLiteral("Query Areas error")))
        return;
    Desktop& desktop = host_.desktop();
    const std::string planPath = host_.plan().PlanPath;
    bool queried = false;
    for (int r = 0; r < Grid1->rowCount(); ++r) {
        if (cell(r, kMarkColumn) != QLatin1String("+"))
            continue;
        queried = true;
        const QString identifier = cell(r, kIdentifierColumn);
        const QString calculated =
            Grid1->item(r, kAreaColumn)->data(kCalculatedAreaRole).toString();
        const QString question = QStringLiteral("The current area for ") + identifier +
                                 QStringLiteral(" is ") + cell(r, kAreaColumn) +
                                 QStringLiteral(".\nDo you wish to change it to ") + calculated +
                                 QStringLiteral(" ?");
        if (desktop.message(question, QStringLiteral("Change to Calculated Areas"), Icon::Question,
                            Buttons::YesNo, Answer::Yes) != Answer::Yes)
            continue;
        const double area = Grid1->item(r, kAreaColumn)->data(kCalculatedValueRole).toDouble();
        const std::string id = toCore(identifier);
        if (Result<void> updated = UpdateParcelEntry(planPath, id, id, area, "C"); !updated) {
            showError(updated.error());
            return;
        }
        setCell(r, kMarkColumn, QString());
        setCell(r, kAreaColumn, calculated);
    }
    if (!queried)
        desktop.message(QStringLiteral("No differences in areas found"),
                        QStringLiteral("Query Areas error"), Icon::Exclamation);
}

void frmSummary::Grid1_DblClick(int row, int /*column*/) {
    const QString identifier = cell(row, kIdentifierColumn);
    if (identifier.isEmpty())
        return;
    // The grid is not refreshed: Refresh shows the change.
    EditParcelArea(host_, identifier);
}

// The likely mistaken figures of the failing parcels, as "--check --diagnose" lists them.
void frmSummary::printDiagnosis(PrintJob& job) {
    PlanState lines;
    lines.PlanPath = host_.plan().PlanPath;
    auto curves = ReadCurveFile(lines.PlanPath);
    if (!LoadLines(lines) || !curves)
        return;
    auto diagnosis = DiagnosePlan(lines, curves.value(), toCore(host_.accuracyClass()));
    if (!diagnosis)
        return;
    job.emptyLine();
    for (std::string text : DiagnosisLines(diagnosis.value())) {
        // The printer's text is 8-bit: the en dash between two points prints as a hyphen.
        for (size_t at = text.find("\xE2\x80\x93"); at != std::string::npos;
             at = text.find("\xE2\x80\x93", at))
            text.replace(at, 3, "-");
        job.print(TabLine(kLegendColumn, text));
    }
}

void frmSummary::cmdPrint_Click() {
    Desktop& desktop = host_.desktop();
    cmdPrint->setEnabled(false);
    Result<QString> ended = QString();
    // The printout names the plan by its whole path, as it always has.
    const QString caption = QStringLiteral("Summary for ") + PathFromCore(host_.plan().PlanPath);
    std::unique_ptr<PrintJob> job =
        desktop.startPrint(caption, PathFromCore(DirectoryOf(host_.plan().PlanPath)),
                           PrintoutPdfName(host_.plan().PlanPath, QStringLiteral("summary")));
    // The print or save dialog cancelled: nothing to print.
    if (!job) {
        cmdPrint->setEnabled(true);
        return;
    }
    {
        BusyCursor busy(desktop);
        const FontChoice font = host_.reportFont();
        job->setFont(font.name, font.size);
        job->print(TabLine(kLegendColumn, toCore(caption)));
        job->emptyLine();
        job->print(TabLine(kLegendColumn, "Accuracy criterion = " + toCore(host_.accuracyClass())));
        job->emptyLine();
        // The heading row first, then the parcels; each cell starts a print zone.
        auto printRow = [&job](const QStringList& cells) {
            PrintLine line;
            line.add(toCore(cells[0]));
            for (int c = 1; c < cells.size(); ++c)
                line.tab(kNextZone, toCore(cells[c]));
            job->print(line);
        };
        QStringList heading;
        for (int c = 0; c < kPrintedColumns; ++c)
            heading << Grid1->horizontalHeaderItem(c)->text();
        printRow(heading);
        for (int r = 0; r < Grid1->rowCount(); ++r)
            printRow({cell(r, 0), cell(r, 1), cell(r, 2), cell(r, 3)});
        job->emptyLine();
        for (const char* text :
             {"OK - closure is satisfactory.", "md - missing data in closure.",
              "*  - edit parcel data or area.", "+  - calculated area does not agree."})
            job->print(TabLine(kLegendColumn, text));
        if (chkDiagnose->isChecked())
            printDiagnosis(*job);
        job->emptyLine();
        job->print(TabLine(kLegendColumn, "Printed on " + toCore(TodayText())));
        ended = job->endDocument();
    }
    cmdPrint->setEnabled(true);
    if (!ended) {
        desktop.showError(Error{ended.error().message, "Print Summary"});
        return;
    }
    desktop.message(PrintedToText(ended.value()), QStringLiteral("Print Summary"),
                    Icon::Information);
}

void frmSummary::cmdClose_Click() {
    hide();
}

} // namespace corvane
