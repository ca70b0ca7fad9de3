// Undo and Redo in the line grids: a mixed run of edits taken back and done again restores
// the rows, their links, the lines marked deleted and the change flag exactly; no step reaches
// across OK or Cancel.
#include "traverseharness.h"

#include <QAction>

using namespace corvane;
using namespace corvane::testing;

namespace {

struct GridPicture {
    GridRows rows;
    std::vector<bool> linked;
    std::vector<bool> marked;
    bool changed = false;
    bool operator==(const GridPicture&) const = default;
};

GridPicture picture(const TraverseHarness& h) {
    GridPicture p;
    p.rows = h.rows().rows;
    for (const auto& link : h.rows().linkPairs)
        p.linked.push_back(link.has_value());
    for (const LineRecord& line : h.host.state.PlanLines)
        p.marked.push_back(line.Distance < 0);
    p.changed = h.rows().chkChange;
    return p;
}

} // namespace

class TestGridUndo : public QObject {
    Q_OBJECT

  private slots:
    void undoAndRedoRestoreEveryEdit() {
        TraverseHarness h;
        QVERIFY(h.window->openParcel("AL2"));
        QAction* undo = h.window->findChild<QAction*>(QStringLiteral("actUndo"));
        QAction* redo = h.window->findChild<QAction*>(QStringLiteral("actRedo"));
        QVERIFY(undo && redo && !undo->isEnabled());
        const GridPicture opened = picture(h);
        QVERIFY(!opened.changed);

        // A typed bearing, a deleted row (its line marked), an inserted row, F3 in it.
        h.clickCell(1, 3);
        h.enter({"12.1841"});
        const GridPicture typed = picture(h);
        h.clickCell(2, 2);
        h.tool("Delete");
        const GridPicture deleted = picture(h);
        QVERIFY(deleted.marked != typed.marked);
        h.clickCell(2, 1);
        h.tool("Insert");
        h.key(Qt::Key_F3);
        const GridPicture last = picture(h);

        std::vector<GridPicture> back;
        while (undo->isEnabled()) {
            undo->trigger();
            back.push_back(picture(h));
        }
        QVERIFY(back.size() >= 3);
        QCOMPARE(back.back(), opened); // the change flag clear again: Cancel would not ask
        QVERIFY(std::find(back.begin(), back.end(), deleted) != back.end());
        QVERIFY(std::find(back.begin(), back.end(), typed) != back.end());
        while (redo->isEnabled())
            redo->trigger();
        QCOMPARE(picture(h), last);

        // One step back and a new edit: the steps undone are gone.
        undo->trigger();
        h.clickCell(1, 4);
        h.enter({"40.5"});
        QVERIFY(!redo->isEnabled());

        // Cancel ends the run: opened again, there is nothing to undo.
        h.desktop().answers = {Answer::No};
        h.click("cmdCancel");
        QVERIFY(!h.window->isVisible());
        QVERIFY(h.window->openParcel("AL2"));
        QVERIFY(!undo->isEnabled());
        QCOMPARE(picture(h), opened);
    }

    // Find error (F6) lists the figures that would close the parcel; the one chosen is an
    // ordinary edit of its cell, which Undo takes back.
    void findErrorPutsTheChosenFigureInItsCell() {
        TraverseHarness h;
        QVERIFY(h.window->openParcel("AL2"));
        const QString entered = h.cell(1, 4);
        // One digit of the first distance a unit out: 40.324 booked as 50.324.
        h.clickCell(1, 4);
        h.enter({"50.324"});
        h.desktop().clearRecords();
        h.desktop().texts = {QStringLiteral("0")};
        h.clickCell(1, 1);
        h.key(Qt::Key_F6);
        const auto offered = h.desktop().callsOf(DesktopCall::Kind::ChooseItem);
        QVERIFY2(offered.size() == 1, qPrintable(h.messages().join("|")));
        QVERIFY2(offered.front().detail.startsWith("distance of 21–5 probably 40.324 (entered "
                                                   "50.324)"),
                 qPrintable(offered.front().detail));
        QCOMPARE(h.cell(1, 4), entered);
        h.window->findChild<QAction*>(QStringLiteral("actUndo"))->trigger();
        QCOMPARE(h.cell(1, 4), QStringLiteral("50.324"));
    }
};

QTEST_MAIN(TestGridUndo)
#include "tst_gridundo.moc"
