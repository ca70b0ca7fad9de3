#include "reports/frmreport.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/linesfile.h"
#include "core/reports/planreport.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

namespace {

const QString kPrintTitle = QStringLiteral("CORVANE Print");

} // namespace

void PrintReport(PrintJob& job, const FontChoice& font, const std::vector<PrintLine>& report) {
    job.setFont(font.name, font.size);
    for (const PrintLine& line : report)
        job.print(line);
}

frmReport::frmReport(PlanHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName(QStringLiteral("frmReport"));
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Print Report Form"));
    buildControls();
    host_.registerPlanWindow(this);
}

frmReport::~frmReport() {
    host_.unregisterPlanWindow(this);
}

void frmReport::buildControls() {
    fraOptions = new QGroupBox(QStringLiteral("Report Options"), this);
    fraOptions->setObjectName(QStringLiteral("fraOptions"));
    auto* options = new QVBoxLayout(fraOptions);
    auto addOption = [&](const char* name, const char* caption, bool ticked) {
        auto* box = new QCheckBox(QString::fromLatin1(caption), fraOptions);
        box->setObjectName(QString::fromLatin1(name));
        box->setChecked(ticked);
        options->addWidget(box);
        return box;
    };
    chkSummary = addOption("chkSummary", "Closure &Summary", true);
    chkSDB = addOption("chkSDB", "Survey &Data Base details", false);
    chkFull = addOption("chkFull", "&Full Closures", false);
    chkPMs = addOption("chkPMs", "&Permanent Mark Joins", false);
    chkALLDist = addOption("chkALLDist", "&ALL distance along lines", false);

    auto addButton = [this](const char* name, const char* caption, const char* tooltip,
                            void (frmReport::*slot)()) {
        auto* button = new QPushButton(QString::fromLatin1(caption), this);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(QString::fromLatin1(tooltip));
        connect(button, &QPushButton::clicked, this, slot);
        return button;
    };
    cmdOK = addButton("cmdOK", "OK", "Click here to print the report", &frmReport::cmdOK_Click);
    cmdOK->setDefault(true);
    cmdPreview = addButton("cmdPreview", "Pre&view...",
                           "Click here to see the report's pages before printing",
                           &frmReport::cmdPreview_Click);
    cmdFonts = addButton("cmdFonts", "F&onts...", "Click here to set the text font",
                         &frmReport::cmdFonts_Click);
    cmdCancel = addButton("cmdCancel", "Cancel", "Click here to close the form",
                          &frmReport::cmdCancel_Click);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {cmdOK, cmdPreview, cmdFonts, cmdCancel})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(fraOptions, 1);
    layout->addLayout(buttons);
}

void frmReport::openReport() {
    chkSDB->setChecked(!host_.surveyRecord().Surveyor.empty());
    show();
    raise();
    activateWindow();
}

void frmReport::closeForPlanChange() {
    hide();
}

bool frmReport::isPlanWindowOpen() const {
    return isVisible();
}

bool frmReport::ComposeReport(std::vector<PrintLine>& report) {
    Desktop& desktop = host_.desktop();
    PlanState& plan = host_.plan();
    if (Result<void> loaded = LoadLines(plan); !loaded) {
        desktop.showError(Error{loaded.error().message, toCore(kPrintTitle)});
        return false;
    }
    const QString name = desktop.inputBox(QStringLiteral("Enter a name to identify your print"),
                                          QStringLiteral("Print Options"));
    if (name.isEmpty())
        return false;
    ReportRequest request;
    request.Summary = chkSummary->isChecked();
    request.SurveyDetails = chkSDB->isChecked();
    request.FullClosures = chkFull->isChecked();
    request.MarkJoins = chkPMs->isChecked();
    request.AllDistances = chkALLDist->isChecked();
    request.PrintName = toCore(name);
    request.Date = toCore(TodayText());
    request.AccuracyClass = toCore(host_.accuracyClass());
    request.Record = host_.surveyRecord();
    Result<std::vector<PrintLine>> composed = std::vector<PrintLine>();
    {
        BusyCursor busy(desktop);
        composed = PlanReport(plan, request);
    }
    if (!composed) {
        Error error = composed.error();
        if (error.title.empty())
            error.title = toCore(kPrintTitle);
        desktop.showError(error);
        return false;
    }
    report = std::move(composed).value();
    return true;
}

void frmReport::PrintReport(bool preview) {
    Desktop& desktop = host_.desktop();
    // Not twice at once: the buttons come back however the print ends.
    cmdOK->setEnabled(false);
    cmdPreview->setEnabled(false);
    std::vector<PrintLine> report;
    std::optional<Result<QString>> ended;
    if (ComposeReport(report)) {
        const FontChoice font = host_.reportFont();
        const QString document =
            QStringLiteral("Plan report ") + fromCore(FileNameOf(host_.plan().PlanPath));
        const QString folder = PathFromCore(DirectoryOf(host_.plan().PlanPath));
        const QString pdfName = PrintoutPdfName(host_.plan().PlanPath, QStringLiteral("report"));
        if (preview) {
            ended = desktop.previewPrint(document, folder, pdfName, [&](PrintJob& job) {
                corvane::PrintReport(job, font, report);
            });
        } else if (std::unique_ptr<PrintJob> job = desktop.startPrint(document, folder, pdfName)) {
            BusyCursor busy(desktop);
            corvane::PrintReport(*job, font, report);
            ended = job->endDocument();
        }
    }
    cmdOK->setEnabled(true);
    cmdPreview->setEnabled(true);
    if (!ended)
        return;
    if (!*ended) {
        desktop.showError(Error{ended->error().message, toCore(kPrintTitle)});
        return;
    }
    desktop.message(PrintedToText(ended->value()), kPrintTitle, Icon::Information);
}

void frmReport::cmdOK_Click() {
    PrintReport(false);
}

void frmReport::cmdPreview_Click() {
    PrintReport(true);
}

void frmReport::cmdFonts_Click() {
    Desktop& desktop = host_.desktop();
    const std::optional<FontChoice> chosen = desktop.chooseFont(host_.reportFont());
    if (!chosen)
        return;
    host_.setReportFont(*chosen);
    if (desktop.message(QStringLiteral("Do you wish to make this the default font for CORVANE ?"),
                        QStringLiteral("Save Printer Font"), Icon::Question, Buttons::YesNo,
                        Answer::Yes) != Answer::Yes)
        return;
    desktop.setSetting(QStringLiteral("Startup"), QStringLiteral("FontSize"),
                       fromCore(Format(chosen->size, "0")));
    desktop.setSetting(QStringLiteral("Startup"), QStringLiteral("FontName"), chosen->name);
}

void frmReport::cmdCancel_Click() {
    hide();
}

} // namespace corvane
