#pragma once

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QSet>
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

// Gives every entry of a menu that has none an access key (the underlined letter), so each
// can be chosen from the keyboard; the captions keep their words. The first letter of a word
// not yet taken in the menu is preferred, then any other letter or digit not taken, then the
// first letter.
inline void AssignAccessKeys(QMenu* menu) {
    QSet<QChar> used;
    const QList<QAction*> actions = menu->actions();
    for (QAction* action : actions) {
        const QString text = action->text();
        const qsizetype amp = text.indexOf(QLatin1Char('&'));
        if (amp >= 0 && amp + 1 < text.size())
            used.insert(text.at(amp + 1).toLower());
    }
    for (QAction* action : actions) {
        const QString text = action->text();
        if (action->isSeparator() || text.isEmpty() || text.contains(QLatin1Char('&')))
            continue;
        qsizetype chosen = -1;
        for (int pass = 0; pass < 2 && chosen < 0; ++pass) {
            for (qsizetype i = 0; i < text.size(); ++i) {
                const QChar c = text.at(i);
                const bool wordStart = i == 0 || !text.at(i - 1).isLetterOrNumber();
                if (c.isLetterOrNumber() && (pass == 1 || wordStart) &&
                    !used.contains(c.toLower())) {
                    chosen = i;
                    break;
                }
            }
        }
        // Every letter taken: the first one is shared (the key then steps between them).
        if (chosen < 0)
            for (qsizetype i = 0; i < text.size() && chosen < 0; ++i)
                if (text.at(i).isLetterOrNumber())
                    chosen = i;
        if (chosen < 0)
            continue;
        used.insert(text.at(chosen).toLower());
        action->setText(text.left(chosen) + QLatin1Char('&') + text.mid(chosen));
    }
}

} // namespace corvane
