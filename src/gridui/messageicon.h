#pragma once

#include "core/grid/traverse.h"
#include "platform/desktop.h"

namespace corvane {

// The message box icon of a message the traverse logic hands back.
inline Icon IconOf(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Critical:
        return Icon::Critical;
    case MessageIcon::Information:
        return Icon::Information;
    case MessageIcon::Exclamation:
        break;
    }
    return Icon::Exclamation;
}

} // namespace corvane
