// The main window in network mode: plans named by identifier are fetched from the share into
// working copies in the current folder and stored back on Save, Open and Exit. The share is
// a temporary folder; the current folder another.
#include "mainwinharness.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>

using namespace corvane;
using namespace corvane::testing;

namespace {

const QString kNetworkUnavailable =
    QStringLiteral("VRX Network error: VRX network is unavailable. You can continue\n"
                   "but you will only be retrieving and saving\nfiles on your local C drive");

// A share holding the sample plan in its plans folder, and a working folder made current for
// the life of the object.
class Network {
  public:
    Network() : previous_(QDir::currentPath()) {
        QDir().mkpath(share.path() + QStringLiteral("/DP"));
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
        return QDir(work.path())
            .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir share;
    QTemporaryDir work;
    bool ok = false;

  private:
    QString previous_;
};

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
        if (!staysOpen)
            open = false;
    }
    bool isPlanWindowOpen() const override { return open; }
};

bool AppendLine(const QString& path, const QByteArray& line) {
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(line) == line.size();
}

} // namespace

class tst_NetworkMode : public QObject {
    Q_OBJECT

  private:
    // Starts the window and opens the sample plan from the share.
    static void openSample(Harness& h) {
        h.desktop.texts.push_back(QStringLiteral("D20417"));
        QVERIFY(h.window->startUp());
        QCOMPARE(QString::fromStdString(h.plan.PlanPath), QStringLiteral("D20417"));
        h.desktop.clearRecords();
    }

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void startUpFetchesThePlanNamed() {
        Network net;
        QVERIFY(net.ok);
        Harness h(net.commandLine());
        h.desktop.texts.push_back(QStringLiteral("D20417"));
        QVERIFY(h.window->startUp());

        const auto asked = h.desktop.callsOf(DesktopCall::Kind::InputBox);
        QCOMPARE(asked.size(), size_t(1));
        QCOMPARE(asked[0].text, QStringLiteral("Enter plan identifier eg: D12345"));
        QCOMPARE(asked[0].title, QStringLiteral("Open CORVANE file"));
        for (const char* ext : {".lns", ".ply", ".sdb", ".cve"})
            QCOMPARE(ReadText(net.working(QStringLiteral("D20417") + QLatin1String(ext))),
                     ReadText(net.onShare(QStringLiteral("D20417") + QLatin1String(ext))));
        QCOMPARE(h.window->windowTitle(), QStringLiteral("D20417"));
        QCOMPARE(h.window->parcels(), ParcelsOfFile(net.onShare(QStringLiteral("D20417.ply"))));
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("txtSurveyor"))->text(),
                 QStringLiteral("PETER J. HALLORAN"));
        QVERIFY(h.action(QStringLiteral("mnuSave"))->isVisible());
        QVERIFY(h.action(QStringLiteral("mnuClose"))->isVisible());
        QVERIFY(h.action(QStringLiteral("mnuSaveAs"))->isEnabled());
        QCOMPARE(h.messages(), QStringList());
    }

    void startUpWithoutAnAnswerOpensNothing() {
        Network net;
        QVERIFY(net.ok);
        Harness h(net.commandLine());
        QVERIFY(h.window->startUp());
        QVERIFY(h.plan.PlanPath.empty());
        QVERIFY(!h.action(QStringLiteral("mnuSaveAs"))->isEnabled());
        QVERIFY(h.action(QStringLiteral("mnuSave"))->isVisible());
        QVERIFY(h.action(QStringLiteral("mnuClose"))->isVisible());
        QVERIFY(h.action(QStringLiteral("mnuSave"))->isEnabled());
        QVERIFY(h.action(QStringLiteral("mnuClose"))->isEnabled());
        h.trigger(QStringLiteral("mnuSave"));
        QCOMPARE(h.messages(), QStringList());
        QVERIFY(net.workingFiles().isEmpty());
    }

    void unreachableShareLeavesTheWorkingCopies() {
        Network net;
        QVERIFY(net.ok);
        QVERIFY(CopySamplePlan(net.work.path()));
        Harness h(QStringLiteral("VRX") + net.share.path() + QStringLiteral("/missing"));
        h.desktop.texts.push_back(QStringLiteral("D20417"));
        QVERIFY(h.window->startUp());
        QCOMPARE(h.messages(), QStringList{kNetworkUnavailable});
        QCOMPARE(h.window->parcels(), ParcelsOfFile(net.working(QStringLiteral("D20417.ply"))));
    }

    void workingCopiesWinOverTheShare() {
        Network net;
        QVERIFY(net.ok);
        QVERIFY(CopySamplePlan(net.work.path()));
        QVERIFY(WriteText(net.working(QStringLiteral("D20417.sdb")), "LOCAL WORK\r\n"));
        Harness h(net.commandLine());
        h.desktop.texts.push_back(QStringLiteral("D20417"));
        QVERIFY(h.window->startUp());
        QCOMPARE(h.messages(),
                 QStringList{QStringLiteral(
                     "Load files from Network: CORVANE will use the files found on your local "
                     "drive")});
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("txtSurveyor"))->text(),
                 QStringLiteral("LOCAL WORK"));
        QCOMPARE(ReadText(net.working(QStringLiteral("D20417.sdb"))), QByteArray("LOCAL WORK\r\n"));
    }

    // An identifier the share cannot hold names no files: nothing is fetched, stored or
    // opened.
    void invalidIdentifierIsRefused_data() {
        QTest::addColumn<QString>("identifier");
        QTest::newRow("other first letter") << QStringLiteral("X12345");
        QTest::newRow("wildcard") << QStringLiteral("D2*");
        QTest::newRow("separator") << QStringLiteral("D1/../../x");
    }
    void invalidIdentifierIsRefused() {
        QFETCH(QString, identifier);
        Network net;
        QVERIFY(net.ok);
        Harness h(net.commandLine());
        h.desktop.texts.push_back(identifier);
        QVERIFY(h.window->startUp());
        QCOMPARE(h.messages(),
                 QStringList{QStringLiteral("Open CORVANE file error: ") + identifier +
                             QStringLiteral(" is not a valid plan identifier")});
        QVERIFY(h.plan.PlanPath.empty());
        QCOMPARE(h.window->windowTitle(), QStringLiteral("CORVANE"));
        QVERIFY(!h.action(QStringLiteral("mnuSaveAs"))->isEnabled());
        QVERIFY(net.workingFiles().isEmpty());

        // With a plan open, the refusal keeps it open and stores nothing.
        h.desktop.texts.push_back(QStringLiteral("D20417"));
        h.trigger(QStringLiteral("mnuOpen"));
        QVERIFY(QFile::exists(net.working(QStringLiteral("D20417.lns"))));
        h.desktop.clearRecords();
        h.desktop.texts.push_back(identifier);
        h.trigger(QStringLiteral("mnuOpen"));
        QCOMPARE(h.messages().size(), 1);
        QCOMPARE(QString::fromStdString(h.plan.PlanPath), QStringLiteral("D20417"));
        QVERIFY(QFile::exists(net.working(QStringLiteral("D20417.lns"))));
        QVERIFY(!h.window->parcels().isEmpty());
    }

    void saveStoresTheWorkingCopies() {
        Network net;
        QVERIFY(net.ok);
        Harness h(net.commandLine());
        openSample(h);
        QVERIFY(AppendLine(net.working(QStringLiteral("D20417.lns")), "90,91,1.0000,5.000\r\n"));
        h.find<QLineEdit>(QStringLiteral("txtSurveyor"))->setText(QStringLiteral("new name"));
        h.trigger(QStringLiteral("mnuSave"));

        QCOMPARE(h.messages(), QStringList());
        QCOMPARE(ReadText(net.onShare(QStringLiteral("D20417.lns"))),
                 ReadText(net.working(QStringLiteral("D20417.lns"))));
        QVERIFY(
            ReadText(net.onShare(QStringLiteral("D20417.lns"))).endsWith("90,91,1.0000,5.000\r\n"));
        QVERIFY(ReadText(net.onShare(QStringLiteral("D20417.sdb"))).startsWith("NEW NAME\r\n"));
        QVERIFY(!h.find<QCheckBox>(QStringLiteral("chkSDBchange"))->isChecked());
        // Save keeps working on the copies.
        QVERIFY(QFile::exists(net.working(QStringLiteral("D20417.lns"))));
        QCOMPARE(QString::fromStdString(h.plan.PlanPath), QStringLiteral("D20417"));
    }

    void lostShareIsReportedAndNothingIsStored() {
        Network net;
        QVERIFY(net.ok);
        Harness h(net.commandLine());
        openSample(h);
        const QStringList working = net.workingFiles();
        h.find<QLineEdit>(QStringLiteral("txtSurveyor"))->setText(QStringLiteral("new name"));
        QVERIFY(QDir(net.share.path()).removeRecursively());

        h.trigger(QStringLiteral("mnuSave"));
        QCOMPARE(h.messages(),
                 QStringList{QStringLiteral("Save error: VRX network not available")});
        h.desktop.clearRecords();
        h.trigger(QStringLiteral("mnuSaveAs"));
        QCOMPARE(h.messages(),
                 QStringList{QStringLiteral("Save As error: VRX network not available")});
        QVERIFY(h.desktop.callsOf(DesktopCall::Kind::InputBox).empty());
        h.desktop.clearRecords();
        h.trigger(QStringLiteral("mnuExit"));
        QCOMPARE(h.messages(),
                 QStringList{QStringLiteral("Save files to VRX Network error: VRX network not "
                                            "available")});
        QCOMPARE(h.quits, 1);
        // The working copies keep the work, the record included.
        QCOMPARE(net.workingFiles(), working);
        QVERIFY(ReadText(net.working(QStringLiteral("D20417.sdb"))).startsWith("NEW NAME\r\n"));
    }

    void saveAsMakesNewWorkingCopies() {
        Network net;
        QVERIFY(net.ok);
        Harness h(net.commandLine());
        openSample(h);
        const QByteArray lines = ReadText(net.working(QStringLiteral("D20417.lns")));
        h.desktop.texts.push_back(QStringLiteral("D55555"));
        h.trigger(QStringLiteral("mnuSaveAs"));

        QCOMPARE(h.messages(),
                 QStringList{QStringLiteral("Save As completed: Current file is now D55555")});
        QCOMPARE(QString::fromStdString(h.plan.PlanPath), QStringLiteral("D55555"));
        QCOMPARE(h.window->windowTitle(), QStringLiteral("D55555"));
        QCOMPARE(ReadText(net.working(QStringLiteral("D55555.lns"))), lines);
        QCOMPARE(net.workingFiles(),
                 (QStringList{QStringLiteral("D55555.cve"), QStringLiteral("D55555.lns"),
                              QStringLiteral("D55555.ply")}));
        // The share gets the new plan when it is next stored.
        QVERIFY(!QFile::exists(net.onShare(QStringLiteral("D55555.lns"))));
        QVERIFY(QFile::exists(net.onShare(QStringLiteral("D20417.lns"))));
    }

    void saveAsRefusesExistingAndInvalidIdentifiers_data() {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("message");
        QTest::newRow("on the share")
            << QStringLiteral("D20417") << QStringLiteral("Save As error: D20417 already exists");
        QTest::newRow("approved plans")
            << QStringLiteral("d11111") << QStringLiteral("Save As error: d11111 already exists");
        QTest::newRow("working copies")
            << QStringLiteral("D22222") << QStringLiteral("Save As error: D22222 already exists");
        QTest::newRow("invalid") << QStringLiteral("Z1")
                                 << QStringLiteral("Save As error: Z1 is not a valid plan "
                                                   "identifier");
    }
    void saveAsRefusesExistingAndInvalidIdentifiers() {
        QFETCH(QString, identifier);
        QFETCH(QString, message);
        Network net;
        QVERIFY(net.ok);
        QVERIFY(QDir().mkpath(net.share.path() + QStringLiteral("/DPAPP")));
        QVERIFY(WriteText(net.share.path() + QStringLiteral("/DPAPP/d11111.lns"),
                          "1,2,0.0000,1.000\r\n"));
        Harness h(net.commandLine());
        openSample(h);
        QVERIFY(WriteText(net.working(QStringLiteral("D22222.lns")), "5,6,0.0000,1.000\r\n"));
        const QStringList working = net.workingFiles();
        h.desktop.texts.push_back(identifier);
        h.trigger(QStringLiteral("mnuSaveAs"));
        QCOMPARE(h.messages(), QStringList{message});
        QCOMPARE(net.workingFiles(), working);
        QCOMPARE(ReadText(net.working(QStringLiteral("D22222.lns"))),
                 QByteArray("5,6,0.0000,1.000\r\n"));
        QCOMPARE(QString::fromStdString(h.plan.PlanPath), QStringLiteral("D20417"));
    }

    void saveAsThatCannotCopyEveryFileKeepsTheWorkingCopies() {
        Network net;
        QVERIFY(net.ok);
        Harness h(net.commandLine());
        openSample(h);
        QVERIFY(QDir().mkpath(net.working(QStringLiteral("D55555.cve"))));
        h.desktop.texts.push_back(QStringLiteral("D55555"));
        h.trigger(QStringLiteral("mnuSaveAs"));
        QCOMPARE(QString::fromStdString(h.plan.PlanPath), QStringLiteral("D20417"));
        QCOMPARE(h.messages().size(), 2);
        QVERIFY(h.messages()[1].endsWith(QStringLiteral("Current file is still D20417")));
        for (const char* ext : {".lns", ".ply", ".sdb", ".cve"})
            QVERIFY(QFile::exists(net.working(QStringLiteral("D20417") + QLatin1String(ext))));
    }

    void exitStoresThePlanAndRemovesTheWorkingCopies() {
        Network net;
        QVERIFY(net.ok);
        QVERIFY(WriteText(net.work.path() + QStringLiteral("/notes.txt"), "mine\n"));
        Harness h(net.commandLine());
        openSample(h);
        QVERIFY(AppendLine(net.working(QStringLiteral("D20417.lns")), "90,91,1.0000,5.000\r\n"));
        const QByteArray lines = ReadText(net.working(QStringLiteral("D20417.lns")));
        h.trigger(QStringLiteral("mnuExit"));
        QCOMPARE(h.messages(), QStringList());
        QCOMPARE(h.quits, 1);
        QCOMPARE(ReadText(net.onShare(QStringLiteral("D20417.lns"))), lines);
        QCOMPARE(net.workingFiles(), QStringList{QStringLiteral("notes.txt")});
    }

    void openStoresThePlanBeforeFetchingTheNext() {
        Network net;
        QVERIFY(net.ok);
        QVERIFY(CopySamplePlan(net.share.path() + QStringLiteral("/DP"), QStringLiteral("D30000")));
        QVERIFY(WriteText(net.onShare(QStringLiteral("D30000.sdb")), "ANN SMITH\r\n"));
        Harness h(net.commandLine());
        openSample(h);
        QVERIFY(AppendLine(net.working(QStringLiteral("D20417.lns")), "90,91,1.0000,5.000\r\n"));
        const QByteArray lines = ReadText(net.working(QStringLiteral("D20417.lns")));
        h.desktop.texts.push_back(QStringLiteral("D30000"));
        h.trigger(QStringLiteral("mnuOpen"));

        QCOMPARE(h.messages(), QStringList());
        QCOMPARE(ReadText(net.onShare(QStringLiteral("D20417.lns"))), lines);
        QVERIFY(!QFile::exists(net.working(QStringLiteral("D20417.lns"))));
        QCOMPARE(QString::fromStdString(h.plan.PlanPath), QStringLiteral("D30000"));
        QCOMPARE(h.find<QLineEdit>(QStringLiteral("txtSurveyor"))->text(),
                 QStringLiteral("ANN SMITH"));
        QCOMPARE(h.plan.PlanLines.size(), size_t(34));
    }

    void closeEndsWithoutStoring() {
        Network net;
        QVERIFY(net.ok);
        Harness h(net.commandLine());
        openSample(h);
        const QByteArray shared = ReadText(net.onShare(QStringLiteral("D20417.lns")));
        QVERIFY(AppendLine(net.working(QStringLiteral("D20417.lns")), "90,91,1.0000,5.000\r\n"));
        h.find<QLineEdit>(QStringLiteral("txtSurveyor"))->setText(QStringLiteral("x"));
        h.trigger(QStringLiteral("mnuClose"));
        QCOMPARE(h.quits, 1);
        QCOMPARE(ReadText(net.onShare(QStringLiteral("D20417.lns"))), shared);
        QVERIFY(QFile::exists(net.working(QStringLiteral("D20417.lns"))));
        QVERIFY(ReadText(net.working(QStringLiteral("D20417.sdb"))).startsWith("PETER"));
        // Closing the window afterwards stores nothing either.
        h.window->close();
        QCOMPARE(h.quits, 1);
        QCOMPARE(ReadText(net.onShare(QStringLiteral("D20417.lns"))), shared);
    }

    // Windows of the open plan close before anything is stored, so what they write goes into
    // the plan they belong to and reaches the share with it.
    void planWindowsCloseBeforeThePlanIsStored_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("open") << QStringLiteral("mnuOpen");
        QTest::newRow("exit") << QStringLiteral("mnuExit");
    }
    void planWindowsCloseBeforeThePlanIsStored() {
        QFETCH(QString, command);
        Network net;
        QVERIFY(net.ok);
        Harness h(net.commandLine());
        openSample(h);
        FakePlanWindow traverse;
        FakePlanWindow closedAlready;
        closedAlready.open = false;
        FakePlanWindow forgotten;
        h.window->registerPlanWindow(&traverse);
        h.window->registerPlanWindow(&traverse);
        h.window->registerPlanWindow(&closedAlready);
        h.window->registerPlanWindow(&forgotten);
        h.window->unregisterPlanWindow(&forgotten);
        bool storedBeforeClosing = true;
        traverse.whileClosing = [&] {
            storedBeforeClosing = !QFile::exists(net.working(QStringLiteral("D20417.lns")));
            AppendLine(net.working(QStringLiteral("D20417.lns")), "90,91,1.0000,5.000\r\n");
        };

        h.desktop.texts.push_back(QStringLiteral("D30000"));
        h.trigger(command);

        QCOMPARE(traverse.closes, 1);
        QCOMPARE(closedAlready.closes, 0);
        QCOMPARE(forgotten.closes, 0);
        QVERIFY(!storedBeforeClosing);
        QVERIFY(
            ReadText(net.onShare(QStringLiteral("D20417.lns"))).endsWith("90,91,1.0000,5.000\r\n"));
        QVERIFY(!QFile::exists(net.working(QStringLiteral("D20417.lns"))));
    }

    void windowThatStaysOpenKeepsThePlan() {
        Network net;
        QVERIFY(net.ok);
        Harness h(net.commandLine());
        openSample(h);
        FakePlanWindow stubborn;
        stubborn.staysOpen = true;
        h.window->registerPlanWindow(&stubborn);
        const QByteArray shared = ReadText(net.onShare(QStringLiteral("D20417.lns")));
        h.desktop.texts.push_back(QStringLiteral("D30000"));
        h.trigger(QStringLiteral("mnuOpen"));
        QCOMPARE(stubborn.closes, 1);
        QCOMPARE(QString::fromStdString(h.plan.PlanPath), QStringLiteral("D20417"));
        QVERIFY(QFile::exists(net.working(QStringLiteral("D20417.lns"))));
        QVERIFY(!h.window->parcels().isEmpty());
        QCOMPARE(ReadText(net.onShare(QStringLiteral("D20417.lns"))), shared);
        h.window->unregisterPlanWindow(&stubborn);
    }
};

QTEST_MAIN(tst_NetworkMode)
#include "tst_networkmode.moc"
