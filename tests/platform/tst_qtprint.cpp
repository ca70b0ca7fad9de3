// Printing on paper: where texts land across the page, when pages break, and that a printout
// with no printer installed goes to the PDF file the user names, offered by the plan's name.
#include "platform/printlayout.h"
#include "platform/qtdesktop.h"
#include "platform/qtprintjob.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
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

bool PrinterInstalled() {
    return !QPrinterInfo::availablePrinters().isEmpty();
}

// Runs action on the dialog of type T once it is up; any other modal dialog is rejected, so
// a test fails rather than hangs.
template <typename T> void WhenShown(std::function<void(T&)> action) {
    QTimer::singleShot(0, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<T*>(modal))
            action(*dialog);
        else if (auto* other = qobject_cast<QDialog*>(modal))
            other->reject();
    });
}

// The files of a folder, hidden ones too: a passing file must not stay behind.
QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
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
    void withoutPrinterTheUserNamesThePdf();
    void offeredPdfNamesAreFileNames();
    void failedOrAbandonedPdfLeavesNoFile();
    void replacedPdfStaysWholeUntilTheNewOneIsDone();
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

// The save dialog offers the plan's own name in the plan's folder; what the user chooses is
// where the printout goes and what it says; a name typed without ".pdf" gets it, and Cancel
// prints nothing.
void QtPrintTest::withoutPrinterTheUserNamesThePdf() {
    if (PrinterInstalled())
        QSKIP("a printer is installed on this machine");
    QTemporaryDir dir;
    QtDesktop desktop(dir.filePath("lock"));
    QString offeredFolder, offeredName;
    WhenShown<QFileDialog>([&](QFileDialog& dialog) {
        offeredFolder = dialog.directory().absolutePath();
        offeredName = dialog.findChild<QLineEdit*>("fileNameEdit")->text();
        static_cast<QDialog&>(dialog).accept(); // as the Save button does
    });
    auto job = desktop.startPrint("Summary for /plans/D20417", dir.path(), "D20417 summary.pdf");
    QCOMPARE(offeredFolder, QDir(dir.path()).absolutePath());
    QCOMPARE(offeredName, QString("D20417 summary.pdf"));
    QVERIFY(job);
    job->setFont("Arial", 10);
    job->print(TabLine(10, "Summary for /plans/D20417"));
    const auto done = job->endDocument();
    QVERIFY2(done.ok(), done.ok() ? "" : done.error().message.c_str());
    QCOMPARE(done.value(), QDir::toNativeSeparators(dir.filePath("D20417 summary.pdf")));
    QFile pdf(dir.filePath("D20417 summary.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    job.reset();
    QCOMPARE(FilesIn(dir.path()), (QStringList{"D20417 summary.pdf"}));

    QTemporaryDir other;
    WhenShown<QFileDialog>([](QFileDialog& dialog) {
        dialog.findChild<QLineEdit*>("fileNameEdit")->setText("checked");
        static_cast<QDialog&>(dialog).accept();
    });
    job = desktop.startPrint("Summary", other.path(), "D20417 summary.pdf");
    QVERIFY(job);
    job->print("x");
    QCOMPARE(job->endDocument().value(), QDir::toNativeSeparators(other.filePath("checked.pdf")));

    WhenShown<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
    QVERIFY(!desktop.startPrint("Summary", dir.path(), "D20417 other.pdf"));
    QVERIFY(!QFile::exists(dir.filePath("D20417 other.pdf")));
}

void QtPrintTest::offeredPdfNamesAreFileNames() {
    QTemporaryDir dir;
    QCOMPARE(OfferedPdfPath(dir.path(), "D20417 plan 1-500.pdf"),
             dir.filePath("D20417 plan 1-500.pdf"));
    // An existing file is offered all the same: the dialog asks before replacing it.
    QVERIFY(QFile(dir.filePath("D20417 report.pdf")).open(QIODevice::WriteOnly));
    QCOMPARE(OfferedPdfPath(dir.path(), "D20417 report.pdf"), dir.filePath("D20417 report.pdf"));
    // Names from the plan may hold characters no file name can.
    QCOMPARE(OfferedPdfPath(dir.path(), "D20417 AL/1: \"A\" traverse"),
             dir.filePath("D20417 AL_1_ _A_ traverse.pdf"));
    // Without a plan folder the PDF is offered where the user keeps documents.
    const QString elsewhere = OfferedPdfPath(dir.filePath("gone"), "D20417 summary.pdf");
    QVERIFY(!elsewhere.startsWith(dir.path()));
    QVERIFY(elsewhere.endsWith("/D20417 summary.pdf"));
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
    QVERIFY(FilesIn(dir.path()).isEmpty());
}

// The user chose to replace last week's PDF: it stays as it was until the new printout has
// ended well, so a printout that stops part-way loses nothing.
void QtPrintTest::replacedPdfStaysWholeUntilTheNewOneIsDone() {
    QTemporaryDir dir;
    const QString path = dir.filePath("D20417 report.pdf");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("%PDF- last week's report");
    old.close();

    {
        auto job = QtPrintJob::toPdf(path, "report");
        job->print("half a report");
    }
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("%PDF- last week's report"));
    kept.close();
    QCOMPARE(FilesIn(dir.path()), (QStringList{"D20417 report.pdf"}));

    auto job = QtPrintJob::toPdf(path, "report");
    job->print("this week's report");
    QVERIFY(job->endDocument().ok());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    const QByteArray written = kept.readAll();
    QVERIFY(written.startsWith("%PDF-") && !written.contains("last week"));
    job.reset();
    QCOMPARE(FilesIn(dir.path()), (QStringList{"D20417 report.pdf"}));
}

void QtPrintTest::previewPrintsTheDocumentItShows() {
    if (PrinterInstalled())
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
    QVERIFY(
        !desktop.previewPrint("Plan report D1", dir.path(), "D1 report.pdf", document).has_value());
    QVERIFY(drawn >= 1);
    QVERIFY(FilesIn(dir.path()).isEmpty());
    // Printed from the preview: the same document goes to the PDF next to the plan.
    whenShown([](QPrintPreviewDialog& dialog) {
        dialog.findChild<QPrintPreviewWidget*>()->print();
        dialog.accept();
    });
    const auto printed =
        desktop.previewPrint("Plan report D1", dir.path(), "D1 report.pdf", document);
    QVERIFY(printed.has_value() && printed->ok());
    QCOMPARE(printed->value(), QDir::toNativeSeparators(dir.filePath("D1 report.pdf")));
    QFile pdf(dir.filePath("D1 report.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
}

QTEST_MAIN(QtPrintTest)
#include "tst_qtprint.moc"
