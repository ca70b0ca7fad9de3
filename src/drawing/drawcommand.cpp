#include "drawing/drawcommand.h"

#include "core/exchange/dxfexport.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/cli/plancheck.h"
#include "core/files/linesfile.h"
#include "core/geometry/plancoords.h"
#include "drawing/planfurniture.h"
#include "platform/qtprintjob.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgGenerator>
#include <cmath>

namespace corvane {

namespace {

int refuse(std::ostream& err, const QString& message) {
    err << message.toStdString() << '\n';
    return 2;
}

std::optional<QSize> sizeOf(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$"));
    const auto match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
    if (size.width() < 16 || size.height() < 16 || size.width() > 20000 || size.height() > 20000)
        return std::nullopt;
    return size;
}

// The picture, and at its foot a title line: the plan and the scale it is shown at
// on a screen of 96 dots per inch.
void paint(QPainter& painter, const PlanContent& content, QSize size, bool points, bool parcels,
           bool bearings) {
    const ViewScale view = OpeningView(content, static_cast<double>(size.width()) / size.height());
    const QRectF area(QPointF(0, 0), QSizeF(size));
    RenderPlanPicture(painter, area, view, PictureOf(content, view, points, parcels, bearings),
                      QGuiApplication::font());
    const double shownAt = std::abs(view.Width) * 1000 / (size.width() / kScreenUnitsPerMm);
    painter.setPen(Qt::black);
    painter.setFont(QGuiApplication::font());
    painter.drawText(area.adjusted(8, 8, -8, -8), Qt::AlignRight | Qt::AlignBottom,
                     PathFromCore(FileNameOf(content.PlanPath)) + QStringLiteral("  ") +
                         ScaleText(std::round(shownAt)));
}

} // namespace

QString WritePlanPicture(const PlanContent& content, const QString& file, QSize size, bool points,
                         bool parcels, bool bearings) {
    const QString suffix = QFileInfo(file).suffix().toLower();
    // Written beside the target under a passing name and put in place whole.
    QSaveFile target(file);
    if (!target.open(QIODevice::WriteOnly))
        return QStringLiteral("Cannot write ") + file + QStringLiteral(": ") + target.errorString();
    if (suffix == QLatin1String("png")) {
        QImage image(size, QImage::Format_RGB32);
        QPainter painter(&image);
        paint(painter, content, size, points, parcels, bearings);
        painter.end();
        if (!image.save(&target, "PNG"))
            return QStringLiteral("Cannot write ") + file;
    } else if (suffix == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&target);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(content.Caption);
        QPainter painter(&svg);
        paint(painter, content, size, points, parcels, bearings);
    } else {
        target.cancelWriting();
        return QStringLiteral("The picture file must end in .png or .svg: ") + file;
    }
    if (!target.commit())
        return QStringLiteral("Cannot write ") + file + QStringLiteral(": ") + target.errorString();
    return {};
}

int RunDrawCommand(const CommandLine& command, std::ostream& out, std::ostream& err) {
    if (int answered = AnswerUsage(command, out, err); answered >= 0)
        return answered;
    const QString file = QString::fromLocal8Bit(command.value("--out"));
    const QString suffix = QFileInfo(file).suffix().toLower();
    const bool dxf = suffix == QLatin1String("dxf");
    if (suffix != QLatin1String("png") && suffix != QLatin1String("pdf") &&
        suffix != QLatin1String("svg") && !dxf)
        return refuse(err, QStringLiteral("The picture file must end in .png, .pdf, .svg or "
                                          ".dxf: ") +
                               file);
    std::optional<QSize> size = QSize(1600, 1200);
    if (command.Values.count("--size"))
        size = sizeOf(QString::fromStdString(command.value("--size")));
    if (!size)
        return refuse(err, QStringLiteral("--size must be WIDTHxHEIGHT in pixels, as 1600x1200"));
    double scale = 0;
    if (command.Values.count("--scale")) {
        auto s = NumberField(command.value("--scale"), 1, 1e9);
        if (!s || suffix != QLatin1String("pdf"))
            return refuse(err,
                          QStringLiteral("--scale needs a number of 1 or more and a .pdf FILE"));
        scale = *s;
    }
    Paper paper = Paper::A4;
    if (command.Values.count("--paper")) {
        const QString named = QString::fromStdString(command.value("--paper")).toUpper();
        if ((named != QLatin1String("A4") && named != QLatin1String("A3")) ||
            suffix != QLatin1String("pdf"))
            return refuse(err, QStringLiteral("--paper needs A4 or A3 and a .pdf FILE"));
        paper = named == QLatin1String("A3") ? Paper::A3 : Paper::A4;
    }

    PlanState plan;
    if (Result<void> loaded = LoadCommandPlan(command.Plan, plan, err); !loaded)
        return refuse(err, fromCore(loaded.error().message));
    WholePlanDrawing drawing = PrepareWholePlanDrawing(plan.PlanLines, plan.PlanPath);
    for (const Error& problem : drawing.Problems)
        err << Latin1ToUtf8(problem.message) << '\n';
    if (dxf) {
        // The drawing for CAD, in plan metres: the same lines the view draws.
        auto written = WritePlanDxf(drawing, PathToCore(file));
        if (!written)
            return refuse(err, fromCore(written.error().message));
        const DxfSummary& summary = written.value();
        if (!summary.notFixed.empty()) {
            err << "Points not fixed, left out:";
            for (const std::string& label : summary.notFixed)
                err << ' ' << label;
            err << '\n';
        }
        out << "Plan drawn in " << file.toStdString() << ": " << summary.lines << " lines, "
            << summary.arcs << " arcs, " << summary.texts << " texts\n";
        return 0;
    }
    const PlanContent content = PlanContent::ofWholePlan(std::move(drawing), plan.PlanPath);
    const bool points = command.has("--points");
    const bool parcels = command.has("--parcels");
    const bool bearings = command.has("--bearings");

    if (suffix == QLatin1String("pdf")) {
        // The printout itself, through the program's own print path: at the smallest standard
        // scale that fits a sheet of the paper, or at the scale asked on as many sheets as it
        // needs.
        const bool a3 = paper == Paper::A3;
        const PrintLayout planned =
            PlanPrintLayout(content, points, parcels, a3 ? kPdfA3WidthMm : kPdfPageWidthMm,
                            a3 ? kPdfA3HeightMm : kPdfPageHeightMm, scale);
        if (planned.Sheets.empty())
            return refuse(err, TooManySheetsText(planned));
        PrintLayout layout;
        auto printed = PrintToPdfFile(
            file, content.Caption,
            [&](PrintJob& job) {
                layout = PrintPlanView(job, content, points, parcels, bearings, scale, TodayText());
            },
            paper);
        if (!printed)
            return refuse(err, fromCore(printed.error().message));
        out << "Plan drawn in " << file.toStdString() << " at 1:" << Format(layout.Scale, "0")
            << " on " << layout.Sheets.size() << (layout.Sheets.size() == 1 ? " sheet" : " sheets")
            << '\n';
        return 0;
    }
    if (QString failure = WritePlanPicture(content, file, *size, points, parcels, bearings);
        !failure.isEmpty())
        return refuse(err, failure);
    out << "Plan drawn in " << file.toStdString() << '\n';
    return 0;
}

} // namespace corvane
