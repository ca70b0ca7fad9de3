// Printing on paper: where texts land across the page, when pages break, and that a printout
// with no printer installed ends up in a PDF file the user is told about.
#include "platform/printlayout.h"
#include "platform/qtdesktop.h"
#include "platform/qtprintjob.h"

#include <QFile>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;

Q_DECLARE_METATYPE(corvane::PrintLine)

namespace {

// Plain text of laid-out rows for a font where every character is one unit wide.
std::vector<std::string> RowsAsText(const std::vector<PlacedRow>& rows) {
    std::vector<std::string> out;
    for (const PlacedRow& row : rows) {
        std::string line;
        for (const PlacedText& placed : row) {
            line.resize(static_cast<std::size_t>(placed.x), ' ');
            line += placed.text.toStdString();
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out.push_back(line);
    }
    return out;
}

std::vector<PlacedRow> FixedPitch(const PrintLine& line, double charWidth = 1) {
    return LayoutPrintLine(line, charWidth, [charWidth](const QString& text) {
        return static_cast<double>(text.size()) * charWidth;
    });
}

int PdfPageCount(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray data = file.readAll();
    return static_cast<int>(data.count("/Type /Page\n") + data.count("/Type /Page ") +
                            data.count("/Type /Page/") + data.count("/Type /Page>"));
}

} // namespace

class QtPrintTest : public QObject {
    Q_OBJECT

  private slots:
    void layoutAgreesWithThePrintedTextModel_data();
    void layoutAgreesWithThePrintedTextModel();
    void layoutPlacesColumnsByAverageCharacterWidth();
    void columnsFollowTheFontOnPaper();
    void longPrintoutContinuesOnNewPages();
    void withoutPrinterThePrintoutGoesToAPdfInThePlanFolder();
    void pdfNamesNeverOverwriteAFile();
    void unwritablePdfIsReportedAsAFailure();
    void abandonedPrintoutLeavesNoFile();
};

void QtPrintTest::layoutAgreesWithThePrintedTextModel_data() {
    QTest::addColumn<PrintLine>("line");
    QTest::newRow("empty line") << PrintLine();
    QTest::newRow("columns") << PrintLine("From").tab(11, "To").tab(21, "Bearing");
    QTest::newRow("tab back to a passed column")
        << TabLine(10, "Date of field survey: ").tab(10, "01/01/2000");
    QTest::newRow("text ending on the column") << PrintLine("123456789").tab(10, "x");
    QTest::newRow("text after a tab") << TabLine(10, "AL12").add(" OK Area = ").add("856 m2");
    QTest::newRow("zones") << PrintLine("A").tab(kNextZone, "B").tab(kNextZone, "C");
    QTest::newRow("zone from a zone edge") << PrintLine("12345678901234").tab(kNextZone, "x");
    QTest::newRow("zone at start") << PrintLine().tab(kNextZone, "x");
}

// With a fixed-pitch font the paper must show exactly what the text rendering of a printout
// shows, so golden printouts of the windows describe the paper too.
void QtPrintTest::layoutAgreesWithThePrintedTextModel() {
    QFETCH(PrintLine, line);
    QCOMPARE(RowsAsText(FixedPitch(line)), RenderPrintLine(line));
}

void QtPrintTest::layoutPlacesColumnsByAverageCharacterWidth() {
    const auto rows = FixedPitch(TabLine(10, "Date of field survey: ").tab(10, "01/01/2000"), 2.5);
    QCOMPARE(rows.size(), std::size_t(2));
    QCOMPARE(rows[0].front().x, 22.5);
    QCOMPARE(rows[1].front().x, 22.5);
    QCOMPARE(PrintColumnX(1, 2.5), 0.0);
    QCOMPARE(PrintColumnX(0, 2.5), 0.0);

    // A proportional font: narrow texts fit before the next column, wide ones wrap.
    const auto narrow = LayoutPrintLine(PrintLine("iiiiiiiiiiii").tab(10, "x"), 2,
                                        [](const QString& t) { return t.size() * 0.5; });
    QCOMPARE(narrow.size(), std::size_t(1));
    QCOMPARE(narrow[0][1].x, 18.0);
    const auto wide = LayoutPrintLine(PrintLine("WWWWWWWWW").tab(10, "x"), 2,
                                      [](const QString& t) { return t.size() * 3.0; });
    QCOMPARE(wide.size(), std::size_t(2));
    QCOMPARE(wide[1][0].x, 18.0);
}

void QtPrintTest::columnsFollowTheFontOnPaper() {
    QTemporaryDir dir;
    auto job = QtPrintJob::toPdf(dir.filePath("columns.pdf"), "columns");
    // An A4 page less its 10 mm margins.
    QVERIFY(qAbs(job->pageWidthMm() - 190) < 0.5);
    QVERIFY(qAbs(job->pageHeightMm() - 277) < 0.5);

    job->setFont("Arial", 10);
    QCOMPARE(job->columnXMm(1), 0.0);
    const double column11 = job->columnXMm(11);
    // Ten average characters of 10 point Arial (about 0.55 em each) come to about 19 mm;
    // a slip between device pixels, points and millimetres would be far off.
    QVERIFY2(column11 > 15 && column11 < 24, qPrintable(QString::number(column11)));
    QVERIFY(qAbs(job->columnXMm(21) - 2 * column11) < 1e-6);
    // A 10 point line is a little over 10 points (3.53 mm) apart.
    QVERIFY(job->lineSpacingMm() > 3.5 && job->lineSpacingMm() < 5.5);
    QVERIFY(job->textHeightMm("PM12") > 3.5 && job->textHeightMm("PM12") < 5.5);
    QVERIFY(job->textWidthMm("WWWW") > job->textWidthMm("iiii"));

    job->setFont("Arial", 20);
    QCOMPARE(job->fontSize(), 20.0);
    QVERIFY(qAbs(job->columnXMm(11) / column11 - 2) < 0.1);
    QVERIFY(job->endDocument().ok());
}

void QtPrintTest::longPrintoutContinuesOnNewPages() {
    QTemporaryDir dir;
    const QString path = dir.filePath("long.pdf");
    auto job = QtPrintJob::toPdf(path, "long");
    job->setFont("Arial", 10);
    const int perPage = static_cast<int>(job->pageHeightMm() / job->lineSpacingMm());
    QVERIFY(perPage > 40 && perPage < 80);
    for (int i = 0; i < perPage; ++i)
        job->print(TabLine(10, "line " + std::to_string(i)));
    QCOMPARE(job->pageCount(), 1);
    job->print("one more");
    QCOMPARE(job->pageCount(), 2);
    // A printed line that wraps to a passed column takes two lines of paper.
    for (int i = 0; i < perPage / 2; ++i)
        job->print(TabLine(10, "Date of field survey: ").tab(10, "01/01/2000"));
    QCOMPARE(job->pageCount(), 3);
    QVERIFY(job->endDocument().ok());
    QCOMPARE(PdfPageCount(path), 3);
}

void QtPrintTest::withoutPrinterThePrintoutGoesToAPdfInThePlanFolder() {
    if (!QPrinterInfo::availablePrinters().isEmpty() && !QPrinterInfo::defaultPrinter().isNull())
        QSKIP("a printer is installed on this machine");
    QTemporaryDir dir;
    QtDesktop desktop(dir.filePath("lock"));
    auto job = desktop.startPrint("Closure summary", dir.path());
    job->setFont("Arial", 10);
    job->print(TabLine(10, "Summary of Closures for /plans/D12345"));
    const auto done = job->endDocument();
    QVERIFY2(done.ok(), done.ok() ? "" : done.error().message.c_str());
    const QString expected = QDir::toNativeSeparators(dir.filePath("Closure summary.pdf"));
    QCOMPARE(done.value(), expected);
    QFile pdf(dir.filePath("Closure summary.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
}

void QtPrintTest::pdfNamesNeverOverwriteAFile() {
    QTemporaryDir dir;
    {
        QFile earlier(dir.filePath("Plan report.pdf"));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier printout");
    }
    const QString second = UniquePdfPath(dir.path(), "Plan report");
    QCOMPARE(second, dir.filePath("Plan report (2).pdf"));
    auto job = QtPrintJob::toPdf(second, "Plan report");
    job->print("x");
    QVERIFY(job->endDocument().ok());
    QCOMPARE(UniquePdfPath(dir.path(), "Plan report"), dir.filePath("Plan report (3).pdf"));

    QFile earlier(dir.filePath("Plan report.pdf"));
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("an earlier printout"));

    // Names from the plan may hold characters no file name can.
    QCOMPARE(UniquePdfPath(dir.path(), "Traverse: D12345/AL1"),
             dir.filePath("Traverse_ D12345_AL1.pdf"));
    QCOMPARE(UniquePdfPath(dir.path(), "  "), dir.filePath("Corvane print.pdf"));
}

void QtPrintTest::unwritablePdfIsReportedAsAFailure() {
    QTemporaryDir dir;
    const QString path = dir.filePath("no such folder/report.pdf");
    auto job = QtPrintJob::toPdf(path, "report");
    job->print("x");
    const auto done = job->endDocument();
    QVERIFY(!done.ok());
    QVERIFY(QString::fromStdString(done.error().message).contains(QDir::toNativeSeparators(path)));
    QVERIFY(!done.error().title.empty());
}

void QtPrintTest::abandonedPrintoutLeavesNoFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("stopped.pdf");
    {
        auto job = QtPrintJob::toPdf(path, "stopped");
        job->print("half a report");
    }
    QVERIFY(!QFile::exists(path));
}

QTEST_MAIN(QtPrintTest)
#include "tst_qtprint.moc"
