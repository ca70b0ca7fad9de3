// The scripted desktop is what every window test stands on: its answers must come in the
// order scripted, its defaults must be the safe ones, and nothing asked may go unrecorded.
#include "platform/scripteddesktop.h"

#include <QTest>
#include <stdexcept>

using namespace corvane;

class ScriptedDesktopTest : public QObject {
    Q_OBJECT

  private slots:
    void messagesTakeScriptedAnswersThenTheirDefault();
    void answerThatDoesNotFitTheBoxIsFlagged();
    void inputBoxesAndFileDialogsShareOneQueueOfTexts();
    void fontDialogIsCancelledUnlessScripted();
    void settingsKeepSectionsApartAndFallBackToDefaults();
    void busyDepthReturnsToZeroWhenACommandFails();
    void helpAndEditorAreRecorded();
    void printoutIsRenderedWithColumnsAsSpaces();
    void printoutOutlivesItsJobAndRecordsShapes();
    void failingPrinterReportsTheFailure();
};

void ScriptedDesktopTest::messagesTakeScriptedAnswersThenTheirDefault() {
    ScriptedDesktop desktop;
    desktop.answers = {Answer::Yes, Answer::Cancel};

    QCOMPARE(desktop.message("Save changes ?", "Traverse", Icon::Question, Buttons::YesNoCancel,
                             Answer::No),
             Answer::Yes);
    QCOMPARE(desktop.message("Save changes ?", "Traverse", Icon::Question, Buttons::YesNoCancel),
             Answer::Cancel);
    // The script is used up: the box gets its default button, and the test can see that.
    QCOMPARE(desktop.message("Delete lines ?", "Delete Parcel", Icon::Question, Buttons::YesNo,
                             Answer::No),
             Answer::No);

    const auto shown = desktop.messages();
    QCOMPARE(shown.size(), std::size_t(3));
    QCOMPARE(shown[0].text, QString("Save changes ?"));
    QCOMPARE(shown[0].title, QString("Traverse"));
    QCOMPARE(shown[0].icon, Icon::Question);
    QCOMPARE(shown[0].buttons, Buttons::YesNoCancel);
    QCOMPARE(shown[0].defaultButton, Answer::No);
    QVERIFY(!shown[0].unscripted && !shown[1].unscripted);
    QVERIFY(shown[2].unscripted);
    QCOMPARE(desktop.unscriptedCount(), 1);
    QCOMPARE(desktop.lastMessage().title, QString("Delete Parcel"));
    QVERIFY(desktop.scriptUsedUp());
}

void ScriptedDesktopTest::answerThatDoesNotFitTheBoxIsFlagged() {
    // A test that scripts "Yes" for what turns out to be a plain message must not have that
    // answer silently accepted: the box answers OK and the call is marked.
    ScriptedDesktop desktop;
    desktop.answers = {Answer::Yes};
    QCOMPARE(desktop.message("No polygons file found", "CORVANE"), Answer::Ok);
    QVERIFY(desktop.lastMessage().unscripted);
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
    QCOMPARE(calls[0].kind, DesktopCall::Kind::InputBox);
    QCOMPARE(calls[0].text, QString("Enter plan identifier eg: D12345"));
    QCOMPARE(calls[1].kind, DesktopCall::Kind::OpenFileDialog);
    QCOMPARE(calls[1].text, QString("CORVANE files (*.LNS)|*.lns"));
    QCOMPARE(calls[1].title, QString("Open New or Existing CORVANE file"));
    QVERIFY(!calls[1].unscripted);
    QCOMPARE(calls[2].detail, QString("x"));
    QVERIFY(calls[2].unscripted);
}

void ScriptedDesktopTest::fontDialogIsCancelledUnlessScripted() {
    ScriptedDesktop desktop;
    FontChoice courier;
    courier.name = "Courier New";
    courier.size = 12;
    desktop.fonts = {courier, std::nullopt};

    const auto first = desktop.chooseFont(FontChoice());
    QVERIFY(first.has_value());
    QCOMPARE(first->name, QString("Courier New"));
    QCOMPARE(first->size, 12);
    QVERIFY(!desktop.chooseFont(*first).has_value());
    QVERIFY(!desktop.calls.back().unscripted);
    QVERIFY(!desktop.chooseFont(*first).has_value());
    QVERIFY(desktop.calls.back().unscripted);
    QCOMPARE(desktop.calls.back().text, QString("Courier New"));
}

void ScriptedDesktopTest::settingsKeepSectionsApartAndFallBackToDefaults() {
    ScriptedDesktop desktop;
    QCOMPARE(desktop.setting("Startup", "FontSize", "10"), QString("10"));
    desktop.setSetting("Startup", "FontSize", "12");
    QCOMPARE(desktop.setting("Startup", "FontSize", "10"), QString("12"));
    QCOMPARE(desktop.setting("Other", "FontSize", "10"), QString("10"));
    QCOMPARE(desktop.settings.at("Startup/FontSize"), QString("12"));
}

void ScriptedDesktopTest::busyDepthReturnsToZeroWhenACommandFails() {
    ScriptedDesktop desktop;
    try {
        BusyCursor outer(desktop);
        BusyCursor inner(desktop);
        QCOMPARE(desktop.busyDepth, 2);
        throw std::runtime_error("file locked");
    } catch (const std::runtime_error&) {
    }
    QCOMPARE(desktop.busyDepth, 0);
    QCOMPARE(desktop.busyCommands, 2);
    // One restore too many is counted, never taken below zero.
    desktop.endBusy();
    QCOMPARE(desktop.busyDepth, 0);
    QCOMPARE(desktop.unbalancedEnds, 1);
}

void ScriptedDesktopTest::helpAndEditorAreRecorded() {
    ScriptedDesktop desktop;
    desktop.showHelp("/opt/corvane/Corvane.html");
    QCOMPARE(desktop.helpWindowsOpen, 1);
    desktop.closeAllHelp();
    QCOMPARE(desktop.helpWindowsOpen, 0);

    QVERIFY(desktop.openInTextEditor("/plans/D12345.lns"));
    desktop.editorStarts = false;
    QVERIFY(!desktop.openInTextEditor("/plans/D12345.ply"));
    const auto opened = desktop.callsOf(DesktopCall::Kind::OpenInTextEditor);
    QCOMPARE(opened.size(), std::size_t(2));
    QCOMPARE(opened[1].text, QString("/plans/D12345.ply"));
    QCOMPARE(desktop.callsOf(DesktopCall::Kind::ShowHelp).front().text,
             QString("/opt/corvane/Corvane.html"));
}

void ScriptedDesktopTest::printoutIsRenderedWithColumnsAsSpaces() {
    ScriptedDesktop desktop;
    auto job = desktop.startPrint("Plan report", "/plans");
    job->setFont("Arial", 10);
    job->emptyLine();
    job->print(TabLine(10, "Surveyor: ").add("J. SMITH"));
    // A tab back to a column the line has passed goes on at that column of the next line.
    job->print(TabLine(10, "Date of field survey: ").tab(10, "01/01/2000"));
    job->print(PrintLine("From").tab(11, "To").tab(21, "Bearing"));
    job->setFont("Arial", 6);
    job->print(PrintLine("A").tab(kNextZone, "B"));
    QVERIFY(job->endDocument().ok());

    const auto record = desktop.lastPrintout();
    QVERIFY(record);
    QCOMPARE(record->documentName, QString("Plan report"));
    QCOMPARE(record->planFolder, QString("/plans"));
    const std::vector<std::string> expected = {
        "",
        "         Surveyor: J. SMITH",
        "         Date of field survey:",
        "         01/01/2000",
        "From      To        Bearing",
        "A             B",
    };
    QCOMPARE(record->lines, expected);
    QCOMPARE(record->printLines.size(), std::size_t(5));
    QCOMPARE(record->fonts.size(), std::size_t(2));
    QCOMPARE(record->fonts[1].size, 6.0);
    QCOMPARE(record->fonts[1].fromLine, std::size_t(5));
    QVERIFY(record->ended);
}

void ScriptedDesktopTest::printoutOutlivesItsJobAndRecordsShapes() {
    ScriptedDesktop desktop;
    desktop.printTarget = "Office printer";
    {
        auto job = desktop.startPrint("Plan", "/plans");
        QCOMPARE(job->pageWidthMm(), 190.0);
        QCOMPARE(job->pageHeightMm(), 277.0);
        job->setLineStyle(LineStyle::Dashed);
        job->drawLine(10, 20, 30, 40);
        job->setLineStyle(LineStyle::Solid);
        job->drawLine(0, 0, 1, 1);
        job->setFont("Arial", 6);
        job->drawDot(5, 6);
        job->drawText(5, 6, "PM12");
        // Fixed-pitch measures: 4 characters of 0.6 em at 6 points.
        QVERIFY(qAbs(job->textWidthMm("PM12") - 4 * 0.6 * 6 * 25.4 / 72) < 1e-9);
        const auto done = job->endDocument();
        QVERIFY(done.ok());
        QCOMPARE(done.value(), QString("Office printer"));
    }
    const auto record = desktop.lastPrintout();
    const auto lines = record->shapesOf(PrintedShape::Kind::Line);
    QCOMPARE(lines.size(), std::size_t(2));
    QCOMPARE(lines[0].style, LineStyle::Dashed);
    QCOMPARE(lines[0].x2, 30.0);
    QCOMPARE(lines[0].y2, 40.0);
    QCOMPARE(lines[1].style, LineStyle::Solid);
    const auto texts = record->shapesOf(PrintedShape::Kind::Text);
    QCOMPARE(texts.size(), std::size_t(1));
    QCOMPARE(texts[0].text, QString("PM12"));
    QCOMPARE(texts[0].fontSize, 6.0);
    QCOMPARE(record->shapesOf(PrintedShape::Kind::Dot).size(), std::size_t(1));
    QVERIFY(record->lines.empty());
}

void ScriptedDesktopTest::failingPrinterReportsTheFailure() {
    ScriptedDesktop desktop;
    desktop.printFailure = Error{"Printer out of paper", "Print error"};
    auto job = desktop.startPrint("Summary", "");
    job->print("line");
    const auto done = job->endDocument();
    QVERIFY(!done.ok());
    QCOMPARE(done.error().message, std::string("Printer out of paper"));
    QCOMPARE(desktop.printouts.size(), std::size_t(1));
    QCOMPARE(desktop.callsOf(DesktopCall::Kind::StartPrint).front().text, QString("Summary"));
}

QTEST_MAIN(ScriptedDesktopTest)
#include "tst_scripteddesktop.moc"
