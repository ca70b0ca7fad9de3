#include "platform/qtdesktop.h"

#include "core/base/textfile.h"
#include "platform/qtprintjob.h"
#include "platform/singleinstance.h"
#include "platform/texteditor.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QKeySequence>
#include <QListView>
#include <QLocale>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace corvane {

namespace {

const QString kOrganisation = QStringLiteral("Corvane");
const QString kApplication = QStringLiteral("Corvane");

QMessageBox::StandardButton StandardButtonFor(Answer answer) {
    switch (answer) {
    case Answer::Ok:
        return QMessageBox::Ok;
    case Answer::Cancel:
        return QMessageBox::Cancel;
    case Answer::Yes:
        return QMessageBox::Yes;
    case Answer::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon MessageIcon(Icon icon) {
    switch (icon) {
    case Icon::None:
        return QMessageBox::NoIcon;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// The answers a box offers, the first being its usual default.
QList<Answer> AnswersOf(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok:
        return {Answer::Ok};
    case Buttons::OkCancel:
        return {Answer::Ok, Answer::Cancel};
    case Buttons::YesNo:
        return {Answer::Yes, Answer::No};
    case Buttons::YesNoCancel:
        return {Answer::Yes, Answer::No, Answer::Cancel};
    }
    return {Answer::Ok};
}

// Closing a box without choosing: Cancel where it is offered, No for a Yes/No question.
Answer EscapeAnswer(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
        return Answer::Cancel;
    case Buttons::YesNo:
        return Answer::No;
    }
    return Answer::Cancel;
}

// A help file shown in a window of its own, owned by the main window.
class HelpWindow : public QWidget {
  public:
    HelpWindow(const QString& helpFile, QWidget* owner) : QWidget(owner, Qt::Window) {
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle(QStringLiteral("CORVANE Help"));
        setObjectName(QStringLiteral("CorvaneHelp"));
        setProperty("helpFile", QFileInfo(helpFile).absoluteFilePath());
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* browser = new QTextBrowser(this);
        browser->setOpenExternalLinks(true);
        browser->setSearchPaths({QFileInfo(helpFile).absolutePath()});
        browser->setSource(QUrl::fromLocalFile(QFileInfo(helpFile).absoluteFilePath()));
        layout->addWidget(browser);
        // A Close button and Esc close the help, as any help window does.
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
        buttons->setContentsMargins(8, 0, 8, 8);
        connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);
        layout->addWidget(buttons);
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        escape->setContext(Qt::WindowShortcut);
        connect(escape, &QShortcut::activated, this, &QWidget::close);
        resize(760, 640);
    }
};

} // namespace

QString ProgramHelpFile() {
    // Next to the program in a build; in the documentation folder when installed.
    const QDir program(QCoreApplication::applicationDirPath());
    const QString beside = program.filePath(QStringLiteral("Corvane.html"));
    const QString installed = program.filePath(QStringLiteral("../share/doc/corvane/Corvane.html"));
    if (!QFileInfo::exists(beside) && QFileInfo::exists(installed))
        return QDir::cleanPath(installed);
    return beside;
}

QString QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    if (parts.size() < 2)
        return filter;
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts[i].trimmed();
        // The description may name its patterns already; Qt names them from the list.
        const qsizetype open = label.lastIndexOf(QLatin1Char('('));
        if (open > 0 && label.endsWith(QLatin1Char(')')))
            label = label.left(open).trimmed();
        QStringList patterns;
        for (const QString& raw : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString pattern = raw.trimmed();
            for (const QString& form : {pattern, pattern.toLower(), pattern.toUpper()}) {
                if (!form.isEmpty() && !patterns.contains(form))
                    patterns << form;
            }
        }
        filters << QStringLiteral("%1 (%2)").arg(label, patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

QtDesktop::QtDesktop(const QString& lockPath)
    : lockPath_(lockPath.isEmpty() ? SingleInstanceLockPath() : lockPath) {}

QtDesktop::~QtDesktop() = default;

Answer QtDesktop::message(const QString& text, const QString& title, Icon icon, Buttons buttons,
                          Answer defaultButton) {
    QMessageBox box(mainWindow_);
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(MessageIcon(icon));
    const QList<Answer> offered = AnswersOf(buttons);
    QMessageBox::StandardButtons standard;
    for (Answer answer : offered)
        standard |= StandardButtonFor(answer);
    box.setStandardButtons(standard);
    box.setDefaultButton(
        StandardButtonFor(offered.contains(defaultButton) ? defaultButton : offered.first()));
    box.setEscapeButton(StandardButtonFor(EscapeAnswer(buttons)));
    box.exec();
    const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
    for (Answer answer : offered) {
        if (StandardButtonFor(answer) == clicked)
            return answer;
    }
    return EscapeAnswer(buttons);
}

int QtDesktop::chooseItem(const QString& prompt, const QString& title, const QStringList& items) {
    QInputDialog dialog(mainWindow_);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setOption(QInputDialog::UseListViewForComboBoxItems);
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    // Every candidate reads whole, without a scroll sideways, as far as the screen allows.
    if (auto* list = dialog.findChild<QListView*>()) {
        int widest = 0;
        for (const QString& item : items)
            widest = std::max(widest, list->fontMetrics().horizontalAdvance(item));
        int width = widest + 2 * list->frameWidth() +
                    list->verticalScrollBar()->sizeHint().width() + 4 * list->spacing() + 16;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            width = std::min(width, screen->availableGeometry().width() * 9 / 10);
        list->setMinimumWidth(width);
        // The first candidate (the likeliest) is current, and Enter (or a double click) on a
        // candidate takes it, as OK would; without a current one Enter did nothing.
        if (list->model() && list->model()->rowCount() > 0)
            list->setCurrentIndex(list->model()->index(0, 0));
        QObject::connect(list, &QListView::activated, &dialog, &QDialog::accept);
    }
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return static_cast<int>(items.indexOf(dialog.textValue()));
}

QString QtDesktop::inputBox(const QString& prompt, const QString& title,
                            const QString& defaultText) {
    QInputDialog dialog(mainWindow_);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

namespace {

// The file a dialog was closed on, in the system's own form; empty when it was cancelled.
QString chosenFile(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : QDir::toNativeSeparators(chosen.first());
}

} // namespace

QString QtDesktop::openFileDialog(const QString& filter, const QString& title,
                                  const QString& initialName) {
    QFileDialog dialog(mainWindow_, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A new plan is started by naming a lines file that does not exist yet.
    dialog.setFileMode(QFileDialog::AnyFile);
#ifndef Q_OS_WIN
    // The desktop's own open dialogs insist on existing files.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
#endif
    dialog.setNameFilter(QtNameFilters(filter));
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    return chosenFile(dialog);
}

QString QtDesktop::saveFileDialog(const QString& filter, const QString& title,
                                  const QString& initialFolder) {
    QFileDialog dialog(mainWindow_, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(QtNameFilters(filter));
    if (!initialFolder.isEmpty())
        dialog.setDirectory(initialFolder);
    return chosenFile(dialog);
}

std::optional<FontChoice> QtDesktop::chooseFont(const FontChoice& current) {
    QFont initial(current.name);
    initial.setPointSize(current.size > 0 ? current.size : 10);
    bool chosen = false;
    const QFont font = QFontDialog::getFont(&chosen, initial, mainWindow_, QStringLiteral("Font"));
    if (!chosen)
        return std::nullopt;
    FontChoice choice;
    choice.name = font.family();
    choice.size = font.pointSize() > 0 ? font.pointSize() : current.size;
    return choice;
}

namespace {

// The printer a printout goes to unless the user chooses another: the default one, or the
// first installed; a null printer when none is installed.
QPrinterInfo InstalledPrinter() {
    const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    if (printers.isEmpty())
        return QPrinterInfo();
    const QPrinterInfo chosen = QPrinterInfo::defaultPrinter();
    return chosen.isNull() ? printers.first() : chosen;
}

} // namespace

QString QtDesktop::choosePdfFile(const QString& planFolder, const QString& pdfName) {
    QFileDialog dialog(mainWindow_, QStringLiteral("Print to PDF"));
    dialog.setObjectName(QStringLiteral("printToPdf"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QtNameFilters(QStringLiteral("PDF files (*.pdf)|*.pdf")));
    // A name typed without ".pdf" gets it; an existing file is replaced only when the user
    // says so in the dialog.
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    const QFileInfo offered(OfferedPdfPath(planFolder, pdfName));
    dialog.setDirectory(offered.absolutePath());
    dialog.selectFile(offered.fileName());
    return chosenFile(dialog);
}

std::unique_ptr<PrintJob> QtDesktop::startPrint(const QString& documentName,
                                                const QString& planFolder, const QString& pdfName,
                                                Paper paper) {
    const QPrinterInfo installed = InstalledPrinter();
    if (installed.isNull()) {
        const QString pdfPath = choosePdfFile(planFolder, pdfName);
        if (pdfPath.isEmpty())
            return nullptr;
        return QtPrintJob::toPdf(QDir::fromNativeSeparators(pdfPath), documentName, paper);
    }
    auto printer = std::make_unique<QPrinter>(installed, QPrinter::HighResolution);
    if (paper == Paper::A3)
        printer->setPageSize(QPageSize(QPageSize::A3));
    // The dialog's own "print to file" names its file after the document: while it is open
    // the document carries the plan's PDF name, so that is the file offered there too.
    printer->setDocName(QFileInfo(OfferedPdfPath(planFolder, pdfName)).fileName());
    QPrintDialog dialog(printer.get(), mainWindow_);
    // The printouts are laid out whole: no page ranges or selections to offer.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    printer->setDocName(documentName);
    return QtPrintJob::onChosenPrinter(std::move(printer));
}

std::optional<Result<QString>>
QtDesktop::previewPrint(const QString& documentName, const QString& planFolder,
                        const QString& pdfName, const std::function<void(PrintJob&)>& document) {
    // The preview's Print button opens the print dialog: on an installed printer, or where
    // there is none on a PDF file, offered by its name in the plan folder.
    const QPrinterInfo installed = InstalledPrinter();
    std::unique_ptr<QPrinter> printer;
    if (!installed.isNull()) {
        printer = std::make_unique<QPrinter>(installed, QPrinter::HighResolution);
        printer->setDocName(documentName);
    } else {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        SetUpPdfPrinter(*printer, OfferedPdfPath(planFolder, pdfName), documentName);
    }
    QPrintPreviewDialog dialog(printer.get(), mainWindow_);
    dialog.setObjectName(QStringLiteral("printPreview"));
    dialog.setWindowTitle(documentName);
    // The preview draws its pages and the printer prints through the same calls; the last
    // one before the dialog is accepted is the printing.
    std::optional<Result<QString>> last;
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* device) {
        auto job = QtPrintJob::onDevice(*device);
        document(*job);
        last = job->endDocument();
    });
    if (dialog.exec() != QDialog::Accepted || !last)
        return std::nullopt;
    return last;
}

QString PrintoutPdfName(const std::string& planPath, const QString& what) {
    const QString plan = PathFromCore(FileNameOf(planPath));
    const QString name = plan.isEmpty() || what.isEmpty() ? plan + what : plan + u' ' + what;
    return name + QStringLiteral(".pdf");
}

QString TodayText() {
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

QString QtDesktop::setting(const QString& section, const QString& key,
                           const QString& defaultValue) {
    QSettings settings(kOrganisation, kApplication);
    settings.beginGroup(section);
    return settings.value(key, defaultValue).toString();
}

void QtDesktop::setSetting(const QString& section, const QString& key, const QString& value) {
    QSettings settings(kOrganisation, kApplication);
    settings.beginGroup(section);
    settings.setValue(key, value);
}

bool QtDesktop::claimSingleInstance() {
    if (!instanceLock_)
        instanceLock_ = std::make_unique<SingleInstanceLock>(lockPath_);
    return instanceLock_->claim();
}

void QtDesktop::showHelp(const QString& helpFile) {
    const QFileInfo file(helpFile);
    if (!file.isFile()) {
        message(QStringLiteral("The help file %1 cannot be found.")
                    .arg(QDir::toNativeSeparators(helpFile)),
                QStringLiteral("CORVANE Help"), Icon::Exclamation);
        return;
    }
    // One window per help file: asking again brings it to the front.
    for (const QPointer<QWidget>& window : std::as_const(helpWindows_)) {
        if (window && window->property("helpFile").toString() == file.absoluteFilePath()) {
            window->show();
            window->raise();
            window->activateWindow();
            return;
        }
    }
    auto* window = new HelpWindow(helpFile, mainWindow_);
    helpWindows_.append(window);
    window->show();
}

void QtDesktop::closeAllHelp() {
    const auto windows = helpWindows_;
    helpWindows_.clear();
    for (const QPointer<QWidget>& window : windows) {
        if (window)
            window->close();
    }
}

int QtDesktop::helpWindowCount() const {
    int count = 0;
    for (const QPointer<QWidget>& window : helpWindows_)
        count += window ? 1 : 0;
    return count;
}

#ifndef Q_OS_WIN
namespace {

// The desktop entry of an application by its name, from the XDG data folders; a name with
// dashes may stand for an entry in a subfolder ("kde4-kate.desktop" for kde4/kate.desktop).
QString InstalledDesktopEntry(const QString& entryName) {
    QString name = entryName;
    QString found = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, name);
    for (qsizetype dash = name.indexOf(QLatin1Char('-')); found.isEmpty() && dash >= 0;
         dash = name.indexOf(QLatin1Char('-'), dash + 1)) {
        name[dash] = QLatin1Char('/');
        found = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, name);
    }
    QFile file(found);
    if (found.isEmpty() || !file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// The desktop entry the desktop names for plain text, as xdg-mime reads the user's and the
// system's choices; empty when it names none or cannot be asked.
QString PlainTextDefault() {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return QString();
    QProcess query;
    query.start(xdgMime,
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit ||
        query.exitCode() != 0) {
        query.kill();
        query.waitForFinished(1000);
        return QString();
    }
    const QString answer = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    return answer.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char(';'), 0, 0).trimmed();
}

bool ProgramInstalled(const QString& program) {
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo file(program);
        return file.isFile() && file.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}

} // namespace
#endif

Result<void> QtDesktop::openInTextEditor(const QString& path) {
    const QFileInfo file(path);
    if (!file.isFile()) {
        const QString missing =
            QStringLiteral("The file %1 cannot be found.").arg(QDir::toNativeSeparators(path));
        return Error{toCore(missing), ""};
    }
#ifdef Q_OS_WIN
    if (!QProcess::startDetached(QStringLiteral("notepad.exe"), {QDir::toNativeSeparators(path)}))
        return Error{toCore(NoTextEditorMessage(QDir::toNativeSeparators(path))), ""};
    return {};
#else
    // An absolute path, so a file name is never read as an option of the editor.
    const QString absolute = file.absoluteFilePath();
    EditorSetting setting;
    setting.textDefault = PlainTextDefault();
    setting.desktopEntry = InstalledDesktopEntry;
    setting.visual = qEnvironmentVariable("VISUAL");
    setting.editor = qEnvironmentVariable("EDITOR");
    setting.installed = ProgramInstalled;
    const std::optional<EditorCommand> command = TextEditorCommand(absolute, setting);
    if (!command || !QProcess::startDetached(command->program, command->arguments))
        return Error{toCore(NoTextEditorMessage(absolute)), ""};
    return {};
#endif
}

void QtDesktop::beginBusy() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++busyDepth_;
}

void QtDesktop::endBusy() {
    // An end without a matching begin must not restore a cursor someone else set.
    if (busyDepth_ == 0)
        return;
    --busyDepth_;
    QApplication::restoreOverrideCursor();
}

} // namespace corvane
