#include "mainwin/startup.h"

#include "core/base/numtext.h"

#include <QFile>

namespace corvane {

namespace {
constexpr int kDefaultFontSize = 10;
const QString kDefaultFontName = QStringLiteral("Arial");
} // namespace

QString CommandLineFromArguments(const QStringList& arguments) {
    return arguments.join(QLatin1Char(' '));
}

FontChoice ReportFontFromSettings(Desktop& desktop) {
    FontChoice font;
    const QString sizeText = desktop.setting(QStringLiteral("Startup"), QStringLiteral("FontSize"),
                                             QStringLiteral("10"));
    const double size = Val(toCore(sizeText));
    font.size = size >= 1.0 && size <= 1000.0 ? static_cast<int>(size) : kDefaultFontSize;
    font.name =
        desktop.setting(QStringLiteral("Startup"), QStringLiteral("FontName"), kDefaultFontName);
    if (font.name.trimmed().isEmpty())
        font.name = kDefaultFontName;
    return font;
}

} // namespace corvane
