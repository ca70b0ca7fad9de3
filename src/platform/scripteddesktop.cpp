#include "platform/scripteddesktop.h"

#include "platform/qtprintjob.h"
#include "platform/texteditor.h"

#include <algorithm>

namespace corvane {

namespace {

bool FitsButtons(Answer answer, Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok:
        return answer == Answer::Ok;
    case Buttons::OkCancel:
        return answer == Answer::Ok || answer == Answer::Cancel;
    case Buttons::YesNo:
        return answer == Answer::Yes || answer == Answer::No;
    case Buttons::YesNoCancel:
        return answer == Answer::Yes || answer == Answer::No || answer == Answer::Cancel;
    }
    return false;
}

QString SettingKey(const QString& section, const QString& key) {
    return section + QLatin1Char('/') + key;
}

} // namespace

Answer ScriptedDesktop::message(const QString& text, const QString& title, Icon icon,
                                Buttons buttons, Answer defaultButton) {
    DesktopCall call;
    call.kind = DesktopCall::Kind::Message;
    call.text = text;
    call.title = title;
    call.icon = icon;
    call.buttons = buttons;
    call.defaultButton = defaultButton;
    // As on screen: a default that the box does not offer falls to its first button.
    Answer answer = defaultButton;
    if (!FitsButtons(answer, buttons))
        answer = buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
    if (answers.empty()) {
        call.unscripted = true;
    } else {
        const Answer scripted = answers.front();
        answers.pop_front();
        if (FitsButtons(scripted, buttons))
            answer = scripted;
        else
            call.unscripted = true;
    }
    calls.push_back(call);
    return answer;
}

// The next scripted answer of a print or preview dialog: Ok or Yes prints; unscripted, the
// dialog does as given and the call is marked.
bool ScriptedDesktop::nextPrintAnswer(DesktopCall& call, bool unscriptedPrints) {
    if (answers.empty()) {
        call.unscripted = true;
        return unscriptedPrints;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer == Answer::Ok || answer == Answer::Yes;
}

// The next scripted text of an input box or file dialog; empty, and marked, when none is
// queued.
QString ScriptedDesktop::nextText(DesktopCall& call) {
    QString answer;
    if (texts.empty()) {
        call.unscripted = true;
    } else {
        answer = texts.front();
        texts.pop_front();
    }
    calls.push_back(call);
    return answer;
}

namespace {

// The record of a dialog that answers with a text: what it showed, its title and the text or
// name it started from.
DesktopCall textCall(DesktopCall::Kind kind, const QString& text, const QString& title,
                     const QString& detail) {
    DesktopCall call;
    call.kind = kind;
    call.text = text;
    call.title = title;
    call.detail = detail;
    return call;
}

} // namespace

// The next scripted text names the entry chosen: its index ("0", "1"...) or its text; none
// queued, or one that names no entry, cancels.
int ScriptedDesktop::chooseItem(const QString& prompt, const QString& title,
                                const QStringList& items) {
    DesktopCall call = textCall(DesktopCall::Kind::ChooseItem, prompt, title, items.join('\n'));
    const QString answer = nextText(call);
    bool number = false;
    const int index = answer.toInt(&number);
    if (number)
        return index >= 0 && index < items.size() ? index : -1;
    return static_cast<int>(items.indexOf(answer));
}

QString ScriptedDesktop::inputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText) {
    DesktopCall call = textCall(DesktopCall::Kind::InputBox, prompt, title, defaultText);
    return nextText(call);
}

QString ScriptedDesktop::openFileDialog(const QString& filter, const QString& title,
                                        const QString& initialName) {
    DesktopCall call = textCall(DesktopCall::Kind::OpenFileDialog, filter, title, initialName);
    return nextText(call);
}

QString ScriptedDesktop::saveFileDialog(const QString& filter, const QString& title,
                                        const QString& initialFolder) {
    DesktopCall call = textCall(DesktopCall::Kind::SaveFileDialog, filter, title, initialFolder);
    return nextText(call);
}

std::optional<FontChoice> ScriptedDesktop::chooseFont(const FontChoice& current) {
    DesktopCall call;
    call.kind = DesktopCall::Kind::ChooseFont;
    call.text = current.name;
    call.detail = QString::number(current.size);
    std::optional<FontChoice> answer;
    if (fonts.empty()) {
        call.unscripted = true;
    } else {
        answer = fonts.front();
        fonts.pop_front();
    }
    calls.push_back(call);
    return answer;
}

std::shared_ptr<PrintRecord> ScriptedDesktop::newPrintout(const QString& documentName,
                                                          const QString& planFolder) {
    auto record = std::make_shared<PrintRecord>();
    record->documentName = documentName;
    record->planFolder = planFolder;
    printouts.push_back(record);
    return record;
}

std::unique_ptr<PrintJob> ScriptedDesktop::startPrint(const QString& documentName,
                                                      const QString& planFolder,
                                                      const QString& pdfName, Paper paper) {
    DesktopCall call;
    call.kind = DesktopCall::Kind::StartPrint;
    call.paper = paper;
    call.text = documentName;
    call.detail = planFolder;
    call.pdfPath = OfferedPdfPath(planFolder, pdfName);
    QString target = printTarget;
    if (printerInstalled) {
        // The print dialog.
        const bool print = nextPrintAnswer(call, true);
        calls.push_back(call);
        if (!print)
            return nullptr;
    } else {
        calls.push_back(call);
        target = saveFileDialog(QStringLiteral("PDF files (*.pdf)|*.pdf"),
                                QStringLiteral("Print to PDF"), call.pdfPath);
        if (target.isEmpty())
            return nullptr;
    }
    // The scripted printer's page is A4; an A3 sheet asked for is as much larger.
    RecordingPrintJob::Page sheet = page;
    if (paper == Paper::A3) {
        sheet.widthMm += kPdfA3WidthMm - kPdfPageWidthMm;
        sheet.heightMm += kPdfA3HeightMm - kPdfPageHeightMm;
    }
    return std::make_unique<RecordingPrintJob>(newPrintout(documentName, planFolder), sheet, target,
                                               printFailure);
}

std::optional<Result<QString>>
ScriptedDesktop::previewPrint(const QString& documentName, const QString& planFolder,
                              const QString& pdfName,
                              const std::function<void(PrintJob&)>& document) {
    DesktopCall call;
    call.kind = DesktopCall::Kind::PreviewPrint;
    call.text = documentName;
    call.detail = planFolder;
    call.pdfPath = OfferedPdfPath(planFolder, pdfName);
    const bool print = nextPrintAnswer(call, false);
    calls.push_back(call);
    RecordingPrintJob job(newPrintout(documentName, planFolder), page,
                          printerInstalled ? printTarget : call.pdfPath, printFailure);
    document(job);
    if (!print)
        return std::nullopt;
    return job.endDocument();
}

QString ScriptedDesktop::setting(const QString& section, const QString& key,
                                 const QString& defaultValue) {
    const auto found = settings.find(SettingKey(section, key));
    return found == settings.end() ? defaultValue : found->second;
}

void ScriptedDesktop::setSetting(const QString& section, const QString& key, const QString& value) {
    settings[SettingKey(section, key)] = value;
}

void ScriptedDesktop::showHelp(const QString& helpFile) {
    DesktopCall call;
    call.kind = DesktopCall::Kind::ShowHelp;
    call.text = helpFile;
    calls.push_back(call);
    ++helpWindowsOpen;
}

void ScriptedDesktop::closeAllHelp() {
    DesktopCall call;
    call.kind = DesktopCall::Kind::CloseAllHelp;
    calls.push_back(call);
    helpWindowsOpen = 0;
}

Result<void> ScriptedDesktop::openInTextEditor(const QString& path) {
    DesktopCall call;
    call.kind = DesktopCall::Kind::OpenInTextEditor;
    call.text = path;
    calls.push_back(call);
    if (!editorStarts)
        return Error{toCore(NoTextEditorMessage(path)), ""};
    return {};
}

void ScriptedDesktop::beginBusy() {
    ++busyDepth;
    ++busyCommands;
}

void ScriptedDesktop::endBusy() {
    if (busyDepth == 0) {
        ++unbalancedEnds;
        return;
    }
    --busyDepth;
}

std::vector<DesktopCall> ScriptedDesktop::callsOf(DesktopCall::Kind kind) const {
    std::vector<DesktopCall> out;
    for (const DesktopCall& call : calls) {
        if (call.kind == kind)
            out.push_back(call);
    }
    return out;
}

DesktopCall ScriptedDesktop::lastMessage() const {
    const auto last = std::find_if(calls.rbegin(), calls.rend(), [](const DesktopCall& call) {
        return call.kind == DesktopCall::Kind::Message;
    });
    return last == calls.rend() ? DesktopCall{} : *last;
}

int ScriptedDesktop::unscriptedCount() const {
    int count = 0;
    for (const DesktopCall& call : calls)
        count += call.unscripted ? 1 : 0;
    return count;
}

std::shared_ptr<PrintRecord> ScriptedDesktop::lastPrintout() const {
    return printouts.empty() ? nullptr : printouts.back();
}

void ScriptedDesktop::clearRecords() {
    calls.clear();
    printouts.clear();
    busyCommands = 0;
    unbalancedEnds = 0;
}

} // namespace corvane
