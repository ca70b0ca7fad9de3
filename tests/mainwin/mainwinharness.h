#pragma once

#include "core/records.h"
#include "mainwin/frmcorvane.h"
#include "platform/scripteddesktop.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTest>
#include <memory>

namespace corvane::testing {

// The sample plan's files, copied under another folder and base name so a test may change
// them.
inline bool CopySamplePlan(const QString& folder, const QString& base = QStringLiteral("D20417")) {
    const QString source = QStringLiteral(CORVANE_SOURCE_DIR "/examples/D20417");
    QDir().mkpath(folder);
    for (const char* ext : {".lns", ".ply", ".cve", ".sdb"}) {
        const QString from = source + QLatin1String(ext);
        const QString to = folder + QLatin1Char('/') + base + QLatin1String(ext);
        QFile::remove(to);
        if (QFile::exists(from) && !QFile::copy(from, to))
            return false;
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
    }
    return true;
}

// The parcel identifiers of a polygons file, in file order, as the parcel list must show
// them.
inline QStringList ParcelsOfFile(const QString& polygonsFile) {
    QStringList identifiers;
    QFile file(polygonsFile);
    if (!file.open(QIODevice::ReadOnly))
        return identifiers;
    while (!file.atEnd()) {
        const QString line = QString::fromLatin1(file.readLine());
        if (line.startsWith(QLatin1Char('"')))
            identifiers << line.section(QLatin1Char('"'), 1, 1);
    }
    return identifiers;
}

inline bool WriteText(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(content) == content.size();
}

inline QByteArray ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A main window on a scripted desktop. Ending the program only counts, so a test can check
// that Exit ended it without ending the test.
class Harness {
  public:
    explicit Harness(const QString& commandLine) {
        window = std::make_unique<frmCorvane>(plan, desktop, commandLine);
        window->setQuitFunction([this] { ++quits; });
        desktop.setMainWindow(window.get());
    }

    PlanState plan;
    ScriptedDesktop desktop;
    std::unique_ptr<frmCorvane> window;
    int quits = 0;

    template <typename T> T* find(const QString& name) const { return window->findChild<T*>(name); }
    QAction* action(const QString& name) const { return find<QAction>(name); }
    void trigger(const QString& name) const {
        QAction* command = action(name);
        QVERIFY2(command, qPrintable(name));
        command->trigger();
    }
    void click(const QString& name) const {
        QPushButton* button = find<QPushButton>(name);
        QVERIFY2(button, qPrintable(name));
        button->click();
    }
    // The messages shown since the records were last cleared: "title: text".
    QStringList messages() const {
        QStringList shown;
        for (const DesktopCall& call : desktop.messages())
            shown << call.title + QStringLiteral(": ") + call.text;
        return shown;
    }
};

// The 25 controls a plan's commands hang on.
inline QStringList PlanCommandActions() {
    return {QStringLiteral("mnuConnections"), QStringLiteral("mnuPSMs"),
            QStringLiteral("mnuNewParcel"),   QStringLiteral("mnuExportParcel"),
            QStringLiteral("mnuScaledData"),  QStringLiteral("mnuSaveAs"),
            QStringLiteral("mnuPrint"),       QStringLiteral("mnuPartyWalls"),
            QStringLiteral("mnuEdit"),        QStringLiteral("mnuView"),
            QStringLiteral("mnuOptions"),     QStringLiteral("mnuCreateCoords")};
}
inline QStringList PlanCommandWidgets() {
    return {QStringLiteral("cmdConnections"), QStringLiteral("cmdPSMs"),
            QStringLiteral("cmdNewParcel"),   QStringLiteral("cmdPrint"),
            QStringLiteral("cmdFixedWidth"),  QStringLiteral("cmdDrawPlan"),
            QStringLiteral("cmdSummary"),     QStringLiteral("cmdAddPSM"),
            QStringLiteral("cmdDeletePSM"),   QStringLiteral("Frame1"),
            QStringLiteral("Label1"),         QStringLiteral("Label2"),
            QStringLiteral("Label3")};
}

} // namespace corvane::testing
