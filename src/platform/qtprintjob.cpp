#include "platform/qtprintjob.h"

#include "core/geometry/planview.h"
#include "platform/printlayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPen>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <filesystem>

namespace corvane {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kPenWidthMm = 0.2;
constexpr double kDotDiameterMm = 0.6;

QFont ReportFont(const QString& name, double size) {
    QFont font(name);
    font.setPointSizeF(size > 0 ? size : 10);
    return font;
}

} // namespace

std::unique_ptr<QtPrintJob> QtPrintJob::onChosenPrinter(std::unique_ptr<QPrinter> printer) {
    QPrinter* raw = printer.get();
    // The print dialog may send the printout to a file instead of a printer.
    if (raw->outputFormat() == QPrinter::PdfFormat && !raw->outputFileName().isEmpty()) {
        const QString file = raw->outputFileName();
        return std::unique_ptr<QtPrintJob>(
            new QtPrintJob(std::move(printer), raw, QDir::toNativeSeparators(file), file, true));
    }
    const QString name = raw->printerName();
    return std::unique_ptr<QtPrintJob>(
        new QtPrintJob(std::move(printer), raw, name, QString(), false));
}

std::unique_ptr<QtPrintJob> QtPrintJob::onDevice(QPrinter& printer) {
    const bool pdf = printer.outputFormat() == QPrinter::PdfFormat;
    const QString target =
        pdf ? QDir::toNativeSeparators(printer.outputFileName()) : printer.printerName();
    return std::unique_ptr<QtPrintJob>(new QtPrintJob(
        nullptr, &printer, target, pdf ? printer.outputFileName() : QString(), false));
}

void SetUpPdfPrinter(QPrinter& printer, const QString& pdfPath, const QString& documentName,
                     Paper paper) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath);
    printer.setPageSize(QPageSize(paper == Paper::A3 ? QPageSize::A3 : QPageSize::A4));
    printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    printer.setDocName(documentName);
    printer.setCreator(QStringLiteral("Corvane"));
}

std::unique_ptr<QtPrintJob> QtPrintJob::toPdf(const QString& pdfPath, const QString& documentName,
                                              Paper paper) {
    auto device = std::make_unique<QPrinter>(QPrinter::HighResolution);
    SetUpPdfPrinter(*device, pdfPath, documentName, paper);
    QPrinter* raw = device.get();
    return std::unique_ptr<QtPrintJob>(
        new QtPrintJob(std::move(device), raw, QDir::toNativeSeparators(pdfPath), pdfPath, true));
}

QtPrintJob::QtPrintJob(std::unique_ptr<QPrinter> owned, QPrinter* printer, QString target,
                       QString pdfPath, bool throughPassingFile)
    : owned_(std::move(owned)), printer_(printer), target_(std::move(target)),
      pdfPath_(std::move(pdfPath)), font_(ReportFont(fontName_, fontSize_)) {
    if (throughPassingFile) {
        // A hidden folder beside the file, so the finished pages are put in place by a
        // rename on the same disk and the file keeps the permissions a new file gets.
        const QFileInfo file(pdfPath_);
        passingDir_ = std::make_unique<QTemporaryDir>(file.absolutePath() +
                                                      QStringLiteral("/.corvane-print-XXXXXX"));
        if (!passingDir_->isValid())
            return; // nowhere to write: the job stays inactive and fails when ended
        passing_ = passingDir_->filePath(QStringLiteral("print.pdf"));
        printer_->setOutputFileName(passing_);
    }
    ready_ = true;
}

bool QtPrintJob::begin() {
    if (!begun_) {
        begun_ = true;
        active_ = ready_ && painter_.begin(printer_);
        if (active_) {
            painter_.setFont(font_);
            applyPen();
        }
    }
    return active_;
}

void QtPrintJob::setLandscape(bool landscape) {
    printer_->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void QtPrintJob::newPage() {
    if (begin())
        printer_->newPage();
    ++pages_;
    y_ = 0;
}

void QtPrintJob::paint(const QRectF& mm, const Painting& painting) {
    if (!begin())
        return;
    const QRectF device(QPointF(deviceX(mm.left()), deviceY(mm.top())),
                        QPointF(deviceX(mm.right()), deviceY(mm.bottom())));
    painter_.save();
    painter_.setClipRect(device);
    painting(painter_, device, printer_->logicalDpiX() / kMmPerInch);
    painter_.restore();
    applyPen();
}

QtPrintJob::~QtPrintJob() {
    if (!active_ || ended_)
        return;
    // A printout stopped part-way is not delivered: the printer job is cancelled and a
    // half-written PDF removed (a passing file goes with its folder).
    if (pdfPath_.isEmpty())
        printer_->abort();
    painter_.end();
    if (!pdfPath_.isEmpty() && passing_.isEmpty())
        QFile::remove(pdfPath_);
}

double QtPrintJob::deviceX(double mm) const {
    return mm * printer_->logicalDpiX() / kMmPerInch;
}
double QtPrintJob::deviceY(double mm) const {
    return mm * printer_->logicalDpiY() / kMmPerInch;
}
double QtPrintJob::mmX(double device) const {
    return device * kMmPerInch / printer_->logicalDpiX();
}
double QtPrintJob::mmY(double device) const {
    return device * kMmPerInch / printer_->logicalDpiY();
}

double QtPrintJob::averageCharWidth() const {
    return QFontMetricsF(font_, printer_).averageCharWidth();
}

void QtPrintJob::applyPen() {
    QPen pen(Qt::black);
    pen.setWidthF(deviceX(kPenWidthMm));
    switch (style_) {
    case LineStyle::Solid:
        pen.setStyle(Qt::SolidLine);
        break;
    case LineStyle::Dotted:
        pen.setStyle(Qt::DotLine);
        break;
    case LineStyle::Dashed:
        pen.setStyle(Qt::DashLine);
        break;
    case LineStyle::LongDashed:
        pen.setColor(Qt::darkGray);
        pen.setDashPattern({kLongDash, kLongDashGap});
        break;
    }
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
}

void QtPrintJob::setFont(const QString& name, double size) {
    fontName_ = name;
    fontSize_ = size;
    font_ = ReportFont(name, size);
    if (active_)
        painter_.setFont(font_);
}

void QtPrintJob::print(const PrintLine& line) {
    const QFontMetricsF metrics(font_, printer_);
    const double spacing = metrics.lineSpacing();
    const auto rows = LayoutPrintLine(line, metrics.averageCharWidth(), [&](const QString& text) {
        return metrics.horizontalAdvance(text);
    });
    for (const PlacedRow& row : rows) {
        begin();
        if (y_ > 0 && y_ + spacing > printer_->height()) {
            if (active_)
                printer_->newPage();
            ++pages_;
            y_ = 0;
        }
        if (active_) {
            for (const PlacedText& placed : row)
                painter_.drawText(QPointF(placed.x, y_ + metrics.ascent()), placed.text);
        }
        y_ += spacing;
    }
}

void QtPrintJob::drawLine(double x1, double y1, double x2, double y2) {
    if (!begin())
        return;
    applyPen();
    painter_.drawLine(QPointF(deviceX(x1), deviceY(y1)), QPointF(deviceX(x2), deviceY(y2)));
}

void QtPrintJob::drawDot(double x, double y) {
    if (!begin())
        return;
    painter_.save();
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(Qt::black);
    const double radius = kDotDiameterMm / 2;
    painter_.drawEllipse(QPointF(deviceX(x), deviceY(y)), deviceX(radius), deviceY(radius));
    painter_.restore();
}

void QtPrintJob::drawText(double x, double y, const QString& text) {
    if (!begin())
        return;
    const QFontMetricsF metrics(font_, printer_);
    painter_.drawText(QPointF(deviceX(x), deviceY(y) + metrics.ascent()), text);
}

double QtPrintJob::pageWidthMm() const {
    return mmX(printer_->width());
}
double QtPrintJob::pageHeightMm() const {
    return mmY(printer_->height());
}

double QtPrintJob::textWidthMm(const QString& text) const {
    return mmX(QFontMetricsF(font_, printer_).horizontalAdvance(text));
}

double QtPrintJob::textHeightMm(const QString&) const {
    return mmY(QFontMetricsF(font_, printer_).height());
}

double QtPrintJob::columnXMm(int column) const {
    return mmX(PrintColumnX(column, averageCharWidth()));
}

double QtPrintJob::lineSpacingMm() const {
    return mmY(QFontMetricsF(font_, printer_).lineSpacing());
}

Result<QString> QtPrintJob::endDocument() {
    const Error failure{
        pdfPath_.isEmpty()
            ? "The printout could not be sent to the printer " + toCore(target_) + "."
            : "The printout could not be written to the file " + toCore(target_) + ".",
        "Print error"};
    if (ended_)
        return failure;
    begin(); // a printout with nothing on it is still one empty page
    ended_ = true;
    if (!active_)
        return failure;
    const bool finished = painter_.end() && printer_->printerState() != QPrinter::Error &&
                          printer_->printerState() != QPrinter::Aborted;
    if (!finished)
        return failure;
    const QString written = passing_.isEmpty() ? pdfPath_ : passing_;
    if (!written.isEmpty() && QFileInfo(written).size() == 0)
        return failure;
    if (!passing_.isEmpty()) {
        // Only now does the new file take the place of one the user chose to replace.
        std::error_code failed;
        std::filesystem::rename(QFile::encodeName(passing_).toStdString(),
                                QFile::encodeName(pdfPath_).toStdString(), failed);
        if (failed)
            return failure;
    }
    return target_;
}

Result<int> PrintToPdfFile(const QString& pdfPath, const QString& documentName,
                           const std::function<void(PrintJob&)>& document, Paper paper) {
    auto job = QtPrintJob::toPdf(pdfPath, documentName, paper);
    document(*job);
    if (!job->endDocument())
        return Error{"Cannot write " + PathToCore(pdfPath), "Print error"};
    return job->pageCount();
}

QString OfferedPdfPath(const QString& folder, const QString& pdfName) {
    QString name;
    for (const QChar c : pdfName.trimmed()) {
        const bool forbidden = c.unicode() < 32 || QStringLiteral("\\/:*?\"<>|").contains(c);
        name += forbidden ? QLatin1Char('_') : c;
    }
    if (name.isEmpty())
        name = QStringLiteral("Corvane print.pdf");
    if (!name.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        name += QStringLiteral(".pdf");
    QString dirPath = folder;
    if (dirPath.isEmpty() || !QFileInfo(dirPath).isDir()) {
        dirPath = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (dirPath.isEmpty() || !QFileInfo(dirPath).isDir())
            dirPath = QDir::homePath();
    }
    return QDir(dirPath).filePath(name);
}

} // namespace corvane
