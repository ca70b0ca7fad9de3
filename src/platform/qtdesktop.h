#pragma once

#include "platform/desktop.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

namespace corvane {

class SingleInstanceLock;

// The desktop as the user sees it: Qt dialogs, the system printer (or a PDF where no printer
// is installed), QSettings, a lock file against a second copy, help windows, the user's text
// editor and the wait cursor.
class QtDesktop : public Desktop {
  public:
    // lockPath: the single-instance lock file (SingleInstanceLockPath() when empty).
    explicit QtDesktop(const QString& lockPath = QString());
    ~QtDesktop() override;
    QtDesktop(const QtDesktop&) = delete;
    QtDesktop& operator=(const QtDesktop&) = delete;

    void setMainWindow(QWidget* window) override { mainWindow_ = window; }
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
    std::optional<Result<QString>>
    previewPrint(const QString& documentName, const QString& planFolder, const QString& pdfName,
                 const std::function<void(PrintJob&)>& document) override;
    std::unique_ptr<PrintJob> startPrint(const QString& documentName, const QString& planFolder,
                                         const QString& pdfName, Paper paper = Paper::A4) override;
    QString setting(const QString& section, const QString& key,
                    const QString& defaultValue) override;
    void setSetting(const QString& section, const QString& key, const QString& value) override;
    bool claimSingleInstance() override;
    void showHelp(const QString& helpFile) override;
    void closeAllHelp() override;
    Result<void> openInTextEditor(const QString& path) override;
    void beginBusy() override;
    void endBusy() override;

    // Help windows now open.
    int helpWindowCount() const;

  private:
    // The save dialog that names the PDF of a printout where no printer is installed.
    QString choosePdfFile(const QString& planFolder, const QString& pdfName);

    QPointer<QWidget> mainWindow_;
    QString lockPath_;
    std::unique_ptr<SingleInstanceLock> instanceLock_;
    QList<QPointer<QWidget>> helpWindows_;
    int busyDepth_ = 0;
};

// A file dialog filter in the "description|pattern|description|pattern" form as Qt name
// filters ("description (patterns)" joined by ";;"). Each pattern is offered in lower and
// upper case too, as plan files are named in either.
QString QtNameFilters(const QString& filter);

} // namespace corvane
