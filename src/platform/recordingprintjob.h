#pragma once

#include "platform/desktop.h"

#include <QImage>
#include <QString>
#include <memory>
#include <string>
#include <vector>

namespace corvane {

// A shape or placed text put on the page, in millimetres from the top left.
struct PrintedShape {
    enum class Kind { Line, Dot, Text };
    Kind kind = Kind::Line;
    double x1 = 0;
    double y1 = 0;
    double x2 = 0; // lines only
    double y2 = 0;
    QString text; // texts only
    LineStyle style = LineStyle::Solid;
    QString fontName;
    double fontSize = 0;
};

// A font change and the first rendered line printed in it.
struct PrintFontChange {
    QString name;
    double size = 0;
    std::size_t fromLine = 0; // index into PrintRecord::lines
};

// One page as a picture: what was painted on it and its shapes and placed texts, at
// PrintRecord::kPixelsPerMm, white where nothing was put.
struct PrintedPage {
    bool landscape = false;
    QImage image;
};

// Everything one print job put on paper, kept after the job itself is gone.
struct PrintRecord {
    static constexpr double kPixelsPerMm = 4; // about 100 dots per inch
    QString documentName;
    QString planFolder;
    std::vector<PrintLine> printLines;  // as the program printed them
    std::vector<std::string> lines;     // the same rendered as text, columns as spaces
    std::vector<PrintedShape> shapes;   // lines, dots and placed texts in drawing order
    std::vector<PrintFontChange> fonts; // every setFont, in order
    std::vector<PrintedPage> pages;     // begun by the first thing drawn or painted
    bool ended = false;                 // endDocument was called

    // The rendered lines joined by line feeds, for comparison with an expected printout.
    std::string text() const;
    std::vector<PrintedShape> shapesOf(PrintedShape::Kind kind) const;
};

// A print job that prints nowhere and records what it was given. Text measures follow a
// fixed-pitch model so results do not depend on installed fonts: a character is 0.6 of the
// font size wide and a text 1.2 of the font size high (1 point = 25.4 / 72 mm).
class RecordingPrintJob : public PrintJob {
  public:
    static constexpr double kCharWidthEm = 0.6;
    static constexpr double kTextHeightEm = 1.2;
    static constexpr double kMmPerPoint = 25.4 / 72.0;

    struct Page {
        double widthMm = 190;
        double heightMm = 277;
    };
    // endDocument answers ok with okText, or the error when one is given.
    RecordingPrintJob(std::shared_ptr<PrintRecord> record, Page page, QString okText,
                      std::optional<Error> failure = std::nullopt);

    using PrintJob::print;
    void setFont(const QString& name, double size) override;
    void print(const PrintLine& line) override;
    void drawLine(double x1, double y1, double x2, double y2) override;
    void drawDot(double x, double y) override;
    void drawText(double x, double y, const QString& text) override;
    double pageWidthMm() const override { return landscape_ ? page_.heightMm : page_.widthMm; }
    double pageHeightMm() const override { return landscape_ ? page_.widthMm : page_.heightMm; }
    void setLineStyle(LineStyle style) override { style_ = style; }
    QString fontName() const override { return fontName_; }
    double fontSize() const override { return fontSize_; }
    double textWidthMm(const QString& text) const override;
    double textHeightMm(const QString& text) const override;
    void setLandscape(bool landscape) override { landscape_ = landscape; }
    void newPage() override;
    void paint(const QRectF& mm, const Painting& painting) override;
    Result<QString> endDocument() override;

    const PrintRecord& record() const { return *record_; }

  private:
    // The picture of the page being printed, begun when first needed.
    QImage& pageImage();

    std::shared_ptr<PrintRecord> record_;
    bool landscape_ = false;
    bool pageOpen_ = false;
    Page page_;
    QString okText_;
    std::optional<Error> failure_;
    LineStyle style_ = LineStyle::Solid;
    QString fontName_ = QStringLiteral("Arial");
    double fontSize_ = 10;
};

} // namespace corvane
