// Printing on paper: where texts land across the page, when pages break, and that a printout
// with no printer installed ends up in a PDF file the user is told about.
#include "platform/printlayout.h"
#include "platform/qtdesktop.h"
#include "platform/qtprintjob.h"

#include <QApplication>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace corvane;

Q_DECLARE_METATYPE(corvane::PrintLine)

namespace {

// Plain text of rows laid out for a font where every character is one unit wide.
std::vector<std::string> FixedPitchText(const PrintLine& printLine) {
    std::vector<std::string> out;
    for (const PlacedRow& row :
         LayoutPrintLine(printLine, 1, [](const QString& t) { return double(t.size()); })) {
        std::string line;
        for (const PlacedText& placed : row) {
            line.resize(std::size_t(placed.x), ' ');
            line += placed.text.toStdString();
        }
        out.push_back(line.substr(0, line.find_last_not_of(' ') + 1));
    }
    return out;
}

int PdfPageCount(const QString& path) {
    QFile file(path);
    const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return int(data.count("/Type /Page") - data.count("/Type /Pages"));
}

} // namespace

class QtPrintTest : public QObject {
    Q_OBJECT

  private slots:
    void layoutAgreesWithThePrintedTextModel_data();
    void layoutAgreesWithThePrintedTextModel();
    void columnsFollowTheFontOnPaper();
    void longPrintoutContinuesOnNewPages();
    void withoutPrinterThePrintoutGoesToAPdfInThePlanFolder();
    void pdfNamesNeverOverwriteAFile();
    void failedOrAbandonedPdfLeavesNoFile();
    void previewPrintsTheDocumentItShows();
};

void QtPrintTest::layoutAgreesWithThePrintedTextModel_data() {
    QTest::addColumn<PrintLine>("line");
    QTest::newRow("columns") << PrintLine("From").tab(11, "To").tab(21, "Bearing");
    QTest::newRow("tab back to a passed column")
        << TabLine(10, "Date of field survey: ").tab(10, "01/01/2000");
    QTest::newRow("text after a tab") << TabLine(10, "AL12").add(" OK Area = ").add("856 m2");
    QTest::newRow("zones") << PrintLine("A").tab(kNextZone, "B").tab(kNextZone, "C");
    QTest::newRow("zone from a zone edge") << PrintLine("12345678901234").tab(kNextZone, "x");
}

// With a fixed-pitch font the paper must show exactly what the text rendering of a printout
// shows, so golden printouts of the windows describe the paper too.
void QtPrintTest::layoutAgreesWithThePrintedTextModel() {
    QFETCH(PrintLine, line);
    QCOMPARE(FixedPitchText(line), RenderPrintLine(line));
}

void QtPrintTest::columnsFollowTheFontOnPaper() {
    QTemporaryDir dir;
    auto job = QtPrintJob::toPdf(dir.filePath("columns.pdf"), "columns");
    // An A4 page less its 10 mm margins.
    QVERIFY(qAbs(job->pageWidthMm() - 190) < 0.5);
    job->setFont("Arial", 10);
    QCOMPARE(job->columnXMm(1), 0.0);
    const double column11 = job->columnXMm(11);
    // Ten average characters of 10 point Arial (about 0.55 em each) come to about 19 mm;
    // a slip between device pixels, points and millimetres would be far off.
    QVERIFY2(column11 > 15 && column11 < 24, qPrintable(QString::number(column11)));
    QVERIFY(qAbs(job->columnXMm(21) - 2 * column11) < 1e-6);
    // A 10 point line is a little over 10 points (3.53 mm) apart.
    QVERIFY(job->lineSpacingMm() > 3.5 && job->lineSpacingMm() < 5.5);
    job->setFont("Arial", 20);
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
    QVERIFY(QFile(dir.filePath("Plan report.pdf")).open(QIODevice::WriteOnly));
    QCOMPARE(UniquePdfPath(dir.path(), "Plan report"), dir.filePath("Plan report (2).pdf"));
    QVERIFY(QFile(dir.filePath("Plan report (2).pdf")).open(QIODevice::WriteOnly));
    QCOMPARE(UniquePdfPath(dir.path(), "Plan report"), dir.filePath("Plan report (3).pdf"));
    // Names from the plan may hold characters no file name can.
    QCOMPARE(UniquePdfPath(dir.path(), "Traverse: D12345/AL1"),
             dir.filePath("Traverse_ D12345_AL1.pdf"));
}

// A PDF that cannot be written is a failure naming the file; one abandoned leaves no file.
void QtPrintTest::failedOrAbandonedPdfLeavesNoFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("no such folder/report.pdf");
    auto job = QtPrintJob::toPdf(path, "report");
    job->print("x");
    const auto done = job->endDocument();
    QVERIFY(!done.ok());
    QVERIFY(QString::fromStdString(done.error().message).contains(QDir::toNativeSeparators(path)));

    const QString stopped = dir.filePath("stopped.pdf");
    QtPrintJob::toPdf(stopped, "stopped")->print("half a report");
    QVERIFY(!QFile::exists(stopped));
}

void QtPrintTest::previewPrintsTheDocumentItShows() {
    if (!QPrinterInfo::availablePrinters().isEmpty() && !QPrinterInfo::defaultPrinter().isNull())
        QSKIP("a printer is installed on this machine");
    QTemporaryDir dir;
    QtDesktop desktop(dir.filePath("lock"));
    int drawn = 0;
    auto document = [&drawn](PrintJob& job) {
        ++drawn;
        job.print(TabLine(10, "Printed by J on today"));
    };
    // What the user does in the preview, once it is up.
    auto whenShown = [](const std::function<void(QPrintPreviewDialog&)>& act) {
        QTimer::singleShot(0, [act] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QPrintPreviewDialog*>(w))
                    act(*dialog);
        });
    };
    // Closed: nothing printed, no file.
    whenShown([](QPrintPreviewDialog& dialog) { dialog.reject(); });
    QVERIFY(!desktop.previewPrint("Plan report D1", dir.path(), document).has_value());
    QVERIFY(drawn >= 1);
    QVERIFY(!QFile::exists(dir.filePath("Plan report D1.pdf")));
    // Printed from the preview: the same document goes to the PDF next to the plan.
    whenShown([](QPrintPreviewDialog& dialog) {
        dialog.findChild<QPrintPreviewWidget*>()->print();
        dialog.accept();
    });
    const auto printed = desktop.previewPrint("Plan report D1", dir.path(), document);
    QVERIFY(printed.has_value() && printed->ok());
    QCOMPARE(printed->value(), QDir::toNativeSeparators(dir.filePath("Plan report D1.pdf")));
    QFile pdf(dir.filePath("Plan report D1.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
}

QTEST_MAIN(QtPrintTest)
#include "tst_qtprint.moc"
