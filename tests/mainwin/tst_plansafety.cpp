// An office's plans in use by more than one person, windows holding rows older than the
// files, and leaving a plan or the program with edits not yet stored.
#include "mainwinharness.h"

#include "core/files/planlock.h"
#include "traverse/frmtraverse.h"

#include <QKeySequence>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTableView>

using namespace corvane;
using namespace corvane::testing;

namespace {

const LockHolder kAnn{"ann", "pc1", "", 0, 0};
const LockHolder kBob{"bob", "pc2", "", 0, 0};

// A main window that takes its plan locks as the named user.
struct Session {
    Session(const QString& commandLine, const LockHolder& user) : h(commandLine) {
        h.window->setLockIdentity(user);
    }
    Harness h;
    frmTraverse* traverse() const { return h.window->findChild<frmTraverse*>(); }
    void select(const QString& identifier) const {
        auto* list = h.find<QListWidget>(QStringLiteral("lstParcels"));
        list->setCurrentItem(list->findItems(identifier, Qt::MatchExactly).first());
    }
    // Opens a parcel in the traverse window and types a new figure into one of its cells.
    void editParcel(const QString& identifier, int row, int col, const char* text) const {
        select(identifier);
        h.trigger(QStringLiteral("mnuEditParcel"));
        QVERIFY(traverse()->isVisible());
        editCell(row, col, text);
    }
    void editCell(int row, int col, const char* text) const {
        auto* grid = traverse()->findChild<QTableView*>(QStringLiteral("Grid1"));
        const QRect r = grid->visualRect(grid->model()->index(row - 1, col));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
        auto* editor = traverse()->findChild<QLineEdit*>(QStringLiteral("ttext"));
        for (const char* c = text; *c; ++c)
            QTest::keyClick(traverse()->editorVisible() ? static_cast<QWidget*>(editor) : grid, *c);
        QTest::keyClick(editor, Qt::Key_Return);
    }
};

bool AppendLine(const QString& path) {
    QFile file(path);
    const QByteArray line = "90,91,1.0000,5.000\r\n";
    return file.open(QIODevice::Append) && file.write(line) == line.size();
}

QString plainFolder(const QTemporaryDir& dir) {
    return dir.path() + QStringLiteral("/D20417");
}

} // namespace

class PlanSafetyTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Two people open one plan in local mode (a folder on a mounted drive): the second is told
    // who holds it and opens it read-only, where every command that writes is refused. A lock
    // broken after a question that names its holder moves the plan to the breaker, and the
    // first user's program then writes nothing over their work.
    void secondUserOpensReadOnlyOrBreaksTheLock() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        const QString lines = plainFolder(dir) + ".lns";
        Session ann(lines, kAnn);
        QVERIFY(ann.h.window->startUp());
        QCOMPARE(ann.h.messages(), QStringList());
        QVERIFY(QFile::exists(plainFolder(dir) + ".lck"));

        Session bob(lines, kBob);
        bob.h.desktop.answers = {Answer::Yes};
        QVERIFY(bob.h.window->startUp());
        QCOMPARE(bob.h.messages().size(), 1);
        QVERIFY2(bob.h.messages()[0].startsWith(
                     "Open CORVANE file: D20417 is open by ann on pc1 since "),
                 qPrintable(bob.h.messages()[0]));
        QVERIFY(bob.h.window->windowTitle().endsWith(QStringLiteral("D20417 (read-only)")));
        QCOMPARE(bob.h.window->parcels(), kSampleParcels);

        const QByteArray before = ReadText(plainFolder(dir) + ".lns");
        const QByteArray polygons = ReadText(plainFolder(dir) + ".ply");
        bob.h.run("mnuDatumBearing", {"0.0030"});
        QCOMPARE(bob.h.messages(),
                 QStringList{"Edit Datum Bearing: D20417 is open read-only: Datum Bearing cannot "
                             "change its files.\nOpen the plan again when it is free to edit "
                             "it."});
        bob.select("AL7");
        bob.h.run("mnuDeleteParcel");
        QCOMPARE(bob.h.messages().size(), 1);
        QVERIFY(bob.h.messages()[0].contains("read-only"));
        // The traverse opens for viewing; its OK stores nothing.
        bob.editParcel("AL1", 1, 3, "14.2000");
        bob.h.desktop.clearRecords();
        QTest::mouseClick(bob.traverse()->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
        QVERIFY(bob.traverse()->isVisible());
        QVERIFY(bob.h.messages()[0].contains("read-only"));
        bob.traverse()->closeForPlanChange();
        bob.h.run("cmdSummary");
        auto* summary = bob.h.window->findChild<QWidget*>("frmSummary");
        QVERIFY(summary && summary->isVisible());
        bob.h.desktop.clearRecords();
        summary->findChild<QPushButton*>("cmdAreas")->click();
        QCOMPARE(bob.h.messages().size(), 1);
        QVERIFY2(bob.h.messages()[0].startsWith("Query Areas error: D20417 is open read-only"),
                 qPrintable(bob.h.messages()[0]));
        summary->hide();
        QCOMPARE(ReadText(plainFolder(dir) + ".lns"), before);
        QCOMPARE(ReadText(plainFolder(dir) + ".ply"), polygons);
        bob.traverse()->closeForPlanChange();

        // Bob breaks the lock: the second question names ann before anything is taken.
        bob.h.desktop.answers = {Answer::No, Answer::Yes};
        bob.h.run("mnuOpen", {lines});
        QCOMPARE(bob.h.messages().size(), 2);
        QVERIFY(bob.h.messages()[1].startsWith(
            "Open CORVANE file: Break the lock of ann on pc1 and open D20417 for editing ?"));
        QVERIFY(!bob.h.window->windowTitle().contains("read-only"));
        QCOMPARE(ReadPlanLock(bob.h.plan.LockFile).value().User, std::string("bob"));

        // Ann's next change would overwrite bob's work: refused, naming him.
        ann.h.run("mnuDatumBearing", {"0.0030"});
        QCOMPARE(ann.h.messages().size(), 1);
        QVERIFY2(ann.h.messages()[0].contains("D20417 is open by bob on pc2 since ") &&
                     ann.h.messages()[0].contains("who took it over from you"),
                 qPrintable(ann.h.messages()[0]));
        QCOMPARE(ReadText(plainFolder(dir) + ".lns"), before);

        // Leaving gives the lock back only to its holder.
        ann.h.run("mnuExit");
        QCOMPARE(ReadPlanLock(bob.h.plan.LockFile).value().User, std::string("bob"));
        bob.h.run("mnuExit");
        QVERIFY(!QFile::exists(plainFolder(dir) + ".lck"));
    }

    // Only the plan's holder finishes a change of its files cut short: a reader opening it
    // read-only leaves the change as it is and is told of it.
    void aReaderLeavesAChangeUnderWayAlone() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        const QString lines = plainFolder(dir) + ".lns";
        Session ann(lines, kAnn);
        QVERIFY(ann.h.window->startUp());
        const QByteArray journal = "CORVANE PLAN CHANGE\nD20417.lns.corvane-new-1-2-3\nCOMMIT 1\n";
        QVERIFY(WriteText(plainFolder(dir) + ".lns.corvane-new-1-2-3", "1,2,1.0000,1.000\r\n"));
        QVERIFY(WriteText(plainFolder(dir) + ".corvane-change", journal));
        const QByteArray before = ReadText(lines);

        Session bob(lines, kBob);
        bob.h.desktop.answers = {Answer::Yes};
        QVERIFY(bob.h.window->startUp());
        QVERIFY(bob.h.plan.ReadOnly);
        QCOMPARE(bob.h.messages().size(), 2);
        QVERIFY2(bob.h.messages()[1].contains("what you see may be only part of that change"),
                 qPrintable(bob.h.messages()[1]));
        QCOMPARE(ReadText(plainFolder(dir) + ".corvane-change"), journal);
        QCOMPARE(ReadText(lines), before);
        // Its holder cannot change the plan either until the change is finished.
        ann.h.run("mnuDatumBearing", {"0.0030"});
        QVERIFY2(ann.h.messages().value(0).contains("waits to be finished"),
                 qPrintable(ann.h.messages().join('\n')));
        QCOMPARE(ReadText(lines), before);
    }

    // A parcel's OK that cannot write its files leaves nothing of its rows in memory, so no
    // later save writes lines the user never stored.
    void failedOkLeavesNothingForALaterSave() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        Session s(plainFolder(dir) + ".lns", kAnn);
        QVERIFY(s.h.window->startUp());
        s.editParcel("OB1", 1, ColBearing, "14.2000");
        QVERIFY(QFile::setPermissions(plainFolder(dir) + ".ply", QFile::ReadOwner));
        s.h.desktop.clearRecords();
        QTest::mouseClick(s.traverse()->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
        QVERIFY(s.traverse()->isVisible());
        QVERIFY(s.h.messages().join('\n').contains("read-only"));
        s.h.desktop.answers = {Answer::No};
        s.traverse()->close();
        QVERIFY(!s.traverse()->isVisible());
        QVERIFY(
            QFile::setPermissions(plainFolder(dir) + ".ply", QFile::ReadOwner | QFile::WriteOwner));
        s.h.desktop.answers = {Answer::Yes};
        s.h.run("mnuDatumBearing", {"0.0030"});
        // 14.1856 turned by 0°00'30", never the 14.2000 of the refused OK.
        QVERIFY2(ReadText(plainFolder(dir) + ".lns").startsWith("1,2,14.1926,36.024"),
                 ReadText(plainFolder(dir) + ".lns").left(40).constData());
    }

    // A lock left by the same user on the same computer (a program that ended without closing
    // the plan) is offered for taking over; Cancel on another's lock leaves no plan open.
    void ownStaleLockIsTakenOverAndCancelOpensNothing() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        const QString lines = plainFolder(dir) + ".lns";
        QVERIFY(WriteText(plainFolder(dir) + ".lck",
                          "user=ann\r\nhost=pc1\r\nsince=1/12/2026 17:30\r\nstamp=5\r\n"));
        Session again(lines, kAnn);
        again.h.desktop.answers = {Answer::Yes};
        QVERIFY(again.h.window->startUp());
        QCOMPARE(again.h.messages(),
                 QStringList{"Open CORVANE file: D20417 is open by ann on pc1 since 1/12/2026 "
                             "17:30.\nIt was left open by a CORVANE that ended without closing "
                             "it.\n\nTake the plan over ?"});
        QVERIFY(!again.h.plan.ReadOnly);
        QVERIFY(ReadPlanLock(plainFolder(dir).toStdString() + ".lck").value().Stamp != 5);

        Session other(lines, kBob);
        other.h.desktop.answers = {Answer::Cancel};
        QVERIFY(other.h.window->startUp());
        QVERIFY(other.h.plan.PlanPath.empty());
        QCOMPARE(other.h.window->windowTitle(), QStringLiteral("CORVANE"));
        QVERIFY(!other.h.action("mnuEdit")->isEnabled());
        QVERIFY(other.h.window->parcels().isEmpty());
    }

    // Network mode: the lock lies on the share. A second user reads the plan read-only where
    // it lies, fetching nothing. Once someone breaks the lock and stores their deletion, the
    // first user's store is refused, so it cannot bring the deleted parcel back; a share file
    // another program changed stops a store as well.
    void networkStoresNeverUndoAnotherUsersWork() {
        Network net;
        QVERIFY(net.ok);
        QTemporaryDir bobsFolder;
        const QString annsFolder = net.work.path();
        Session ann(net.commandLine(), kAnn);
        ann.h.desktop.texts = {QStringLiteral("D20417")};
        QVERIFY(ann.h.window->startUp());
        QVERIFY(QFile::exists(net.onShare("D20417.lck")));

        QVERIFY(QDir::setCurrent(bobsFolder.path()));
        Session bob(net.commandLine(), kBob);
        bob.h.desktop.texts = {QStringLiteral("D20417")};
        bob.h.desktop.answers = {Answer::Yes};
        QVERIFY(bob.h.window->startUp());
        QVERIFY(bob.h.plan.ReadOnly);
        QCOMPARE(bob.h.window->parcels(), kSampleParcels);
        QVERIFY(QDir(bobsFolder.path()).entryList(QDir::Files).isEmpty());
        bob.h.run("mnuSave");
        QVERIFY(bob.h.messages()[0].contains("read-only"));

        // Bob breaks the lock, deletes a parcel and stores the plan.
        bob.h.desktop.answers = {Answer::No, Answer::Yes};
        bob.h.run("mnuOpen", {"D20417"});
        QVERIFY(!bob.h.plan.ReadOnly);
        QVERIFY(QFile::exists(bobsFolder.path() + "/D20417.lns"));
        bob.select("AL7");
        bob.h.desktop.answers = {Answer::Yes, Answer::No};
        bob.h.run("mnuDeleteParcel");
        bob.h.run("mnuSave");
        QCOMPARE(bob.h.messages(), QStringList());
        const QByteArray bobsPolygons = ReadText(net.onShare("D20417.ply"));
        QVERIFY(!bobsPolygons.contains("\"AL7\""));

        // Ann's program, in her folder, stores nothing over it when she leaves.
        QVERIFY(QDir::setCurrent(annsFolder));
        QVERIFY(AppendLine(net.working("D20417.lns")));
        ann.h.run("mnuExit");
        QCOMPARE(ann.h.quits, 1);
        QCOMPARE(ann.h.messages().size(), 1);
        QVERIFY2(ann.h.messages()[0].contains("D20417 is open by bob on pc2") &&
                     ann.h.messages()[0].contains("Nothing was stored"),
                 qPrintable(ann.h.messages()[0]));
        QCOMPARE(ReadText(net.onShare("D20417.ply")), bobsPolygons);
        QVERIFY(QFile::exists(net.working("D20417.lns"))); // her work is kept

        // Another program changes the share under bob: his store is refused, naming the file.
        QVERIFY(QDir::setCurrent(bobsFolder.path()));
        QVERIFY(WriteText(net.onShare("D20417.sdb"), "SOMEONE ELSE\r\n"));
        bob.h.run("mnuSave");
        QCOMPARE(bob.h.messages().size(), 1);
        QVERIFY2(bob.h.messages()[0].contains(
                     "D20417.sdb on the VRX network was changed by another user or program"),
                 qPrintable(bob.h.messages()[0]));
        QCOMPARE(ReadText(net.onShare("D20417.sdb")), QByteArray("SOMEONE ELSE\r\n"));
        QVERIFY(QDir::setCurrent(annsFolder));
    }

    // Rows a window read before a whole-plan edit are never written back over it; the edit
    // itself refuses to run while a window holds line edits not yet stored.
    void windowsNeverWriteBackRowsOlderThanTheFile() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        Session s(plainFolder(dir) + ".lns", kAnn);
        Harness& h = s.h;
        QVERIFY(h.window->startUp());
        frmTraverse* traverse = s.traverse();
        const QByteArray before = ReadText(plainFolder(dir) + ".lns");

        h.trigger("mnuEditLines");
        QVERIFY(traverse->isVisible());
        s.editCell(1, ColDistance, "36.100");
        h.run("mnuDatumBearing", {"0.0030"});
        QCOMPARE(h.messages(),
                 QStringList{"Edit Datum Bearing: Datum Bearing cannot run while The traverse "
                             "window (Edit Lines) holds changes that are not saved: they would "
                             "later be written back over it.\nSave or cancel them first."});
        QCOMPARE(ReadText(plainFolder(dir) + ".lns"), before);

        // Undone back to the rows as opened, the window holds no edit: the swing runs, and the
        // rows read before it are refused at OK.
        traverse->findChild<QAction*>(QStringLiteral("actUndo"))->trigger();
        QVERIFY(!traverse->hasUnsavedEdits());
        h.desktop.answers = {Answer::Yes, Answer::Yes};
        h.run("mnuDatumBearing", {"0.0030"});
        const QByteArray swung = ReadText(plainFolder(dir) + ".lns");
        QVERIFY2(swung != before, qPrintable(h.messages().join('\n')));
        s.editCell(1, ColDistance, "36.100");
        h.desktop.clearRecords();
        QTest::mouseClick(traverse->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
        QVERIFY(traverse->isVisible());
        QCOMPARE(h.messages().size(), 1);
        QVERIFY2(h.messages()[0].startsWith("Save Lines error: The lines file was changed by "
                                            "Datum Bearing after this window's rows were read."),
                 qPrintable(h.messages()[0]));
        QCOMPARE(ReadText(plainFolder(dir) + ".lns"), swung);
        traverse->closeForPlanChange();

        // A change made in a text editor after the lines were read again is read before the
        // next command that needs them.
        h.run("mnuViewLines");
        s.select("OB1");
        h.trigger("mnuEditParcel");
        traverse->closeForPlanChange();
        QByteArray edited = swung;
        const int comma = edited.indexOf(',', edited.indexOf(',', edited.indexOf(',') + 1) + 1);
        edited.replace(comma + 1, 6, "36.204");
        QVERIFY(edited != swung);
        QTest::qWait(20); // a later time of change, whatever the file system's clock step
        QVERIFY(WriteText(plainFolder(dir) + ".lns", edited));
        h.trigger("mnuEditParcel");
        QCOMPARE(traverse->grid().cell(1, ColDistance), std::string("36.204"));
        traverse->closeForPlanChange();
    }

    // Leaving the program, or another plan, asks about each window's unsaved edits: Cancel
    // goes back to them, No drops them, Yes stores them as OK does. Ctrl+Q exits as Ctrl+X.
    void exitAsksAboutUnsavedEdits() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        Session s(plainFolder(dir) + ".lns", kAnn);
        Harness& h = s.h;
        QVERIFY(h.window->startUp());
        const QList<QKeySequence> keys = h.action("mnuExit")->shortcuts();
        QVERIFY(keys.contains(QKeySequence(Qt::CTRL | Qt::Key_Q)));
        QVERIFY(keys.contains(QKeySequence(Qt::CTRL | Qt::Key_X)));

        const QByteArray before = ReadText(plainFolder(dir) + ".lns");
        s.editParcel("OB1", 1, ColBearing, "14.2000");
        h.desktop.clearRecords();
        h.desktop.answers = {Answer::Cancel};
        h.trigger("mnuExit");
        QCOMPARE(h.quits, 0);
        QVERIFY(s.traverse()->isVisible());
        QCOMPARE(h.messages(), QStringList{"Exit: The traverse window (OB1) holds changes that "
                                           "are not saved.\nSave them ?"});
        QCOMPARE(ReadText(plainFolder(dir) + ".lns"), before);

        // Text still in the cell editor counts as a change, and Yes stores it with the rest.
        auto* grid = s.traverse()->findChild<QTableView*>(QStringLiteral("Grid1"));
        const QRect r = grid->visualRect(grid->model()->index(1, ColBearing));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
        for (const char* c = "14.3"; *c; ++c)
            QTest::keyClick(
                s.traverse()->editorVisible()
                    ? static_cast<QWidget*>(s.traverse()->findChild<QLineEdit*>("ttext"))
                    : grid,
                *c);
        QVERIFY(s.traverse()->editorVisible());
        h.desktop.clearRecords();
        h.desktop.answers = {Answer::Yes};
        h.trigger("mnuExit");
        QCOMPARE(h.quits, 1);
        QVERIFY(!s.traverse()->isVisible());
        QVERIFY(ReadText(plainFolder(dir) + ".lns")
                    .startsWith("1,2,14.2000,36.024\r\n"
                                "2,3,14.3000,"));
    }

    // A date of field survey is a date: anything else is said when the box is left and keeps
    // the record from being stored.
    void fieldDateMustBeADate() {
        OpenedSample o;
        Harness& h = *o.h;
        auto* date = h.find<QLineEdit>("txtFieldDate");
        const QByteArray record = ReadText(o.file(".sdb"));
        date->setText("abc");
        h.desktop.clearRecords();
        emit date->editingFinished();
        QCOMPARE(h.messages().size(), 1);
        QVERIFY(h.messages()[0].startsWith(
            "Survey Data Base error: The date of field survey \"abc\" is not a date."));
        h.desktop.clearRecords();
        h.desktop.answers = {Answer::Ok, Answer::No};
        h.trigger("mnuExit");
        QCOMPARE(h.quits, 0);
        QCOMPARE(ReadText(o.file(".sdb")), record);
        date->setText("2026-12-07");
        h.trigger("mnuExit");
        QCOMPARE(h.quits, 1);
        QVERIFY(ReadText(o.file(".sdb")).contains("\r\n2026-12-07\r\n"));
    }
};

QTEST_MAIN(PlanSafetyTest)
#include "tst_plansafety.moc"
