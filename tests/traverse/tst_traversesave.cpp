// Closing and storing a traverse: the closure report, OK in each mode, Cancel, deleted
// lines, the right button on OK, the printed sheet, and what a failed write leaves behind.

#include "traverseharness.h"

#include "platform/recordingprintjob.h"

#include <QStandardPaths>
#include <QtTest>

using namespace corvane;
using namespace corvane::testing;

class TestTraverseSave : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void closingOnTheFirstPointRunsTheClosure();
    void anticlockwiseParcelIsOfferedTheFix();
    void closureOutsideParcelModeGivesClosingDataOnly();
    void missingDataGivesAnApproximateArea();
    void okStoresAnEditedLinkedRow();
    void brokenSequenceSavesNothing();
    void deletedLinesAndCancel();
    void deletedLinesAndOk();
    void editLinesOkWritesTheGridInOrder();
    void rightButtonOkWritesTheGridsLinesFirst();
    void printedTraverseSheet();
    void failedPolygonsWriteKeepsTheWindow();
    void openingAgainCancelsTheUnsavedGrid();
};

namespace {

// Types one row after the From is in place: To, bearing, distance.
void typeLeg(TraverseHarness& h, const char* to, const char* bearing, const char* distance) {
    h.enter(to);
    h.enter(bearing);
    h.enter(distance);
}

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
// traverse without adding a row; OK then appends the new parcel and lists it.
void TestTraverseSave::closingOnTheFirstPointRunsTheClosure() {
    TraverseHarness h;
    QVERIFY(h.window->openNewParcel("AL9", false));
    QCOMPARE(h.window->windowTitle(), QString("AL9"));
    h.enter("200");
    typeLeg(h, "201", "0", "10");
    typeLeg(h, "202", "90", "10");
    typeLeg(h, "203", "180", "10");
    QVERIFY(h.desktop().messages().empty());
    typeLeg(h, "200", "270", "10");

    QCOMPARE(h.rows().dataRows(), 4);
    QCOMPARE(h.desktop().messages().size(), size_t(1));
    const DesktopCall report = h.desktop().lastMessage();
    QCOMPARE(report.title, QString("Closure results for AL9"));
    QVERIFY2(report.text.startsWith("Closure ratio = 1 in "), qPrintable(report.text));
    QVERIFY2(report.text.contains(QString::fromUtf8("\nArea = 100 m²")), qPrintable(report.text));
    QVERIFY(report.text.endsWith("\nMISCLOSURE ACCEPTABLE"));
    QVERIFY(h.rows().chkClosure);
    QCOMPARE(h.host.area.type, AreaDialog::AreaType::Calculated);
    QCOMPARE(h.host.area.area.toDouble() * 10000, 100.0);

    const QStringList before = FileLines(h.file(".lns"));
    h.click("cmdOK");
    QVERIFY(!h.window->isVisible());
    QCOMPARE(h.host.area.shown, 0);
    QCOMPARE(h.host.added, QStringList({"AL9"}));
    QCOMPARE(h.host.selected, QString("AL9"));
    QCOMPARE(ParcelBlock(h.file(".ply"), "AL9"),
             QStringList({"\"AL9\",100,\"C\"", "200", "201", "202", "203", "200"}));
    QCOMPARE(FileLines(h.file(".lns")),
             before + QStringList({"200,201,0.0000,10.000", "201,202,90.0000,10.000",
                                   "202,203,180.0000,10.000", "203,200,270.0000,10.000"}));
}

void TestTraverseSave::anticlockwiseParcelIsOfferedTheFix() {
    TraverseHarness h;
    QVERIFY(h.window->openNewParcel("AL8", false));
    h.desktop().answers = {Answer::Yes, Answer::Ok};
    h.enter("300");
    typeLeg(h, "301", "90", "10");
    typeLeg(h, "302", "0", "10");
    typeLeg(h, "303", "270", "10");
    typeLeg(h, "300", "180", "10");

    const auto shown = h.desktop().messages();
    QCOMPARE(shown.size(), size_t(2));
    QCOMPARE(shown[0].text, QString("This closure is anticlockwise\nFix it ?"));
    QCOMPARE(shown[0].title, QString("Closure calculation"));
    QCOMPARE(shown[0].icon, Icon::Question);
    QCOMPARE(shown[0].buttons, Buttons::YesNo);
    // Rows reversed, From and To exchanged, bearings turned; the area now positive.
    QCOMPARE(h.rowCells(1), QStringList({"300", "303", "0.0000", "10.000"}));
    QCOMPARE(h.rowCells(2), QStringList({"303", "302", "90.0000", "10.000"}));
    QCOMPARE(h.rowCells(3), QStringList({"302", "301", "180.0000", "10.000"}));
    QCOMPARE(h.rowCells(4), QStringList({"301", "300", "270.0000", "10.000"}));
    QVERIFY2(shown[1].text.contains(QString::fromUtf8("\nArea = 100 m²")),
             qPrintable(shown[1].text));

    // Declined, the traverse stays as typed and its area is reported negative.
    TraverseHarness h2;
    QVERIFY(h2.window->openNewParcel("AL8", false));
    h2.desktop().answers = {Answer::No, Answer::Ok};
    h2.enter("300");
    typeLeg(h2, "301", "90", "10");
    typeLeg(h2, "302", "0", "10");
    typeLeg(h2, "303", "270", "10");
    typeLeg(h2, "300", "180", "10");
    QCOMPARE(h2.rowCells(1), QStringList({"300", "301", "90.0000", "10.000"}));
    QVERIFY2(h2.desktop().lastMessage().text.contains("Area = -100"),
             qPrintable(h2.desktop().lastMessage().text));
}

void TestTraverseSave::closureOutsideParcelModeGivesClosingDataOnly() {
    TraverseHarness h;
    QVERIFY(h.window->openConnections());
    h.enter("100");
    typeLeg(h, "101", "0", "10");
    typeLeg(h, "102", "90", "10");
    h.click("cmdClosure");
    const DesktopCall shown = h.desktop().lastMessage();
    QCOMPARE(shown.title, QString("Closing data"));
    QCOMPARE(shown.text, QString("Closing bearing  = 45.0000\nClosing distance = 14.142"));
    QVERIFY(!h.rows().chkClosure);
    // The empty row waiting for input was trimmed first.
    QCOMPARE(h.rows().dataRows(), 2);

    TraverseHarness one;
    QVERIFY(one.window->openConnections());
    one.click("cmdClosure");
    QCOMPARE(one.desktop().lastMessage().text, QString("Not enough data to close"));
    QCOMPARE(one.desktop().lastMessage().title, QString("Closure error"));
}

// A line without a bearing: an approximate area from both ends of the traverse, which OK
// has the user confirm in the area window and stores with code "A".
void TestTraverseSave::missingDataGivesAnApproximateArea() {
    TraverseHarness h;
    QVERIFY(h.window->openParcel("AL2"));
    h.clickCell(2, 3);
    h.key(Qt::Key_F5);
    QCOMPARE(h.cell(2, 3), QString("No Data"));
    h.click("cmdClosure");
    const QString text = h.desktop().lastMessage().text;
    QVERIFY2(text.startsWith("Missing data in closure\nClosing bearing  = "), qPrintable(text));
    QVERIFY(text.endsWith(" approx."));
    QCOMPARE(h.host.area.type, AreaDialog::AreaType::Approximate);
    const double approx = h.host.area.area.toDouble() * 10000;
    QVERIFY2(std::abs(approx - 1113.4) < 1.0, qPrintable(h.host.area.area));

    h.host.area.onShow = [](FakeAreaDialog& area) { area.area = QStringLiteral("0.1100"); };
    h.click("cmdOK");
    QVERIFY(!h.window->isVisible());
    QCOMPARE(h.host.area.shown, 1);
    QCOMPARE(h.host.area.caption(), QString("AL2"));
    QVERIFY(!h.host.area.recalcVisible);
    QVERIFY(!h.host.area.cancelVisible);
    QCOMPARE(ParcelBlock(h.file(".ply"), "AL2"),
             QStringList({"\"AL2\",1100,\"A\"", "21", "5", "6", "22", "21"}));
    // The line's bearing is stored as missing.
    QVERIFY(FileLines(h.file(".lns")).contains("5,6,999.0000,27.502"));
}

// A bearing changed on a row whose stored line runs the other way is stored turned; the
// parcel keeps its points.
void TestTraverseSave::okStoresAnEditedLinkedRow() {
    TraverseHarness h;
    QVERIFY(h.window->openParcel("AL2"));
    h.clickCell(1, 3);
    h.enter("12.1841");
    QCOMPARE(h.cell(1, 3), QString("12.1841"));
    h.click("cmdOK");
    QVERIFY(!h.window->isVisible());
    const QStringList lines = FileLines(h.file(".lns"));
    QCOMPARE(lines.size(), 34);
    QCOMPARE(lines[14], QString("5,21,192.1841,40.324"));
    const QStringList block = ParcelBlock(h.file(".ply"), "AL2");
    QCOMPARE(block.mid(1), QStringList({"21", "5", "6", "22", "21"}));
    QVERIFY(h.host.added.isEmpty());
    // The closure ran at OK, as none was current.
    QVERIFY(h.messages().first().startsWith("Closure results for AL2: Closure ratio"));
}

void TestTraverseSave::brokenSequenceSavesNothing() {
    TraverseHarness h;
    const QByteArray lines = ReadFile(h.file(".lns"));
    const QByteArray polygons = ReadFile(h.file(".ply"));
    QVERIFY(h.window->openParcel("AL2"));
    h.clickCell(2, 1);
    h.enter("7");
    h.click("cmdOK");
    QVERIFY(h.window->isVisible());
    QCOMPARE(h.messages(),
             QStringList({"Parcel error: Break in point sequence detected\nat point 7"}));
    QCOMPARE(ReadFile(h.file(".lns")), lines);
    QCOMPARE(ReadFile(h.file(".ply")), polygons);
    QVERIFY(!QFile::exists(h.file(".~ly")));

    // A parcel listed under a second heading continues its points there: a break the user
    // did not type is still said when OK refuses to close the window.
    TraverseHarness twice;
    QVERIFY(WriteFile(twice.file(".ply"),
                      ReadFile(twice.file(".ply")) + "\"AL2\",0,\"C\"\r\n30\r\n31\r\n"));
    QVERIFY(twice.window->openParcel("AL2"));
    QCOMPARE(twice.rows().dataRows(), 5);
    twice.click("cmdOK");
    QVERIFY(twice.window->isVisible());
    QCOMPARE(twice.messages(),
             QStringList({"Parcel error: Break in point sequence detected\nat point 30"}));
}

void TestTraverseSave::deletedLinesAndCancel() {
    TraverseHarness h;
    const QByteArray lines = ReadFile(h.file(".lns"));
    QVERIFY(h.window->openParcel("AL2"));
    h.clickCell(1, 2);
    h.tool("Delete");
    QVERIFY(h.host.state.PlanLines[14].Distance < 0);
    h.click("cmdCancel");
    QVERIFY(!h.window->isVisible());
    QCOMPARE(h.host.state.PlanLines[14].Distance, 40.324);
    QVERIFY(h.desktop().messages().empty());
    QCOMPARE(ReadFile(h.file(".lns")), lines);

    // Closing the window by its frame is Cancel: lines typed anew are offered for saving.
    QVERIFY(h.window->openConnections());
    h.enter("100");
    typeLeg(h, "101", "45", "8");
    h.desktop().answers = {Answer::Yes};
    h.window->close();
    QVERIFY(!h.window->isVisible());
    QCOMPARE(h.desktop().lastMessage().text, QString("Do you want to save the lines ?"));
    QCOMPARE(h.desktop().lastMessage().title, QString("Cancel Traverse Form"));
    QCOMPARE(h.desktop().lastMessage().icon, Icon::Question);
    QCOMPARE(FileLines(h.file(".lns")).last(), QString("100,101,45.0000,8.000"));
}

// OK after Delete: No keeps the line in the lines file, Yes drops it; the parcel loses the
// point either way.
void TestTraverseSave::deletedLinesAndOk() {
    TraverseHarness h;
    QVERIFY(h.window->openParcel("AL2"));
    h.clickCell(1, 2);
    h.tool("Delete");
    h.desktop().answers = {Answer::No, Answer::Ok, Answer::Yes};
    h.click("cmdOK");
    QVERIFY(!h.window->isVisible());
    const auto shown = h.desktop().messages();
    QCOMPARE(shown.front().text,
             QString("You have deleted points in this parcel.\nDo you wish to delete the line "
                     "data as well ?"));
    QCOMPARE(shown.front().title, QString("Delete Lines"));
    QVERIFY(FileLines(h.file(".lns")).contains("5,21,192.1840,40.324"));
    QCOMPARE(ParcelBlock(h.file(".ply"), "AL2").mid(1), QStringList({"5", "6", "22", "21"}));

    QVERIFY(h.window->openParcel("AL2"));
    QCOMPARE(h.rows().dataRows(), 3);
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

    // Cancel in edit-lines mode neither asks nor saves.
    QVERIFY(h.window->openEditLines());
    h.clickCell(1, 3);
    h.enter("1.2345");
    h.click("cmdCancel");
    QVERIFY(!h.window->isVisible());
    QVERIFY(h.desktop().messages().empty());
    QCOMPARE(FileLines(h.file(".lns")), original);

    QVERIFY(h.window->openEditLines());
    h.clickCell(1, 1);
    h.tool("Insert");
    h.key(Qt::Key_Left);
    h.enter("50");
    h.enter("51");
    h.enter("10");
    h.enter("5");
    h.clickCell(3, 4);
    h.key(Qt::Key_F5);
    QCOMPARE(h.cell(3, 4), QString("No Data"));
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
    h.enter("9");
    h.enter("10");
    QCOMPARE(h.cell(1, 0), QString("8"));
    typeLeg(h, "60", "10", "5");
    QTest::mouseClick(h.window->findChild<QPushButton*>("cmdOK"), Qt::RightButton);
    QVERIFY(!h.window->isVisible());
    QStringList expected = original;
    expected.removeAt(8);
    expected = QStringList({"9,10,191.0625,18.004", "10,60,10.0000,5.000"}) + expected;
    QCOMPARE(FileLines(h.file(".lns")), expected);
    QVERIFY(!h.host.state.chkArray);
    QVERIFY(h.host.state.PlanLines.empty());

    // In parcel mode the right button does nothing.
    QVERIFY(h.window->openParcel("AL2"));
    QTest::mouseClick(h.window->findChild<QPushButton*>("cmdOK"), Qt::RightButton);
    QVERIFY(h.window->isVisible());
}

void TestTraverseSave::printedTraverseSheet() {
    TraverseHarness h;
    QVERIFY(h.window->openParcel("AL2"));
    h.click("cmdPrint");
    const auto record = h.desktop().lastPrintout();
    QVERIFY(record);
    QVERIFY(record->ended);
    QCOMPARE(record->fonts.front().name, QString("Liberation Serif"));
    QCOMPARE(record->fonts.front().size, 12.0);
    QCOMPARE(record->fonts.back().size, 10.0);
    QCOMPARE(h.messages().last(), QString("CORVANE: Printing completed"));

    const std::vector<std::string>& text = record->lines;
    const std::string rule = std::string(9, ' ') + std::string(72, '=');
    QCOMPARE(text[1], rule);
    QCOMPARE(QString::fromStdString(text[2]), QString(9, ' ') + "CLOSURE OF AL2 in " + h.base());
    QCOMPARE(text[5], std::string(9, ' ') + "Accuracy criterion = Surveyed Polygons");
    // Each row's figures start at their print-tab columns.
    const std::string& first = text[9];
    QCOMPARE(first.substr(9, 2), std::string("21"));
    QCOMPARE(first.substr(20, 1), std::string("5"));
    QCOMPARE(first.substr(30, 7), std::string("12.1840"));
    QCOMPARE(first.substr(51, 6), std::string("40.324"));
    // The parcel closes: the running coordinates come back to the first point.
    const std::string& last = text[12];
    QCOMPARE(last.substr(9, 2), std::string("22"));
    QVERIFY(std::abs(std::stod(last.substr(63, 10))) < 0.01);
    QVERIFY(std::abs(std::stod(last.substr(75))) < 0.01);
    const QString all = QString::fromStdString(record->text());
    QVERIFY(all.contains("\nMISCLOSURE ACCEPTABLE\n"));
    QVERIFY(QString::fromStdString(text.back()).startsWith("Printed on "));
    QCOMPARE(h.host.area.type, AreaDialog::AreaType::Calculated);
    // Printing changed nothing the user typed.
    QVERIFY(!h.rows().chkChange);

    // The lines edit prints its lines only: no angles, coordinates or closure.
    h.click("cmdCancel");
    QVERIFY(h.window->openEditLines());
    h.click("cmdPrint");
    const auto lines = h.desktop().lastPrintout();
    QCOMPARE(QString::fromStdString(lines->lines[2]).trimmed(), "Lines data in " + h.base());
    QCOMPARE(QString::fromStdString(lines->lines[7]).trimmed(), "1" + QString(10, ' ') + "2" +
                                                                    QString(9, ' ') + "14.1856" +
                                                                    QString(14, ' ') + "36.024");
    QVERIFY(!QString::fromStdString(lines->text()).contains("Closing"));
}

// A polygons file that cannot be backed up or written: the error is shown, the window keeps
// the user's grid and the parcel list is left alone.
void TestTraverseSave::failedPolygonsWriteKeepsTheWindow() {
    TraverseHarness h;
    const QByteArray polygons = ReadFile(h.file(".ply"));
    QVERIFY(QDir().mkdir(h.file(".~ly"))); // the backup cannot be written
    QVERIFY(h.window->openParcel("AL2"));
    h.clickCell(1, 3);
    h.enter("12.1841");
    h.click("cmdOK");
    QVERIFY(h.window->isVisible());
    QCOMPARE(h.desktop().lastMessage().title, QString("Make backup error"));
    QCOMPARE(h.cell(1, 3), QString("12.1841"));
    QCOMPARE(ReadFile(h.file(".ply")), polygons);

    TraverseHarness fresh;
    QVERIFY(QFile::remove(fresh.file(".ply")));
    QVERIFY(QDir().mkdir(fresh.file(".ply"))); // nothing can be appended to it
    QVERIFY(fresh.window->openNewParcel("AL9", false));
    fresh.enter("200");
    typeLeg(fresh, "201", "0", "10");
    typeLeg(fresh, "202", "90", "10");
    typeLeg(fresh, "200", "225", "14.142");
    fresh.click("cmdOK");
    QVERIFY(fresh.window->isVisible());
    QCOMPARE(fresh.desktop().lastMessage().title, QString("Saving Parcel error"));
    QVERIFY(fresh.host.added.isEmpty());
    QCOMPARE(fresh.rows().dataRows(), 3);
}

void TestTraverseSave::openingAgainCancelsTheUnsavedGrid() {
    TraverseHarness h;
    QCOMPARE(h.host.windows.size(), size_t(1));
    const QByteArray lines = ReadFile(h.file(".lns"));
    QVERIFY(h.window->openConnections());
    h.enter("100");
    typeLeg(h, "101", "45", "10");
    h.desktop().answers = {Answer::No};
    QVERIFY(h.window->openParcel("AL1"));
    QCOMPARE(h.desktop().lastMessage().text, QString("Do you want to save the lines ?"));
    QCOMPARE(h.window->windowTitle(), QString("AL1"));
    QCOMPARE(h.rows().dataRows(), 5);
    QCOMPARE(ReadFile(h.file(".lns")), lines);

    // The plan changing closes the window the same way.
    QVERIFY(h.window->openConnections());
    h.enter("100");
    typeLeg(h, "101", "1", "5");
    h.desktop().answers = {Answer::Yes};
    h.host.windows.front()->closeForPlanChange();
    QVERIFY(!h.window->isVisible());
    QVERIFY(!h.window->isPlanWindowOpen());
    QCOMPARE(FileLines(h.file(".lns")).last(), QString("100,101,1.0000,5.000"));
}

QTEST_MAIN(TestTraverseSave)
#include "tst_traversesave.moc"
