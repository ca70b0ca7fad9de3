#include "mainwinharness.h"

#include "core/base/printtext.h"
#include "core/files/linesfile.h"
#include "core/reports/planreport.h"
#include "platform/recordingprintjob.h"
#include "reports/frmcoords.h"
#include "reports/frmreport.h"
#include "reports/reportcommand.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <sstream>

using namespace corvane;
using namespace corvane::testing;

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class ReportWindowsTest : public QObject {
    Q_OBJECT

  private:
    template <typename T> static T* in(QWidget* window, const char* name) {
        T* child = window->findChild<T*>(QString::fromLatin1(name));
        if (!child)
            qFatal("no control %s", name);
        return child;
    }

  private slots:
    // The report prints the ticked sections as one document in the report font, after its
    // name; an empty name prints nothing.
    void reportPrintsTheChosenSections() {
        OpenedSample s;
        s.h->run(QStringLiteral("cmdPrint"));
        auto* report = s.h->window->findChild<frmReport*>();
        QVERIFY(report && report->isVisible());
        QCOMPARE(report->windowTitle(), QStringLiteral("Print Report Form"));
        // The sample names its surveyor: the survey details are ticked on opening.
        QVERIFY(in<QCheckBox>(report, "chkSummary")->isChecked());
        QVERIFY(in<QCheckBox>(report, "chkSDB")->isChecked());
        for (const char* name : {"chkFull", "chkPMs", "chkALLDist"}) {
            QVERIFY(!in<QCheckBox>(report, name)->isChecked());
            in<QCheckBox>(report, name)->setChecked(true);
        }
        s.h->window->session().setReportFont({QStringLiteral("Liberation Serif"), 12});

        s.h->desktop.clearRecords();
        s.h->desktop.texts = {QStringLiteral("J CHECKER")};
        in<QPushButton>(report, "cmdOK")->click();
        QCOMPARE(s.h->messages(), QStringList{"CORVANE Print: Printed to Scripted printer"});
        QCOMPARE(s.h->desktop.printouts.size(), size_t(1));
        const PrintRecord& printed = *s.h->desktop.lastPrintout();
        QVERIFY(printed.ended);
        QCOMPARE(printed.fonts.front().name, QStringLiteral("Liberation Serif"));
        QCOMPARE(printed.fonts.front().size, 12.0);
        // What went to paper is the core's report of the plan.
        ReportRequest request;
        request.SurveyDetails = request.FullClosures = request.MarkJoins = request.AllDistances =
            true;
        request.PrintName = "J CHECKER";
        request.Date = toCore(TodayText());
        request.AccuracyClass = "Surveyed Polygons";
        request.Record = s.h->window->session().surveyRecord();
        const auto lines = RenderPrintLines(PlanReport(s.h->plan, request).value());
        std::string expected;
        for (std::size_t i = 0; i < lines.size(); ++i)
            expected += (i ? "\n" : "") + lines[i];
        QCOMPARE(QString::fromLatin1(printed.text()), QString::fromLatin1(expected));
        QVERIFY(printed.text().find("Date of field survey:\n         14/03/2026") !=
                std::string::npos);

        // No name, no print; the button is back.
        s.h->desktop.clearRecords();
        in<QPushButton>(report, "cmdOK")->click();
        QVERIFY(s.h->desktop.printouts.empty());
        QVERIFY(s.h->messages().isEmpty());
        QVERIFY(in<QPushButton>(report, "cmdOK")->isEnabled());

        // Without a surveyor's name the details are clear on the next opening; Open closes
        // the window as a plan window.
        s.h->find<QLineEdit>(QStringLiteral("txtSurveyor"))->clear();
        s.h->run(QStringLiteral("mnuPrint"));
        QVERIFY(!in<QCheckBox>(report, "chkSDB")->isChecked());
        QVERIFY(in<QCheckBox>(report, "chkFull")->isChecked()); // the others are kept
        s.h->run(QStringLiteral("mnuExit"));
        QVERIFY(!report->isVisible());
    }

    // The preview prints the very document it showed, or nothing when closed.
    void previewPrintsWhatItShowed() {
        OpenedSample s;
        s.h->run(QStringLiteral("cmdPrint"));
        auto* report = s.h->window->findChild<frmReport*>();
        s.h->desktop.clearRecords();
        s.h->desktop.texts = {QStringLiteral("J")};
        s.h->desktop.answers = {Answer::Cancel};
        in<QPushButton>(report, "cmdPreview")->click();
        QCOMPARE(s.h->desktop.callsOf(DesktopCall::Kind::PreviewPrint).size(), size_t(1));
        QVERIFY(!s.h->desktop.lastPrintout()->ended);
        QVERIFY(s.h->desktop.lastPrintout()->text().find("Summary of Closures") !=
                std::string::npos);
        QVERIFY(s.h->messages().isEmpty());

        s.h->desktop.clearRecords();
        s.h->desktop.texts = {QStringLiteral("J")};
        s.h->desktop.answers = {Answer::Ok};
        in<QPushButton>(report, "cmdPreview")->click();
        QVERIFY(s.h->desktop.lastPrintout()->ended);
        QVERIFY(s.h->desktop.callsOf(DesktopCall::Kind::StartPrint).empty());
        QCOMPARE(s.h->messages(), QStringList{"CORVANE Print: Printed to Scripted printer"});

        // A failed printing is said, not called completed.
        s.h->desktop.clearRecords();
        s.h->desktop.printFailure = Error{"The printout could not be sent", "Print error"};
        s.h->desktop.texts = {QStringLiteral("J")};
        in<QPushButton>(report, "cmdOK")->click();
        QCOMPARE(s.h->messages(), QStringList{"CORVANE Print: The printout could not be sent"});
    }

    // Fonts: a chosen font is used from now on; Yes makes it the default in the settings.
    void fontsAskWhetherToKeepTheFont() {
        OpenedSample s;
        s.h->run(QStringLiteral("cmdPrint"));
        auto* report = s.h->window->findChild<frmReport*>();
        auto choose = [&](std::optional<FontChoice> font, std::deque<Answer> answers) {
            s.h->desktop.clearRecords();
            s.h->desktop.fonts = {std::move(font)};
            s.h->desktop.answers = std::move(answers);
            in<QPushButton>(report, "cmdFonts")->click();
        };
        choose(FontChoice{QStringLiteral("Liberation Mono"), 9}, {Answer::No});
        QCOMPARE(s.h->messages(), QStringList{"Save Printer Font: Do you wish to make this the "
                                              "default font for CORVANE ?"});
        QCOMPARE(s.h->window->session().reportFont().name, QStringLiteral("Liberation Mono"));
        QVERIFY(!s.h->desktop.settings.count(QStringLiteral("Startup/FontName")));
        choose(FontChoice{QStringLiteral("Liberation Sans"), 11}, {Answer::Yes});
        QCOMPARE(s.h->desktop.settings[QStringLiteral("Startup/FontName")],
                 QStringLiteral("Liberation Sans"));
        QCOMPARE(s.h->desktop.settings[QStringLiteral("Startup/FontSize")], QStringLiteral("11"));
        choose(std::nullopt, {});
        QVERIFY(s.h->messages().isEmpty());
        QCOMPARE(s.h->window->session().reportFont().size, 11);
    }

    // The coordinate file window writes the file and leaves the lines in memory as measured.
    void coordinateWindowWritesTheFile() {
        OpenedSample s;
        s.h->run(QStringLiteral("mnuCreateCoords"));
        auto* coords = s.h->window->findChild<frmCoords*>();
        QVERIFY(coords && coords->isVisible());
        QCOMPARE(in<QComboBox>(coords, "cboSeparator")->currentText(),
                 QStringLiteral("comma and space"));
        QCOMPARE(in<QComboBox>(coords, "cboSeparator")->count(), 4);
        const QByteArray linesFile = ReadText(s.file(".lns"));
        in<QLineEdit>(coords, "txtPoint")->setText(QStringLiteral("1"));
        in<QLineEdit>(coords, "txtNorth")->setText(QStringLiteral("5000"));
        in<QLineEdit>(coords, "txtEast")->setText(QStringLiteral("1000"));
        in<QCheckBox>(coords, "chkScaleFactor")->setChecked(true);
        in<QLineEdit>(coords, "txtScaleFactor")->setText(QStringLiteral("zero"));

        s.h->desktop.clearRecords();
        in<QPushButton>(coords, "cmdOK")->click();
        QCOMPARE(s.h->messages(),
                 QStringList{"Create Coord. file error: Invalid combined scale factor \"zero\""});
        QVERIFY(!QFile::exists(s.file(".cor")));
        QVERIFY(coords->isVisible());

        in<QLineEdit>(coords, "txtScaleFactor")->setText(QStringLiteral("0.9996"));
        in<QComboBox>(coords, "cboSeparator")->setEditText(QStringLiteral(";"));
        s.h->desktop.clearRecords();
        in<QPushButton>(coords, "cmdOK")->click();
        QCOMPARE(s.h->messages(), QStringList{"Create coord file: Coordinate file " +
                                              s.h->planPath() + ".cor created"});
        QVERIFY(ReadText(s.file(".cor")).startsWith("1;1000.000;5000.000\r\n2;1008.9"));
        QVERIFY(!coords->isVisible());
        QCOMPARE(ReadText(s.file(".lns")), linesFile);
        PlanState fresh;
        fresh.PlanPath = s.h->plan.PlanPath;
        QVERIFY(LoadLines(fresh).ok());
        QCOMPARE(s.h->plan.PlanLines.size(), fresh.PlanLines.size());
        for (std::size_t i = 0; i < fresh.PlanLines.size(); ++i)
            QCOMPARE(s.h->plan.PlanLines[i].Distance, fresh.PlanLines[i].Distance);
        // Its entries are kept for the next use.
        s.h->run(QStringLiteral("mnuCreateCoords"));
        QCOMPARE(in<QLineEdit>(coords, "txtPoint")->text(), QStringLiteral("1"));
    }

    // An origin coordinate that is no number is refused, never read as far as it goes
    // ("5OOO" as 5); no origin point is asked for; the file there is replaced only after a
    // question, whose default keeps it.
    void coordinateWindowRefusesBadFiguresAndAsksBeforeReplacing() {
        OpenedSample s;
        s.h->run(QStringLiteral("mnuCreateCoords"));
        auto* coords = s.h->window->findChild<frmCoords*>();
        QVERIFY(coords);
        auto set = [&](const char* point, const char* north, const char* east) {
            in<QLineEdit>(coords, "txtPoint")->setText(QString::fromLatin1(point));
            in<QLineEdit>(coords, "txtNorth")->setText(QString::fromLatin1(north));
            in<QLineEdit>(coords, "txtEast")->setText(QString::fromLatin1(east));
        };
        const char* const refusals[][4] = {
            {"1", "5OOO", "1000", "The north coordinate \"5OOO\" is not a number"},
            {"1", "5000", "1000,25", "The east coordinate \"1000,25\" is not a number"},
            {"", "5000", "1000", "Enter the origin point"}};
        for (const auto& r : refusals) {
            set(r[0], r[1], r[2]);
            s.h->desktop.clearRecords();
            in<QPushButton>(coords, "cmdOK")->click();
            QCOMPARE(s.h->messages(),
                     QStringList{QStringLiteral("Create Coord. file error: ") + r[3]});
            QVERIFY(!QFile::exists(s.file(".cor")));
            QVERIFY(coords->isVisible());
        }

        WriteText(s.file(".cor"), "kept\r\n");
        set("1", "5000", "1000");
        s.h->desktop.clearRecords();
        in<QPushButton>(coords, "cmdOK")->click();
        QCOMPARE(s.h->messages(), QStringList{"Create coord file: The coordinate file " +
                                              s.file(".cor") + " exists already.\nReplace it ?"});
        QCOMPARE(s.h->desktop.lastMessage().defaultButton, Answer::No);
        QCOMPARE(ReadText(s.file(".cor")), QByteArray("kept\r\n"));
        QVERIFY(coords->isVisible());
        s.h->desktop.answers = {Answer::Yes};
        in<QPushButton>(coords, "cmdOK")->click();
        QVERIFY(ReadText(s.file(".cor")).startsWith("1, 1000.000, 5000.000\r\n"));
        QVERIFY(!coords->isVisible());
    }

    // "--report": plain text, or a PDF read back with poppler's tools.
    void reportCommandPrintsTextOrPdf() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        const std::string plan = toCore(dir.path() + QStringLiteral("/D20417.lns"));
        auto report = [](const std::vector<std::string>& args, std::string& out, std::string& err) {
            std::ostringstream o, e;
            const int status = RunReportCommand(ParseCommandLine(args), FontChoice{}, o, e);
            out = o.str();
            err = e.str();
            return status;
        };
        std::string out, err;
        QCOMPARE(report({"--report", plan, "--name", "J"}, out, err), 0);
        // As the window opens: the summary and the survey details.
        QVERIFY(out.find("Summary of Closures for ") != std::string::npos);
        QVERIFY(out.find("Surveyor: PETER J. HALLORAN") != std::string::npos);
        QVERIFY(out.find("CLOSURE OF") == std::string::npos);
        QVERIFY(out.find("AL1 OK Area = 942 m\xC2\xB2") != std::string::npos); // UTF-8

        QCOMPARE(report({"--report", plan, "--sections", "summary,bogus"}, out, err), 2);
        QVERIFY(err.find("bogus") != std::string::npos);
        QCOMPARE(report({"--report", toCore(dir.path() + "/D9.lns")}, out, err), 2);
        // The accuracy class as the check takes it: any letter case, never a typing slip.
        const std::string typedClass = "rural survey (prior feb 2019)";
        QCOMPARE(report({"--report", plan, "--name", "J", "--accuracy", typedClass}, out, err), 0);
        QVERIFY(out.find("Accuracy criterion = Rural Survey (prior Feb 2019)") !=
                std::string::npos);
        QCOMPARE(report({"--report", plan, "--name", "J", "--accuracy", "Rural"}, out, err), 2);
        QCOMPARE(err.substr(0, 31), std::string("Unknown accuracy class \"Rural\"\n"));
        QCOMPARE(out, std::string());

        const QString pdf = dir.path() + QStringLiteral("/report.pdf");
        QCOMPARE(report({"--report", plan, "--sections", "summary,full,pmjoins,alldist", "--name",
                         "J CHECKER", "--pdf", toCore(pdf)},
                        out, err),
                 0);
        const QString info = run(QStringLiteral("pdfinfo"), {pdf});
        const QString pages =
            info.section(QStringLiteral("Pages:"), 1).section('\n', 0, 0).trimmed();
        QVERIFY2(pages.toInt() > 1, qPrintable(info));
        QCOMPARE(QString::fromStdString(out),
                 QStringLiteral("Report printed in %1 (%2 pages)\n").arg(pdf, pages));
        const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        for (const char* expected :
             {"Summary of Closures for", "CLOSURE OF EA1", "Joins between Permanent Marks",
              "PM1234", "12 to 1", "Printed by J CHECKER on"})
            QVERIFY2(text.contains(QLatin1String(expected)), expected);
        // A refusal writes nothing.
        QFile::remove(pdf);
        QCOMPARE(report({"--report", plan, "--pdf", toCore(dir.path() + "/r.txt")}, out, err), 2);
        QVERIFY(QDir(dir.path())
                    .entryList({QStringLiteral("*.pdf"), QStringLiteral("r.txt")})
                    .isEmpty());
    }
};

QTEST_MAIN(ReportWindowsTest)
#include "tst_reportwindows.moc"
