#include "platform/texteditor.h"

#include <QFileInfo>
#include <QProcess>

namespace corvane {

namespace {

// Programs that open a file with whatever application its type is given to: for a plan
// file that is this program, which refuses a second start.
bool RefusedProgram(const QString& program) {
    static const QStringList refused{
        QStringLiteral("corvane"),   QStringLiteral("xdg-open"),    QStringLiteral("gio"),
        QStringLiteral("gvfs-open"), QStringLiteral("kde-open"),    QStringLiteral("kde-open5"),
        QStringLiteral("kioclient"), QStringLiteral("kioclient5"),  QStringLiteral("exo-open"),
        QStringLiteral("mimeopen"),  QStringLiteral("run-mailcap"), QStringLiteral("see")};
    return refused.contains(QFileInfo(program).fileName(), Qt::CaseInsensitive);
}

bool OwnEntry(const QString& entryName) {
    QString name = QFileInfo(entryName).fileName();
    if (name.endsWith(QStringLiteral(".desktop"), Qt::CaseInsensitive))
        name.chop(8);
    return name.compare(QStringLiteral("corvane"), Qt::CaseInsensitive) == 0;
}

// A desktop entry value with its escapes (\s \n \t \r \\) read.
QString UnescapedValue(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += next;
            break;
        default:
            // The quoting escapes of an Exec value (\" \$ \`) are the argument reader's.
            out += QLatin1Char('\\');
            out += next;
        }
    }
    return out;
}

struct DesktopEntry {
    QString type;
    QString exec;
    QString tryExec;
    bool terminal = false;
    bool hidden = false;
};

DesktopEntry ParseDesktopEntry(const QString& text) {
    DesktopEntry entry;
    bool inEntry = false;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inEntry || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QStringLiteral("Type"))
            entry.type = value;
        else if (key == QStringLiteral("Exec"))
            entry.exec = UnescapedValue(value);
        else if (key == QStringLiteral("TryExec"))
            entry.tryExec = UnescapedValue(value);
        else if (key == QStringLiteral("Terminal"))
            entry.terminal = value == QStringLiteral("true");
        else if (key == QStringLiteral("Hidden"))
            entry.hidden = value == QStringLiteral("true");
    }
    return entry;
}

EditorCommand InTerminal(QStringList command) {
    command.prepend(QStringLiteral("-e"));
    return {QString::fromLatin1(kTerminal), command};
}

} // namespace

QStringList DesktopExecArguments(const QString& exec, const QString& file) {
    QStringList arguments;
    QString current;
    bool started = false; // the argument has text or quotes of its own
    bool quoted = false;
    bool fileGiven = false;
    auto finish = [&] {
        if (started)
            arguments << current;
        current.clear();
        started = false;
    };
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
                current += exec[++i];
            } else {
                current += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            started = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            finish();
        } else if (c == QLatin1Char('%') && i + 1 < exec.size()) {
            const QChar code = exec[++i];
            if (QStringLiteral("fFuU").contains(code)) {
                // One file: a path serves where a URL is asked for too.
                if (!fileGiven) {
                    current += file;
                    started = true;
                }
                fileGiven = true;
            } else if (code == QLatin1Char('%')) {
                current += code;
                started = true;
            }
            // The icon, name and location codes, and the deprecated ones, give nothing.
        } else {
            current += c;
            started = true;
        }
    }
    if (quoted)
        return {}; // an unclosed quote: the value is not to be guessed at
    finish();
    if (!arguments.isEmpty() && !fileGiven)
        arguments << file;
    return arguments;
}

std::optional<EditorCommand> TextEditorCommand(const QString& file, const EditorSetting& setting) {
    const auto installed = [&](const QString& program) {
        return setting.installed && setting.installed(program);
    };
    if (!setting.textDefault.isEmpty() && !OwnEntry(setting.textDefault) && setting.desktopEntry) {
        const DesktopEntry entry = ParseDesktopEntry(setting.desktopEntry(setting.textDefault));
        const QStringList command = DesktopExecArguments(entry.exec, file);
        const bool usable = entry.type == QStringLiteral("Application") && !entry.hidden &&
                            !command.isEmpty() && !RefusedProgram(command.first()) &&
                            (entry.tryExec.isEmpty() || installed(entry.tryExec)) &&
                            installed(command.first());
        if (usable && !entry.terminal)
            return EditorCommand{command.first(), command.mid(1)};
        if (usable && installed(QString::fromLatin1(kTerminal)))
            return InTerminal(command);
    }
    // The user's own editor, which runs in a terminal.
    for (const QString& variable : {setting.visual, setting.editor}) {
        QStringList command = QProcess::splitCommand(variable);
        if (command.isEmpty() || RefusedProgram(command.first()) || !installed(command.first()))
            continue;
        if (!installed(QString::fromLatin1(kTerminal)))
            return std::nullopt;
        command << file;
        return InTerminal(command);
    }
    return std::nullopt;
}

QString NoTextEditorMessage(const QString& file) {
    return QStringLiteral("No text editor could be started for %1.\n"
                          "Choose a default application for plain text files in your desktop's "
                          "settings, or set the VISUAL or EDITOR environment variable to your "
                          "editor.")
        .arg(file);
}

} // namespace corvane
