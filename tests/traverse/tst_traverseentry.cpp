// Typing a traverse into the grid: the commit rules of each column, the keys, known lines
// filling themselves in, leaving a cell while editing, the toolbar and Find.

#include "traverseharness.h"

#include <QScrollBar>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

using namespace corvane;
using namespace corvane::testing;

class TestTraverseEntry : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void typingRowByRowAppliesEachColumnsRules();
    void invalidEntriesAreRefusedAndTheCellKept();
    void knownLinesFillThemselvesInBothDirections();
    void editLinesModeStartsEachRowAtItsFrom();
    void leavingACellWhileEditingCommitsIt();
    void escapeStepsBackFromTheEnd();
    void toolbarInsertAndDelete();
    void calculatorAnswerIsCommittedToTheCell();
    void findWrapsAroundTheGrid();
};

// A connection traverse typed key by key: From copied from the previous To, "+" and "-" in
// the To column, F3, the bearing forms and the distance sums.
void TestTraverseEntry::typingRowByRowAppliesEachColumnsRules() {
    TraverseHarness h;
    QVERIFY(h.window->openConnections());
    QVERIFY(h.window->isVisible());
    QCOMPARE(h.window->windowTitle(), QString("Add Connection Lines"));
    QCOMPARE(h.currentCol(), 1);

    h.enter("100");
    QCOMPARE(h.cell(1, 1), QString("100"));
    QCOMPARE(h.currentCol(), 2);
    h.type("+"); // "+" on an empty To cell: the next point up
    QCOMPARE(h.cell(1, 2), QString("101"));
    QCOMPARE(h.currentCol(), 3);
    h.enter("45.3");
    QCOMPARE(h.cell(1, 3), QString("45.3000"));
    h.enter("10.5+2.25-1");
    QCOMPARE(h.cell(1, 4), QString("11.750"));

    // The new row starts where the last one ended, cursor on its To.
    QCOMPARE(h.rows().dataRows(), 2);
    QCOMPARE(h.currentRow(), 2);
    QCOMPARE(h.currentCol(), 2);
    QCOMPARE(h.cell(2, 1), QString("101"));

    // F3: one above the highest ordinary point of the plan (23) and of the grid (101).
    h.key(Qt::Key_F3);
    QCOMPARE(h.cell(2, 2), QString("102"));
    h.type("-"); // "-" on the grid in the bearing column opens the editor with it
    QVERIFY(h.window->editorVisible());
    h.enter("45.3");
    QCOMPARE(h.cell(2, 3), QString("225.3000"));
    h.enter("0");
    QCOMPARE(h.cell(2, 4), QString("No Data"));

    // "-" on an empty To: the next point down; the line 102-101 was typed above, so the row
    // completes itself reversed and the cursor moves on.
    QCOMPARE(h.cell(3, 1), QString("102"));
    h.type("-");
    QCOMPARE(h.rowCells(3), QStringList({"102", "101", "45.3000", "No Data"}));
    QCOMPARE(h.currentRow(), 4);
    QCOMPARE(h.cell(4, 1), QString("101"));

    // A mark label is stored in capitals; "-" typed inside the editor goes in front.
    h.enter("pm5");
    QCOMPARE(h.cell(4, 2), QString("PM5"));
    h.type("10.15");
    h.type("-");
    QCOMPARE(h.editor->text(), QString("-10.15"));
    h.key(Qt::Key_Return);
    QCOMPARE(h.cell(4, 3), QString("190.1500"));
    // Enter on an empty distance takes the row above's.
    h.key(Qt::Key_Return);
    QCOMPARE(h.cell(4, 4), QString("No Data"));

    // 999 and F5 are both "No Data".
    h.enter("7");
    h.enter("999");
    QCOMPARE(h.cell(5, 3), QString("No Data"));
    h.key(Qt::Key_F5);
    QCOMPARE(h.cell(5, 4), QString("No Data"));
    QVERIFY(h.rows().chkChange);
    QVERIFY(!h.window->editorVisible());
    QCOMPARE(h.desktop().messages().size(), size_t(0));
}

void TestTraverseEntry::invalidEntriesAreRefusedAndTheCellKept() {
    TraverseHarness h;
    QVERIFY(h.window->openConnections());

    // Nothing to copy from in row 1: Enter on the empty From does nothing.
    h.key(Qt::Key_Return);
    QCOMPARE(h.cell(1, 1), QString());
    QCOMPARE(h.currentCol(), 1);
    for (const char* label : {"PM0", "PM", "X12"}) {
        h.enter(label);
        QCOMPARE(h.cell(1, 1), QString());
        QCOMPARE(h.currentCol(), 1);
        QVERIFY(h.editor->text().isEmpty());
    }
    QCOMPARE(h.desktop().messages().size(), size_t(0)); // point labels are refused silently

    h.enter("1");
    // "-" on To needs a From above 1.
    h.type("-");
    QCOMPARE(h.cell(1, 2), QString());
    QCOMPARE(h.currentCol(), 2);
    h.enter("50");

    // An invalid bearing: the critical message, the cell unchanged, the cursor kept.
    h.enter("45.7");
    QCOMPARE(h.cell(1, 3), QString());
    QCOMPARE(h.currentCol(), 3);
    const DesktopCall refused = h.desktop().lastMessage();
    QCOMPARE(refused.text, QString("Invalid bearing"));
    QCOMPARE(refused.title, QString("Traverse input error"));
    QCOMPARE(refused.icon, Icon::Critical);
    QVERIFY(!h.window->editorVisible());
    // A radius can only come from the curve window.
    h.enter("R12");
    QCOMPARE(h.cell(1, 3), QString());
    QCOMPARE(h.desktop().messages().size(), size_t(2));
    h.enter("361");
    QCOMPARE(h.cell(1, 3), QString());
    h.enter("359.5959");
    QCOMPARE(h.cell(1, 3), QString("359.5959"));
}

// Lines of the plan fill the row as soon as its To is known: the stored bearing forwards,
// the back bearing backwards, an arc's radius unturned; the row links to the stored line.
void TestTraverseEntry::knownLinesFillThemselvesInBothDirections() {
    TraverseHarness h;
    QVERIFY(h.window->openConnections());
    h.enter("1");
    h.enter("2");
    QCOMPARE(h.rowCells(1), QStringList({"1", "2", "14.1856", "36.024"}));
    QCOMPARE(h.cell(1, 0), QString("0"));
    QCOMPARE(h.currentRow(), 2);
    QCOMPARE(h.currentCol(), 2);

    h.enter("1");
    QCOMPARE(h.rowCells(2), QStringList({"2", "1", "194.1856", "36.024"}));
    QCOMPARE(h.cell(2, 0), QString("0"));

    // Back to the From of the new row with the arrow key, to start at the arc's end.
    QCOMPARE(h.currentRow(), 3);
    h.key(Qt::Key_Left);
    QCOMPARE(h.currentCol(), 1);
    h.enter("3");
    h.enter("20");
    QCOMPARE(h.cell(3, 3).left(1), QString("R"));
    QCOMPARE(h.cell(3, 3).mid(1).toDouble(), 12.0);
    QCOMPARE(h.cell(3, 4), QString("19.269"));
    QCOMPARE(h.cell(3, 0), QString("16"));
    // The link column is fixed: the cursor never rests on it.
    h.key(Qt::Key_Home);
    QVERIFY(h.currentCol() >= 1);
}

void TestTraverseEntry::editLinesModeStartsEachRowAtItsFrom() {
    TraverseHarness h;
    QVERIFY(h.window->openEditLines());
    QCOMPARE(h.window->windowTitle(), QString("Edit Lines"));
    QCOMPARE(h.rows().dataRows(), 34);
    QCOMPARE(h.rowCells(17), QStringList({"20", "3", "R12.000", "19.269"}));
    QCOMPARE(h.rowCells(33), QStringList({"4", "PM1234", "304.1447", "18.361"}));
    // The window owns the lines while it is open; a backup of the file was made first.
    QVERIFY(!h.host.state.chkArray);
    QVERIFY(h.host.state.PlanLines.empty());
    QVERIFY(QFile::exists(h.file(".~ns")));
    QVERIFY(!h.window->findChild<QPushButton*>("cmdClosure")->isEnabled());

    h.clickCell(34, 4);
    h.key(Qt::Key_Down);
    QCOMPARE(h.currentRow(), 34);
    h.tool("Insert");
    QCOMPARE(h.rows().dataRows(), 35);
    QCOMPARE(h.cell(34, 1), QString("PM1234"));
    h.key(Qt::Key_Left);
    h.enter("60");
    h.enter("61");
    h.enter("10");
    h.enter("5");
    // Edit-lines rows are independent lines: the next row's From is left empty.
    QCOMPARE(h.currentRow(), 35);
    QCOMPARE(h.currentCol(), 1);
    QCOMPARE(h.rowCells(34), QStringList({"60", "61", "10.0000", "5.000"}));
    QCOMPARE(h.rowCells(35), QStringList({"1", "SSM56", "241.2458", "14.817"}));
}

// An arrow key or a click on another cell while the editor is open keeps what was typed,
// checked as Enter checks it, without the moves of Enter.
void TestTraverseEntry::leavingACellWhileEditingCommitsIt() {
    TraverseHarness h;
    QVERIFY(h.window->openConnections());
    h.enter("100");
    h.enter("101");
    h.enter("45.3");
    h.enter("10");
    QCOMPARE(h.currentRow(), 2);

    h.type("102");
    h.key(Qt::Key_Up);
    QVERIFY(!h.window->editorVisible());
    QCOMPARE(h.cell(2, 2), QString("102"));
    QCOMPARE(h.currentRow(), 1);
    QCOMPARE(h.currentCol(), 2);
    QCOMPARE(h.rows().dataRows(), 2);

    // An invalid bearing left with Down is refused: the same message as Enter gives.
    h.key(Qt::Key_Right);
    QCOMPARE(h.currentCol(), 3);
    h.type("45.7");
    h.key(Qt::Key_Down);
    QCOMPARE(h.cell(1, 3), QString("45.3000"));
    QCOMPARE(h.currentRow(), 2);
    QCOMPARE(h.desktop().lastMessage().text, QString("Invalid bearing"));
    QCOMPARE(h.desktop().lastMessage().icon, Icon::Critical);

    // A click elsewhere commits by the column's rules too.
    h.type("-30");
    h.clickCell(1, 4);
    QCOMPARE(h.cell(2, 3), QString("210.0000"));
    QCOMPARE(h.currentRow(), 1);
    QCOMPARE(h.currentCol(), 4);
    h.type("2+3");
    h.clickCell(2, 4);
    QCOMPARE(h.cell(1, 4), QString("5.000"));
    QCOMPARE(h.rows().dataRows(), 2);
}

void TestTraverseEntry::escapeStepsBackFromTheEnd() {
    TraverseHarness h;
    QVERIFY(h.window->openConnections());
    h.enter("100");
    h.enter("101");
    h.enter("45.3");
    h.enter("10");
    QCOMPARE(h.currentRow(), 2);
    QCOMPARE(h.currentCol(), 2);
    // Escape in the editor drops what was typed; on an empty cell at the end it steps back:
    // from the new row's To to the row above's distance, emptied.
    h.type("55");
    h.key(Qt::Key_Escape);
    QCOMPARE(h.rows().dataRows(), 1);
    QCOMPARE(h.currentCol(), 4);
    QCOMPARE(h.cell(1, 4), QString());
    h.key(Qt::Key_Escape);
    QCOMPARE(h.currentCol(), 3);
    QCOMPARE(h.cell(1, 3), QString());
    h.key(Qt::Key_Escape);
    QCOMPARE(h.currentCol(), 2);
    QCOMPARE(h.cell(1, 2), QString());
}

void TestTraverseEntry::toolbarInsertAndDelete() {
    TraverseHarness h;
    QVERIFY(h.window->openParcel("AL2"));
    QCOMPARE(h.rows().dataRows(), 4);
    QCOMPARE(h.rowCells(1), QStringList({"21", "5", "12.1840", "40.324"}));

    // Insert at row 3: an empty row taking the From from the row above, cursor on its To.
    h.clickCell(3, 1);
    h.tool("Insert");
    QCOMPARE(h.rows().dataRows(), 5);
    QCOMPARE(h.rowCells(3), QStringList({"6", "", "", ""}));
    QCOMPARE(h.currentCol(), 2);
    QVERIFY(h.rows().chkChange);

    h.tool("Delete");
    QCOMPARE(h.rows().dataRows(), 4);
    QCOMPARE(h.rowCells(3), QStringList({"6", "22", "192.1840", "40.654"}));

    // Deleting a row taken from the lines marks the stored line deleted until saved.
    h.clickCell(1, 2);
    h.tool("Delete");
    QCOMPARE(h.rows().dataRows(), 3);
    QVERIFY(h.host.state.PlanLines[14].Distance < 0);

    // "+Point" acts on the To column only.
    h.clickCell(1, 1);
    h.tool("Increment");
    QCOMPARE(h.cell(1, 1), QString("5"));
    h.tool("Delete");
    h.tool("Delete");
    h.tool("Delete"); // one row left: Delete does nothing
    QCOMPARE(h.rows().dataRows(), 1);
}

void TestTraverseEntry::calculatorAnswerIsCommittedToTheCell() {
    TraverseHarness h;
    QVERIFY(h.window->openConnections());
    h.enter("100");
    h.enter("101");
    bool bearingMode = false;
    QTimer::singleShot(0, [&] {
        frmOrvaCalc* calc = h.host.calculator();
        QVERIFY(calc->isVisible());
        bearingMode = calc->findChild<QCheckBox*>("chkBearing")->isChecked();
        QTest::keyClicks(calc->findChild<QLineEdit*>("Text1"), "12.3");
        calc->findChild<QPushButton*>("cmdEquals")->click();
    });
    h.key(Qt::Key_F9);
    QVERIFY(bearingMode);
    QCOMPARE(h.cell(1, 3), QString("12.3000"));
    QCOMPARE(h.currentCol(), 4);

    // An empty display leaves the cell as it was.
    QTimer::singleShot(0, [&] {
        frmOrvaCalc* calc = h.host.calculator();
        bearingMode = calc->findChild<QCheckBox*>("chkBearing")->isChecked();
        calc->reject();
    });
    h.tool("Calculator");
    QVERIFY(!bearingMode);
    QCOMPARE(h.cell(1, 4), QString());
    QCOMPARE(h.currentCol(), 4);
}

void TestTraverseEntry::findWrapsAroundTheGrid() {
    TraverseHarness h;
    QVERIFY(h.window->openEditLines());
    auto* find = h.window->findChild<QLineEdit*>("txtFind");
    auto* byDistance = h.window->findChild<QRadioButton*>("optDistance");
    byDistance->setChecked(true);
    find->setText("27.5");
    h.click("cmdFind");
    QCOMPARE(h.currentRow(), 19);
    QCOMPARE(h.currentCol(), 4);
    h.click("cmdFind");
    QCOMPARE(h.currentRow(), 21);
    h.click("cmdFind");
    QCOMPARE(h.currentRow(), 19);

    // A point is looked for in the To column, then the From column, from the row after the
    // current one round to the row before it.
    h.window->findChild<QRadioButton*>("optPointNo")->setChecked(true);
    h.clickCell(34, 1);
    find->setText("pm1234");
    h.click("cmdFind");
    QCOMPARE(h.currentRow(), 33);
    QCOMPARE(h.currentCol(), 2);
    find->setText("555556");
    h.click("cmdFind");
    QCOMPARE(h.currentRow(), 33);
    QCOMPARE(h.desktop().lastMessage().text, QString("Nothing found"));
    QCOMPARE(h.desktop().lastMessage().title, QString("Find Text"));
    find->setText("SSM56");
    h.click("cmdFind");
    QCOMPARE(h.currentRow(), 34);

    // A match out of sight comes to the top of the grid.
    h.window->resize(640, 320);
    QCoreApplication::processEvents();
    h.clickCell(1, 1);
    QVERIFY(h.grid->rowAt(h.grid->viewport()->height() - 1) < 18);
    byDistance->setChecked(true);
    find->setText("27.500");
    h.click("cmdFind");
    QCOMPARE(h.currentRow(), 19);
    QCOMPARE(h.grid->rowAt(0), 18);

    find->clear();
    h.click("cmdFind");
    QCOMPARE(h.desktop().lastMessage().text, QString("Nothing to find"));
    QCOMPARE(h.desktop().lastMessage().title, QString("Find error"));
}

QTEST_MAIN(TestTraverseEntry)
#include "tst_traverseentry.moc"
