#pragma once

#include <QPushButton>
#include <QString>

namespace corvane {

// A command button named as the windows' code and tests know it, with its tooltip.
inline QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                               const QString& tip) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(tip);
    return button;
}

} // namespace corvane
