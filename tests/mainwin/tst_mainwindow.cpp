// The main window in local mode: start-up, the window's commands, opening plans, Save As,
// the survey data base record, help and Exit.
#include "mainwinharness.h"

#include "reports/frmsummary.h"

#include "core/files/plancommit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableWidget>

using namespace corvane;
using namespace corvane::testing;

namespace {

// Every control a plan's commands hang on: 12 menu commands and 13 widgets.
const char* const kPlanCommands[] = {
    "mnuConnections", "mnuPSMs",         "mnuNewParcel",   "mnuExportParcel", "mnuScaledData",
    "mnuSaveAs",      "mnuPrint",        "mnuPartyWalls",  "mnuEdit",         "mnuView",
    "mnuOptions",     "mnuCreateCoords", "cmdConnections", "cmdPSMs",         "cmdNewParcel",
    "cmdPrint",       "cmdFixedWidth",   "cmdDrawPlan",    "cmdSummary",      "cmdAddPSM",
    "cmdDeletePSM",   "Frame1",          "Label1",         "Label2",          "Label3"};

// A copy of the sample plan, named on the command line.
struct Sample {
    QTemporaryDir dir;
    QString base = dir.path() + "/D20417";
    bool copied = CopySamplePlan(dir.path());
    Harness h{base + ".lns"};
    QString file(const char* ext) const { return base + QLatin1String(ext); }
    QLineEdit* text(const char* name) const { return h.find<QLineEdit>(QLatin1String(name)); }
    QCheckBox* changed() const { return h.find<QCheckBox>("chkSDBchange"); }
    QListWidget* marks() const { return h.find<QListWidget>("lstPSMsGone"); }
};

void VerifyPlanCommands(const Harness& h, bool enabled) {
    for (const char* name : kPlanCommands) {
        const QString named = QLatin1String(name);
        QObject* control = named.startsWith("mnu") ? static_cast<QObject*>(h.action(named))
                                                   : h.find<QWidget>(named);
        QVERIFY2(control && control->property("enabled").toBool() == enabled, name);
    }
    // Never disabled: what a user needs to start or leave a plan.
    for (const char* name : {"mnuNew", "mnuOpen", "mnuExit", "mnuContents", "mnuAbout"})
        QVERIFY2(h.action(QLatin1String(name))->isEnabled(), name);
    QVERIFY(h.find<QPushButton>("cmdOpen")->isEnabled());
    QVERIFY(h.find<QPushButton>("cmdExit")->isEnabled());
    QVERIFY(!h.action("mnuSave")->isVisible() && !h.action("mnuClose")->isVisible());
}

} // namespace

class tst_MainWindow : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void startUpOpensThePlanOnTheCommandLine_data() {
        QTest::addColumn<QString>("extension");
        QTest::newRow("lower case") << QStringLiteral(".lns");
        QTest::newRow("upper case") << QStringLiteral(".LNS");
    }
    void startUpOpensThePlanOnTheCommandLine() {
        QFETCH(QString, extension);
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        const QString base = dir.path() + "/D20417";
        Harness h(base + extension);
        h.plan.PointNumberLimit = 0;
        QVERIFY(h.window->startUp());

        QVERIFY(h.window->isVisible());
        QCOMPARE(h.window->windowTitle(), base);
        QCOMPARE(h.planPath(), base);
        QCOMPARE(h.plan.PointNumberLimit, 5000);
        QVERIFY(h.plan.chkArray);
        QCOMPARE(h.plan.PlanLines.size(), size_t(34));
        QCOMPARE(h.window->parcels(), kSampleParcels);
        QCOMPARE(h.window->accuracyClass(), QStringLiteral("Surveyed Polygons"));
        QCOMPARE(h.find<QLineEdit>("txtSurveyor")->text(), QStringLiteral("PETER J. HALLORAN"));
        QCOMPARE(h.find<QLineEdit>("txtFieldDate")->text(), QStringLiteral("14/03/2026"));
        QCOMPARE(ListTexts(h.find<QListWidget>("lstPSMsGone")), QStringList{"662812345"});
        QVERIFY(!h.find<QCheckBox>("chkSDBchange")->isChecked());
        VerifyPlanCommands(h, true);
        QCOMPARE(h.messages(), QStringList());
        h.action("mnuClose")->trigger(); // no command in local mode
        QCOMPARE(h.quits, 0);
    }

    // The accuracy list holds all seven classes. A class typed in another letter case is
    // that class; typed text that is no class is refused and the class in force stays, also
    // when a command reads the box before it was left (a typing slip once allowed no
    // misclosure at all and failed every parcel).
    void accuracyListHoldsEveryClassAndRefusesOtherText() {
        Sample s;
        QVERIFY(s.copied && s.h.window->startUp());
        auto* box = s.h.find<QComboBox>("cboAccuracy");
        QStringList listed;
        for (int i = 0; i < box->count(); ++i)
            listed << box->itemText(i);
        QCOMPARE(listed,
                 (QStringList{"Steep or mountainous", "Level or undulating", "Surveyed Polygons",
                              "Urban Survey (prior Feb 2019)", "Rural Survey (prior Feb 2019)",
                              "Marrick City Core District", "Commercial and City Frame District"}));

        auto typeInto = [&](const QString& text, bool leave) {
            box->lineEdit()->setText(text);
            if (leave)
                emit box->lineEdit()->editingFinished();
        };
        s.h.desktop.clearRecords();
        typeInto("level OR undulating", true);
        QCOMPARE(box->currentText(), QStringLiteral("Level or undulating"));
        QCOMPARE(s.h.window->accuracyClass(), QStringLiteral("Level or undulating"));
        QCOMPARE(s.h.messages(), QStringList());

        const QString refused = QStringLiteral(
            "Accuracy Type error: Unknown accuracy class \"Levl or undulating\"\nChoose a class "
            "from the list");
        typeInto("Levl or undulating", true);
        QCOMPARE(s.h.messages(), QStringList{refused});
        QCOMPARE(box->currentText(), QStringLiteral("Level or undulating"));

        // Still in the box when the summary is asked for: refused there, and the parcels are
        // judged by the class in force.
        s.h.desktop.clearRecords();
        typeInto("Levl or undulating", false);
        s.h.click("cmdSummary");
        QCOMPARE(s.h.messages(), QStringList{refused});
        QCOMPARE(box->currentText(), QStringLiteral("Level or undulating"));
        auto* grid = s.h.window->findChild<frmSummary*>()->findChild<QTableWidget*>("Grid1");
        QCOMPARE(grid->rowCount(), int(kSampleParcels.size()));
        for (int r = 0; r < grid->rowCount(); ++r)
            QVERIFY2(grid->item(r, 2)->text().startsWith("OK"),
                     qPrintable(grid->item(r, 1)->text()));
    }

    // Without a plan only Open, New and Exit are offered; New offers everything without
    // writing a file.
    void startUpWithoutAPlanOffersOnlyOpenAndExit_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::newRow("nothing") << QString();
        QTest::newRow("not a lines file") << QStringLiteral("/tmp/D20417.ply");
    }
    void startUpWithoutAPlanOffersOnlyOpenAndExit() {
        QFETCH(QString, commandLine);
        Harness h(commandLine);
        QVERIFY(h.window->startUp());
        QCOMPARE(h.window->windowTitle(), QStringLiteral("CORVANE"));
        QVERIFY(h.plan.PlanPath.empty());
        VerifyPlanCommands(h, false);
        QVERIFY(h.desktop.calls.empty());

        QTemporaryDir dir;
        h.run("mnuNew", {dir.path() + "/D40000"});
        QCOMPARE(h.window->windowTitle(), dir.path() + "/D40000");
        QVERIFY(h.window->parcels().isEmpty() && h.plan.PlanLines.empty());
        VerifyPlanCommands(h, true);
        QCOMPARE(h.messages(), QStringList());
        QVERIFY(!QFile::exists(dir.path() + "/D40000.lns"));
    }

    // Every menu entry can be chosen from the keyboard: one underlined letter each, none
    // twice in a menu where a letter is left; the captions keep their words.
    void everyMenuEntryHasItsOwnAccessKey() {
        Harness h{QString()};
        QVERIFY(h.window->startUp());
        for (const char* name : {"mnuFile", "mnuEdit", "mnuView", "mnuOptions", "mnuHelp"}) {
            auto* menu = h.find<QMenu>(QLatin1String(name));
            QVERIFY2(menu, name);
            QSet<QChar> keys;
            for (QAction* action : menu->actions()) {
                if (action->isSeparator())
                    continue;
                const QString text = action->text();
                QVERIFY2(text.count(QLatin1Char('&')) == 1, qPrintable(text));
                const QChar key = text.at(text.indexOf(QLatin1Char('&')) + 1).toLower();
                // Close (shown in network mode only) finds every letter taken.
                if (action->objectName() != QLatin1String("mnuClose"))
                    QVERIFY2(!keys.contains(key), qPrintable(text));
                keys.insert(key);
            }
        }
        QCOMPARE(h.action("mnuSaveAs")->text().remove(QLatin1Char('&')), QStringLiteral("Save As"));
        QCOMPARE(h.action("mnuExit")->text(), QStringLiteral("E&xit"));
        QCOMPARE(h.action("mnuPSMs")->text().remove(QLatin1Char('&')), QStringLiteral("PSM's..."));

        // Every button of the window has an access key, none the same as another's or a
        // menu's (Alt+F must open the File menu, not press a button).
        QSet<QChar> windowKeys{'f', 'e', 'v', 'o', 'h'};
        for (QPushButton* button : h.window->findChildren<QPushButton*>()) {
            if (button->window() != h.window.get())
                continue; // another window's (the calculator's keys)
            const QString text = button->text();
            const qsizetype amp = text.indexOf(QLatin1Char('&'));
            QVERIFY2(amp >= 0 && amp + 1 < text.size(), qPrintable(button->objectName()));
            const QChar key = text.at(amp + 1).toLower();
            QVERIFY2(!windowKeys.contains(key), qPrintable(text));
            windowKeys.insert(key);
        }
    }

    void secondInstanceIsRefused() {
        Harness h{QString()};
        h.desktop.instanceAvailable = false;
        QVERIFY(!h.window->startUp());
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.messages(), QStringList{"CORVANE: CORVANE is already running"});
        QCOMPARE(h.desktop.lastMessage().icon, Icon::Exclamation);
    }

    void reportFontComesFromTheSettings() {
        Harness byDefault{QString()};
        QVERIFY(byDefault.window->startUp());
        QCOMPARE(byDefault.window->session().reportFont().size, 10);
        QCOMPARE(byDefault.window->session().reportFont().name, QStringLiteral("Arial"));
        Harness stored{QString()};
        stored.desktop.setSetting("Startup", "FontSize", "14pt");
        stored.desktop.setSetting("Startup", "FontName", "Courier New");
        QVERIFY(stored.window->startUp());
        QCOMPARE(stored.window->session().reportFont().size, 14);
        QCOMPARE(stored.window->session().reportFont().name, QStringLiteral("Courier New"));
    }

    // The size the user leaves the main window at is the size of the next run's.
    void mainWindowSizeIsKeptFromRunToRun() {
        Harness first{QString()};
        QVERIFY(first.window->startUp());
        first.window->resize(700, 520);
        first.trigger("mnuExit");
        QCOMPARE(first.quits, 1);
        QCOMPARE(first.desktop.setting("Windows", "Main", QString()), QStringLiteral("700x520"));

        Harness next{QString()};
        next.desktop.settings = first.desktop.settings;
        QVERIFY(next.window->startUp());
        QCOMPARE(next.window->size(), QSize(700, 520));

        Harness unreadable{QString()};
        unreadable.desktop.setSetting("Windows", "Main", "700 by 520");
        QVERIFY(unreadable.window->startUp());
        QCOMPARE(unreadable.window->size(), QSize(640, 480));
    }

    // Commands still to come answer with a message of their own and leave the plan alone.
    void openReplacesThePlanAndStoresTheChangedRecord() {
        Sample s;
        QTemporaryDir other;
        QVERIFY(s.copied && CopySamplePlan(other.path(), "D30000"));
        const QString second = other.path() + "/D30000";
        QVERIFY(WriteText(second + ".sdb", "ANN SMITH\r\n01/02/2003\r\n"));
        QVERIFY(s.h.window->startUp());
        s.text("txtSurveyor")->setText("jo blogs");
        QVERIFY(s.changed()->isChecked());

        // Open stores the changed record first; cancelling the dialog then keeps the plan.
        s.h.trigger("mnuOpen");
        QCOMPARE(s.h.planPath(), s.base);
        QCOMPARE(ReadText(s.file(".sdb")), QByteArray("JO BLOGS\r\n14/03/2026\r\n662812345\r\n"));
        QVERIFY(!s.changed()->isChecked());

        s.text("txtFieldDate")->setText("02/02/2002");
        s.h.run("cmdOpen", {second + ".LNS"});
        const auto dialogs = s.h.desktop.callsOf(DesktopCall::Kind::OpenFileDialog);
        QCOMPARE(dialogs.size(), size_t(1));
        QCOMPARE(dialogs[0].title, QStringLiteral("Open New or Existing CORVANE file"));
        QCOMPARE(dialogs[0].text, QStringLiteral("CORVANE files (*.LNS)|*.lns"));
        QCOMPARE(ReadText(s.file(".sdb")), QByteArray("JO BLOGS\r\n02/02/2002\r\n662812345\r\n"));
        QCOMPARE(s.h.planPath(), second);
        QCOMPARE(s.h.window->windowTitle(), second);
        QCOMPARE(s.h.window->parcels(), kSampleParcels);
        QCOMPARE(s.text("txtSurveyor")->text(), QStringLiteral("ANN SMITH"));
        QCOMPARE(s.marks()->count(), 0);
        QVERIFY(!s.changed()->isChecked());
        QVERIFY(s.h.plan.chkArray);
        QCOMPARE(s.h.plan.PointTop, 0);
        QCOMPARE(s.h.messages(), QStringList());
    }

    void refusedLinesFileLeavesParcelsAndRecordUnread() {
        Sample s;
        QVERIFY(s.copied);
        QVERIFY(WriteText(s.file(".lns"), "1,2,14.1856,36.024\r\n\r\n2,3,14.1856,34.438\r\n"));
        QVERIFY(s.h.window->startUp());
        const DesktopCall shown = s.h.desktop.lastMessage();
        QCOMPARE(shown.text, QStringLiteral("Blank line found in lines file at line 2\n"
                                            "Use a text editor to fix the problem"));
        QCOMPARE(shown.title, QStringLiteral("CORVANE Error"));
        // The summary says why it has nothing to close, instead of "No parcels to close".
        s.h.run("cmdSummary");
        const DesktopCall summary = s.h.desktop.lastMessage();
        QCOMPARE(summary.title, QStringLiteral("Summary error"));
        QVERIFY2(summary.text.startsWith("The lines file " + s.file(".lns") +
                                         " could not be loaded:\nBlank line found in lines file "
                                         "at line 2"),
                 qPrintable(summary.text));
        // A command that needs the lines reports the refusal instead of acting on none.
        s.h.run("cmdNewParcel");
        QVERIFY(
            s.h.desktop.lastMessage().text.startsWith("Blank line found in lines file at line 2"));
        QVERIFY(s.h.window->parcels().isEmpty());
        QVERIFY(s.text("txtSurveyor")->text().isEmpty());
        QVERIFY(!s.h.plan.chkArray);
        // The plan still counts as open, but its unread survey record cannot be edited and
        // so never written over the plan's file.
        QVERIFY(s.h.action("mnuEdit")->isEnabled());
        QVERIFY(!s.h.find<QWidget>("Frame1")->isEnabled());
        QCOMPARE(s.h.window->windowTitle(), s.base);
    }

    // A change cut short by a killed program is finished when the plan is opened, and the
    // user told; a journal that cannot be acted on keeps the plan closed, as its files may be
    // half changed.
    void openFinishesAChangeCutShort() {
        Sample s;
        QVERIFY(s.copied);
        const QString temp = s.file(".lns.corvane-new-7");
        QVERIFY(WriteText(temp, ReadText(s.file(".lns")) + "1,40,10.0000,5.000\r\n"));
        QVERIFY(WriteText(s.file(".corvane-change"),
                          "CORVANE PLAN CHANGE\n" + temp.toUtf8() + "\nCOMMIT 1\n"));
        QVERIFY(s.h.window->startUp());
        QCOMPARE(s.h.desktop.messages().size(), std::size_t(1));
        QCOMPARE(s.h.desktop.lastMessage().title, QString::fromLatin1(kRecoveryTitle));
        QVERIFY(s.h.desktop.lastMessage().text.contains("has now been finished: D20417.lns"));
        QVERIFY(ReadText(s.file(".lns")).endsWith("1,40,10.0000,5.000\r\n"));
        QVERIFY(!QFile::exists(s.file(".corvane-change")) && !QFile::exists(temp));
        QCOMPARE(s.h.window->parcels(), kSampleParcels);

        Sample bad;
        QVERIFY(bad.copied);
        QVERIFY(WriteText(bad.file(".corvane-change"), "not a journal\n"));
        QVERIFY(bad.h.window->startUp());
        QCOMPARE(bad.h.desktop.lastMessage().title, QString::fromLatin1(kRecoveryTitle));
        QVERIFY(bad.h.window->parcels().isEmpty());
        QVERIFY(bad.h.plan.PlanPath.empty());
        VerifyPlanCommands(bad.h, false);
    }

    // A survey record that cannot be read is reported with its cause, and its frame stays
    // closed: an empty record is never written over the surveyor's file.
    void unreadableRecordIsReportedAndNeverWrittenOver() {
        Sample s;
        QVERIFY(s.copied && QFile::remove(s.file(".sdb")));
        QVERIFY(QFile::link(s.dir.path() + "/share/D20417.sdb", s.file(".sdb")));
        QVERIFY(s.h.window->startUp());
        const DesktopCall shown = s.h.desktop.lastMessage();
        QCOMPARE(shown.title, QStringLiteral("Load Survey Data Base error"));
        QVERIFY2(shown.text.contains("which does not exist"), qPrintable(shown.text));
        QCOMPARE(s.h.window->parcels(), kSampleParcels);
        QVERIFY(!s.h.find<QWidget>("Frame1")->isEnabled());
        QVERIFY(!s.changed()->isChecked());
        QVERIFY(QFileInfo(s.file(".sdb")).isSymLink());
    }

    // Parcels and record load while the lines file is empty; lines without a polygons file
    // are reported.
    void partOfThePlanMissing() {
        QTemporaryDir dir;
        const QString base = dir.path() + "/C100";
        QVERIFY(WriteText(base + ".lns", "") && WriteText(base + ".sdb", "A SURVEYOR\r\n\r\n"));
        QVERIFY(
            WriteText(base + ".ply", "\"AL1\",0,\"C\"\r\n1\r\n2\r\n\"AL2\",0,\"C\"\r\n3\r\n4\r\n"));
        Harness h(base + ".lns");
        QVERIFY(h.window->startUp());
        QCOMPARE(h.messages(), QStringList());
        QCOMPARE(h.window->parcels(), (QStringList{"AL1", "AL2"}));
        QCOMPARE(h.find<QLineEdit>("txtSurveyor")->text(), QStringLiteral("A SURVEYOR"));
        QVERIFY(!h.find<QCheckBox>("chkSDBchange")->isChecked());

        QVERIFY(WriteText(base + ".lns", "1,2,45.0000,10.000\r\n") && QFile::remove(base + ".ply"));
        h.trigger("mnuExit"); // gives the plan back
        Harness linesOnly(base + ".lns");
        QVERIFY(linesOnly.window->startUp());
        QCOMPARE(linesOnly.messages(), QStringList{"CORVANE: No polygons file found"});
        QVERIFY(linesOnly.plan.chkArray);
    }

    // An existing plan is never overwritten, however its name is typed; a copy that cannot
    // be completed keeps the old plan open; a copy to a new name becomes the open plan.
    void saveAs() {
        Sample s;
        const QString existing = s.dir.path() + "/D20419";
        QVERIFY(s.copied && WriteText(existing + ".lns", "7,8,1.0000,2.000\r\n"));
        QVERIFY(WriteText(existing + ".ply", "\"AL9\",0,\"C\"\r\n7\r\n8\r\n"));
        const QByteArray oldLines = ReadText(s.file(".lns"));
        QVERIFY(s.h.window->startUp());
        for (const char* typed : {"/D20419.lns", "/D20419", "/d20419.LNS", "/D20417"}) {
            s.h.run("mnuSaveAs", {s.dir.path() + typed});
            QCOMPARE(s.h.messages(),
                     QStringList{"Save As error: " + s.dir.path() + typed + " already exists"});
        }
        // A plan with a polygons file but no lines file yet (an export target) is a plan too.
        const QString exported = s.dir.path() + "/D20421";
        QVERIFY(WriteText(exported + ".ply", "\"AL9\",0,\"C\"\r\n7\r\n8\r\n"));
        s.h.run("mnuSaveAs", {exported + ".lns"});
        QCOMPARE(s.h.messages(), QStringList{"Save As error: " + exported + ".lns already exists"});
        QCOMPARE(ReadText(exported + ".ply"), QByteArray("\"AL9\",0,\"C\"\r\n7\r\n8\r\n"));
        QCOMPARE(ReadText(existing + ".lns"), QByteArray("7,8,1.0000,2.000\r\n"));
        QCOMPARE(ReadText(existing + ".ply"), QByteArray("\"AL9\",0,\"C\"\r\n7\r\n8\r\n"));
        QCOMPARE(ReadText(s.file(".lns")), oldLines);
        QCOMPARE(s.h.planPath(), s.base);

        // A folder standing in the place of a plan file is taken as that file: the name is
        // in use, and nothing is copied.
        QVERIFY(QDir().mkpath(s.dir.path() + "/D20418.ply"));
        s.h.run("mnuSaveAs", {s.dir.path() + "/D20418"});
        QCOMPARE(s.h.planPath(), s.base);
        QCOMPARE(s.h.window->windowTitle(), s.base);
        QCOMPARE(s.h.messages(),
                 QStringList{"Save As error: " + s.dir.path() + "/D20418 already exists"});
        QVERIFY(!QFile::exists(s.dir.path() + "/D20418.lns"));
        for (const char* ext : {".lns", ".ply", ".cve", ".sdb"})
            QVERIFY(QFile::exists(s.file(ext)));

        const QString copy = s.dir.path() + "/D20420";
        s.h.run("mnuSaveAs", {copy + ".lns"});
        // A save dialog of its own, starting in the open plan's folder.
        const auto dialogs = s.h.desktop.callsOf(DesktopCall::Kind::SaveFileDialog);
        QCOMPARE(dialogs.size(), size_t(1));
        QCOMPARE(dialogs[0].title, QStringLiteral("Save CORVANE Plan As"));
        QCOMPARE(QDir(dialogs[0].detail).canonicalPath(), QDir(s.dir.path()).canonicalPath());
        QVERIFY(s.h.desktop.callsOf(DesktopCall::Kind::OpenFileDialog).empty());
        for (const char* ext : {".lns", ".ply", ".cve"})
            QCOMPARE(ReadText(copy + QLatin1String(ext)), ReadText(s.file(ext)));
        // The survey record belongs to the certified survey, not to the copy.
        QVERIFY(!QFile::exists(copy + ".sdb") && QFile::exists(s.file(".lns")));
        QCOMPARE(s.h.planPath(), copy);
        QCOMPARE(s.h.window->windowTitle(), copy);
        QCOMPARE(s.h.messages(), QStringList{"Save As completed: Current file is now " + copy});
        QCOMPARE(s.h.desktop.lastMessage().icon, Icon::Exclamation);
    }

    // The record shown after Save As is the new plan's: a change made before or after the
    // copy is stored to the new plan when it is left; an unchanged record is not written.
    void saveAsThenOpenStoresAChangedRecordToTheNewPlan() {
        for (const bool changed : {true, false}) {
            Sample s;
            QTemporaryDir other;
            QVERIFY(s.copied && CopySamplePlan(other.path(), "D30000"));
            QVERIFY(s.h.window->startUp());
            if (changed)
                s.text("txtSurveyor")->setText("jo blogs");
            const QString copy = s.dir.path() + "/D20420";
            s.h.run("mnuSaveAs", {copy});
            QCOMPARE(s.h.planPath(), copy);
            QCOMPARE(s.changed()->isChecked(), changed);
            s.h.run("cmdOpen", {other.path() + "/D30000.lns"});
            QCOMPARE(s.h.planPath(), other.path() + "/D30000");
            if (changed)
                QCOMPARE(ReadText(copy + ".sdb"),
                         QByteArray("JO BLOGS\r\n14/03/2026\r\n662812345\r\n"));
            else
                QVERIFY(!QFile::exists(copy + ".sdb"));
            QCOMPARE(ReadText(s.file(".sdb")),
                     QByteArray("PETER J. HALLORAN\r\n14/03/2026\r\n662812345\r\n"));
        }
    }

    void surveyRecordEntriesFollowTheirRules() {
        Sample s;
        QVERIFY(s.copied && s.h.window->startUp());
        s.h.click("cmdAddPSM"); // cancelled
        const DesktopCall asked = s.h.desktop.callsOf(DesktopCall::Kind::InputBox).back();
        QCOMPARE(asked.text, QStringLiteral("Enter P.M. number eg: 662812345"));
        QCOMPARE(asked.title, QStringLiteral("P.M.'s GONE"));
        // Judged on the first four characters against the point number limit.
        for (const char* refused : {"4999123", "500", "PM12"}) {
            s.h.run("cmdAddPSM", {QLatin1String(refused)});
            QCOMPARE(s.h.messages(), QStringList{"Add PSM Gone error: Not a valid PSM number"});
        }
        QVERIFY(s.marks()->count() == 1 && !s.changed()->isChecked());
        s.h.run("cmdAddPSM", {"5000", "777712 "});
        s.h.click("cmdAddPSM");
        QCOMPARE(ListTexts(s.marks()), (QStringList{"662812345", "5000", "777712 "}));
        QVERIFY(s.changed()->isChecked());

        // Delete needs a selection.
        s.changed()->setChecked(false);
        s.marks()->clearSelection();
        s.h.run("cmdDeletePSM");
        QCOMPARE(s.h.messages(),
                 QStringList{"Delete PSM Gone error: Select P.M. from list to delete"});
        QVERIFY(s.marks()->count() == 3 && !s.changed()->isChecked());
        s.marks()->item(1)->setSelected(true);
        s.h.click("cmdDeletePSM");
        QCOMPARE(ListTexts(s.marks()), (QStringList{"662812345", "777712 "}));
        QVERIFY(s.changed()->isChecked());

        // Any change of the texts counts, the program's own too.
        s.changed()->setChecked(false);
        s.text("txtFieldDate")->setText("1/1/2001");
        QVERIFY(s.changed()->isChecked());

        // Exit writes the record: the name upper-cased, the rest as typed.
        s.text("txtSurveyor")->setText("mary o'neil");
        s.h.click("cmdExit");
        QCOMPARE(ReadText(s.file(".sdb")),
                 QByteArray("MARY O'NEIL\r\n1/1/2001\r\n662812345\r\n777712 \r\n"));
        QVERIFY(!s.changed()->isChecked());
        QCOMPARE(s.h.quits, 1);
    }

    void unwritableRecordIsReportedAndKeptAsChanged() {
        Sample s;
        // Nothing can be written where a folder of the record's name stands.
        QVERIFY(s.copied && QFile::remove(s.file(".sdb")) && QDir().mkpath(s.file(".sdb")));
        QVERIFY(s.h.window->startUp());
        s.text("txtSurveyor")->setText("Al Jones");
        // Opening another plan would drop the record: the open plan stays.
        s.h.run("mnuOpen", {s.dir.path() + "/D55555.lns"});
        QCOMPARE(s.h.messages().size(), 2);
        QVERIFY2(s.h.messages()[0].contains("D20417.sdb"), qPrintable(s.h.messages()[0]));
        QCOMPARE(s.h.messages()[1],
                 QStringLiteral("Open CORVANE file: The survey data base details could not be "
                                "saved.\nLeave without saving them ?"));
        QVERIFY(s.changed()->isChecked());
        QCOMPARE(s.h.planPath(), s.base);
        QCOMPARE(s.text("txtSurveyor")->text(), QStringLiteral("Al Jones"));
        QVERIFY(s.h.desktop.callsOf(DesktopCall::Kind::OpenFileDialog).empty());

        // Exit reports it too and asks before the record is lost: No stays, Yes ends.
        s.h.desktop.clearRecords();
        s.h.desktop.answers = {Answer::Ok, Answer::No};
        s.h.trigger("mnuExit");
        QCOMPARE(s.h.messages().size(), 2);
        QVERIFY(s.h.messages()[0].contains("D20417.sdb"));
        QCOMPARE(s.h.messages()[1],
                 QStringLiteral("Exit: The survey data base details could not be saved.\n"
                                "Leave without saving them ?"));
        QVERIFY(s.changed()->isChecked());
        QCOMPARE(s.h.quits, 0);
        s.h.desktop.clearRecords();
        s.h.desktop.answers = {Answer::Ok, Answer::Yes};
        s.h.trigger("mnuExit");
        QCOMPARE(s.h.quits, 1);
    }

    // Exit runs once however it is asked, closes the guide, and writes no record without a
    // surveyor's name: it says so, and the user may go back to the record.
    void exitRunsOnceHoweverItIsAsked() {
        Sample s;
        QSignalSpy ended(s.h.window.get(), &frmCorvane::programEnded);
        QVERIFY(s.copied && QFile::remove(s.file(".sdb")) && s.h.window->startUp());
        s.text("txtFieldDate")->setText("3/3/2003");
        s.h.trigger("mnuContents");
        QCOMPARE(s.h.desktop.callsOf(DesktopCall::Kind::ShowHelp)[0].text,
                 QCoreApplication::applicationDirPath() + "/Corvane.html");
        QCOMPARE(s.h.desktop.helpWindowsOpen, 1);
        s.h.desktop.answers = {Answer::No};
        s.h.window->close();
        QCOMPARE(s.h.quits, 0);
        QCOMPARE(s.h.messages(),
                 QStringList{"Exit: The survey data base details are not saved: they are saved "
                             "only with the surveyor's name.\nLeave without saving them ?"});
        s.h.desktop.clearRecords();
        s.h.desktop.answers = {Answer::Yes};
        s.h.window->close();
        QVERIFY(s.h.quits == 1 && ended.count() == 1);
        QCOMPARE(s.h.desktop.helpWindowsOpen, 0);
        s.h.trigger("mnuExit");
        s.h.click("cmdExit");
        QCOMPARE(s.h.quits, 1);
        QCOMPARE(s.h.desktop.callsOf(DesktopCall::Kind::CloseAllHelp).size(), size_t(1));
        QVERIFY(!QFile::exists(s.file(".sdb")));
        QCOMPARE(s.h.messages().size(), 1);
        QVERIFY(s.changed()->isChecked()); // still unsaved as far as the window knows
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
