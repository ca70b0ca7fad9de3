// Which program View > Lines File starts: the desktop's editor for plain text, or the user's
// own editor in a terminal, with the plan file as one argument of its own; never Corvane,
// which the plan file's type leads back to and which refuses a second start.
#include "platform/texteditor.h"

#include <QTest>
#include <map>

using namespace corvane;

Q_DECLARE_METATYPE(corvane::EditorCommand)

namespace {

// A file name a shell would take apart: spaces, a quote, a variable and a command separator.
const QString kPlanFile = QStringLiteral("/home/j/plans/D20417 it's $HOME; rm -rf.lns");

const QStringList kInstalled{"gedit",
                             "vim",
                             "nano",
                             "emacs",
                             "mousepad",
                             "xed",
                             "/opt/My Editor/edit",
                             "corvane",
                             "/usr/bin/corvane",
                             "xdg-open",
                             "x-terminal-emulator"};

// A desktop with the given default for plain text, entries and editor variables.
EditorSetting Desktop(const QString& textDefault, const std::map<QString, QString>& entries,
                      const QString& visual = {}, const QString& editor = {},
                      const QStringList& installed = kInstalled) {
    EditorSetting setting;
    setting.textDefault = textDefault;
    setting.desktopEntry = [entries](const QString& name) {
        const auto found = entries.find(name);
        return found == entries.end() ? QString() : found->second;
    };
    setting.visual = visual;
    setting.editor = editor;
    setting.installed = [installed](const QString& program) { return installed.contains(program); };
    return setting;
}

QString Entry(const QString& exec, const QString& extra = {}) {
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=Editor\n") + extra +
           QStringLiteral("Exec=") + exec +
           QStringLiteral("\n[Desktop Action new-window]\nExec=other\n");
}

EditorCommand Command(const QString& program, const QStringList& arguments) {
    return EditorCommand{program, arguments};
}

const QString kTerm = QStringLiteral("x-terminal-emulator");

} // namespace

class TextEditorTest : public QObject {
    Q_OBJECT

  private slots:
    void plainTextDefaultOpensThePlanFile_data();
    void plainTextDefaultOpensThePlanFile();
    void corvaneAndTypeLaunchersAreNeverStarted_data();
    void corvaneAndTypeLaunchersAreNeverStarted();
    void userEditorRunsInATerminal_data();
    void userEditorRunsInATerminal();
    void noEditorSaysHowToChooseOne();
};

void TextEditorTest::plainTextDefaultOpensThePlanFile_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<EditorCommand>("expected");
    QTest::newRow("URL list code") << Entry("gedit %U") << Command("gedit", {kPlanFile});
    QTest::newRow("no code: the file goes last")
        << Entry("mousepad --disable-server")
        << Command("mousepad", {"--disable-server", kPlanFile});
    QTest::newRow("quoted program with escapes")
        << Entry(R"("/opt/My Editor/edit" --title "a \\"b\\"" %f)")
        << Command("/opt/My Editor/edit", {"--title", R"(a "b")", kPlanFile});
    QTest::newRow("code inside an argument")
        << Entry("xed --file=%f") << Command("xed", {"--file=" + kPlanFile});
    QTest::newRow("icon and name codes give nothing, %% a percent sign")
        << Entry("gedit %i %c --zoom=100%% %F") << Command("gedit", {"--zoom=100%", kPlanFile});
    QTest::newRow("escaped space in the value")
        << Entry("gedit\\s%f") << Command("gedit", {kPlanFile});
    QTest::newRow("console editor runs in a terminal")
        << Entry("vim %F", "Terminal=true\n") << Command(kTerm, {"-e", "vim", kPlanFile});
}

// The default's Exec line is read as the desktop reads it, and the file name is never split.
void TextEditorTest::plainTextDefaultOpensThePlanFile() {
    QFETCH(QString, entry);
    QFETCH(EditorCommand, expected);
    const auto command =
        TextEditorCommand(kPlanFile, Desktop("editor.desktop", {{"editor.desktop", entry}}));
    QVERIFY(command.has_value());
    QCOMPARE(command->program, expected.program);
    QCOMPARE(command->arguments, expected.arguments);
}

void TextEditorTest::corvaneAndTypeLaunchersAreNeverStarted_data() {
    QTest::addColumn<QString>("textDefault");
    QTest::addColumn<QString>("entry");
    QTest::newRow("Corvane's own entry") << "corvane.desktop" << Entry("gedit %f");
    QTest::newRow("an entry starting Corvane") << "plans.desktop" << Entry("corvane %f");
    QTest::newRow("an entry starting Corvane by its path")
        << "plans.desktop" << Entry("/usr/bin/corvane --plan %f");
    QTest::newRow("a launcher by file type") << "open.desktop" << Entry("xdg-open %u");
    QTest::newRow("an editor not installed") << "kate.desktop" << Entry("kate %U");
    QTest::newRow("TryExec not installed")
        << "gedit.desktop" << Entry("gedit %U", "TryExec=/usr/bin/gedit-old\n");
    QTest::newRow("a removed entry") << "gedit.desktop" << Entry("gedit %U", "Hidden=true\n");
    QTest::newRow("no such entry") << "missing.desktop" << QString();
    QTest::newRow("an unclosed quote") << "gedit.desktop" << Entry(R"("gedit %U)");
}

// Where the default would lead back to this program, or cannot start, the user's editor is
// used instead.
void TextEditorTest::corvaneAndTypeLaunchersAreNeverStarted() {
    QFETCH(QString, textDefault);
    QFETCH(QString, entry);
    const EditorSetting setting = Desktop(textDefault, {{textDefault, entry}}, "nano");
    const auto command = TextEditorCommand(kPlanFile, setting);
    QVERIFY(command.has_value());
    QCOMPARE(command->program, kTerm);
    QCOMPARE(command->arguments, (QStringList{"-e", "nano", kPlanFile}));
}

void TextEditorTest::userEditorRunsInATerminal_data() {
    QTest::addColumn<QString>("visual");
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("VISUAL with its options")
        << "emacs -nw"
        << "nano" << QStringList{"-e", "emacs", "-nw", kPlanFile};
    QTest::newRow("VISUAL quoted")
        << R"("/opt/My Editor/edit" -w)"
        << "" << QStringList{"-e", "/opt/My Editor/edit", "-w", kPlanFile};
    QTest::newRow("VISUAL not installed: EDITOR") << "joe"
                                                  << "vim" << QStringList{"-e", "vim", kPlanFile};
    QTest::newRow("VISUAL naming Corvane: EDITOR")
        << "corvane"
        << "nano" << QStringList{"-e", "nano", kPlanFile};
}

void TextEditorTest::userEditorRunsInATerminal() {
    QFETCH(QString, visual);
    QFETCH(QString, editor);
    QFETCH(QStringList, arguments);
    const auto command = TextEditorCommand(kPlanFile, Desktop({}, {}, visual, editor));
    QVERIFY(command.has_value());
    QCOMPARE(command->program, kTerm);
    QCOMPARE(command->arguments, arguments);
}

// Nothing to start: no default, no variables, or a console editor with no terminal to run
// it in. The message says how to choose an editor.
void TextEditorTest::noEditorSaysHowToChooseOne() {
    QVERIFY(!TextEditorCommand(kPlanFile, Desktop({}, {})).has_value());
    QStringList noTerminal = kInstalled;
    noTerminal.removeAll(kTerm);
    QVERIFY(!TextEditorCommand(kPlanFile, Desktop({}, {}, "vim", "nano", noTerminal)).has_value());
    QVERIFY(
        !TextEditorCommand(kPlanFile, Desktop("vim.desktop",
                                              {{"vim.desktop", Entry("vim %F", "Terminal=true\n")}},
                                              {}, {}, noTerminal))
             .has_value());
    const QString message = NoTextEditorMessage(kPlanFile);
    QVERIFY(message.contains(kPlanFile));
    QVERIFY(message.contains("VISUAL") && message.contains("EDITOR"));
    QVERIFY(message.contains("default application for plain text"));
}

QTEST_GUILESS_MAIN(TextEditorTest)
#include "tst_texteditor.moc"
