#include "platform/windowsize.h"

#include <QRegularExpression>
#include <QScreen>
#include <QWidget>

namespace corvane {

namespace {

const QString kSection = QStringLiteral("Windows");

// Below this a window shows nothing useful; a stored size beneath it was never a user's.
constexpr int kSmallestSide = 100;

} // namespace

std::optional<QSize> StoredWindowSize(Desktop& desktop, const QString& key) {
    static const QRegularExpression form(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
    const QRegularExpressionMatch match = form.match(desktop.setting(kSection, key, QString()));
    if (!match.hasMatch())
        return std::nullopt;
    const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
    if (size.width() < kSmallestSide || size.height() < kSmallestSide)
        return std::nullopt;
    return size;
}

void RestoreWindowSize(Desktop& desktop, QWidget& window, const QString& key, QSize fitted) {
    QSize size = StoredWindowSize(desktop, key).value_or(fitted);
    size = size.expandedTo(window.minimumSizeHint());
    if (const QScreen* screen = window.screen())
        size = size.boundedTo(screen->availableGeometry().size());
    window.resize(size);
}

void StoreWindowSize(Desktop& desktop, const QWidget& window, const QString& key) {
    if (window.isMaximized() || window.isMinimized() || window.isFullScreen())
        return;
    const QSize size = window.size();
    desktop.setSetting(kSection, key, QStringLiteral("%1x%2").arg(size.width()).arg(size.height()));
}

} // namespace corvane
