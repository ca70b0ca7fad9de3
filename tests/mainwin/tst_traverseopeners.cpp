// The main window's ways into the traverse window: a parcel from the list, a new parcel,
// connection lines and the whole lines file; and the traverse window giving way when the
// plan changes under it.
#include "mainwinharness.h"

#include "core/edits/parcelcmds.h"
#include "core/files/polygons.h"
#include "mainwin/frmparcel.h"
#include "traverse/frmtraverse.h"

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>

using namespace corvane;
using namespace corvane::testing;

namespace {

struct Opened : OpenedSample {
    frmTraverse* traverse = h->window->findChild<frmTraverse*>();

    void select(const QString& identifier) const {
        auto* list = h->find<QListWidget>(QStringLiteral("lstParcels"));
        const auto found = list->findItems(identifier, Qt::MatchExactly);
        list->setCurrentItem(found.first());
    }
    // Types into the traverse window's grid as the user would.
    void type(const QString& text) const {
        auto* grid = traverse->findChild<QTableView*>(QStringLiteral("Grid1"));
        auto* editor = traverse->findChild<QLineEdit*>(QStringLiteral("ttext"));
        for (QChar ch : text) {
            QWidget* target = traverse->editorVisible() ? static_cast<QWidget*>(editor) : grid;
            if (ch == QLatin1Char('\n'))
                QTest::keyClick(target, Qt::Key_Return);
            else
                QTest::keyClick(target, ch.toLatin1());
        }
    }
};

} // namespace

class TraverseOpenersTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Enter on the list opens the selected parcel as a double click does; an assistive tool
    // selects a parcel through the list's accessibility interface.
    void enterAndAccessibilitySelectAndOpenAParcel() {
        Opened o;
        QVERIFY(o.traverse);
        auto* list = o.h->find<QListWidget>(QStringLiteral("lstParcels"));
        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(list);
        QVERIFY(access);
        QAccessibleTableInterface* table = access->tableInterface();
        QVERIFY(table);
        const int row = static_cast<int>(kSampleParcels.indexOf("AL2"));
        QVERIFY(table->selectRow(row));
        QCOMPARE(list->selectedItems().size(), 1);
        QCOMPARE(list->selectedItems().first()->text(), QStringLiteral("AL2"));
        QAccessibleInterface* cell = table->cellAt(row, 0);
        QVERIFY(cell && cell->text(QAccessible::Name) == QStringLiteral("AL2"));
        QVERIFY(cell->state().selected);
        // The cell's own action selects it too (the way a screen reader picks an entry).
        QAccessibleInterface* other = table->cellAt(0, 0);
        QVERIFY(other && other->actionInterface());
        other->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(list->selectedItems().size(), 1);
        QCOMPARE(list->selectedItems().first()->text(), QStringLiteral("OB1"));
        QVERIFY(table->selectRow(row));

        list->setCurrentItem(list->selectedItems().first());
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(o.traverse->isVisible());
        QCOMPARE(QString::fromStdString(o.traverse->grid().caption), QStringLiteral("AL2"));
    }

    // OK stores the area the closure computed, to a tenth of a square metre, never the
    // hectares the area window shows: an unchanged parcel stored as 1113.4 m² keeps its
    // heading without a question (it was once asked "Change area to 1113 m² ?", Yes first,
    // and stored as 1113), and a changed one gets its new area to the tenth.
    void okStoresTheComputedAreaNotItsDisplay() {
        Opened o;
        QVERIFY(o.traverse);
        const QByteArray polygons = ReadText(o.file(".ply"));
        QVERIFY(polygons.contains("\"AL2\",1113.4,\"C\"\r\n"));
        o.select(QStringLiteral("AL2"));
        o.h->trigger(QStringLiteral("mnuEditParcel"));
        o.h->desktop.clearRecords();
        o.traverse->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        QVERIFY(!o.traverse->isVisible());
        QCOMPARE(o.h->desktop.messages().size(), size_t(1));
        QCOMPARE(o.h->desktop.lastMessage().title, QStringLiteral("Closure results for AL2"));
        QCOMPARE(ReadText(o.file(".ply")), polygons);

        // The line 21-5 one decimetre longer: the question offers the new area, Yes stores it.
        o.h->trigger(QStringLiteral("mnuEditParcel"));
        auto* grid = o.traverse->findChild<QTableView*>(QStringLiteral("Grid1"));
        const QRect cell = grid->visualRect(grid->model()->index(0, ColDistance));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        o.type(QStringLiteral("40.424\n"));
        o.h->desktop.clearRecords();
        o.h->desktop.answers = {Answer::Ok, Answer::Yes};
        o.traverse->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        QVERIFY(!o.traverse->isVisible());
        const auto shown = o.h->desktop.messages();
        QCOMPARE(shown.size(), size_t(2));
        QCOMPARE(shown[1].title, QStringLiteral("Update parcel"));
        PlanState fresh;
        fresh.PlanPath = o.h->plan.PlanPath;
        const auto recalculated = Recalc(fresh, "AL2");
        QVERIFY(recalculated);
        const double area = recalculated.value().Area;
        QVERIFY2(area != std::round(area), "a whole figure proves nothing here");
        QCOMPARE(shown[1].text, QStringLiteral("Change area to ") + fromCore(FormatArea(area, 0)) +
                                    QStringLiteral(" ?"));
        const QString heading = QStringLiteral("\"AL2\",%1,\"C\"").arg(area, 0, 'f', 1);
        QVERIFY2(ReadText(o.file(".ply")).contains(heading.toLatin1() + "\r\n"),
                 qPrintable(heading));
    }

    // Double-click, Edit > Parcel... and View > Parcel... show the parcel's lines in order.
    void openingAParcelFillsTheGridFromThePolygonsFile() {
        Opened o;
        QVERIFY(o.traverse);
        o.select(QStringLiteral("AL1"));
        auto* list = o.h->find<QListWidget>(QStringLiteral("lstParcels"));
        emit list->itemDoubleClicked(list->currentItem());
        QVERIFY(o.traverse->isVisible());
        QCOMPARE(o.traverse->windowTitle(), QStringLiteral("AL1 - D20417"));
        const TraverseGrid& grid = o.traverse->grid();
        QVERIFY(grid.chkParcel);
        QVERIFY(!grid.chkEdit);
        // AL1 walks 3-4-5-...-20-3: one row per pair, starting at its first point.
        QCOMPARE(QString::fromStdString(grid.cell(1, ColFrom)), QStringLiteral("3"));
        QCOMPARE(grid.cell(grid.dataRows(), ColTo), std::string("3"));
        QVERIFY(o.h->desktop.messages().empty());

        o.traverse->hide();
        o.select(QStringLiteral("RD1"));
        o.h->trigger(QStringLiteral("mnuEditParcel"));
        QCOMPARE(o.traverse->windowTitle(), QStringLiteral("RD1 - D20417"));
        o.traverse->hide();
        o.h->trigger(QStringLiteral("mnuViewParcel"));
        QCOMPARE(o.traverse->windowTitle(), QStringLiteral("RD1 - D20417"));
    }

    void parcelCommandsWithoutASelectionAreRefused() {
        Opened o;
        o.h->find<QListWidget>(QStringLiteral("lstParcels"))->clearSelection();
        o.h->trigger(QStringLiteral("mnuEditParcel"));
        o.h->trigger(QStringLiteral("mnuViewParcel"));
        QCOMPARE(o.h->messages(),
                 QStringList({QStringLiteral("Edit Parcel error: You must select a parcel from "
                                             "the list"),
                              QStringLiteral("View Parcel error: You must select a parcel")}));
        QVERIFY(!o.traverse->isVisible());
    }

    // New Parcel: the dialog names the parcel, then the traverse window starts it empty.
    void newParcelOpensAnEmptyTraverseNamedByTheDialog() {
        Opened o;
        QTimer::singleShot(0, [&] {
            auto* dialog = o.h->window->findChild<frmParcel*>();
            QVERIFY(dialog && dialog->isVisible());
            dialog->findChild<QComboBox*>(QStringLiteral("cboParcelType"))
                ->setCurrentText(QStringLiteral("Allotment"));
            auto* id = dialog->findChild<QLineEdit*>(QStringLiteral("txtIdentifier"));
            id->setText(QStringLiteral("8"));
            QTest::keyClick(id, Qt::Key_Return);
        });
        o.h->click(QStringLiteral("cmdNewParcel"));
        QVERIFY(o.traverse->isVisible());
        QCOMPARE(o.traverse->windowTitle(), QStringLiteral("AL8 - D20417"));
        QVERIFY(o.traverse->grid().chkParcel);
        QCOMPARE(o.traverse->grid().dataRows(), 1);
        QVERIFY(o.traverse->grid().cell(1, ColFrom).empty());
    }

    void connectionsAndEditLinesOpenTheirModes() {
        Opened o;
        o.h->click(QStringLiteral("cmdConnections"));
        QCOMPARE(o.traverse->windowTitle(), QStringLiteral("Add Connection Lines - D20417"));
        QVERIFY(!o.traverse->grid().chkParcel);
        QVERIFY(!o.traverse->grid().chkEdit);
        o.traverse->hide();

        const int lines = static_cast<int>(o.h->plan.PlanLines.size());
        o.h->trigger(QStringLiteral("mnuEditLines"));
        QCOMPARE(o.traverse->windowTitle(), QStringLiteral("Edit Lines - D20417"));
        QVERIFY(o.traverse->grid().chkEdit);
        QCOMPARE(o.traverse->grid().dataRows(), lines);
        // The traverse window owns the lines while it edits them.
        QVERIFY(!o.h->plan.chkArray);
        QVERIFY(QFile::exists(o.file(".~ns")));
    }

    // Opening another plan while connection lines are typed asks about them first; Yes stores
    // them as OK does, into the old plan only.
    void openingAnotherPlanCancelsTheTraverseIntoTheOldPlan() {
        Opened o;
        QTemporaryDir other;
        QVERIFY(CopySamplePlan(other.path(), QStringLiteral("D30001")));
        const QByteArray otherLines = ReadText(other.path() + QStringLiteral("/D30001.lns"));

        o.h->click(QStringLiteral("cmdConnections"));
        // Row 2 starts from the previous To, with the cursor in its To cell.
        o.type(QStringLiteral("30\n31\n45.3\n12.5\n32\n90\n7.25\n"));
        QCOMPARE(o.traverse->grid().dataRows(), 3);

        o.h->desktop.clearRecords();
        o.h->desktop.answers.push_back(Answer::Yes); // "... Save them ?"
        o.h->desktop.texts.push_back(other.path() + QStringLiteral("/D30001.lns"));
        o.h->trigger(QStringLiteral("mnuOpen"));

        QVERIFY(!o.traverse->isVisible());
        QCOMPARE(o.h->desktop.messages().size(), size_t(1));
        QCOMPARE(o.h->desktop.lastMessage().text,
                 QStringLiteral("The traverse window (Add Connection Lines) holds changes that "
                                "are not saved.\nSave them ?"));
        QCOMPARE(o.h->desktop.lastMessage().title, QStringLiteral("Open CORVANE file"));
        const QByteArray oldLines = ReadText(o.file(".lns"));
        QVERIFY(oldLines.contains("30,31,45.3000,12.500\r\n"));
        QVERIFY(oldLines.contains("31,32,90.0000,7.250\r\n"));
        QCOMPARE(ReadText(other.path() + QStringLiteral("/D30001.lns")), otherLines);
        QCOMPARE(o.h->window->windowTitle(), other.path() + QStringLiteral("/D30001"));
    }
};

QTEST_MAIN(TraverseOpenersTest)
#include "tst_traverseopeners.moc"
