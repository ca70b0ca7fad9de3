// The main window in network mode: plans named by identifier are fetched from the share into
// working copies in the current folder and stored back on Save, Open and Exit.
#include "mainwinharness.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QStandardPaths>
#include <functional>

using namespace corvane;
using namespace corvane::testing;

namespace {

const QByteArray kAddedLine = "90,91,1.0000,5.000\r\n";

// A window of the open plan. While it closes it can check what the main window has done so
// far, and write its rows into the plan as a window's own save would.
class FakePlanWindow : public PlanWindow {
  public:
    bool open = true;
    bool staysOpen = false;
    int closes = 0;
    std::function<void()> whileClosing;

    void closeForPlanChange() override {
        ++closes;
        if (whileClosing)
            whileClosing();
        open = staysOpen;
    }
    bool isPlanWindowOpen() const override { return open; }
};

bool AppendLine(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(kAddedLine) == kAddedLine.size();
}

// The sample plan on the share, fetched by the window's start-up when start() is called.
struct Opened {
    Network net;
    Harness h{net.commandLine()};
    QString working(const char* ext) const { return net.working(QString("D20417") + ext); }
    QString onShare(const char* ext) const { return net.onShare(QString("D20417") + ext); }
    QLineEdit* surveyor() const { return h.find<QLineEdit>("txtSurveyor"); }
    bool start() {
        h.desktop.texts.push_back("D20417");
        const bool started = net.ok && h.window->startUp() && h.planPath() == "D20417";
        h.desktop.clearRecords();
        return started;
    }
};

} // namespace

class tst_NetworkMode : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void startUpFetchesThePlanNamed() {
        Opened o;
        o.h.desktop.texts.push_back("D20417");
        QVERIFY(o.net.ok && o.h.window->startUp());
        const auto asked = o.h.desktop.callsOf(DesktopCall::Kind::InputBox);
        QCOMPARE(asked.size(), size_t(1));
        QCOMPARE(asked[0].text, QStringLiteral("Enter plan identifier eg: D12345"));
        QCOMPARE(asked[0].title, QStringLiteral("Open CORVANE file"));
        for (const char* ext : {".lns", ".ply", ".sdb", ".cve"})
            QCOMPARE(ReadText(o.working(ext)), ReadText(o.onShare(ext)));
        QCOMPARE(o.h.window->windowTitle(), QStringLiteral("D20417"));
        QCOMPARE(o.h.window->parcels(), kSampleParcels);
        QCOMPARE(o.surveyor()->text(), QStringLiteral("PETER J. HALLORAN"));
        QVERIFY(o.h.action("mnuSave")->isVisible() && o.h.action("mnuClose")->isVisible());
        QVERIFY(o.h.action("mnuSaveAs")->isEnabled());
        QCOMPARE(o.h.messages(), QStringList());
    }

    // Working copies left in the current folder are used while the share is out of reach,
    // silently over a share unchanged since their fetch, and otherwise only after a question
    // (No sets them aside and fetches the share's copy).
    void workingCopiesAreUsed() {
        const QString unavailable =
            "VRX Network error: VRX network is unavailable. You can continue\nbut you will only "
            "be retrieving and saving\nfiles on your local C drive";
        const QString used =
            "Load files from Network: CORVANE will use the files found on your local drive";
        for (const char* c : {"unavailable", "no record", "set aside", "recorded"}) {
            const QString which = QString::fromLatin1(c);
            Network net;
            QVERIFY(net.ok);
            Harness h(net.commandLine() + (which == "unavailable" ? "/missing" : ""));
            if (which == "recorded") {
                // Fetched on an earlier day, and worked on since.
                NetTransfer fetched =
                    LoadFromNet(net.share.path().toStdString() + "/", "D20417", 0);
                QVERIFY(fetched.complete);
            } else {
                QVERIFY(CopySamplePlan(net.work.path()));
            }
            QVERIFY(WriteText(net.working("D20417.sdb"), "LOCAL WORK\r\n"));
            h.desktop.texts.push_back("D20417");
            if (which == "no record" || which == "set aside")
                h.desktop.answers.push_back(which == "set aside" ? Answer::No : Answer::Yes);
            QVERIFY(h.window->startUp());
            QCOMPARE(h.window->parcels(), kSampleParcels);
            if (which == "set aside") {
                QCOMPARE(h.messages().size(), 2);
                QVERIFY(h.messages()[1].contains("Your working copies of D20417 were kept as "));
                QCOMPARE(h.find<QLineEdit>("txtSurveyor")->text(),
                         QStringLiteral("PETER J. HALLORAN"));
                const QStringList kept = QDir(net.work.path()).entryList({"D20417-kept-*.sdb"});
                QCOMPARE(kept.size(), 1);
                QCOMPARE(ReadText(net.working(kept[0])), QByteArray("LOCAL WORK\r\n"));
                continue;
            }
            if (which == "unavailable")
                QCOMPARE(h.messages(), QStringList{unavailable});
            else if (which == "recorded")
                QCOMPARE(h.messages(), QStringList{used});
            else
                QVERIFY(h.messages().size() == 1 &&
                        h.messages()[0].contains("with no record of when they were fetched"));
            QCOMPARE(h.find<QLineEdit>("txtSurveyor")->text(), QStringLiteral("LOCAL WORK"));
            QCOMPARE(ReadText(net.working("D20417.sdb")), QByteArray("LOCAL WORK\r\n"));
        }
    }

    // An identifier the share cannot hold names no files: nothing is fetched, stored or
    // opened. Without a plan, Save and Close are offered but Save stores nothing.
    void invalidIdentifierIsRefused() {
        Opened o;
        o.h.desktop.texts.push_back("X12345");
        QVERIFY(o.net.ok && o.h.window->startUp());
        QCOMPARE(o.h.messages(),
                 QStringList{"Open CORVANE file error: X12345 is not a valid plan identifier"});
        QVERIFY(o.h.plan.PlanPath.empty());
        QCOMPARE(o.h.window->windowTitle(), QStringLiteral("CORVANE"));
        QVERIFY(!o.h.action("mnuSaveAs")->isEnabled());
        QVERIFY(o.h.action("mnuSave")->isVisible() && o.h.action("mnuSave")->isEnabled());
        QVERIFY(o.h.action("mnuClose")->isVisible() && o.h.action("mnuClose")->isEnabled());
        o.h.run("mnuSave");
        QCOMPARE(o.h.messages(), QStringList());
        QVERIFY(o.net.workingFiles().isEmpty());

        // With a plan open, the refusal keeps it open and stores nothing.
        o.h.run("mnuOpen", {"D20417"});
        const QStringList working = o.net.workingFiles();
        QVERIFY(working.contains("D20417.lns"));
        for (const char* identifier : {"X12345", "D2*", "D1/../../x"}) {
            o.h.run("mnuOpen", {identifier});
            QCOMPARE(o.h.messages(), QStringList{"Open CORVANE file error: " + QString(identifier) +
                                                 " is not a valid plan identifier"});
            QCOMPARE(o.h.planPath(), QStringLiteral("D20417"));
            QCOMPARE(o.net.workingFiles(), working);
            QVERIFY(!o.h.window->parcels().isEmpty());
        }
    }

    // Save stores the working copies and keeps working on them. Once the share is gone,
    // Save, Save As and Exit say so and the working copies keep the work.
    void saveStoresTheWorkingCopiesWhileTheShareIsThere() {
        Opened o;
        QVERIFY(o.start());
        QVERIFY(AppendLine(o.working(".lns")));
        o.surveyor()->setText("new name");
        o.h.trigger("mnuSave");
        QCOMPARE(o.h.messages(), QStringList());
        QCOMPARE(ReadText(o.onShare(".lns")), ReadText(o.working(".lns")));
        QVERIFY(ReadText(o.onShare(".lns")).endsWith(kAddedLine));
        QVERIFY(ReadText(o.onShare(".sdb")).startsWith("NEW NAME\r\n"));
        QVERIFY(!o.h.find<QCheckBox>("chkSDBchange")->isChecked());
        QVERIFY(QFile::exists(o.working(".lns")));
        QCOMPARE(o.h.planPath(), QStringLiteral("D20417"));

        const QStringList working = o.net.workingFiles();
        o.surveyor()->setText("other name");
        QVERIFY(QDir(o.net.share.path()).removeRecursively());
        o.h.trigger("mnuSave");
        QCOMPARE(o.h.messages(), QStringList{"Save error: VRX network not available"});
        o.h.run("mnuSaveAs");
        QCOMPARE(o.h.messages(), QStringList{"Save As error: VRX network not available"});
        QVERIFY(o.h.desktop.callsOf(DesktopCall::Kind::InputBox).empty());
        o.h.run("mnuExit");
        QCOMPARE(o.h.messages(),
                 QStringList{"Save files to VRX Network error: VRX network not available"});
        QCOMPARE(o.h.quits, 1);
        QCOMPARE(o.net.workingFiles(), working);
        QVERIFY(ReadText(o.working(".sdb")).startsWith("OTHER NAME\r\n"));
    }

    // Save As refuses a plan on the share, an approved plan, working copies and an invalid
    // identifier. A copy that cannot be completed keeps the working copies; a complete one
    // replaces them with the new plan's, which reaches the share when it is next stored.
    void saveAsMakesNewWorkingCopies() {
        Opened o;
        QVERIFY(QDir().mkpath(o.net.share.path() + "/DPAPP"));
        QVERIFY(WriteText(o.net.share.path() + "/DPAPP/d11111.lns", "1,2,0.0000,1.000\r\n"));
        QVERIFY(o.start());
        QVERIFY(WriteText(o.net.working("D22222.lns"), "5,6,0.0000,1.000\r\n"));
        const QStringList working = o.net.workingFiles();
        const QByteArray lines = ReadText(o.working(".lns"));
        for (const char* identifier : {"D20417", "d11111", "D22222"}) {
            o.h.run("mnuSaveAs", {identifier});
            QCOMPARE(o.h.messages(),
                     QStringList{"Save As error: " + QString(identifier) + " already exists"});
        }
        o.h.run("mnuSaveAs", {"Z1"});
        QCOMPARE(o.h.messages(), QStringList{"Save As error: Z1 is not a valid plan identifier"});
        QCOMPARE(o.net.workingFiles(), working);
        QCOMPARE(ReadText(o.net.working("D22222.lns")), QByteArray("5,6,0.0000,1.000\r\n"));
        QCOMPARE(o.h.planPath(), QStringLiteral("D20417"));
        QVERIFY(QFile::remove(o.net.working("D22222.lns")));

        QVERIFY(QDir().mkpath(o.net.working("D55555.cve")));
        o.h.run("mnuSaveAs", {"D55555"});
        QCOMPARE(o.h.planPath(), QStringLiteral("D20417"));
        QCOMPARE(o.h.messages().size(), 2);
        QVERIFY(o.h.messages()[1].endsWith("Current file is still D20417"));
        for (const char* ext : {".lns", ".ply", ".sdb", ".cve"})
            QVERIFY(QFile::exists(o.working(ext)));

        QDir work(o.net.work.path());
        for (const QString& name : work.entryList({"D55555.*"}))
            QVERIFY(work.remove(name) || work.rmdir(name));
        o.h.run("mnuSaveAs", {"D55555"});
        QCOMPARE(o.h.messages(), QStringList{"Save As completed: Current file is now D55555"});
        QCOMPARE(o.h.planPath(), QStringLiteral("D55555"));
        QCOMPARE(o.h.window->windowTitle(), QStringLiteral("D55555"));
        QCOMPARE(ReadText(o.net.working("D55555.lns")), lines);
        // The survey record goes with the plan: the old working copies are gone.
        QCOMPARE(o.net.workingFiles(),
                 (QStringList{"D55555.cve", "D55555.lns", "D55555.ply", "D55555.sdb"}));
        QVERIFY(!QFile::exists(o.net.onShare("D55555.lns")));
        QVERIFY(QFile::exists(o.onShare(".lns")));
    }

    // Open and Exit store the plan on the share and remove its working copies, other files
    // staying. Windows of the open plan close first, so what they write goes into the plan
    // they belong to and reaches the share with it.
    void openAndExitCloseThePlanWindowsThenStoreThePlan_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("open") << QStringLiteral("mnuOpen");
        QTest::newRow("exit") << QStringLiteral("mnuExit");
    }
    void openAndExitCloseThePlanWindowsThenStoreThePlan() {
        QFETCH(QString, command);
        Opened o;
        QVERIFY(CopySamplePlan(o.net.share.path() + "/DP", "D30000"));
        QVERIFY(WriteText(o.net.onShare("D30000.sdb"), "ANN SMITH\r\n"));
        QVERIFY(WriteText(o.net.working("notes.txt"), "mine\n"));
        QVERIFY(o.start());
        FakePlanWindow traverse, closedAlready, forgotten;
        closedAlready.open = false;
        o.h.window->session().registerPlanWindow(&traverse);
        o.h.window->session().registerPlanWindow(&traverse);
        o.h.window->session().registerPlanWindow(&closedAlready);
        o.h.window->session().registerPlanWindow(&forgotten);
        o.h.window->session().unregisterPlanWindow(&forgotten);
        bool storedBeforeClosing = true;
        traverse.whileClosing = [&] {
            storedBeforeClosing = !QFile::exists(o.working(".lns"));
            AppendLine(o.working(".lns"));
        };
        const QByteArray lines = ReadText(o.working(".lns")) + kAddedLine;
        o.h.run(command, {"D30000"});

        QCOMPARE(o.h.messages(), QStringList());
        QVERIFY(traverse.closes == 1 && closedAlready.closes == 0 && forgotten.closes == 0);
        QVERIFY(!storedBeforeClosing);
        QCOMPARE(ReadText(o.onShare(".lns")), lines);
        QVERIFY(!QFile::exists(o.working(".lns")));
        if (command == "mnuExit") {
            QCOMPARE(o.h.quits, 1);
            QCOMPARE(o.net.workingFiles(), QStringList{"notes.txt"});
            return;
        }
        QCOMPARE(o.h.planPath(), QStringLiteral("D30000"));
        QCOMPARE(o.surveyor()->text(), QStringLiteral("ANN SMITH"));
        QCOMPARE(o.h.plan.PlanLines.size(), size_t(34));
    }

    // A plan window that stays open keeps the plan open and unstored. Close ends the program
    // and stores nothing on the share, nor does closing the window afterwards; the survey
    // record is kept in the working copies, as Exit keeps it.
    void nothingIsStoredWhileAWindowStaysOpenOrOnClose() {
        Opened o;
        QVERIFY(o.start());
        const QByteArray shared = ReadText(o.onShare(".lns"));
        QVERIFY(AppendLine(o.working(".lns")));
        FakePlanWindow stubborn;
        stubborn.staysOpen = true;
        o.h.window->session().registerPlanWindow(&stubborn);
        o.h.run("mnuOpen", {"D30000"});
        QCOMPARE(stubborn.closes, 1);
        QCOMPARE(o.h.planPath(), QStringLiteral("D20417"));
        QVERIFY(QFile::exists(o.working(".lns")) && !o.h.window->parcels().isEmpty());
        QCOMPARE(ReadText(o.onShare(".lns")), shared);
        o.h.window->session().unregisterPlanWindow(&stubborn);

        o.surveyor()->setText("x");
        o.h.trigger("mnuClose");
        QCOMPARE(o.h.quits, 1);
        QVERIFY(QFile::exists(o.working(".lns")));
        QVERIFY(ReadText(o.working(".sdb")).startsWith("X\r\n"));
        QVERIFY(ReadText(o.onShare(".sdb")).startsWith("PETER"));
        QVERIFY(!QFile::exists(o.onShare(".lck")));
        o.h.window->close();
        QCOMPARE(o.h.quits, 1);
        QCOMPARE(ReadText(o.onShare(".lns")), shared);
    }
};

QTEST_MAIN(tst_NetworkMode)
#include "tst_networkmode.moc"
