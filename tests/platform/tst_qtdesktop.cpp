// The real desktop: what the dialogs answer when the user presses Enter or Escape or closes
// them, the settings store, the lock against a second copy, help windows and the wait cursor.
#include "platform/qtdesktop.h"
#include "platform/singleinstance.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
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
        if (auto* dialog = qobject_cast<T*>(modal)) {
            poll->stop();
            poll->deleteLater();
            *seen = true;
            action(dialog);
        } else if (++*tries > 200) {
            poll->stop();
            poll->deleteLater();
            if (auto* other = qobject_cast<QDialog*>(modal))
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
    void messageTextIsShownAsWritten();
    void inputBoxGivesEmptyTextWhenCancelled();
    void fileDialogAcceptsANameThatDoesNotExist();
    void fileFiltersAreTranslated();
    void settingsTakeDefaultsAndKeepWhatIsStored();
    void secondCopyIsRefusedWhileTheFirstRuns();
    void lockOfARunningCopyHoldsHoweverOld();
    void lockLeftByAnEndedProgramIsTakenOver();
    void unreadableLockIsTakenOverOnlyWhenOld();
    void helpWindowsOpenOncePerFileAndAllClose();
    void busyCursorNestsAndNeverOverRestores();
    void userGuideOpensInTheHelpWindow();
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
    QTest::newRow("ok, Enter") << Buttons::Ok << Answer::Ok << int(Qt::Key_Return) << Answer::Ok;
    QTest::newRow("ok, Escape") << Buttons::Ok << Answer::Ok << int(Qt::Key_Escape) << Answer::Ok;
    QTest::newRow("yes/no, default No, Enter")
        << Buttons::YesNo << Answer::No << int(Qt::Key_Return) << Answer::No;
    QTest::newRow("yes/no, default Yes, Enter")
        << Buttons::YesNo << Answer::Yes << int(Qt::Key_Return) << Answer::Yes;
    QTest::newRow("yes/no, Escape")
        << Buttons::YesNo << Answer::Yes << int(Qt::Key_Escape) << Answer::No;
    QTest::newRow("yes/no/cancel, Escape")
        << Buttons::YesNoCancel << Answer::Yes << int(Qt::Key_Escape) << Answer::Cancel;
    QTest::newRow("ok/cancel, default Cancel, Enter")
        << Buttons::OkCancel << Answer::Cancel << int(Qt::Key_Return) << Answer::Cancel;
    QTest::newRow("default not offered falls to the first button")
        << Buttons::YesNo << Answer::Ok << int(Qt::Key_Return) << Answer::Yes;
}

void QtDesktopTest::messageBoxAnswers() {
    QFETCH(Buttons, buttons);
    QFETCH(Answer, defaultButton);
    QFETCH(int, key);
    QFETCH(Answer, expected);
    QtDesktop desktop("unused");
    bool seen = false;
    WhenModal<QMessageBox>(
        [key](QMessageBox* box) { QTest::keyClick(box, static_cast<Qt::Key>(key)); }, &seen);
    const Answer answer =
        desktop.message("Save changes ?", "Traverse", Icon::Question, buttons, defaultButton);
    QVERIFY(seen);
    QCOMPARE(answer, expected);
}

void QtDesktopTest::messageTextIsShownAsWritten() {
    // Messages name files and hold line feeds; neither may be read as markup.
    QtDesktop desktop("unused");
    bool seen = false;
    QString shown;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WhenModal<QMessageBox>(
        [&](QMessageBox* box) {
            shown = box->text();
            title = box->windowTitle();
            icon = box->icon();
            box->close();
        },
        &seen);
    const QString text = "Invalid bearing\n<b>C:\\plans\\D1.lns</b>";
    QCOMPARE(desktop.message(text, "Traverse input error", Icon::Critical), Answer::Ok);
    QVERIFY(seen);
    QCOMPARE(shown, text);
    QCOMPARE(title, QString("Traverse input error"));
    QCOMPARE(icon, QMessageBox::Critical);
}

void QtDesktopTest::inputBoxGivesEmptyTextWhenCancelled() {
    QtDesktop desktop("unused");
    bool seen = false;
    QString prompt;
    WhenModal<QInputDialog>(
        [&](QInputDialog* dialog) {
            prompt = dialog->labelText();
            dialog->setTextValue("D12345");
            dialog->reject();
        },
        &seen);
    QCOMPARE(desktop.inputBox("Enter plan identifier eg: D12345", "Open CORVANE file"), QString());
    QVERIFY(seen);
    QCOMPARE(prompt, QString("Enter plan identifier eg: D12345"));

    seen = false;
    WhenModal<QInputDialog>(
        [](QInputDialog* dialog) {
            dialog->setTextValue("d12345");
            dialog->accept();
        },
        &seen);
    QCOMPARE(desktop.inputBox("Enter plan identifier eg: D12345", "Open CORVANE file"),
             QString("d12345"));
}

void QtDesktopTest::fileDialogAcceptsANameThatDoesNotExist() {
    // A new plan is started by naming a lines file that is not there yet.
    QTemporaryDir dir;
    const QString newPlan = dir.filePath("D99999.lns");
    QtDesktop desktop("unused");
    bool seen = false;
    QString title;
    QStringList filters;
    WhenModal<QFileDialog>(
        [&](QFileDialog* dialog) {
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            dialog->selectFile(newPlan);
            // QFileDialog::accept checks the name as the Open button does.
            static_cast<QDialog*>(dialog)->accept();
            if (dialog->isVisible())
                dialog->reject();
        },
        &seen);
    const QString chosen = desktop.openFileDialog("CORVANE files (*.LNS)|*.lns",
                                                  "Open New or Existing CORVANE file", "");
    QVERIFY(seen);
    QCOMPARE(title, QString("Open New or Existing CORVANE file"));
    QCOMPARE(filters, QStringList{"CORVANE files (*.lns *.LNS)"});
    QCOMPARE(chosen, QDir::toNativeSeparators(newPlan));
}

void QtDesktopTest::fileFiltersAreTranslated() {
    QCOMPARE(QtNameFilters("CORVANE files (*.LNS)|*.lns"), QString("CORVANE files (*.lns *.LNS)"));
    QCOMPARE(QtNameFilters("Plans|*.lns;*.ply|All files|*.*"),
             QString("Plans (*.lns *.LNS *.ply *.PLY);;All files (*.*)"));
    QCOMPARE(QtNameFilters("Text files (*.txt)"), QString("Text files (*.txt)"));
}

void QtDesktopTest::settingsTakeDefaultsAndKeepWhatIsStored() {
    {
        QtDesktop desktop("unused");
        QCOMPARE(desktop.setting("Startup", "FontSize", "10"), QString("10"));
        QCOMPARE(desktop.setting("Startup", "FontName", "Arial"), QString("Arial"));
        desktop.setSetting("Startup", "FontName", "Times New Roman");
        desktop.setSetting("Startup", "FontSize", "12");
    }
    // Another run of the program finds them again, under their section only.
    QtDesktop later("unused");
    QCOMPARE(later.setting("Startup", "FontName", "Arial"), QString("Times New Roman"));
    QCOMPARE(later.setting("Startup", "FontSize", "10"), QString("12"));
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
        QVERIFY(!second.claimSingleInstance());
    }
    // The first copy has ended: the lock is free again.
    QtDesktop third(lock);
    QVERIFY(third.claimSingleInstance());
    QVERIFY(SingleInstanceLockPath().contains("corvane-"));
}

void QtDesktopTest::lockOfARunningCopyHoldsHoweverOld() {
    // A program left open for a day must still keep a second copy out.
    QTemporaryDir dir;
    const QString path = dir.filePath("corvane-test.lock");
    SingleInstanceLock running(path);
    QVERIFY(running.claim());
    SetAge(path, 24 * 3600);
    SingleInstanceLock second(path);
    QVERIFY(!second.claim());
}

void QtDesktopTest::lockLeftByAnEndedProgramIsTakenOver() {
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
    SingleInstanceLock next(path);
    QVERIFY(next.claim());
}

void QtDesktopTest::unreadableLockIsTakenOverOnlyWhenOld() {
    QTemporaryDir dir;
    const QString path = dir.filePath("corvane-test.lock");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // Empty and new: another copy may be writing it this moment.
    SingleInstanceLock now(path);
    QVERIFY(!now.claim());
    // Empty and old: the remains of a crash; it must not keep the program out for good.
    SetAge(path, 3600);
    SingleInstanceLock later(path);
    QVERIFY(later.claim());
}

void QtDesktopTest::helpWindowsOpenOncePerFileAndAllClose() {
    QTemporaryDir dir;
    const QString help = dir.filePath("Corvane.html");
    {
        QFile file(help);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<html><body><h1>Corvane user guide</h1></body></html>");
    }
    QWidget main;
    QtDesktop desktop("unused");
    desktop.setMainWindow(&main);
    desktop.showHelp(help);
    desktop.showHelp(help);
    QCOMPARE(desktop.helpWindowCount(), 1);
    const auto browsers = main.findChildren<QTextBrowser*>();
    QCOMPARE(browsers.size(), 1);
    QVERIFY(browsers.first()->toPlainText().contains("Corvane user guide"));
    QVERIFY(browsers.first()->window()->isVisible());

    desktop.closeAllHelp();
    QCOMPARE(desktop.helpWindowCount(), 0);
    QTRY_COMPARE(main.findChildren<QTextBrowser*>().size(), 0);

    // A missing help file is reported, not shown as an empty window.
    bool seen = false;
    QString text;
    WhenModal<QMessageBox>(
        [&](QMessageBox* box) {
            text = box->text();
            box->close();
        },
        &seen);
    desktop.showHelp(dir.filePath("missing.html"));
    QVERIFY(seen);
    QVERIFY(text.contains("missing.html"));
    QCOMPARE(desktop.helpWindowCount(), 0);
}

void QtDesktopTest::busyCursorNestsAndNeverOverRestores() {
    QtDesktop desktop("unused");
    QApplication::setOverrideCursor(Qt::CrossCursor); // someone else's cursor
    {
        BusyCursor outer(desktop);
        {
            BusyCursor inner(desktop);
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    desktop.endBusy();
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();
    QVERIFY(!QApplication::overrideCursor());
}

void QtDesktopTest::userGuideOpensInTheHelpWindow() {
    // The guide is shipped next to the program on machines without a network: it must show
    // in the help window on its own, with nothing fetched from elsewhere.
    const QString guide = QStringLiteral(CORVANE_SOURCE_DIR) + "/docs/user-guide.html";
    QFile file(guide);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    QVERIFY(!html.contains("src=", Qt::CaseInsensitive));
    QVERIFY(!html.contains("<link", Qt::CaseInsensitive));
    QVERIFY(!html.contains("@import", Qt::CaseInsensitive));

    QWidget main;
    QtDesktop desktop("unused");
    desktop.setMainWindow(&main);
    desktop.showHelp(guide);
    const auto browsers = main.findChildren<QTextBrowser*>();
    QCOMPARE(browsers.size(), 1);
    const QString text = browsers.first()->toPlainText();
    QVERIFY(text.contains("Entering a traverse"));
    QVERIFY(text.contains("MISCLOSURE ACCEPTABLE"));
    desktop.closeAllHelp();
}

QTEST_MAIN(QtDesktopTest)
#include "tst_qtdesktop.moc"
