// The scripted desktop is what every window test stands on: its answers must come in the
// order scripted, its defaults must be the safe ones, and nothing asked may go unrecorded.
#include "platform/scripteddesktop.h"

#include <QTest>

using namespace corvane;

class ScriptedDesktopTest : public QObject {
    Q_OBJECT

  private slots:
    void messagesTakeScriptedAnswersThenTheirDefault();
    void inputBoxesAndFileDialogsShareOneQueueOfTexts();
    void printoutIsRenderedWithColumnsAsSpaces();
    void printAndSaveDialogsAreScripted();
};

void ScriptedDesktopTest::messagesTakeScriptedAnswersThenTheirDefault() {
    ScriptedDesktop desktop;
    desktop.answers = {Answer::Yes, Answer::Cancel, Answer::Yes};

    QCOMPARE(desktop.message("Save changes ?", "Traverse", Icon::Question, Buttons::YesNoCancel,
                             Answer::No),
             Answer::Yes);
    QCOMPARE(desktop.message("Save changes ?", "Traverse", Icon::Question, Buttons::YesNoCancel),
             Answer::Cancel);
    // An answer that does not fit the box is not accepted: the box answers OK, marked.
    QCOMPARE(desktop.message("No polygons file found", "CORVANE"), Answer::Ok);
    // The script is used up: the box gets its default button, and the test can see that.
    QCOMPARE(desktop.message("Delete lines ?", "Delete Parcel", Icon::Question, Buttons::YesNo,
                             Answer::No),
             Answer::No);

    const auto shown = desktop.messages();
    QCOMPARE(shown.size(), std::size_t(4));
    QCOMPARE(shown[0].text, QString("Save changes ?"));
    QCOMPARE(shown[0].title, QString("Traverse"));
    QCOMPARE(shown[0].icon, Icon::Question);
    QCOMPARE(shown[0].buttons, Buttons::YesNoCancel);
    QCOMPARE(shown[0].defaultButton, Answer::No);
    QVERIFY(!shown[0].unscripted && !shown[1].unscripted);
    QVERIFY(shown[2].unscripted && shown[3].unscripted);
    QCOMPARE(desktop.unscriptedCount(), 2);
    QVERIFY(desktop.scriptUsedUp());
}

void ScriptedDesktopTest::inputBoxesAndFileDialogsShareOneQueueOfTexts() {
    ScriptedDesktop desktop;
    desktop.texts = {"D12345", ""};

    QCOMPARE(desktop.inputBox("Enter plan identifier eg: D12345", "Open CORVANE file"),
             QString("D12345"));
    // A scripted empty text is a cancelled dialog, not an unscripted one.
    QCOMPARE(desktop.openFileDialog("CORVANE files (*.LNS)|*.lns",
                                    "Open New or Existing CORVANE file", ""),
             QString());
    QCOMPARE(desktop.inputBox("Enter a name to identify your print", "Print Options", "x"),
             QString());

    const auto& calls = desktop.calls;
    QCOMPARE(calls.size(), std::size_t(3));
    QCOMPARE(calls[1].kind, DesktopCall::Kind::OpenFileDialog);
    QCOMPARE(calls[1].text, QString("CORVANE files (*.LNS)|*.lns"));
    QVERIFY(!calls[1].unscripted);
    QVERIFY(calls[2].unscripted);
    // A font dialog nobody scripted is cancelled, and marked.
    QVERIFY(!desktop.chooseFont(FontChoice()).has_value());
    QVERIFY(desktop.calls.back().unscripted);
}

void ScriptedDesktopTest::printoutIsRenderedWithColumnsAsSpaces() {
    ScriptedDesktop desktop;
    auto job = desktop.startPrint("Plan report", "/plans", "D1 report.pdf");
    job->setFont("Arial", 10);
    job->emptyLine();
    job->print(TabLine(10, "Surveyor: ").add("J. SMITH"));
    // A tab back to a column the line has passed goes on at that column of the next line.
    job->print(TabLine(10, "Date of field survey: ").tab(10, "01/01/2000"));
    job->print(PrintLine("From").tab(11, "To").tab(21, "Bearing"));
    job->setFont("Arial", 6);
    job->print(PrintLine("A").tab(kNextZone, "B"));
    QVERIFY(job->endDocument().ok());
    job.reset(); // the record outlives its job

    const auto record = desktop.lastPrintout();
    QVERIFY(record && record->ended);
    QCOMPARE(record->documentName, QString("Plan report"));
    const std::vector<std::string> expected = {
        "",
        "         Surveyor: J. SMITH",
        "         Date of field survey:",
        "         01/01/2000",
        "From      To        Bearing",
        "A             B",
    };
    QCOMPARE(record->lines, expected);
    QCOMPARE(record->fonts.size(), std::size_t(2));
    QCOMPARE(record->fonts[1].size, 6.0);
    QCOMPARE(record->fonts[1].fromLine, std::size_t(5));

    // A failing printer reports its failure.
    desktop.printFailure = Error{"Printer out of paper", "Print error"};
    auto failing = desktop.startPrint("Summary", "", "D1 summary.pdf");
    failing->print("line");
    const auto done = failing->endDocument();
    QVERIFY(!done.ok());
    QCOMPARE(done.error().message, std::string("Printer out of paper"));
}

// With a printer the print dialog takes an answer; without, the save dialog for the PDF takes
// a text; either cancelled starts no printout.
void ScriptedDesktopTest::printAndSaveDialogsAreScripted() {
    ScriptedDesktop desktop;
    desktop.answers = {Answer::Cancel, Answer::Ok};
    QVERIFY(!desktop.startPrint("Summary", "/plans", "D1 summary.pdf"));
    QVERIFY(desktop.printouts.empty());
    auto job = desktop.startPrint("Summary", "/plans", "D1 summary.pdf");
    QCOMPARE(job->endDocument().value(), QString("Scripted printer"));
    // Nobody answered: the dialog prints, marked.
    QVERIFY(desktop.startPrint("Summary", "/plans", "D1 summary.pdf"));
    QCOMPARE(desktop.unscriptedCount(), 1);

    desktop.clearRecords();
    desktop.printerInstalled = false;
    desktop.texts = {"", "/plans/mine.pdf"};
    QVERIFY(!desktop.startPrint("Summary", "/plans", "D1 summary.pdf"));
    job = desktop.startPrint("Summary", "/plans", "D1 summary.pdf");
    QCOMPARE(job->endDocument().value(), QString("/plans/mine.pdf"));
    const auto dialogs = desktop.callsOf(DesktopCall::Kind::SaveFileDialog);
    QCOMPARE(dialogs.size(), std::size_t(2));
    QCOMPARE(dialogs[0].title, QString("Print to PDF"));
    QCOMPARE(dialogs[0].detail, desktop.callsOf(DesktopCall::Kind::StartPrint)[0].pdfPath);
    QVERIFY(dialogs[0].detail.endsWith("/D1 summary.pdf"));
    QCOMPARE(desktop.printouts.size(), std::size_t(1));
    QVERIFY(desktop.scriptUsedUp());
}

QTEST_MAIN(ScriptedDesktopTest)
#include "tst_scripteddesktop.moc"
