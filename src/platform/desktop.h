#pragma once

#include "core/base/printtext.h"
#include "core/base/result.h"

#include <QFile>
#include <QRectF>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QPainter;
class QWidget;

namespace corvane {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

struct FontChoice {
    QString name = QStringLiteral("Arial");
    int size = 10;
};

// How a printed line is drawn: boundaries solid, lines of construction parcels dotted,
// easement lines dashed, sides of the parcels a plan shows only in part in long grey dashes.
enum class LineStyle { Solid, Dotted, Dashed, LongDashed };

// A print surface: texts at print-tab columns in the current font, and shapes placed in
// millimetres from the top left of the page's printable area.
// Printed lines run down the page from its top, one line spacing of the current font each;
// column n starts n - 1 average character widths from the left edge; a full page is followed
// by a new one. Shapes and placed texts do not move the position of the printed lines.
// The sheet a printout is written on when it goes to a PDF file.
enum class Paper { A4, A3 };

class PrintJob {
  public:
    virtual ~PrintJob() = default;
    virtual void setFont(const QString& name, double size) = 0;
    virtual void print(const PrintLine& line) = 0;
    void print(const std::string& text) { print(PrintLine(text)); }
    void emptyLine() { print(PrintLine()); }
    virtual void drawLine(double x1, double y1, double x2, double y2) = 0;
    virtual void drawDot(double x, double y) = 0;
    // A text with its top left corner at (x, y).
    virtual void drawText(double x, double y, const QString& text) = 0;
    virtual double pageWidthMm() const = 0;
    virtual double pageHeightMm() const = 0;
    // The style of the lines drawn from now on (solid to begin with).
    virtual void setLineStyle(LineStyle style) = 0;
    // The current font as set last (Arial 10 until setFont is called).
    virtual QString fontName() const = 0;
    virtual double fontSize() const = 0;
    // The size a text takes on the page in the current font, to keep labels on the paper.
    virtual double textWidthMm(const QString& text) const = 0;
    virtual double textHeightMm(const QString& text) const = 0;
    // Turns the sheet (landscape: its long side across) for the pages begun from now on; the
    // first page takes the turn set before anything is put on it.
    virtual void setLandscape(bool landscape) = 0;
    // Ends the page and begins the next; texts printed by lines start again at its top.
    virtual void newPage() = 0;
    // Paints a picture into a rectangle of the page given in millimetres: `painting` gets the
    // page's painter, clipped to that rectangle, the rectangle in the painter's device units,
    // and the device's pixels per millimetre (to size pens and marks on paper).
    using Painting = std::function<void(QPainter&, const QRectF& device, double pixelsPerMm)>;
    virtual void paint(const QRectF& mm, const Painting& painting) = 0;
    // Ends the document. On success the text says where it went (the printer's name, or the
    // PDF file written where no printer is installed). A job dropped without ending it is
    // abandoned: nothing half-printed is delivered.
    virtual Result<QString> endDocument() = 0;
};

// Everything a window asks of the desktop. The Qt implementation shows real dialogs; the
// scripted one answers from a queue and records every call, so tests drive every window.
class Desktop {
  public:
    virtual ~Desktop() = default;

    // The window dialogs are centred on and owned by (the main window).
    virtual void setMainWindow(QWidget* window) = 0;

    virtual Answer message(const QString& text, const QString& title, Icon icon = Icon::Exclamation,
                           Buttons buttons = Buttons::Ok, Answer defaultButton = Answer::Ok) = 0;
    // The message box of an error: its message, title and icon, with an OK button.
    void showError(const Error& error);
    // Empty text when cancelled.
    // A list to choose one entry from; the entry's index, or -1 when cancelled.
    virtual int chooseItem(const QString& prompt, const QString& title,
                           const QStringList& items) = 0;
    virtual QString inputBox(const QString& prompt, const QString& title,
                             const QString& defaultText = QString()) = 0;
    // filter in the form "CORVANE files (*.LNS)|*.lns"; a name that does not exist is
    // accepted; empty text when cancelled.
    virtual QString openFileDialog(const QString& filter, const QString& title,
                                   const QString& initialName) = 0;
    // A dialog naming a file to write, with a "Save" button, starting in initialFolder. It
    // never asks about replacing a file: the command decides what an existing name means.
    // Empty text when cancelled.
    virtual QString saveFileDialog(const QString& filter, const QString& title,
                                   const QString& initialFolder) = 0;
    virtual std::optional<FontChoice> chooseFont(const FontChoice& current) = 0;

    // Starts a print job named documentName in the printer's queue. With a printer installed
    // the print dialog lets the user choose one; without, a save dialog asks where to write
    // the PDF, offering pdfName in planFolder (PrintoutPdfName). A null job when the user
    // cancelled either dialog: nothing is printed and nothing more is said.
    // paper: the sheet a PDF is written on, and the paper first offered by the print dialog.
    virtual std::unique_ptr<PrintJob> startPrint(const QString& documentName,
                                                 const QString& planFolder, const QString& pdfName,
                                                 Paper paper = Paper::A4) = 0;

    // Shows a document in the print preview, from which the user may print it (to a chosen
    // printer, or to a PDF offered as pdfName in planFolder). document puts the whole document
    // on the job it is given, whenever the preview or the printer needs it, so the pages
    // printed are the pages previewed. nullopt when the preview was closed without printing;
    // otherwise how the printing ended, as endDocument answers.
    virtual std::optional<Result<QString>>
    previewPrint(const QString& documentName, const QString& planFolder, const QString& pdfName,
                 const std::function<void(PrintJob&)>& document) = 0;

    // Per-user settings: application "Corvane".
    virtual QString setting(const QString& section, const QString& key,
                            const QString& defaultValue) = 0;
    virtual void setSetting(const QString& section, const QString& key, const QString& value) = 0;

    // Claims the per-user single-instance lock; false when another instance holds it.
    virtual bool claimSingleInstance() = 0;

    virtual void showHelp(const QString& helpFile) = 0;
    virtual void closeAllHelp() = 0;

    // Opens a file in the user's text editor, never in this program and never through a
    // shell command string. The error says why no editor started and how to choose one.
    virtual Result<void> openInTextEditor(const QString& path) = 0;

    virtual void beginBusy() = 0;
    virtual void endBusy() = 0;
};

// The hourglass for the life of a command; restored however the command ends.
class BusyCursor {
  public:
    explicit BusyCursor(Desktop& desktop) : desktop_(desktop) { desktop_.beginBusy(); }
    ~BusyCursor() { desktop_.endBusy(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

  private:
    Desktop& desktop_;
};

// The printable area of a printout written to a PDF (A4 less margins of 10 mm), which fixes
// the scale of a plan printed there before the file is named.
inline constexpr double kPdfPageWidthMm = 190;
inline constexpr double kPdfPageHeightMm = 277;
// The same on A3, the larger sheet a plan may be printed on.
inline constexpr double kPdfA3WidthMm = 277;
inline constexpr double kPdfA3HeightMm = 400;

// The PDF file offered for a printout of a plan: the plan's identifier (the base name of
// planPath) and what is printed, as "D20417 summary.pdf".
QString PrintoutPdfName(const std::string& planPath, const QString& what);

// What a completed printout says: where it went, a printer's name or the PDF file written.
inline QString PrintedToText(const QString& target) {
    return QStringLiteral("Printed to ") + target;
}

// Today's date as the desktop writes short dates, for the "Printed on" lines.
QString TodayText();

// The user guide: next to the program, or in the documentation folder of an installed one.
QString ProgramHelpFile();

// Core text is 8-bit (Latin-1) as the plan files hold it.
inline QString fromCore(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string toCore(const QString& text) {
    return text.toLatin1().toStdString();
}

inline void Desktop::showError(const Error& error) {
    message(fromCore(error.message), fromCore(error.title), error.icon);
}

// File paths are held in the core as the file system's own bytes, so folders with any name
// work; identifiers and file contents stay Latin-1.
inline std::string PathToCore(const QString& path) {
    return QFile::encodeName(path).toStdString();
}
inline QString PathFromCore(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace corvane
