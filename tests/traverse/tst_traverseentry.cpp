// Typing a traverse into the grid through key events: the keys, known lines filling
// themselves in, leaving a cell while editing, the calculator and Find.

#include "traverseharness.h"

#include <QHeaderView>
#include <QLabel>
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
    void closurePanelFollowsTheRows();
    void windowFitsAScreenWithEveryToolAndKeyInReach();
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
    // Every column shows whole, and the grid has no room beside its columns.
    QCOMPARE(h.grid->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(header->length(), h.grid->viewport()->width());
    QVERIFY(h.window->geometry().bottom() <= screen.bottom());

    // Widened by the user, the grid follows and the distances take the room.
    const int distanceWidth = header->sectionSize(4);
    h.window->resize(h.window->width() + 50, 500);
    QTRY_COMPARE(header->sectionSize(4), distanceWidth + 50);
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
        QVERIFY2(other.width() <= screen.width(), stored);
        QVERIFY2(other.height() >= fitted.height(), stored);
    }
    // A stored size larger than the screen is brought within it.
    h.desktop().setSetting("Windows", "Traverse", "5000x5000");
    frmTraverse large(h.host);
    QVERIFY(large.width() <= screen.width() && large.height() <= screen.height());
}

// The panel beside the grid follows every change of the rows, and the accuracy class.
void TestTraverseEntry::closurePanelFollowsTheRows() {
    TraverseHarness h;
    QVERIFY(h.window->openNewParcel(QStringLiteral("AL9"), false));
    auto* verdict = h.window->findChild<QLabel*>(QStringLiteral("lblVerdict"));
    auto text = [&](const char* name) {
        return h.window->findChild<QLabel*>(QLatin1String(name))->text();
    };
    auto colour = [&] { return verdict->palette().color(QPalette::WindowText); };
    const QColor grey(0x60, 0x60, 0x60), green(0x00, 0x80, 0x00), red(0xC0, 0x00, 0x00);
    QCOMPARE(verdict->text(), QStringLiteral("Not enough data to close"));

    // A square of 100 m, typed; the last side 10 mm long.
    h.enter({"501", "502", "0", "100", "503", "90", "100", "504", "180", "100"});
    QCOMPARE(verdict->text(), QStringLiteral("Not closed: ends at 504, not at 501"));
    QCOMPARE(colour(), grey);
    QCOMPARE(text("lblRatio"), QStringLiteral("-"));
    h.enter({"501", "270", "100.01"});
    QCOMPARE(text("lblRatio"), QStringLiteral("1 in 40001"));
    QCOMPARE(text("lblClosingBearing"), QStringLiteral("90.0000"));
    QCOMPARE(text("lblClosingDistance"), QStringLiteral("0.010"));
    QCOMPARE(text("lblAllowable"), QStringLiteral("0.040"));
    QCOMPARE(text("lblArea"), QStringLiteral("1.000 ha"));
    QCOMPARE(verdict->text(), QStringLiteral("MISCLOSURE ACCEPTABLE"));
    QCOMPARE(colour(), green);

    // Another class, read when the user comes back from the main window.
    h.host.accuracy = QStringLiteral("no such class");
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(h.window.get(), &activation);
    QCOMPARE(text("lblAllowable"), QStringLiteral("0.000"));
    QCOMPARE(verdict->text(), QStringLiteral("MISCLOSURE NOT ACCEPTABLE"));
    QCOMPARE(colour(), red);

    // Corrected to close exactly: "exact", acceptable under any class.
    h.clickCell(4, 4);
    h.key(Qt::Key_Return);
    h.editor->selectAll();
    h.enter({"100"});
    QCOMPARE(text("lblRatio"), QStringLiteral("exact"));
    QCOMPARE(verdict->text(), QStringLiteral("MISCLOSURE ACCEPTABLE"));

    // Undone, the panel goes back with the rows; a side deleted leaves data missing.
    QAction* undo = nullptr;
    for (QAction* action : h.window->findChildren<QAction*>())
        if (action->text().remove(QLatin1Char('&')).startsWith(QStringLiteral("Undo")))
            undo = action;
    QVERIFY(undo);
    undo->trigger();
    QCOMPARE(text("lblRatio"), QStringLiteral("1 in 40001"));
    h.clickCell(2, 3);
    h.key(Qt::Key_F5);
    QCOMPARE(verdict->text(), QStringLiteral("No bearing in line 2"));
    QCOMPARE(text("lblArea"), QStringLiteral("-"));
    QCOMPARE(colour(), grey);
}

// At 1366 x 768 nothing runs off the screen, every tool shows, and the keys are unambiguous.
void TestTraverseEntry::windowFitsAScreenWithEveryToolAndKeyInReach() {
    const QRect small(0, 0, 1366, 728); // a taskbar below
    QCOMPARE(frmTraverse::FitOnScreen(QRect(20, 20, 1500, 900), small), small);
    QCOMPARE(frmTraverse::FitOnScreen(QRect(1000, 500, 600, 400), small),
             QRect(766, 328, 600, 400));
    QCOMPARE(frmTraverse::FitOnScreen(QRect(13, 13, 700, 600), small), QRect(13, 13, 700, 600));

    TraverseHarness h;
    QVERIFY(h.window->openParcel(QStringLiteral("AL1")));
    QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
    const QSize least = h.window->minimumSizeHint();
    QVERIFY(least.width() <= small.width() && least.height() <= small.height());
    QVERIFY(h.window->screen()->availableGeometry().contains(h.window->frameGeometry()));
    // Undo and Redo are not hidden in the toolbar's overflow at the opening width.
    auto* toolbar = h.window->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
    for (QAction* action : toolbar->actions())
        if (!action->isSeparator())
            QVERIFY2(toolbar->widgetForAction(action) &&
                         toolbar->widgetForAction(action)->isVisible(),
                     qPrintable(action->text()));

    // No two buttons (nor the menu) share an access key.
    QStringList keys;
    for (QAbstractButton* button : h.window->findChildren<QAbstractButton*>()) {
        const QString text = button->text();
        const qsizetype amp = text.indexOf(QLatin1Char('&'));
        if (amp >= 0 && amp + 1 < text.size())
            keys << text.at(amp + 1).toLower();
    }
    keys << QStringLiteral("e"); // the Edit menu
    const QSet<QString> distinct(keys.begin(), keys.end());
    QCOMPARE(distinct.size(), keys.size());
    for (const char* name : {"cmdOK", "cmdFindError"})
        QVERIFY(h.window->findChild<QPushButton*>(QLatin1String(name))->text().contains('&'));

    // Tab: the grid, the closure panel, then the buttons from left to right.
    QStringList order;
    QWidget* w = h.grid;
    do {
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != h.grid && order.size() < 9);
    QCOMPARE(order.mid(0, 8), QStringList({"Grid1", "lblVerdict", "cmdOK", "cmdCancel",
                                           "cmdClosure", "cmdFindError", "cmdDraw", "cmdPrint"}));
}

QTEST_MAIN(TestTraverseEntry)
#include "tst_traverseentry.moc"
