// Closing and storing a traverse through the window: the closure when the traverse closes,
// OK in each mode, Cancel, deleted lines, the right button on OK, the printed sheet, a failed
// backup, and the window closing with the plan.

#include "traverseharness.h"

#include <QStandardPaths>
#include <QtTest>

using namespace corvane;
using namespace corvane::testing;

class TestTraverseSave : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void closingOnTheFirstPointRunsTheClosure();
    void anticlockwiseParcelIsReversed();
    void okStoresAnEditedLinkedRow();
    void brokenSequenceSavesNothing();
    void deletedLinesAndCancelOrOk();
    void editLinesOkWritesTheGridInOrder();
    void rightButtonOkWritesTheGridsLinesFirst();
    void printedTraverseSheet();
    void closesWithThePlanOfferingTypedLines();
    void okWithAnUnreadableCurveFileStoresTheParcel();
};

namespace {

// The lines of one parcel's block in the polygons file, heading first.
QStringList ParcelBlock(const QString& polygonsFile, const QString& identifier) {
    QStringList block;
    bool inside = false;
    for (const QString& line : FileLines(polygonsFile)) {
        if (line.startsWith(QLatin1Char('"')))
            inside = line.startsWith(QLatin1Char('"') + identifier + QLatin1Char('"'));
        if (inside)
            block << line;
    }
    return block;
}

} // namespace

// A square typed clockwise: completing the row that ends on the first point closes the
// traverse without adding a row; OK then appends the new parcel and tells the main window.
void TestTraverseSave::closingOnTheFirstPointRunsTheClosure() {
    TraverseHarness h;
    QVERIFY(h.window->openNewParcel("AL9", false));
    h.enter({"200", "201", "0", "10", "202", "90", "10", "203", "180", "10"});
    QVERIFY(h.desktop().messages().empty());
    h.enter({"200", "270", "10"});
    QCOMPARE(h.rows().dataRows(), 4);
    QCOMPARE(h.desktop().messages().size(), size_t(1));
    QCOMPARE(h.desktop().lastMessage().title, QString("Closure results for AL9"));
    QVERIFY(h.desktop().lastMessage().text.endsWith("\nMISCLOSURE ACCEPTABLE"));

    const QStringList before = FileLines(h.file(".lns"));
    h.click("cmdOK");
    QVERIFY(!h.window->isVisible());
    QCOMPARE(h.host.added, QStringList({"AL9"}));
    QCOMPARE(h.host.selected, QString("AL9"));
    QCOMPARE(ParcelBlock(h.file(".ply"), "AL9"),
             QStringList({"\"AL9\",100,\"C\"", "200", "201", "202", "203", "200"}));
    QCOMPARE(FileLines(h.file(".lns")),
             before + QStringList({"200,201,0.0000,10.000", "201,202,90.0000,10.000",
                                   "202,203,180.0000,10.000", "203,200,270.0000,10.000"}));
}

void TestTraverseSave::anticlockwiseParcelIsReversed() {
    TraverseHarness h;
    QVERIFY(h.window->openNewParcel("AL8", false));
    h.desktop().answers = {Answer::Yes, Answer::Ok};
    h.enter({"300", "301", "90", "10", "302", "0", "10", "303", "270", "10", "300", "180", "10"});
    const auto shown = h.desktop().messages();
    QCOMPARE(shown.size(), size_t(2));
    QCOMPARE(shown[0].text, QString("This closure is anticlockwise\nFix it ?"));
    QCOMPARE(shown[0].buttons, Buttons::YesNo);
    // Rows reversed, From and To exchanged, bearings turned.
    QCOMPARE(h.rowCells(1), QStringList({"300", "303", "0.0000", "10.000"}));
    QCOMPARE(h.rowCells(2), QStringList({"303", "302", "90.0000", "10.000"}));
    QCOMPARE(h.rowCells(3), QStringList({"302", "301", "180.0000", "10.000"}));
    QCOMPARE(h.rowCells(4), QStringList({"301", "300", "270.0000", "10.000"}));
}

// A polygons file that cannot be backed up: the error is shown, and the window keeps the
// user's grid and leaves the file alone. Once it can, a bearing changed on a row whose
// stored line runs the other way is stored turned; the parcel keeps its points.
void TestTraverseSave::okStoresAnEditedLinkedRow() {
    TraverseHarness h;
    const QByteArray polygons = ReadFile(h.file(".ply"));
    QVERIFY(QDir().mkdir(h.file(".~ly")));
    QVERIFY(h.window->openParcel("AL2"));
    h.clickCell(1, 3);
    h.enter({"12.1841"});
    h.click("cmdOK");
    QVERIFY(h.window->isVisible());
    QCOMPARE(h.desktop().lastMessage().title, QString("Make backup error"));
    QCOMPARE(h.cell(1, 3), QString("12.1841"));
    QCOMPARE(ReadFile(h.file(".ply")), polygons);

    QVERIFY(QDir().rmdir(h.file(".~ly")));
    h.click("cmdOK");
    QVERIFY(!h.window->isVisible());
    const QStringList lines = FileLines(h.file(".lns"));
    QCOMPARE(lines.size(), 34);
    QCOMPARE(lines[14], QString("5,21,192.1841,40.324"));
    QCOMPARE(ParcelBlock(h.file(".ply"), "AL2").mid(1), QStringList({"21", "5", "6", "22", "21"}));
    QVERIFY(h.host.added.isEmpty());
}

void TestTraverseSave::brokenSequenceSavesNothing() {
    TraverseHarness h;
    const QByteArray lines = ReadFile(h.file(".lns"));
    const QByteArray polygons = ReadFile(h.file(".ply"));
    QVERIFY(h.window->openParcel("AL2"));
    h.clickCell(2, 1);
    h.enter({"7"});
    h.click("cmdOK");
    QVERIFY(h.window->isVisible());
    QCOMPARE(h.messages(),
             QStringList({"Parcel error: Break in point sequence detected\nat point 7"}));
    QCOMPARE(ReadFile(h.file(".lns")), lines);
    QCOMPARE(ReadFile(h.file(".ply")), polygons);
}

// Cancel after Delete restores the line. OK after Delete: No keeps the line in the lines
// file, Yes drops it; the parcel loses the point either way.
void TestTraverseSave::deletedLinesAndCancelOrOk() {
    TraverseHarness h;
    const QByteArray original = ReadFile(h.file(".lns"));
    QVERIFY(h.window->openParcel("AL2"));
    h.clickCell(1, 2);
    h.tool("Delete");
    QCOMPARE(h.rows().dataRows(), 3);
    QVERIFY(h.host.state.PlanLines[14].Distance < 0);
    // Cancel asks about the changed rows; its own Cancel goes back to them, deletion kept.
    h.desktop().answers = {Answer::Cancel};
    h.click("cmdCancel");
    QVERIFY(h.window->isVisible());
    QCOMPARE(h.desktop().lastMessage().text, QString("Do you want to save the lines ?"));
    QCOMPARE(h.desktop().lastMessage().buttons, Buttons::YesNoCancel);
    QVERIFY(h.host.state.PlanLines[14].Distance < 0);
    QCOMPARE(h.rows().dataRows(), 3);
    h.desktop().answers = {Answer::No};
    h.click("cmdCancel");
    QVERIFY(!h.window->isVisible());
    QCOMPARE(h.host.state.PlanLines[14].Distance, 40.324);
    QCOMPARE(ReadFile(h.file(".lns")), original);
    h.desktop().calls.clear();

    QVERIFY(h.window->openParcel("AL2"));
    h.clickCell(1, 2);
    h.tool("Delete");
    h.desktop().answers = {Answer::No, Answer::Ok, Answer::Yes};
    h.click("cmdOK");
    QVERIFY(!h.window->isVisible());
    QCOMPARE(h.desktop().messages().front().text,
             QString("You have deleted points in this parcel.\nDo you wish to delete the line "
                     "data as well ?"));
    QCOMPARE(h.desktop().messages().front().title, QString("Delete Lines"));
    QVERIFY(FileLines(h.file(".lns")).contains("5,21,192.1840,40.324"));
    QCOMPARE(ParcelBlock(h.file(".ply"), "AL2").mid(1), QStringList({"5", "6", "22", "21"}));

    QVERIFY(h.window->openParcel("AL2"));
    h.clickCell(3, 2);
    h.tool("Delete");
    h.desktop().answers = {Answer::Yes, Answer::Ok, Answer::Yes};
    h.click("cmdOK");
    QVERIFY(!h.window->isVisible());
    const QStringList lines = FileLines(h.file(".lns"));
    QCOMPARE(lines.size(), 33);
    QVERIFY(!lines.contains("22,21,282.1840,27.500"));
    QCOMPARE(ParcelBlock(h.file(".ply"), "AL2").mid(1), QStringList({"5", "6", "22"}));
}

void TestTraverseSave::editLinesOkWritesTheGridInOrder() {
    TraverseHarness h;
    const QStringList original = FileLines(h.file(".lns"));
    QVERIFY(h.window->openEditLines());
    QCOMPARE(h.rows().dataRows(), 34);
    QVERIFY(QFile::exists(h.file(".~ns"))); // a backup was made first
    h.clickCell(1, 1);
    h.tool("Insert");
    h.key(Qt::Key_Left);
    h.enter({"50", "51", "10", "5"});
    // Edit-lines rows are independent lines: the next row's From is left empty.
    QCOMPARE(h.currentRow(), 2);
    QCOMPARE(h.currentCol(), 1);
    h.clickCell(3, 4);
    h.key(Qt::Key_F5);
    h.click("cmdOK");
    QVERIFY(!h.window->isVisible());
    QStringList expected = original;
    expected.removeAt(1); // the line whose distance became "No Data"
    expected.prepend("50,51,10.0000,5.000");
    QCOMPARE(FileLines(h.file(".lns")), expected);
}

void TestTraverseSave::rightButtonOkWritesTheGridsLinesFirst() {
    TraverseHarness h;
    const QStringList original = FileLines(h.file(".lns"));
    QVERIFY(h.window->openConnections());
    h.enter({"9", "10", "60", "10", "5"});
    QCOMPARE(h.cell(1, 0), QString("8"));
    h.click("cmdOK", Qt::RightButton);
    QVERIFY(!h.window->isVisible());
    QStringList expected = original;
    expected.removeAt(8);
    expected = QStringList({"9,10,191.0625,18.004", "10,60,10.0000,5.000"}) + expected;
    QCOMPARE(FileLines(h.file(".lns")), expected);

    // In parcel mode the right button does nothing.
    QVERIFY(h.window->openParcel("AL2"));
    h.click("cmdOK", Qt::RightButton);
    QVERIFY(h.window->isVisible());
}

void TestTraverseSave::printedTraverseSheet() {
    TraverseHarness h;
    QVERIFY(h.window->openParcel("AL2"));
    h.click("cmdPrint");
    const auto record = h.desktop().lastPrintout();
    QVERIFY(record && record->ended);
    QCOMPARE(record->fonts.front().name, QString("Liberation Serif"));
    QCOMPARE(record->fonts.front().size, 12.0);
    QCOMPARE(h.messages().last(), QString("CORVANE: Printed to Scripted printer"));

    const std::vector<std::string>& text = record->lines;
    QCOMPARE(QString::fromStdString(text[2]), QString(9, ' ') + "CLOSURE OF AL2 in " + h.base());
    QCOMPARE(text[5], std::string(9, ' ') + "Accuracy criterion = Surveyed Polygons");
    // Each row's figures start at their print-tab columns.
    const std::string& first = text[9];
    QCOMPARE(first.substr(9, 2), std::string("21"));
    QCOMPARE(first.substr(20, 1), std::string("5"));
    QCOMPARE(first.substr(30, 7), std::string("12.1840"));
    QCOMPARE(first.substr(51, 6), std::string("40.324"));
    QVERIFY(QString::fromStdString(record->text()).contains("\nMISCLOSURE ACCEPTABLE\n"));
    QVERIFY(!h.rows().chkChange);
}

// The window is one of the plan's windows: it tells the main window it holds unsaved rows
// (which asks about them before the plan changes, and then closes it without a question);
// the frame's close button cancels it, offering the lines for saving.
void TestTraverseSave::closesWithThePlanOfferingTypedLines() {
    TraverseHarness h;
    QCOMPARE(h.host.windows, std::vector<PlanWindow*>{h.window.get()});
    const QByteArray lines = ReadFile(h.file(".lns"));
    QVERIFY(h.window->openConnections());
    QVERIFY(!h.window->hasUnsavedEdits());
    h.enter({"100", "101", "45", "10"});
    QVERIFY(h.window->hasUnsavedEdits());
    h.host.windows.front()->closeForPlanChange();
    QVERIFY(!h.window->isPlanWindowOpen());
    QVERIFY(h.desktop().messages().empty());
    QCOMPARE(ReadFile(h.file(".lns")), lines);

    QVERIFY(h.window->openConnections());
    h.enter({"100", "101", "1", "5"});
    h.desktop().answers = {Answer::Yes};
    h.window->close();
    QVERIFY(!h.window->isVisible());
    QCOMPARE(FileLines(h.file(".lns")).last(), QString("100,101,1.0000,5.000"));
}

// The lines file is written before the closure reads the curve file: a curve file that
// cannot be read is reported once and the parcel is still stored, its arcs missing data.
void TestTraverseSave::okWithAnUnreadableCurveFileStoresTheParcel() {
    TraverseHarness h;
    QFile curves(h.file(".cve"));
    QVERIFY(curves.open(QIODevice::WriteOnly | QIODevice::Truncate));
    curves.write("not a curve record\r\n");
    curves.close();
    QVERIFY(h.window->openParcel("AL2"));
    h.clickCell(1, 3);
    h.enter({"12.1841"});
    h.click("cmdOK");
    QVERIFY(!h.window->isVisible());
    int reported = 0;
    for (const QString& message : h.messages())
        if (message.startsWith(QStringLiteral("Load curve data error: ")))
            ++reported;
    QCOMPARE(reported, 1);
    QCOMPARE(FileLines(h.file(".lns"))[14], QString("5,21,192.1841,40.324"));
    QCOMPARE(ParcelBlock(h.file(".ply"), "AL2").mid(1), QStringList({"21", "5", "6", "22", "21"}));
}

QTEST_MAIN(TestTraverseSave)
#include "tst_traversesave.moc"
