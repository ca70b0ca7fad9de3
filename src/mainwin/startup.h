#pragma once

#include "platform/desktop.h"

#include <QString>
#include <QStringList>
#include <string>

namespace corvane {

// The program's command line as the modes read it: the arguments joined by single blanks
// (a single argument as it is).
QString CommandLineFromArguments(const QStringList& arguments);

// The report font of the settings store (section "Startup"): "FontName" (default "Arial")
// and the numeric value of "FontSize" (default 10; a size of 0 or less, or no number at
// all, takes the default).
FontChoice ReportFontFromSettings(Desktop& desktop);

} // namespace corvane
