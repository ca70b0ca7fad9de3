#include "platform/recordingprintjob.h"

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

void RecordingPrintJob::drawLine(double x1, double y1, double x2, double y2) {
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
