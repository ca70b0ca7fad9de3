#pragma once

#include "platform/desktop.h"

#include <QSize>
#include <QString>
#include <optional>

class QWidget;

namespace corvane {

// The size a window was last left at, kept per user in the settings store (section "Windows",
// one key per window, as "WIDTHxHEIGHT" in pixels). A text that is not such a size, or a size
// too small to work in, is no size at all.
std::optional<QSize> StoredWindowSize(Desktop& desktop, const QString& key);

// Sizes a window as the user last left it, else to the fitted size; either way no larger
// than the screen's free area and no smaller than its controls need.
void RestoreWindowSize(Desktop& desktop, QWidget& window, const QString& key, QSize fitted);

// Keeps the window's size for the next run. For a maximised, minimised or full-screen window
// the stored size stays as it was, as that is the one the user chose.
void StoreWindowSize(Desktop& desktop, const QWidget& window, const QString& key);

} // namespace corvane
