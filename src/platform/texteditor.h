#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace corvane {

// What the desktop says about text editors, gathered before one is chosen so the choice can
// be made (and checked) without starting anything.
struct EditorSetting {
    // The desktop entry the user's desktop names for plain text ("org.gnome.TextEditor.desktop"),
    // empty when it names none.
    QString textDefault;
    // The text of an installed desktop entry by its name; empty when there is none.
    std::function<QString(const QString& entryName)> desktopEntry;
    // The user's own editor commands ($VISUAL, $EDITOR), for a terminal.
    QString visual;
    QString editor;
    // Whether a program can be started: a name found on the search path, or a path to it.
    std::function<bool(const QString& program)> installed;
};

// A program and its arguments, started as they stand: no shell reads them.
struct EditorCommand {
    QString program;
    QStringList arguments;
    bool operator==(const EditorCommand&) const = default;
};

// The terminal that runs an editor of the console ("x-terminal-emulator -e editor file").
inline constexpr const char kTerminal[] = "x-terminal-emulator";

// The command that opens file in the user's text editor: the desktop's default application
// for plain text, else $VISUAL or $EDITOR in a terminal. Never this program, nor a launcher
// that picks the application by the file's type (which for a plan file is this program).
// nullopt when there is no editor to start.
std::optional<EditorCommand> TextEditorCommand(const QString& file, const EditorSetting& setting);

// The arguments of a desktop entry's Exec value, with the file put where its field code
// stands (or after the others when it has none); empty when the value cannot be read.
QStringList DesktopExecArguments(const QString& exec, const QString& file);

// The message shown when no editor can be started for file, saying how to choose one.
QString NoTextEditorMessage(const QString& file);

} // namespace corvane
