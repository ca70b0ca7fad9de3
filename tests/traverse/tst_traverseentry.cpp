// Typing a traverse into the grid through key events: the keys, known lines filling
// themselves in, leaving a cell while editing, the calculator and Find.

#include "traverseharness.h"

#include <QHeaderView>
#include <QScreen>
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
    void typingRowByRowWithEnter();
    void knownLinesFillThemselvesIn();
    void leavingACellWhileEditingCommitsIt();
    void calculatorAnswerIsCommittedToTheCell();
    void findWrapsAroundTheGrid();
    void windowFitsItsGridAndKeepsTheUsersSize();
};

void TestTraverseEntry::typingRowByRowWithEnter() {
    TraverseHarness h;
    QVERIFY(h.window->openConnections());
    QCOMPARE(h.window->windowTitle(), QString("Add Connection Lines - D20417"));
    h.enter({"100"});
    QCOMPARE(h.currentCol(), 2);
    h.type("+"); // "+" on an empty To cell: the next point up
    QCOMPARE(h.cell(1, 2), QString("101"));
    QCOMPARE(h.currentCol(), 3);
    h.type("45.3-"); // "-" typed inside the editor goes in front
    QCOMPARE(h.editor->text(), QString("-45.3"));
    h.enter({"", "10.5+2.25-1"});
    QCOMPARE(h.rowCells(1), QStringList({"100", "101", "225.3000", "11.750"}));

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
    h.enter({"45.3"});
    QCOMPARE(h.cell(2, 3), QString("225.3000"));
    h.key(Qt::Key_F5); // "No Data"
    QCOMPARE(h.cell(2, 4), QString("No Data"));
    QVERIFY(h.rows().chkChange);
    QVERIFY(!h.window->editorVisible());
    QVERIFY(h.desktop().messages().empty());
}

// Lines of the plan fill the row as soon as its To is known, the stored bearing forwards and
// the back bearing backwards; the row links to the stored line.
void TestTraverseEntry::knownLinesFillThemselvesIn() {
    TraverseHarness h;
    QVERIFY(h.window->openConnections());
    h.enter({"1", "2"});
    QCOMPARE(h.rowCells(1), QStringList({"1", "2", "14.1856", "36.024"}));
    QCOMPARE(h.cell(1, 0), QString("0"));
    QCOMPARE(h.currentRow(), 2);
    QCOMPARE(h.currentCol(), 2);
    h.enter({"1"});
    QCOMPARE(h.rowCells(2), QStringList({"2", "1", "194.1856", "36.024"}));
    QCOMPARE(h.cell(2, 0), QString("0"));
}

// An arrow key or a click on another cell while the editor is open keeps what was typed,
// checked as Enter checks it, without the moves of Enter.
void TestTraverseEntry::leavingACellWhileEditingCommitsIt() {
    TraverseHarness h;
    QVERIFY(h.window->openConnections());
    h.enter({"100", "101", "45.3", "10"});
    h.type("102");
    h.key(Qt::Key_Up);
    QVERIFY(!h.window->editorVisible());
    QCOMPARE(h.cell(2, 2), QString("102"));
    QCOMPARE(h.currentRow(), 1);
    QCOMPARE(h.currentCol(), 2);

    // An invalid bearing left with Down is refused with the message Enter gives.
    h.key(Qt::Key_Right);
    h.type("45.7");
    h.key(Qt::Key_Down);
    QCOMPARE(h.cell(1, 3), QString("45.3000"));
    QCOMPARE(h.currentRow(), 2);
    QCOMPARE(h.desktop().lastMessage().text, QString("Invalid bearing"));
    QCOMPARE(h.desktop().lastMessage().title, QString("Traverse input error"));
    QCOMPARE(h.desktop().lastMessage().icon, Icon::Critical);

    // A click elsewhere commits by the column's rules too.
    h.type("-30");
    h.clickCell(1, 4);
    QCOMPARE(h.cell(2, 3), QString("210.0000"));
    QCOMPARE(h.currentRow(), 1);
    QCOMPARE(h.currentCol(), 4);
    QCOMPARE(h.rows().dataRows(), 2);
}

// F9 and the toolbar open the calculator modal, in bearing mode on a bearing cell.
void TestTraverseEntry::calculatorAnswerIsCommittedToTheCell() {
    TraverseHarness h;
    QVERIFY(h.window->openConnections());
    h.enter({"100", "101"});
    bool bearingMode = false;
    QTimer::singleShot(0, [&] {
        frmOrvaCalc* calc = h.host.calculator();
        QVERIFY(calc->isModal());
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
        bearingMode = h.host.calculator()->findChild<QCheckBox*>("chkBearing")->isChecked();
        h.host.calculator()->reject();
    });
    h.tool("Calculator");
    QVERIFY(!bearingMode);
    QCOMPARE(h.cell(1, 4), QString());
}

void TestTraverseEntry::findWrapsAroundTheGrid() {
    TraverseHarness h;
    QVERIFY(h.window->openEditLines());
    auto* find = h.window->findChild<QLineEdit*>("txtFind");
    h.window->findChild<QRadioButton*>("optDistance")->setChecked(true);
    find->setText("27.5");
    for (int row : {19, 21, 19}) {
        h.click("cmdFind");
        QCOMPARE(h.currentRow(), row);
        QCOMPARE(h.currentCol(), 4);
    }
    h.window->findChild<QRadioButton*>("optPointNo")->setChecked(true);
    find->setText("555556");
    h.click("cmdFind");
    QCOMPARE(h.currentRow(), 19);
    QCOMPARE(h.desktop().lastMessage().text, QString("Nothing found"));
    QCOMPARE(h.desktop().lastMessage().title, QString("Find Text"));
}

// The window opens as wide as its grid's columns, not across the screen; the size the user
// leaves it at is kept and given to the next window, and a stored size that is no size is
// passed over.
void TestTraverseEntry::windowFitsItsGridAndKeepsTheUsersSize() {
    TraverseHarness h;
    QVERIFY(h.window->openConnections());
    QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
    const QRect screen = h.window->screen()->availableGeometry();
    QHeaderView* header = h.grid->horizontalHeader();
    QVERIFY(h.window->width() < screen.width() * 3 / 4);
    // Every column shows whole, and the grid has no room beside its columns.
    QCOMPARE(h.grid->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(header->length(), h.grid->viewport()->width());
    QVERIFY(h.window->geometry().bottom() <= screen.bottom());

    // Widened by the user, the grid follows and the distances take the room.
    const int distanceWidth = header->sectionSize(4);
    h.window->resize(h.window->width() + 150, 500);
    QTRY_COMPARE(header->sectionSize(4), distanceWidth + 150);
    const QSize chosen = h.window->size();
    h.click("cmdCancel");
    QVERIFY(!h.window->isVisible());
    QCOMPARE(h.desktop().setting("Windows", "Traverse", QString()),
             QStringLiteral("%1x%2").arg(chosen.width()).arg(chosen.height()));

    frmTraverse next(h.host);
    QCOMPARE(next.size(), chosen);

    const QSize fitted = h.window->minimumSizeHint();
    for (const char* stored : {"600", "0x0", "50x400", "600x-5", "99999999x600", "wide"}) {
        h.desktop().setSetting("Windows", "Traverse", QLatin1String(stored));
        frmTraverse other(h.host);
        QVERIFY2(other.width() < screen.width() * 3 / 4, stored);
        QVERIFY2(other.height() >= fitted.height(), stored);
    }
    // A stored size larger than the screen is brought within it.
    h.desktop().setSetting("Windows", "Traverse", "5000x5000");
    frmTraverse large(h.host);
    QVERIFY(large.width() <= screen.width() && large.height() <= screen.height());
}

QTEST_MAIN(TestTraverseEntry)
#include "tst_traverseentry.moc"
