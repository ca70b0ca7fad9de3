// The real desktop: what the dialogs answer when the user presses Enter or Escape or closes
// them, the settings store and the lock against a second copy.
#include "platform/qtdesktop.h"
#include "platform/singleinstance.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QInputDialog>
#include <QListView>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <functional>

using namespace corvane;

Q_DECLARE_METATYPE(corvane::Buttons)
Q_DECLARE_METATYPE(corvane::Answer)

namespace {

// Runs action on the modal dialog of type T as soon as it is shown; if none appears, every
// modal dialog is rejected so the test fails instead of hanging.
template <typename T> void WhenModal(std::function<void(T*)> action, bool* seen) {
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, action, seen]() {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<T*>(modal);
        if (!dialog && ++*tries <= 200)
            return;
        poll->stop();
        poll->deleteLater();
        if (dialog) {
            *seen = true;
            action(dialog);
        } else if (auto* other = qobject_cast<QDialog*>(modal)) {
            other->reject();
        }
    });
    poll->start(10);
}

void SetAge(const QString& path, int seconds) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds),
                             QFileDevice::FileModificationTime));
}

} // namespace

class QtDesktopTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void messageBoxAnswers_data();
    void messageBoxAnswers();
    void chosenItemListsShowEveryCandidateWholeAndEnterTakesIt();
    void fileFiltersAreTranslated();
    void helpWindowClosesByItsButtonAndByEscape();
    void settingsTakeDefaultsAndKeepWhatIsStored();
    void secondCopyIsRefusedWhileTheFirstRuns();
    void staleLockIsTakenOver();
};

void QtDesktopTest::initTestCase() {
    // Settings go to a test location, never to the user's own.
    QStandardPaths::setTestModeEnabled(true);
    QSettings("Corvane", "Corvane").clear();
}

void QtDesktopTest::messageBoxAnswers_data() {
    QTest::addColumn<Buttons>("buttons");
    QTest::addColumn<Answer>("defaultButton");
    QTest::addColumn<int>("key");
    QTest::addColumn<Answer>("expected");
    const auto row = [](const char* name, Buttons buttons, Answer byDefault, Qt::Key key,
                        Answer expected) {
        QTest::newRow(name) << buttons << byDefault << int(key) << expected;
    };
    row("ok, Escape", Buttons::Ok, Answer::Ok, Qt::Key_Escape, Answer::Ok);
    row("yes/no, default No, Enter", Buttons::YesNo, Answer::No, Qt::Key_Return, Answer::No);
    row("yes/no, Escape", Buttons::YesNo, Answer::Yes, Qt::Key_Escape, Answer::No);
    row("yes/no/cancel, Escape", Buttons::YesNoCancel, Answer::Yes, Qt::Key_Escape, Answer::Cancel);
    row("ok/cancel, default Cancel, Enter", Buttons::OkCancel, Answer::Cancel, Qt::Key_Return,
        Answer::Cancel);
    row("default not offered falls to the first button", Buttons::YesNo, Answer::Ok, Qt::Key_Return,
        Answer::Yes);
}

// Messages name files and hold line feeds; neither may be read as markup.
void QtDesktopTest::messageBoxAnswers() {
    QFETCH(Buttons, buttons);
    QFETCH(Answer, defaultButton);
    QFETCH(int, key);
    QFETCH(Answer, expected);
    QtDesktop desktop("unused");
    bool seen = false;
    QString shown, title;
    WhenModal<QMessageBox>(
        [&](QMessageBox* box) {
            shown = box->text();
            title = box->windowTitle();
            QTest::keyClick(box, static_cast<Qt::Key>(key));
        },
        &seen);
    const QString text = "Invalid bearing\n<b>C:\\plans\\D1.lns</b>";
    QCOMPARE(desktop.message(text, "Traverse", Icon::Question, buttons, defaultButton), expected);
    QVERIFY(seen);
    QCOMPARE(shown, text);
    QCOMPARE(title, QString("Traverse"));
}

// The Find error list: its longest line is not cut off, and Enter takes the first (most
// likely) candidate, as the default button does in every dialog.
void QtDesktopTest::chosenItemListsShowEveryCandidateWholeAndEnterTakesIt() {
    QtDesktop desktop("unused");
    const QStringList items{
        QStringLiteral("bearing of 12-13 probably 123.4500 (entered 132.4500)"),
        QStringLiteral("distance of 101-102 and of 102-103 probably exchanged (entered 100.000 "
                       "and 10.000, misclosure 0.004 after)")};
    bool seen = false;
    int listWidth = 0, needed = 0;
    WhenModal<QInputDialog>(
        [&](QInputDialog* dialog) {
            auto* list = dialog->findChild<QListView*>();
            listWidth = list->viewport()->width();
            needed = list->fontMetrics().horizontalAdvance(items[1]);
            QTest::keyClick(list, Qt::Key_Return);
        },
        &seen);
    QCOMPARE(
        desktop.chooseItem("The figure most likely mistaken comes first:", "Find error", items), 0);
    QVERIFY(seen);
    QVERIFY2(listWidth >= needed, qPrintable(QStringLiteral("%1 < %2").arg(listWidth).arg(needed)));
}

void QtDesktopTest::fileFiltersAreTranslated() {
    QCOMPARE(QtNameFilters("CORVANE files (*.LNS)|*.lns"), QString("CORVANE files (*.lns *.LNS)"));
    QCOMPARE(QtNameFilters("Plans|*.lns;*.ply|All files|*.*"),
             QString("Plans (*.lns *.LNS *.ply *.PLY);;All files (*.*)"));
}

void QtDesktopTest::helpWindowClosesByItsButtonAndByEscape() {
    QTemporaryDir dir;
    const QString helpFile = dir.filePath("help.html");
    QFile file(helpFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<html><body><h1>Help</h1></body></html>");
    file.close();
    QtDesktop desktop;
    for (const bool byEscape : {false, true}) {
        desktop.showHelp(helpFile);
        QCOMPARE(desktop.helpWindowCount(), 1);
        QWidget* help = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("CorvaneHelp") && w->isVisible())
                help = w;
        QVERIFY(help);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        if (byEscape) {
            help->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(help));
            // Esc reaches the window wherever its focus is, the page included.
            auto* page = help->findChild<QTextBrowser*>();
            QVERIFY(page);
            page->setFocus();
            QTest::keyClick(page, Qt::Key_Escape);
        } else {
            auto* buttons = help->findChild<QDialogButtonBox*>();
            QVERIFY(buttons);
            QPushButton* close = buttons->button(QDialogButtonBox::Close);
            QVERIFY(close);
            QTest::mouseClick(close, Qt::LeftButton);
        }
        QTRY_COMPARE(desktop.helpWindowCount(), 0);
    }
}

void QtDesktopTest::settingsTakeDefaultsAndKeepWhatIsStored() {
    {
        QtDesktop desktop("unused");
        QCOMPARE(desktop.setting("Startup", "FontName", "Arial"), QString("Arial"));
        desktop.setSetting("Startup", "FontName", "Times New Roman");
    }
    // Another run of the program finds them again, under their section only.
    QtDesktop later("unused");
    QCOMPARE(later.setting("Startup", "FontName", "Arial"), QString("Times New Roman"));
    QCOMPARE(later.setting("Other", "FontName", "Arial"), QString("Arial"));
    QSettings store("Corvane", "Corvane");
    QCOMPARE(store.value("Startup/FontName").toString(), QString("Times New Roman"));
    QVERIFY2(store.fileName().contains("qttest"), qPrintable(store.fileName()));
}

void QtDesktopTest::secondCopyIsRefusedWhileTheFirstRuns() {
    QTemporaryDir dir;
    const QString lock = dir.filePath("corvane-test.lock");
    {
        QtDesktop first(lock);
        QtDesktop second(lock);
        QVERIFY(first.claimSingleInstance());
        QVERIFY(first.claimSingleInstance()); // asking again keeps it
        // A program left open for a day must still keep a second copy out.
        SetAge(lock, 24 * 3600);
        QVERIFY(!second.claimSingleInstance());
    }
    // The first copy has ended: the lock is free again.
    QtDesktop third(lock);
    QVERIFY(third.claimSingleInstance());
}

void QtDesktopTest::staleLockIsTakenOver() {
    // After a crash the lock file stays behind, naming a process that no longer runs.
    QProcess ended;
    ended.start("true", {});
    QVERIFY(ended.waitForStarted());
    const qint64 pid = ended.processId();
    QVERIFY(ended.waitForFinished());
    QTemporaryDir dir;
    const QString path = dir.filePath("corvane-test.lock");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::number(pid) + "\ncorvane\n" + QSysInfo::machineHostName().toUtf8() +
               "\n");
    file.close();
    QVERIFY(SingleInstanceLock(path).claim());

    // An empty lock may be another copy writing it this moment; when old, it is a crash's.
    const QString empty = dir.filePath("empty.lock");
    QVERIFY(QFile(empty).open(QIODevice::WriteOnly));
    QVERIFY(!SingleInstanceLock(empty).claim());
    SetAge(empty, 3600);
    QVERIFY(SingleInstanceLock(empty).claim());
}

QTEST_MAIN(QtDesktopTest)
#include "tst_qtdesktop.moc"
