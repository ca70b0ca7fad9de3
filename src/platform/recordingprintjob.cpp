#include "platform/recordingprintjob.h"

#include <QFont>
#include <QPainter>
#include <QPen>

#include <cmath>

namespace corvane {

std::string PrintRecord::text() const {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out += '\n';
        out += lines[i];
    }
    return out;
}

std::vector<PrintedShape> PrintRecord::shapesOf(PrintedShape::Kind kind) const {
    std::vector<PrintedShape> out;
    for (const PrintedShape& shape : shapes) {
        if (shape.kind == kind)
            out.push_back(shape);
    }
    return out;
}

RecordingPrintJob::RecordingPrintJob(std::shared_ptr<PrintRecord> record, Page page, QString okText,
                                     std::optional<Error> failure)
    : record_(std::move(record)), page_(page), okText_(std::move(okText)),
      failure_(std::move(failure)) {}

void RecordingPrintJob::setFont(const QString& name, double size) {
    fontName_ = name;
    fontSize_ = size;
    record_->fonts.push_back({name, size, record_->lines.size()});
}

void RecordingPrintJob::print(const PrintLine& line) {
    record_->printLines.push_back(line);
    for (std::string& text : RenderPrintLine(line))
        record_->lines.push_back(std::move(text));
}

QImage& RecordingPrintJob::pageImage() {
    if (!pageOpen_) {
        pageOpen_ = true;
        const double k = PrintRecord::kPixelsPerMm;
        PrintedPage page;
        page.landscape = landscape_;
        page.image = QImage(QSize(static_cast<int>(std::lround(pageWidthMm() * k)),
                                  static_cast<int>(std::lround(pageHeightMm() * k))),
                            QImage::Format_RGB32);
        page.image.fill(Qt::white);
        // Points of a font come out their true size on the page.
        page.image.setDotsPerMeterX(static_cast<int>(k * 1000));
        page.image.setDotsPerMeterY(static_cast<int>(k * 1000));
        record_->pages.push_back(std::move(page));
    }
    return record_->pages.back().image;
}

void RecordingPrintJob::newPage() {
    if (!pageOpen_)
        pageImage(); // an empty page, as a printer feeds one
    pageOpen_ = false;
}

void RecordingPrintJob::paint(const QRectF& mm, const Painting& painting) {
    const double k = PrintRecord::kPixelsPerMm;
    const QRectF device(mm.left() * k, mm.top() * k, mm.width() * k, mm.height() * k);
    QPainter painter(&pageImage());
    painter.setClipRect(device);
    painting(painter, device, k);
}

void RecordingPrintJob::drawLine(double x1, double y1, double x2, double y2) {
    {
        const double k = PrintRecord::kPixelsPerMm;
        QPainter painter(&pageImage());
        painter.setPen(QPen(Qt::black, 1));
        painter.drawLine(QPointF(x1 * k, y1 * k), QPointF(x2 * k, y2 * k));
    }
    PrintedShape shape;
    shape.kind = PrintedShape::Kind::Line;
    shape.x1 = x1;
    shape.y1 = y1;
    shape.x2 = x2;
    shape.y2 = y2;
    shape.style = style_;
    record_->shapes.push_back(shape);
}

void RecordingPrintJob::drawDot(double x, double y) {
    PrintedShape shape;
    shape.kind = PrintedShape::Kind::Dot;
    shape.x1 = x;
    shape.y1 = y;
    record_->shapes.push_back(shape);
}

void RecordingPrintJob::drawText(double x, double y, const QString& text) {
    {
        const double k = PrintRecord::kPixelsPerMm;
        QPainter painter(&pageImage());
        QFont font(fontName_);
        font.setPointSizeF(fontSize_ > 0 ? fontSize_ : 10);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x * k, y * k, textWidthMm(text) * k * 2, textHeightMm(text) * k),
                         Qt::AlignLeft | Qt::AlignTop, text);
    }
    PrintedShape shape;
    shape.kind = PrintedShape::Kind::Text;
    shape.x1 = x;
    shape.y1 = y;
    shape.text = text;
    shape.fontName = fontName_;
    shape.fontSize = fontSize_;
    record_->shapes.push_back(shape);
}

double RecordingPrintJob::textWidthMm(const QString& text) const {
    return text.size() * kCharWidthEm * fontSize_ * kMmPerPoint;
}

double RecordingPrintJob::textHeightMm(const QString&) const {
    return kTextHeightEm * fontSize_ * kMmPerPoint;
}

Result<QString> RecordingPrintJob::endDocument() {
    record_->ended = true;
    if (failure_)
        return *failure_;
    return okText_;
}

} // namespace corvane
