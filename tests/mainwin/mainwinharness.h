#pragma once

#include "core/model/records.h"
#include "mainwin/frmcorvane.h"
#include "platform/scripteddesktop.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace corvane::testing {

// The sample plan's files, copied under another folder and base name so a test may change
// them.
inline bool CopySamplePlan(const QString& folder, const QString& base = QStringLiteral("D20417")) {
    const QString source = QStringLiteral(CORVANE_SOURCE_DIR "/examples/D20417");
    QDir().mkpath(folder);
    for (const char* ext : {".lns", ".ply", ".cve", ".sdb"}) {
        const QString to = folder + QLatin1Char('/') + base + QLatin1String(ext);
        QFile::remove(to);
        if (!QFile::copy(source + QLatin1String(ext), to))
            return false;
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
    }
    return true;
}

// The sample plan's parcels in file order.
inline const QStringList kSampleParcels{"OB1", "AL1", "AL2", "AL3", "AL4",
                                        "AL5", "AL6", "AL7", "RD1", "EA1"};

inline bool WriteText(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

inline QByteArray ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QStringList ListTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
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
    // Clears the records, queues the texts for the dialogs to come and runs a command.
    void run(const QString& name, const QStringList& texts = {}) {
        desktop.clearRecords();
        desktop.texts.assign(texts.begin(), texts.end());
        if (name.startsWith("cmd"))
            click(name);
        else
            trigger(name);
    }
    QString planPath() const { return QString::fromStdString(plan.PlanPath); }
    // The messages shown since the records were last cleared: "title: text".
    QStringList messages() const {
        QStringList shown;
        for (const DesktopCall& call : desktop.messages())
            shown << call.title + QStringLiteral(": ") + call.text;
        return shown;
    }
};

// The sample plan copied to a folder of its own (with extra lines added to its lines file
// when given) and opened in a main window on a scripted desktop.
struct OpenedSample {
    QTemporaryDir dir;
    std::unique_ptr<Harness> h;
    explicit OpenedSample(const QByteArray& extraLines = {}) {
        CopySamplePlan(dir.path());
        if (!extraLines.isEmpty())
            WriteText(file(".lns"), ReadText(file(".lns")) + extraLines);
        h = std::make_unique<Harness>(file(".lns"));
        h->window->startUp();
    }
    QString file(const char* ext) const {
        return dir.path() + QStringLiteral("/D20417") + QLatin1String(ext);
    }
};

// Network mode: a share holding the sample plan in its plans folder, and a working folder
// made current for the life of the object.
class Network {
  public:
    Network() : previous_(QDir::currentPath()) {
        ok = CopySamplePlan(share.path() + QStringLiteral("/DP")) && QDir::setCurrent(work.path());
    }
    ~Network() { QDir::setCurrent(previous_); }
    Network(const Network&) = delete;
    Network& operator=(const Network&) = delete;

    QString commandLine() const { return QStringLiteral("VRX") + share.path(); }
    QString onShare(const QString& name) const {
        return share.path() + QStringLiteral("/DP/") + name;
    }
    QString working(const QString& name) const { return work.path() + QLatin1Char('/') + name; }
    QStringList workingFiles() const {
        return QDir(work.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    }

    QTemporaryDir share;
    QTemporaryDir work;
    bool ok = false;

  private:
    QString previous_;
};

} // namespace corvane::testing
