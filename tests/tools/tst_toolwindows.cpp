// The derived-line tool windows in the real program on the sample plan: typed through their
// grids, saved, drawn and printed, and closed through their own Cancel when the plan goes.
#include "../mainwin/mainwinharness.h"

#include "core/base/printtext.h"
#include "drawing/frmdrawplan.h"
#include "platform/recordingprintjob.h"
#include "tools/frmoffsides.h"
#include "tools/frmpartywall.h"
#include "tools/frmpsm.h"
#include "tools/frmscaled.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

using namespace corvane;
using namespace corvane::testing;

namespace {

// Types into a tool window's grid as a user does: keys to the cell editor while it is open,
// else to the grid, each text committed with Enter.
struct Typist {
    ToolWindow* window;
    QWidget* target() const {
        auto* editor = window->findChild<QTableView*>(QStringLiteral("Grid1"))
                           ->viewport()
                           ->findChild<QLineEdit*>();
        return window->editorVisible() ? static_cast<QWidget*>(editor)
                                       : window->findChild<QTableView*>(QStringLiteral("Grid1"));
    }
    void enter(std::initializer_list<const char*> texts) const {
        for (const char* text : texts) {
            for (const char* c = text; *c; ++c)
                QTest::keyClick(target(), *c);
            QTest::keyClick(target(), Qt::Key_Return);
        }
    }
    void click(const char* name) const {
        QPushButton* button = window->findChild<QPushButton*>(QLatin1String(name));
        QVERIFY2(button, name);
        button->click();
    }
};

QStringList parcels(const Harness& h) {
    QStringList ids;
    auto* list = h.find<QListWidget>(QStringLiteral("lstParcels"));
    for (int i = 0; i < list->count(); ++i)
        ids << list->item(i)->text();
    return ids;
}

QString printed(const ScriptedDesktop& desktop) {
    const auto record = desktop.lastPrintout();
    return record ? QString::fromStdString(record->text()) : QString();
}

} // namespace

class ToolWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    // An easement strip is typed, drawn and saved on one side, then on the other side of the
    // same traverse, after which the window is cleared.
    void easementStripsAreDrawnAndSavedOnBothSides() {
        OpenedSample s;
        Harness& h = *s.h;
        h.run(QStringLiteral("cmdFixedWidth"), {QStringLiteral("1")});
        QCOMPARE(h.messages(),
                 QStringList{"Fixed Width Easements: EA1 already exists\nThis option can only be "
                             "used for new parcels"});

        h.run(QStringLiteral("mnuPartyWalls"), {QStringLiteral("ea9")});
        auto* wall = h.window->findChild<frmPartyWall*>();
        QVERIFY(wall && wall->isVisible());
        QCOMPARE(wall->windowTitle(), QStringLiteral("EA9"));
        Typist t{wall};
        t.enter({"900", "901", "0", "10", "2", "902", "90", "10", ""});
        QCOMPARE(wall->grid().cell(2, ColWidth), std::string("2.000"));

        t.click("cmdDraw");
        frmDrawPlan* view = h.window->planView();
        QVERIFY(view->isVisible());
        QVERIFY(!view->content().WholePlan);
        QCOMPARE(view->content().Points.size(), size_t(7));

        // Asked again for the same parcel before any save: the side stays as the user chose.
        h.run(QStringLiteral("mnuPartyWalls"), {QStringLiteral("ea9")});
        QVERIFY(wall->findChild<QRadioButton*>(QStringLiteral("optLeft"))->isChecked());

        t.click("cmdOK");
        QVERIFY(!wall->isVisible());
        QVERIFY(ReadText(s.file(".lns")).contains("900,901,0.0000,10.000\r\n"));
        QVERIFY(ReadText(s.file(".lns")).contains("901,904,135.0000,2.828\r\n"));
        QVERIFY(
            ReadText(s.file(".ply"))
                .endsWith("\"EA9\",36,\"C\"\r\n900\r\n901\r\n902\r\n905\r\n904\r\n903\r\n900\r\n"));

        // The same traverse again: the side turns over, and the second save clears the window.
        h.run(QStringLiteral("mnuPartyWalls"), {QStringLiteral("10")});
        QVERIFY(wall->findChild<QRadioButton*>(QStringLiteral("optRight"))->isChecked());
        t.click("cmdOK");
        const QByteArray polygons = ReadText(s.file(".ply"));
        QVERIFY(polygons.endsWith(
            "\"EA10\",44,\"C\"\r\n902\r\n901\r\n900\r\n906\r\n907\r\n908\r\n902\r\n"));
        QCOMPARE(ReadText(s.file(".lns")).count("900,901,"), 1);
        QCOMPARE(parcels(h).mid(parcels(h).size() - 2), (QStringList{"EA9", "EA10"}));
        QCOMPARE(wall->grid().dataRows(), 1);
        QVERIFY(wall->grid().cell(1, ColFrom).empty());
        QCOMPARE(wall->findChild<QLineEdit*>(QStringLiteral("txtCount"))->text(),
                 QStringLiteral("0"));
    }

    // Exit asks about a tool window's unsaved rows: Cancel goes back to them (the window and
    // the program stay), Yes stores them as OK does (refused rows keep the program running),
    // No drops them.
    void exitAsksAboutTheWindowsUnsavedRows() {
        OpenedSample s;
        Harness& h = *s.h;
        h.run(QStringLiteral("cmdFixedWidth"), {QStringLiteral("EA9")});
        auto* wall = h.window->findChild<frmPartyWall*>();
        Typist{wall}.enter({"900"});
        const QByteArray lines = ReadText(s.file(".lns"));
        h.desktop.answers.push_back(Answer::Cancel);
        h.trigger(QStringLiteral("mnuExit"));
        QVERIFY(wall->isVisible());
        QCOMPARE(h.quits, 0);
        QCOMPARE(h.desktop.lastMessage().title, QStringLiteral("Exit"));
        QCOMPARE(h.desktop.lastMessage().buttons, Buttons::YesNoCancel);
        QVERIFY(h.desktop.lastMessage().text.endsWith(
            QStringLiteral("holds changes that are not saved.\nSave them ?")));
        // One row is no strip: OK refuses it, and the program stays.
        h.desktop.answers.push_back(Answer::Yes);
        h.trigger(QStringLiteral("mnuExit"));
        QVERIFY(wall->isVisible());
        QCOMPARE(h.quits, 0);
        h.desktop.answers.push_back(Answer::No);
        h.trigger(QStringLiteral("mnuExit"));
        QVERIFY(!wall->isVisible());
        QCOMPARE(h.quits, 1);
        QCOMPARE(ReadText(s.file(".lns")), lines);
    }

    // Offsides along a road traverse are calculated and printed; nothing is written.
    void offsidesArePrinted() {
        OpenedSample s;
        Harness& h = *s.h;
        const QByteArray lines = ReadText(s.file(".lns"));
        h.run(QStringLiteral("mnuCalcOffsides"));
        auto* road = h.window->findChild<frmOffsides*>();
        QVERIFY(road && road->isVisible());
        Typist t{road};
        t.click("cmdPrint");
        QCOMPARE(h.messages(), QStringList{"Road Offsides: No offside distances to print"});
        t.enter({"800", "801", "0", "50", "10", "802", "90", "100", "", "803", "180", "50", ""});
        t.click("cmdCalc");
        QCOMPARE(road->grid().cell(2, ColOffside), std::string("80.000"));
        h.desktop.clearRecords();
        t.click("cmdPrint");
        QCOMPARE(h.messages(),
                 QStringList{"Road Offsides Calculation: Printed to Scripted printer"});
        const QString text = printed(h.desktop);
        QVERIFY(text.contains("Traverse is on LEFT side of road"));
        QVERIFY(text.contains("801       802       90.0000   100.000        10.000    80.000"));
        QVERIFY(text.contains("Cosecant data"));
        QCOMPARE(ReadText(s.file(".lns")), lines);
    }

    // The plan's mark connections are listed from the mark; a new one is stored once, and a
    // deletion is undone by Cancel, after a question.
    void markConnectionsAreListedStoredAndPrinted() {
        OpenedSample s;
        Harness& h = *s.h;
        h.run(QStringLiteral("cmdPSMs"));
        auto* psm = h.window->findChild<frmPSM*>();
        QVERIFY(psm && psm->isVisible());
        QCOMPARE(psm->grid().dataRows(), 2);
        // Stored from corner 4 to the mark on 304.1447: shown from the mark.
        QCOMPARE(psm->grid().cell(1, ColMarkBearing), std::string("124.1447"));
        // The mark by its label, as typed in every grid.
        QCOMPARE(psm->grid().cell(1, ColMarkNumber), std::string("PM1234"));
        Typist t{psm};
        t.click("cmdAddLine");
        t.enter({"5", "360", "12.5", "1234/56789"});
        t.enter({"6", "90", "3", "pm1235"}); // Enter on the last cell opened this row
        t.click("cmdOK");
        QVERIFY2(!psm->isVisible(), qPrintable(h.messages().join('|')));
        QVERIFY(ReadText(s.file(".lns")).contains("123456789,5,360.0000,12.500\r\n"));
        QVERIFY(ReadText(s.file(".lns")).contains("44441235,6,90.0000,3.000\r\n"));

        const QByteArray stored = ReadText(s.file(".lns"));
        h.run(QStringLiteral("mnuPSMs"));
        QCOMPARE(psm->grid().dataRows(), 4);
        t.click("cmdDelete");
        // Cancel asks before the deletion is dropped: No keeps it, Yes drops it.
        h.desktop.answers = {Answer::No};
        t.click("cmdCancel");
        QVERIFY(psm->isVisible());
        QCOMPARE(psm->grid().dataRows(), 3);
        QCOMPARE(h.desktop.lastMessage().text,
                 QStringLiteral("Your changes will not be saved !\nDo you still want to cancel ?"));
        h.desktop.answers = {Answer::Yes};
        t.click("cmdCancel");
        QVERIFY(!psm->isVisible());
        QCOMPARE(ReadText(s.file(".lns")), stored);
        for (const LineRecord& line : h.plan.PlanLines)
            QVERIFY(line.Distance > 0);

        // The connection grid undoes a deletion, its mark on the stored line with it.
        h.run(QStringLiteral("mnuPSMs"));
        t.click("cmdDelete");
        QCOMPARE(psm->grid().dataRows(), 3);
        psm->findChild<QAction*>(QStringLiteral("actUndo"))->trigger();
        QCOMPARE(psm->grid().dataRows(), 4);
        QVERIFY(!psm->grid().chkChange);
        for (const LineRecord& line : h.plan.PlanLines)
            QVERIFY(line.Distance > 0);

        h.desktop.clearRecords();
        t.click("cmdPrint");
        QCOMPARE(h.messages(), QStringList{"Print PSM List: Printed to Scripted printer"});
        QVERIFY(
            printed(h.desktop).contains("Corner         Bearing        Distance       PSM Number"));
        QVERIFY(
            printed(h.desktop).contains("5              360.0000       12.500         123456789"));
    }

    // Scaled lines are typed into a new file, drawn with the plan, and listed.
    void scaledLinesAreSavedAndDrawn() {
        OpenedSample s;
        Harness& h = *s.h;
        h.run(QStringLiteral("mnuScaledData"));
        auto* scaled = h.window->findChild<frmScaled*>();
        QVERIFY(scaled && scaled->isVisible());
        Typist t{scaled};
        // OK with nothing changed writes nothing.
        t.click("cmdOK");
        QVERIFY(!QFile::exists(s.file(".sca")));

        h.run(QStringLiteral("mnuScaledData"));
        // The second row's To takes the From's next number; 360.0001 is no bearing.
        t.enter({"1", "700", "45", "20", "", "360.0001", "5"});
        h.desktop.clearRecords();
        t.click("cmdOK");
        QCOMPARE(h.messages(), QStringList{"Scaled line error: Invalid bearing in line 2"});
        QVERIFY(scaled->isVisible());
        QVERIFY(!QFile::exists(s.file(".sca")));
        t.enter({"360"});
        t.click("cmdOK");
        QVERIFY(!scaled->isVisible());
        QCOMPARE(ReadText(s.file(".sca")), QByteArray("1,700,45.0000,20.000\r\n"
                                                      "700,701,360.0000,5.000\r\n"));
        QVERIFY(!QFile::exists(s.file(".~ca")));

        h.run(QStringLiteral("mnuDrawPlan"));
        bool drawn = false;
        for (const LineRecord& line : h.window->planView()->content().Lines)
            drawn = drawn || (line.FromPoint == 1 && line.ToPoint == 700);
        QVERIFY(drawn);

        h.run(QStringLiteral("mnuScaledData"));
        QCOMPARE(scaled->grid().cell(2, ColTo), std::string("701"));
        h.desktop.clearRecords();
        t.click("cmdPrint");
        QCOMPARE(h.messages(), QStringList{"Print Scaled Lines: Printed to Scripted printer"});
        QVERIFY(printed(h.desktop).contains("List of Scaled Lines for "));
    }
};

QTEST_MAIN(ToolWindowsTest)
#include "tst_toolwindows.moc"
