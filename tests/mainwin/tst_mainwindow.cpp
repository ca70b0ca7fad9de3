// The main window in local mode: start-up, the window's commands, opening plans, Save As,
// the survey data base record, help and Exit.
#include "mainwinharness.h"

#include "core/network.h"

#include "calculator/frmorvacalc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace corvane;
using namespace corvane::testing;

namespace {

const QString kNotYet = QStringLiteral("This command is not yet available");

QStringList ListTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

int TextLineCount(const QString& path) {
    const QByteArray content = ReadText(path);
    return static_cast<int>(content.count('\n'));
}

} // namespace

class tst_MainWindow : public QObject {
    Q_OBJECT

  private:
    // Every control a plan's commands hang on has the given state.
    static void verifyPlanCommands(const Harness& h, bool enabled) {
        for (const QString& name : PlanCommandActions()) {
            QAction* action = h.action(name);
            QVERIFY2(action, qPrintable(name));
            QVERIFY2(action->isEnabled() == enabled, qPrintable(name));
        }
        for (const QString& name : PlanCommandWidgets()) {
            QWidget* widget = h.find<QWidget>(name);
            QVERIFY2(widget, qPrintable(name));
            QVERIFY2(widget->isEnabled() == enabled, qPrintable(name));
        }
        // Never disabled: what a user needs to start or leave a plan.
        for (const char* name : {"mnuNew", "mnuOpen", "mnuExit", "mnuContents", "mnuAbout"})
            QVERIFY2(h.action(QLatin1String(name))->isEnabled(), name);
        QVERIFY(h.find<QPushButton>(QStringLiteral("cmdOpen"))->isEnabled());
        QVERIFY(h.find<QPushButton>(QStringLiteral("cmdExit"))->isEnabled());
    }

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
        const QString base = dir.path() + QStringLiteral("/D20417");
        Harness h(base + extension);
        h.plan.PointNumberLimit = 0;

        QVERIFY(h.window->startUp());

        QVERIFY(h.window->isVisible());
        QCOMPARE(h.window->windowTitle(), base);
        QCOMPARE(QString::fromStdString(h.plan.PlanPath), base);
        QCOMPARE(h.plan.PointNumberLimit, 5000);
        QVERIFY(h.plan.chkArray);
        QCOMPARE(static_cast<int>(h.plan.PlanLines.size()),
                 TextLineCount(base + QStringLiteral(".lns")));
        const QStringList expected = ParcelsOfFile(base + QStringLiteral(".ply"));
        QVERIFY(expected.contains(QStringLiteral("OB1")));
        QCOMPARE(h.window->parcels(), expected);

        auto* accuracy = h.find<QComboBox>(QStringLiteral("cboAccuracy"));
        QVERIFY(accuracy->isEditable());
        QCOMPARE(accuracy->count(), 1);
        QCOMPARE(accuracy->itemText(0), QStringLiteral("Surveyed Polygons"));
        QCOMPARE(h.window->accuracyClass(), QStringLiteral("Surveyed Polygons"));

        QCOMPARE(h.find<QLineEdit>(QStringLiteral("txtSurveyor"))->text(),
                 QStringLiteral("PETER J. HALLORAN"));
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("txtFieldDate"))->text(),
                 QStringLiteral("14/03/2026"));
        QCOMPARE(ListTexts(h.find<QListWidget>(QStringLiteral("lstPSMsGone"))),
                 QStringList{QStringLiteral("662812345")});
        QVERIFY(!h.find<QCheckBox>(QStringLiteral("chkSDBchange"))->isChecked());

        verifyPlanCommands(h, true);
        QVERIFY(!h.action(QStringLiteral("mnuSave"))->isVisible());
        QVERIFY(!h.action(QStringLiteral("mnuClose"))->isVisible());
        QCOMPARE(h.messages(), QStringList());
    }

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
        verifyPlanCommands(h, false);
        QVERIFY(!h.action(QStringLiteral("mnuSave"))->isVisible());
        QVERIFY(!h.action(QStringLiteral("mnuClose"))->isVisible());
        QVERIFY(h.desktop.calls.empty());
    }

    void secondInstanceIsRefused() {
        Harness h{QString()};
        h.desktop.instanceAvailable = false;
        QVERIFY(!h.window->startUp());
        QVERIFY(!h.window->isVisible());
        const DesktopCall shown = h.desktop.lastMessage();
        QCOMPARE(shown.text, QStringLiteral("CORVANE is already running"));
        QCOMPARE(shown.title, QStringLiteral("CORVANE"));
        QCOMPARE(shown.icon, Icon::Exclamation);
    }

    void reportFontComesFromTheSettings_data() {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("expectedSize");
        QTest::addColumn<QString>("expectedName");
        QTest::newRow("defaults") << QString() << QString() << 10 << QStringLiteral("Arial");
        QTest::newRow("stored") << QStringLiteral("12") << QStringLiteral("Courier New") << 12
                                << QStringLiteral("Courier New");
        QTest::newRow("leading digits")
            << QStringLiteral("14pt") << QString() << 14 << QStringLiteral("Arial");
        QTest::newRow("zero") << QStringLiteral("0") << QString() << 10 << QStringLiteral("Arial");
        QTest::newRow("negative") << QStringLiteral("-8") << QString() << 10
                                  << QStringLiteral("Arial");
        QTest::newRow("no number")
            << QStringLiteral("big") << QString() << 10 << QStringLiteral("Arial");
    }
    void reportFontComesFromTheSettings() {
        QFETCH(QString, size);
        QFETCH(QString, name);
        QFETCH(int, expectedSize);
        QFETCH(QString, expectedName);
        Harness h{QString()};
        if (!size.isNull())
            h.desktop.setSetting(QStringLiteral("Startup"), QStringLiteral("FontSize"), size);
        if (!name.isNull())
            h.desktop.setSetting(QStringLiteral("Startup"), QStringLiteral("FontName"), name);
        QVERIFY(h.window->startUp());
        QCOMPARE(h.window->reportFont().size, expectedSize);
        QCOMPARE(h.window->reportFont().name, expectedName);
    }

    void menusAndButtonsAreThoseOfTheMainWindow_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shortcut");
        const struct {
            const char* menu;
            const char* name;
            const char* caption;
            const char* shortcut;
        } entries[] = {
            {"&File", "mnuNew", "New", "Ctrl+N"},
            {"&File", "mnuOpen", "Open...", "Ctrl+O"},
            {"&File", "mnuSave", "Save", "Ctrl+S"},
            {"&File", "mnuSaveAs", "Save As", ""},
            {"&File", "mnuCreateCoords", "Create Coord file", ""},
            {"&File", "mnuExportParcel", "Export Parcel", ""},
            {"&File", "mnuScaledData", "Scaled Data...", ""},
            {"&File", "mnuConnections", "Connections...", ""},
            {"&File", "mnuPSMs", "PSM's...", ""},
            {"&File", "mnuNewParcel", "NewParcel...", ""},
            {"&File", "mnuPartyWalls", "Party Walls...", ""},
            {"&File", "mnuCalcOffsides", "Calc. Offsides...", ""},
            {"&File", "mnuPrint", "Print...", "Ctrl+P"},
            {"&File", "mnuClose", "Close", ""},
            {"&File", "mnuExit", "E&xit", "Ctrl+X"},
            {"&Edit", "mnuEditLines", "Lines...", ""},
            {"&Edit", "mnuEditParcel", "Parcel...", ""},
            {"&Edit", "mnuPointNumber", "Point Number...", ""},
            {"&Edit", "mnuParcelIdentifier", "Parcel Identifier", ""},
            {"&Edit", "mnuArea", "Area...", ""},
            {"&Edit", "mnuDatumBearing", "Datum Bearing...", ""},
            {"&Edit", "mnuDistanceUnits", "Distance Units...", ""},
            {"&Edit", "mnuDeleteParcel", "Delete Parcel", ""},
            {"&Edit", "mnuCopyParcel", "Copy Parcel...", ""},
            {"&View", "mnuViewParcel", "Parcel...", ""},
            {"&View", "mnuViewLines", "Lines File...", ""},
            {"&View", "mnuViewPolygons", "Polygons File...", ""},
            {"&View", "mnuSummary", "Summary...", ""},
            {"&View", "mnuDrawPlan", "Draw Plan...", ""},
            {"&Options", "mnuCalculator", "Use Calculator...", ""},
            {"&Options", "mnuFindPoint", "Find point in parcel", ""},
            {"&Options", "mnuDoubleLines", "Check for double lines", ""},
            {"&Options", "mnuPointErrors", "Check point errors", ""},
            {"&Help", "mnuContents", "Contents...", ""},
            {"&Help", "mnuAbout", "About CORVANE...", ""},
        };
        for (const auto& entry : entries)
            QTest::newRow(entry.name)
                << QString::fromLatin1(entry.menu) << QString::fromLatin1(entry.name)
                << QString::fromLatin1(entry.caption) << QString::fromLatin1(entry.shortcut);
    }
    void menusAndButtonsAreThoseOfTheMainWindow() {
        QFETCH(QString, menu);
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, shortcut);
        Harness h{QString()};
        QAction* action = h.action(name);
        QVERIFY(action);
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->shortcut().toString(QKeySequence::PortableText), shortcut);
        auto* owner = qobject_cast<QMenu*>(action->parent());
        QVERIFY(owner);
        QCOMPARE(owner->title(), menu);
    }

    void buttonsAndFramesCarryTheirCaptions() {
        Harness h{QString()};
        const struct {
            const char* name;
            const char* caption;
            const char* tooltip;
        } buttons[] = {
            {"cmdOpen", "Open...", "Open a new CORVANE file"},
            {"cmdExit", "Exit", "Close CORVANE"},
            {"cmdPrint", "Print...", "Print a report"},
            {"cmdDrawPlan", "Draw Plan...", "Draw the lines"},
            {"cmdSummary", "Summary...", "Get a summary of closures and areas"},
            {"cmdFixedWidth", "Fixed Width Easements...",
             "Enter Party Wall and other fixed width Easements"},
            {"cmdNewParcel", "New Parcel...", ""},
            {"cmdPSMs", "PSM's...", "Enter PSM to corner connections"},
            {"cmdConnections", "Connections...", "Enter connection lines"},
            {"cmdAddPSM", "Add", "Click here to add a PSM Gone to the list"},
            {"cmdDeletePSM", "Delete", "Click here to delete a PSM Gone from the list"},
        };
        for (const auto& expected : buttons) {
            auto* button = h.find<QPushButton>(QLatin1String(expected.name));
            QVERIFY2(button, expected.name);
            QCOMPARE(button->text(), QLatin1String(expected.caption));
            QCOMPARE(button->toolTip(), QLatin1String(expected.tooltip));
        }
        QCOMPARE(h.find<QListWidget>(QStringLiteral("lstParcels"))->toolTip(),
                 QStringLiteral("Double click a parcel to edit the data"));
        QCOMPARE(h.find<QComboBox>(QStringLiteral("cboAccuracy"))->toolTip(),
                 QStringLiteral("Select an accuracy type here"));
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("txtSurveyor"))->toolTip(),
                 QStringLiteral("Enter the surveyor's full name here"));
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("txtFieldDate"))->toolTip(),
                 QStringLiteral("Enter the date here eg 01/01/2000"));
        QCOMPARE(h.find<QGroupBox>(QStringLiteral("Frame1"))->title(),
                 QStringLiteral("Survey Data Base Information - certified surveys only"));
        QStringList labels;
        for (const QLabel* label : h.window->findChildren<QLabel*>())
            labels << label->text();
        for (const char* text : {"Parcel List - (double click to edit or view)", "Accuracy Type",
                                 "Surveyor's Name", "Date of Field Survey", "Permanent Marks Gone"})
            QVERIFY2(labels.contains(QLatin1String(text)), text);
        QStringList frames;
        for (const QGroupBox* frame : h.window->findChildren<QGroupBox*>())
            frames << frame->title();
        QVERIFY(frames.contains(QStringLiteral("Plan")));
    }

    // Commands still to come answer with a message of their own and leave the plan alone.
    void laterCommandsAreNotYetAvailable() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        Harness h(dir.path() + QStringLiteral("/D20417.lns"));
        QVERIFY(h.window->startUp());
        const QByteArray lines = ReadText(dir.path() + QStringLiteral("/D20417.lns"));
        const struct {
            const char* control;
            const char* title;
        } commands[] = {
            {"mnuCreateCoords", "Create Coord file"},
            {"mnuScaledData", "Scaled Data..."},
            {"mnuPSMs", "PSM's..."},
            {"mnuPartyWalls", "Party Walls..."},
            {"mnuCalcOffsides", "Calc. Offsides..."},
            {"mnuPrint", "Print..."},
            {"mnuPointNumber", "Point Number..."},
            {"mnuDatumBearing", "Datum Bearing..."},
            {"mnuDistanceUnits", "Distance Units..."},
            {"mnuDrawPlan", "Draw Plan..."},
            {"mnuFindPoint", "Find point in parcel"},
            {"mnuDoubleLines", "Check for double lines"},
            {"mnuPointErrors", "Check point errors"},
            {"cmdPrint", "Print..."},
            {"cmdDrawPlan", "Draw Plan..."},
            {"cmdFixedWidth", "Party Walls..."},
            {"cmdPSMs", "PSM's..."},
        };
        for (const auto& command : commands) {
            const QString control = QLatin1String(command.control);
            h.desktop.clearRecords();
            if (control.startsWith(QStringLiteral("cmd")))
                h.click(control);
            else
                h.trigger(control);
            QCOMPARE(h.desktop.messages().size(), size_t(1));
            QCOMPARE(h.desktop.lastMessage().text, kNotYet);
            QCOMPARE(h.desktop.lastMessage().title, QLatin1String(command.title));
            QCOMPARE(h.desktop.lastMessage().icon, Icon::Information);
        }

        QCOMPARE(ReadText(dir.path() + QStringLiteral("/D20417.lns")), lines);
        QCOMPARE(h.quits, 0);
    }

    // One calculator serves the whole run; "Use Calculator..." shows it without blocking.
    void useCalculatorShowsTheCalculator() {
        Harness h{QString()};
        QVERIFY(!h.window->calculator());
        QVERIFY(h.window->startUp());
        frmOrvaCalc* calculator = h.window->calculator();
        QVERIFY(calculator);
        QVERIFY(!calculator->isVisible());
        h.trigger(QStringLiteral("mnuCalculator"));
        QVERIFY(calculator->isVisible());
        QVERIFY(!calculator->isModal());
        QCOMPARE(h.messages(), QStringList());
    }

    void openReplacesThePlanAndStoresTheChangedRecord() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path() + QStringLiteral("/a")));
        QVERIFY(CopySamplePlan(dir.path() + QStringLiteral("/b"), QStringLiteral("D30000")));
        const QString first = dir.path() + QStringLiteral("/a/D20417");
        const QString second = dir.path() + QStringLiteral("/b/D30000");
        QVERIFY(WriteText(second + QStringLiteral(".sdb"), "ANN SMITH\r\n01/02/2003\r\n"));
        Harness h(first + QStringLiteral(".lns"));
        QVERIFY(h.window->startUp());
        h.find<QLineEdit>(QStringLiteral("txtSurveyor"))->setText(QStringLiteral("jo blogs"));
        QVERIFY(h.find<QCheckBox>(QStringLiteral("chkSDBchange"))->isChecked());

        // Open stores the changed record first; cancelling the dialog then keeps the plan.
        h.trigger(QStringLiteral("mnuOpen"));
        QCOMPARE(QString::fromStdString(h.plan.PlanPath), first);
        QCOMPARE(ReadText(first + QStringLiteral(".sdb")),
                 QByteArray("JO BLOGS\r\n14/03/2026\r\n662812345\r\n"));
        QVERIFY(!h.find<QCheckBox>(QStringLiteral("chkSDBchange"))->isChecked());

        h.find<QLineEdit>(QStringLiteral("txtFieldDate"))->setText(QStringLiteral("02/02/2002"));
        h.desktop.clearRecords();
        h.desktop.texts.push_back(second + QStringLiteral(".LNS"));
        h.click(QStringLiteral("cmdOpen"));

        const auto dialogs = h.desktop.callsOf(DesktopCall::Kind::OpenFileDialog);
        QCOMPARE(dialogs.size(), size_t(1));
        QCOMPARE(dialogs[0].title, QStringLiteral("Open New or Existing CORVANE file"));
        QCOMPARE(dialogs[0].text, QStringLiteral("CORVANE files (*.LNS)|*.lns"));
        QCOMPARE(ReadText(first + QStringLiteral(".sdb")),
                 QByteArray("JO BLOGS\r\n02/02/2002\r\n662812345\r\n"));
        QCOMPARE(QString::fromStdString(h.plan.PlanPath), second);
        QCOMPARE(h.window->windowTitle(), second);
        QCOMPARE(h.window->parcels(), ParcelsOfFile(second + QStringLiteral(".ply")));
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("txtSurveyor"))->text(),
                 QStringLiteral("ANN SMITH"));
        QVERIFY(ListTexts(h.find<QListWidget>(QStringLiteral("lstPSMsGone"))).isEmpty());
        QVERIFY(!h.find<QCheckBox>(QStringLiteral("chkSDBchange"))->isChecked());
        QVERIFY(h.plan.chkArray);
        QCOMPARE(h.plan.PointTop, 0);
        QCOMPARE(h.messages(), QStringList());
    }

    void newPlanStartsWithNothingButOffersEverything() {
        QTemporaryDir dir;
        Harness h{QString()};
        QVERIFY(h.window->startUp());
        h.desktop.texts.push_back(dir.path() + QStringLiteral("/D40000"));
        h.trigger(QStringLiteral("mnuNew"));
        QCOMPARE(h.window->windowTitle(), dir.path() + QStringLiteral("/D40000"));
        QVERIFY(h.window->parcels().isEmpty());
        QVERIFY(h.plan.PlanLines.empty());
        verifyPlanCommands(h, true);
        QCOMPARE(h.messages(), QStringList());
        QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/D40000.lns")));
    }

    void refusedLinesFileLeavesParcelsAndRecordUnread() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        const QString base = dir.path() + QStringLiteral("/D20417");
        QVERIFY(WriteText(base + QStringLiteral(".lns"),
                          "1,2,14.1856,36.024\r\n\r\n2,3,14.1856,34.438\r\n"));
        Harness h(base + QStringLiteral(".lns"));
        QVERIFY(h.window->startUp());
        const DesktopCall shown = h.desktop.lastMessage();
        QVERIFY2(shown.text.startsWith(QStringLiteral("Blank line found in lines file")),
                 qPrintable(shown.text));
        QCOMPARE(shown.title, QStringLiteral("CORVANE Error"));
        QVERIFY(h.window->parcels().isEmpty());
        QVERIFY(h.find<QLineEdit>(QStringLiteral("txtSurveyor"))->text().isEmpty());
        QVERIFY(!h.plan.chkArray);
        // The plan still counts as open.
        verifyPlanCommands(h, true);
        QCOMPARE(h.window->windowTitle(), base);
    }

    void linesFileWithNoLinesStillLoadsParcelsAndRecord_data() {
        QTest::addColumn<bool>("linesFileExists");
        QTest::newRow("empty lines file") << true;
        QTest::newRow("no lines file") << false;
    }
    void linesFileWithNoLinesStillLoadsParcelsAndRecord() {
        QFETCH(bool, linesFileExists);
        QTemporaryDir dir;
        const QString base = dir.path() + QStringLiteral("/C100");
        if (linesFileExists)
            QVERIFY(WriteText(base + QStringLiteral(".lns"), QByteArray()));
        QVERIFY(WriteText(base + QStringLiteral(".ply"),
                          "\"AL1\",0,\"C\"\r\n1\r\n2\r\n\"AL2\",0,\"C\"\r\n3\r\n4\r\n"));
        QVERIFY(WriteText(base + QStringLiteral(".sdb"), "A SURVEYOR\r\n\r\n"));
        Harness h(base + QStringLiteral(".lns"));
        QVERIFY(h.window->startUp());
        QCOMPARE(h.window->parcels(), (QStringList{QStringLiteral("AL1"), QStringLiteral("AL2")}));
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("txtSurveyor"))->text(),
                 QStringLiteral("A SURVEYOR"));
        QVERIFY(!h.find<QCheckBox>(QStringLiteral("chkSDBchange"))->isChecked());
        QCOMPARE(h.messages(), QStringList());
    }

    void linesWithoutPolygonsFileAreReported() {
        QTemporaryDir dir;
        const QString base = dir.path() + QStringLiteral("/C100");
        QVERIFY(WriteText(base + QStringLiteral(".lns"), "1,2,45.0000,10.000\r\n"));
        Harness h(base + QStringLiteral(".lns"));
        QVERIFY(h.window->startUp());
        QCOMPARE(h.messages(), QStringList{QStringLiteral("CORVANE: No polygons file found")});
        QVERIFY(h.plan.chkArray);
    }

    void saveAsCopiesThePlanAndSwitchesToIt() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        const QString old = dir.path() + QStringLiteral("/D20417");
        const QString copy = dir.path() + QStringLiteral("/D20418");
        Harness h(old + QStringLiteral(".lns"));
        QVERIFY(h.window->startUp());
        h.desktop.texts.push_back(copy + QStringLiteral(".lns"));
        h.trigger(QStringLiteral("mnuSaveAs"));

        const auto dialogs = h.desktop.callsOf(DesktopCall::Kind::OpenFileDialog);
        QCOMPARE(dialogs.size(), size_t(1));
        QCOMPARE(dialogs[0].title, QStringLiteral("Open a New or Existing CORVANE file"));
        for (const char* ext : {".lns", ".ply", ".cve"})
            QCOMPARE(ReadText(copy + QLatin1String(ext)), ReadText(old + QLatin1String(ext)));
        // The survey record belongs to the certified survey, not to the copy.
        QVERIFY(!QFile::exists(copy + QStringLiteral(".sdb")));
        QVERIFY(QFile::exists(old + QStringLiteral(".lns")));
        QCOMPARE(QString::fromStdString(h.plan.PlanPath), copy);
        QCOMPARE(h.window->windowTitle(), copy);
        QCOMPARE(h.messages(),
                 QStringList{QStringLiteral("Save As completed: Current file is now ") + copy});
        QCOMPARE(h.desktop.lastMessage().icon, Icon::Exclamation);
    }

    // An existing plan is never overwritten, however its name is typed.
    void saveAsRefusesAnExistingPlan_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("lines file") << QStringLiteral("/D20419.lns");
        QTest::newRow("base without extension") << QStringLiteral("/D20419");
        QTest::newRow("other letter case") << QStringLiteral("/d20419.LNS");
        QTest::newRow("the open plan itself") << QStringLiteral("/D20417");
    }
    void saveAsRefusesAnExistingPlan() {
        QFETCH(QString, typed);
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        const QString target = dir.path() + QStringLiteral("/D20419");
        QVERIFY(WriteText(target + QStringLiteral(".lns"), "7,8,1.0000,2.000\r\n"));
        QVERIFY(WriteText(target + QStringLiteral(".ply"), "\"AL9\",0,\"C\"\r\n7\r\n8\r\n"));
        const QString old = dir.path() + QStringLiteral("/D20417");
        const QByteArray oldLines = ReadText(old + QStringLiteral(".lns"));
        Harness h(old + QStringLiteral(".lns"));
        QVERIFY(h.window->startUp());
        h.desktop.texts.push_back(dir.path() + typed);
        h.trigger(QStringLiteral("mnuSaveAs"));

        QCOMPARE(h.messages(), QStringList{QStringLiteral("Save As error: ") + dir.path() + typed +
                                           QStringLiteral(" already exists")});
        QCOMPARE(ReadText(target + QStringLiteral(".lns")), QByteArray("7,8,1.0000,2.000\r\n"));
        QCOMPARE(ReadText(target + QStringLiteral(".ply")),
                 QByteArray("\"AL9\",0,\"C\"\r\n7\r\n8\r\n"));
        QCOMPARE(ReadText(old + QStringLiteral(".lns")), oldLines);
        QCOMPARE(QString::fromStdString(h.plan.PlanPath), old);
    }

    void saveAsThatCannotCopyEveryFileKeepsTheOldPlan() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        const QString old = dir.path() + QStringLiteral("/D20417");
        const QString copy = dir.path() + QStringLiteral("/D20418");
        // The polygons file cannot be written where a folder of its name stands.
        QVERIFY(QDir().mkpath(copy + QStringLiteral(".ply")));
        Harness h(old + QStringLiteral(".lns"));
        QVERIFY(h.window->startUp());
        h.desktop.texts.push_back(copy);
        h.trigger(QStringLiteral("mnuSaveAs"));

        QCOMPARE(QString::fromStdString(h.plan.PlanPath), old);
        QCOMPARE(h.window->windowTitle(), old);
        const QStringList shown = h.messages();
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[0].startsWith(QStringLiteral("Copy CORVANE files error: ")),
                 qPrintable(shown[0]));
        QVERIFY2(shown[1].startsWith(QStringLiteral("Save As error: ")), qPrintable(shown[1]));
        QVERIFY(shown[1].endsWith(QStringLiteral("Current file is still ") + old));
        for (const char* ext : {".lns", ".ply", ".cve", ".sdb"})
            QVERIFY(QFile::exists(old + QLatin1String(ext)));
    }

    void surveyRecordEntriesFollowTheirRules() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        Harness h(dir.path() + QStringLiteral("/D20417.lns"));
        QVERIFY(h.window->startUp());
        auto* marks = h.find<QListWidget>(QStringLiteral("lstPSMsGone"));
        auto* changed = h.find<QCheckBox>(QStringLiteral("chkSDBchange"));

        // Cancelled: nothing asked further, nothing changed.
        h.click(QStringLiteral("cmdAddPSM"));
        QCOMPARE(marks->count(), 1);
        QVERIFY(!changed->isChecked());
        const DesktopCall asked = h.desktop.callsOf(DesktopCall::Kind::InputBox).back();
        QCOMPARE(asked.text, QStringLiteral("Enter P.M. number eg: 662812345"));
        QCOMPARE(asked.title, QStringLiteral("P.M.'s GONE"));

        // Judged on the first four characters against the point number limit.
        for (const char* refused : {"4999123", "500", "PM12"}) {
            h.desktop.clearRecords();
            h.desktop.texts.push_back(QLatin1String(refused));
            h.click(QStringLiteral("cmdAddPSM"));
            QCOMPARE(h.messages(),
                     QStringList{QStringLiteral("Add PSM Gone error: Not a valid PSM number")});
        }
        QCOMPARE(marks->count(), 1);
        QVERIFY(!changed->isChecked());
        for (const char* accepted : {"5000", "777712 "}) {
            h.desktop.texts.push_back(QLatin1String(accepted));
            h.click(QStringLiteral("cmdAddPSM"));
        }
        QCOMPARE(ListTexts(marks), (QStringList{QStringLiteral("662812345"), QStringLiteral("5000"),
                                                QStringLiteral("777712 ")}));
        QVERIFY(changed->isChecked());

        // Delete needs a selection.
        changed->setChecked(false);
        marks->clearSelection();
        h.desktop.clearRecords();
        h.click(QStringLiteral("cmdDeletePSM"));
        QCOMPARE(h.messages(), QStringList{QStringLiteral(
                                   "Delete PSM Gone error: Select P.M. from list to delete")});
        QCOMPARE(marks->count(), 3);
        QVERIFY(!changed->isChecked());
        marks->item(1)->setSelected(true);
        h.click(QStringLiteral("cmdDeletePSM"));
        QCOMPARE(ListTexts(marks),
                 (QStringList{QStringLiteral("662812345"), QStringLiteral("777712 ")}));
        QVERIFY(changed->isChecked());

        // Any change of the texts counts, the program's own too.
        changed->setChecked(false);
        h.find<QLineEdit>(QStringLiteral("txtFieldDate"))->setText(QStringLiteral("1/1/2001"));
        QVERIFY(changed->isChecked());

        // Exit writes the record: the name upper-cased, the rest as typed.
        h.find<QLineEdit>(QStringLiteral("txtSurveyor"))->setText(QStringLiteral("mary o'neil"));
        h.click(QStringLiteral("cmdExit"));
        QCOMPARE(ReadText(dir.path() + QStringLiteral("/D20417.sdb")),
                 QByteArray("MARY O'NEIL\r\n1/1/2001\r\n662812345\r\n777712 \r\n"));
        QVERIFY(!changed->isChecked());
        QCOMPARE(h.quits, 1);
    }

    void recordWithoutSurveyorIsNeverWritten() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        const QString sdb = dir.path() + QStringLiteral("/D20417.sdb");
        QVERIFY(QFile::remove(sdb));
        Harness h(dir.path() + QStringLiteral("/D20417.lns"));
        QVERIFY(h.window->startUp());
        h.find<QLineEdit>(QStringLiteral("txtFieldDate"))->setText(QStringLiteral("3/3/2003"));
        h.trigger(QStringLiteral("mnuExit"));
        QVERIFY(!QFile::exists(sdb));
        QCOMPARE(h.messages(), QStringList());
        // Still unsaved as far as the window knows.
        QVERIFY(h.find<QCheckBox>(QStringLiteral("chkSDBchange"))->isChecked());
    }

    void unwritableRecordIsReportedAndKeptAsChanged() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        const QString sdb = dir.path() + QStringLiteral("/D20417.sdb");
        QVERIFY(QFile::remove(sdb));
        // Nothing can be written where a folder of the record's name stands.
        QVERIFY(QDir().mkpath(sdb));
        Harness h(dir.path() + QStringLiteral("/D20417.lns"));
        QVERIFY(h.window->startUp());
        auto* changed = h.find<QCheckBox>(QStringLiteral("chkSDBchange"));
        h.find<QLineEdit>(QStringLiteral("txtSurveyor"))->setText(QStringLiteral("Al Jones"));
        h.desktop.clearRecords();

        // Opening another plan would drop the record: the open plan stays.
        h.desktop.texts.push_back(dir.path() + QStringLiteral("/D55555.lns"));
        h.trigger(QStringLiteral("mnuOpen"));
        QCOMPARE(h.desktop.messages().size(), size_t(1));
        QVERIFY2(h.desktop.lastMessage().text.contains(QStringLiteral("D20417.sdb")),
                 qPrintable(h.desktop.lastMessage().text));
        QVERIFY(changed->isChecked());
        QCOMPARE(QString::fromStdString(h.plan.PlanPath), dir.path() + QStringLiteral("/D20417"));
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("txtSurveyor"))->text(),
                 QStringLiteral("Al Jones"));
        QVERIFY(h.desktop.callsOf(DesktopCall::Kind::OpenFileDialog).empty());

        // Exit reports it too, and still ends.
        h.desktop.clearRecords();
        h.trigger(QStringLiteral("mnuExit"));
        QCOMPARE(h.desktop.messages().size(), size_t(1));
        QVERIFY(h.desktop.lastMessage().text.contains(QStringLiteral("D20417.sdb")));
        QVERIFY(changed->isChecked());
        QCOMPARE(h.quits, 1);
    }

    void exitRunsOnceHoweverItIsAsked() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        Harness h(dir.path() + QStringLiteral("/D20417.lns"));
        QSignalSpy ended(h.window.get(), &frmCorvane::programEnded);
        QVERIFY(h.window->startUp());
        h.trigger(QStringLiteral("mnuContents"));
        QCOMPARE(h.desktop.helpWindowsOpen, 1);
        h.window->close();
        QCOMPARE(h.quits, 1);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(h.desktop.helpWindowsOpen, 0);
        h.trigger(QStringLiteral("mnuExit"));
        h.click(QStringLiteral("cmdExit"));
        QCOMPARE(h.quits, 1);
        QCOMPARE(h.desktop.callsOf(DesktopCall::Kind::CloseAllHelp).size(), size_t(1));
    }

    void closeIsNoCommandInLocalMode() {
        Harness h{QString()};
        QVERIFY(h.window->startUp());
        h.action(QStringLiteral("mnuClose"))->trigger();
        QCOMPARE(h.quits, 0);
    }

    void helpShowsTheGuideAndTheAboutBox() {
        Harness h{QString()};
        QVERIFY(h.window->startUp());
        h.trigger(QStringLiteral("mnuContents"));
        const auto help = h.desktop.callsOf(DesktopCall::Kind::ShowHelp);
        QCOMPARE(help.size(), size_t(1));
        QCOMPARE(help[0].text,
                 QCoreApplication::applicationDirPath() + QStringLiteral("/Corvane.html"));
        h.trigger(QStringLiteral("mnuAbout"));
        const DesktopCall about = h.desktop.lastMessage();
        QCOMPARE(about.title, QStringLiteral("About CORVANE"));
        QCOMPARE(about.icon, Icon::Exclamation);
        QVERIFY(about.text.contains(QStringLiteral("Version")));
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
