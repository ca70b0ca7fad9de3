#pragma once

#include "platform/desktop.h"

#include <QFont>
#include <QPainter>
#include <QString>
#include <functional>
#include <memory>

class QPrinter;
class QTemporaryDir;

namespace corvane {

// A print job on a Qt printer: an installed printer, or a PDF file where there is none.
class QtPrintJob : public PrintJob {
  public:
    // Prints on a printer the user has chosen in the print dialog: an installed printer, or
    // the dialog's own file output, written as toPdf writes.
    static std::unique_ptr<QtPrintJob> onChosenPrinter(std::unique_ptr<QPrinter> printer);
    // Prints on a printer that someone else owns and has set up (the print preview's): a
    // native printer, or one writing a PDF file.
    static std::unique_ptr<QtPrintJob> onDevice(QPrinter& printer);
    // Writes the printout to a PDF file of A4 pages with margins of 10 mm. The pages go to a
    // passing file beside it, put in place only when the document has ended well, so a
    // failed or abandoned printout leaves a file of that name as it was.
    static std::unique_ptr<QtPrintJob> toPdf(const QString& pdfPath, const QString& documentName,
                                             Paper paper = Paper::A4);
    ~QtPrintJob() override;
    QtPrintJob(const QtPrintJob&) = delete;
    QtPrintJob& operator=(const QtPrintJob&) = delete;

    using PrintJob::print;
    void setFont(const QString& name, double size) override;
    void print(const PrintLine& line) override;
    void drawLine(double x1, double y1, double x2, double y2) override;
    void drawDot(double x, double y) override;
    void drawText(double x, double y, const QString& text) override;
    double pageWidthMm() const override;
    double pageHeightMm() const override;
    void setLineStyle(LineStyle style) override { style_ = style; }
    QString fontName() const override { return fontName_; }
    double fontSize() const override { return fontSize_; }
    double textWidthMm(const QString& text) const override;
    double textHeightMm(const QString& text) const override;
    void setLandscape(bool landscape) override;
    void newPage() override;
    void paint(const QRectF& mm, const Painting& painting) override;
    Result<QString> endDocument() override;

    // Where print-tab column n starts, in millimetres from the left edge, in the current font.
    double columnXMm(int column) const;
    // How far one printed line moves down the page in the current font.
    double lineSpacingMm() const;
    // Pages begun so far.
    int pageCount() const { return pages_; }

  private:
    QtPrintJob(std::unique_ptr<QPrinter> owned, QPrinter* printer, QString target, QString pdfPath,
               bool throughPassingFile);
    void discardOutput();
    // The painter begins on the printer when the first thing is printed, so the first page
    // takes the turn the printout asks for.
    bool begin();
    double deviceX(double mm) const;
    double deviceY(double mm) const;
    double mmX(double device) const;
    double mmY(double device) const;
    double averageCharWidth() const;
    void applyPen();

    std::unique_ptr<QPrinter> owned_; // empty when printing on another's printer
    QPrinter* printer_ = nullptr;
    QPainter painter_; // after the printer: it ends before the printer goes
    QString target_;   // the printer's name or the PDF file, for the completion message
    QString pdfPath_;  // empty when printing on a printer
    QString passing_;  // the file the pages go to until they are put at pdfPath_, if any
    std::unique_ptr<QTemporaryDir> passingDir_; // holds passing_; removed with the job
    bool ready_ = false;                        // somewhere to print to
    bool begun_ = false;
    bool active_ = false; // the painter is on the printer
    bool ended_ = false;
    double y_ = 0; // top of the next printed line, device units
    int pages_ = 1;
    QString fontName_ = QStringLiteral("Arial");
    double fontSize_ = 10;
    QFont font_;
    LineStyle style_ = LineStyle::Solid;
};

// Prints a document into a PDF file through the program's print path (as toPdf, so a
// failure leaves any previous file whole). Answers the number of pages written, or the error
// naming the file.
Result<int> PrintToPdfFile(const QString& pdfPath, const QString& documentName,
                           const std::function<void(PrintJob&)>& document, Paper paper = Paper::A4);

// Sets a printer up as the program's PDF printouts are: A4 pages, margins of 10 mm.
void SetUpPdfPrinter(QPrinter& printer, const QString& pdfPath, const QString& documentName,
                     Paper paper = Paper::A4);

// Where the PDF of a printout is first offered: pdfName in folder, or in the user's documents
// folder when folder is not usable. Characters that file names may not hold become "_". An
// existing file of that name is offered all the same: the dialog asks before replacing it.
QString OfferedPdfPath(const QString& folder, const QString& pdfName);

} // namespace corvane
