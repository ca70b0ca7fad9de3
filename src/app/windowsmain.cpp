#include "app/windowsmain.h"
#include "core/cli/commandline.h"
#include "core/model/records.h"
#include "drawing/drawcommand.h"
#include "mainwin/frmcorvane.h"
#include "mainwin/startup.h"
#include "platform/qtdesktop.h"
#include "reports/reportcommand.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QStringList>
#include <iostream>
#include <string>
#include <vector>

// The windows, and the command-line modes that paint (pictures, PDF files). The program has
// already run every other mode itself.
extern "C" int CorvaneWindowsMain(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const corvane::CommandLine command = corvane::ParseCommandLine(args);
    const bool drawing = command.Mode == corvane::CommandMode::Draw;
    const bool report = command.Mode == corvane::CommandMode::Report;
    if ((drawing || report) && command.Refusal.empty()) {
        // Pictures, fonts and PDF files need Qt's painting, not a display.
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        if (drawing)
            return corvane::RunDrawCommand(command, std::cout, std::cerr);
        corvane::QtDesktop desktop;
        return corvane::RunReportCommand(command, corvane::ReportFontFromSettings(desktop),
                                         std::cout, std::cerr);
    }

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));

    QStringList arguments = app.arguments().mid(1);
    // Developers' option: "--screenshot FILE" saves a picture of the main window once the
    // plan is open, and ends the program.
    QString screenshot;
    const qsizetype option = arguments.indexOf(QStringLiteral("--screenshot"));
    if (option >= 0 && option + 1 < arguments.size()) {
        screenshot = arguments.at(option + 1);
        arguments.remove(option, 2);
    }

    corvane::QtDesktop desktop;
    corvane::PlanState plan;
    corvane::frmCorvane window(plan, desktop, corvane::CommandLineFromArguments(arguments));
    desktop.setMainWindow(&window);
    if (!window.startUp())
        return 0;

    if (!screenshot.isEmpty()) {
        QApplication::processEvents();
        return window.grab().save(screenshot) ? 0 : 1;
    }
    return QApplication::exec();
}
