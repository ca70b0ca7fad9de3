#include "mainwin/frmcorvane.h"

#include <QCoreApplication>

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "0.1.0"
#endif

namespace corvane {

void frmCorvane::mnuContents_Click() {
    desktop_.showHelp(ProgramHelpFile());
}

void frmCorvane::mnuAbout_Click() {
    desktop_.message(QStringLiteral("CORVANE\n"
                                    "Cadastral survey plan entry and closure checking\n"
                                    "Version " CORVANE_VERSION "\n\n"
                                    "Written by the Corvane developers.\n"
                                    "Built with Qt ") +
                         QString::fromLatin1(qVersion()),
                     QStringLiteral("About CORVANE"), Icon::Exclamation);
}

} // namespace corvane
