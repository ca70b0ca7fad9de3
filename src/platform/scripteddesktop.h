#pragma once

#include "platform/desktop.h"
#include "platform/recordingprintjob.h"

#include <QString>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace corvane {

// One thing a window asked of the desktop.
struct DesktopCall {
    enum class Kind {
        Message,
        InputBox,
        ChooseItem,
        OpenFileDialog,
        SaveFileDialog,
        ChooseFont,
        StartPrint,
        PreviewPrint,
        ShowHelp,
        CloseAllHelp,
        OpenInTextEditor
    };
    Kind kind = Kind::Message;
    // Message: the text; input box: the prompt; file dialog: the filter; print: the document
    // name; help: the help file; editor: the file.
    QString text;
    QString title;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    Answer defaultButton = Answer::Ok;
    // Input box: the default text; file dialog: the initial name; print: the plan folder.
    QString detail;
    // Print: the PDF file offered where no printer is installed, and the sheet asked for.
    QString pdfPath;
    Paper paper = Paper::A4;
    // No scripted answer was waiting (or the one waiting did not fit the box's buttons), so
    // the call was given its safe default.
    bool unscripted = false;
};

// A desktop for tests: answers from queues filled beforehand and records every call, every
// setting and every printout.
//   desktop.answers.push_back(Answer::Yes);   // next message box
//   desktop.texts.push_back("D12345");        // next input box or file dialog
// Without a scripted answer a message box gets its default button, an input box or file
// dialog an empty text (cancelled), the font dialog is cancelled and a print dialog prints;
// the call is then marked unscripted, so tests can check that nothing unexpected was asked.
// Printing: with printerInstalled the print dialog takes the next answer (Ok or Yes prints
// on printTarget, Cancel or No cancels); without, the save dialog for the PDF takes the next
// text (empty cancels) and the printout ends naming that file.
class ScriptedDesktop : public Desktop {
  public:
    // Answers, used from the front.
    std::deque<Answer> answers;
    std::deque<QString> texts;                   // input boxes and file dialogs alike
    std::deque<std::optional<FontChoice>> fonts; // nullopt: the dialog is cancelled

    // What happened.
    std::vector<DesktopCall> calls;
    std::vector<std::shared_ptr<PrintRecord>> printouts; // every job started, in order
    QWidget* mainWindow = nullptr;
    int busyDepth = 0;      // beginBusy minus endBusy; back to 0 when every command is done
    int busyCommands = 0;   // how many times beginBusy was called
    int unbalancedEnds = 0; // endBusy calls without a beginBusy to match
    int helpWindowsOpen = 0;

    // How the desktop behaves.
    std::map<QString, QString> settings; // "Section/Key" -> value
    bool instanceAvailable = true;       // claimSingleInstance answers this
    bool editorStarts = true;            // openInTextEditor succeeds, or fails saying so
    RecordingPrintJob::Page page;        // printable area of the scripted printer
    bool printerInstalled = true;        // else printouts go to PDF files
    QString printTarget = QStringLiteral("Scripted printer"); // the installed printer's name
    std::optional<Error> printFailure; // endDocument fails with this when set

    void setMainWindow(QWidget* window) override { mainWindow = window; }
    Answer message(const QString& text, const QString& title, Icon icon = Icon::Exclamation,
                   Buttons buttons = Buttons::Ok, Answer defaultButton = Answer::Ok) override;
    int chooseItem(const QString& prompt, const QString& title, const QStringList& items) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText = QString()) override;
    QString saveFileDialog(const QString& filter, const QString& title,
                           const QString& initialFolder) override;
    QString openFileDialog(const QString& filter, const QString& title,
                           const QString& initialName) override;
    std::optional<FontChoice> chooseFont(const FontChoice& current) override;
    std::unique_ptr<PrintJob> startPrint(const QString& documentName, const QString& planFolder,
                                         const QString& pdfName, Paper paper = Paper::A4) override;
    // The preview draws the document once into a printout (kept in printouts); the next
    // answer Ok or Yes prints it from the preview (the printout is then ended, on printTarget
    // or, without a printer, on the PDF offered), any other answer, or none, closes the
    // preview unprinted.
    std::optional<Result<QString>>
    previewPrint(const QString& documentName, const QString& planFolder, const QString& pdfName,
                 const std::function<void(PrintJob&)>& document) override;
    QString setting(const QString& section, const QString& key,
                    const QString& defaultValue) override;
    void setSetting(const QString& section, const QString& key, const QString& value) override;
    bool claimSingleInstance() override { return instanceAvailable; }
    void showHelp(const QString& helpFile) override;
    void closeAllHelp() override;
    Result<void> openInTextEditor(const QString& path) override;
    void beginBusy() override;
    void endBusy() override;

    // Queries for assertions.
    std::vector<DesktopCall> callsOf(DesktopCall::Kind kind) const;
    std::vector<DesktopCall> messages() const { return callsOf(DesktopCall::Kind::Message); }
    // The last message box shown; a default (empty) call when there was none.
    DesktopCall lastMessage() const;
    int unscriptedCount() const;
    // True when every scripted answer was used.
    bool scriptUsedUp() const { return answers.empty() && texts.empty() && fonts.empty(); }
    // The last print job started; a null pointer when none was.
    std::shared_ptr<PrintRecord> lastPrintout() const;
    // Forgets the calls and printouts (the script and the settings stay).
    void clearRecords();

  private:
    QString nextText(DesktopCall& call);
    bool nextPrintAnswer(DesktopCall& call, bool unscriptedPrints);
    std::shared_ptr<PrintRecord> newPrintout(const QString& documentName,
                                             const QString& planFolder);
};

} // namespace corvane
