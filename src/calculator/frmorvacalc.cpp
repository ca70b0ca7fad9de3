#include "calculator/frmorvacalc.h"
#include "platform/controls.h"

#include "platform/desktop.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

namespace {

// The digit buttons by index: three columns of the keypad read top to bottom.
constexpr std::array<char, 11> kDigits = {'7', '4', '1', '0', '8', '5', '2', '.', '9', '6', '3'};

QString digitTip(char digit) {
    return digit == '.' ? QStringLiteral("Decimal point")
                        : QStringLiteral("%1 button").arg(QLatin1Char(digit));
}

} // namespace

frmOrvaCalc::frmOrvaCalc(Desktop& desktop, QWidget* parent) : QDialog(parent), desktop_(desktop) {
    setObjectName(QStringLiteral("frmOrvaCalc"));
    setWindowTitle(QStringLiteral("Survey Calculator"));

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setToolTip(QStringLiteral("Enter numbers here"));
    Text1->setAlignment(Qt::AlignRight);
    Text1->installEventFilter(this);

    auto* keys = new QGridLayout;
    for (size_t i = 0; i < kDigits.size(); ++i) {
        const char digit = kDigits[i];
        auto* button = new QPushButton(QString(QLatin1Char(digit)), this);
        // The digit buttons share one name and are told apart by their index.
        button->setObjectName(QStringLiteral("Command1"));
        button->setProperty("index", static_cast<int>(i));
        button->setToolTip(digitTip(digit));
        connect(button, &QPushButton::clicked, this, [this, digit] { digitButton(digit); });
        Command1[i] = button;
        keys->addWidget(button, static_cast<int>(i % 4), static_cast<int>(i / 4));
    }

    cmdCHS = MakeButton(this, "cmdCHS", QStringLiteral("CHS"), QStringLiteral("Change sign"));
    cmdDivide = MakeButton(this, "cmdDivide", QStringLiteral("/"), QStringLiteral("Divide"));
    cmdMultiply = MakeButton(this, "cmdMultiply", QStringLiteral("*"), QStringLiteral("Multiply"));
    cmdSubtract = MakeButton(this, "cmdSubtract", QStringLiteral("-"), QStringLiteral("Subtract"));
    cmdAdd = MakeButton(this, "cmdAdd", QStringLiteral("+"), QStringLiteral("Add"));
    cmdSin = MakeButton(this, "cmdSin", QStringLiteral("Sin"),
                        QStringLiteral("Find the Sine of an angle"));
    cmdCos = MakeButton(this, "cmdCos", QStringLiteral("Cos"),
                        QStringLiteral("Find the Cosine of an angle"));
    cmdTan = MakeButton(this, "cmdTan", QStringLiteral("Tan"),
                        QStringLiteral("Find the Tangent of an angle"));
    cmdReciprocal = MakeButton(this, "cmdReciprocal", QStringLiteral("Recip"),
                               QStringLiteral("Find the reciprocal"));
    cmdEnter = MakeButton(this, "cmdEnter", QStringLiteral("Enter"),
                          QStringLiteral("Click here to enter a value"));
    cmdClear = MakeButton(this, "cmdClear", QStringLiteral("Clear"),
                          QStringLiteral("Click here to clear the display"));
    cmdEquals = MakeButton(this, "cmdEquals", QStringLiteral("="),
                           QStringLiteral("Click here to close calculator and return result"));

    // Enter pressed with the focus away from the display still enters the value.
    cmdEnter->setDefault(true);

    keys->addWidget(cmdCHS, 3, 2);
    keys->addWidget(cmdDivide, 0, 3);
    keys->addWidget(cmdMultiply, 1, 3);
    keys->addWidget(cmdSubtract, 2, 3);
    keys->addWidget(cmdAdd, 3, 3);
    keys->addWidget(cmdSin, 0, 4);
    keys->addWidget(cmdCos, 1, 4);
    keys->addWidget(cmdTan, 2, 4);
    keys->addWidget(cmdReciprocal, 3, 4);
    keys->addWidget(cmdEnter, 4, 0, 1, 2);
    keys->addWidget(cmdClear, 4, 2);
    keys->addWidget(cmdEquals, 4, 3, 1, 2);

    chkBearing = new QCheckBox(QStringLiteral("Bearing mode"), this);
    chkBearing->setObjectName(QStringLiteral("chkBearing"));
    chkBearing->setToolTip(QStringLiteral("Click here to select Bearing mode"));

    Label1 = new QLabel(QStringLiteral("Press = key to return result"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Text1);
    layout->addLayout(keys);
    layout->addWidget(chkBearing);
    layout->addWidget(Label1);

    connect(cmdEnter, &QPushButton::clicked, this, [this] { run(&CalcEngine::enter); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { run(&CalcEngine::add); });
    connect(cmdSubtract, &QPushButton::clicked, this, [this] { run(&CalcEngine::subtract); });
    connect(cmdMultiply, &QPushButton::clicked, this, [this] { run(&CalcEngine::multiply); });
    connect(cmdDivide, &QPushButton::clicked, this, [this] { run(&CalcEngine::divide); });
    connect(cmdCHS, &QPushButton::clicked, this, [this] { run(&CalcEngine::changeSign); });
    connect(cmdReciprocal, &QPushButton::clicked, this, [this] { run(&CalcEngine::reciprocal); });
    connect(cmdSin, &QPushButton::clicked, this, [this] { run(&CalcEngine::sine); });
    connect(cmdCos, &QPushButton::clicked, this, [this] { run(&CalcEngine::cosine); });
    connect(cmdTan, &QPushButton::clicked, this, [this] { run(&CalcEngine::tangent); });
    connect(cmdClear, &QPushButton::clicked, this, [this] { runPlain(&CalcEngine::clear); });
    connect(cmdEquals, &QPushButton::clicked, this, [this] { cmdEquals_Click(); });
}

void frmOrvaCalc::showModeless(bool bearingMode) {
    chkBearing->setChecked(bearingMode);
    Text1->clear();
    show();
    raise();
    activateWindow();
    Text1->setFocus();
}

QString frmOrvaCalc::runModal(bool bearingMode) {
    // Shown without blocking it would not become modal; show it afresh.
    if (isVisible())
        hide();
    chkBearing->setChecked(bearingMode);
    Text1->clear();
    Text1->setFocus();
    exec();
    return Text1->text();
}

QString frmOrvaCalc::displayText() const {
    return Text1->text();
}

// Closing the window by its frame or by Esc on a button returns the result like Equals.
void frmOrvaCalc::reject() {
    cmdEquals_Click();
}

void frmOrvaCalc::cmdEquals_Click() {
    engine_.equals();
    done(QDialog::Accepted);
}

void frmOrvaCalc::takeControls() {
    engine_.setDisplay(toCore(Text1->text()));
    engine_.setBearingMode(chkBearing->isChecked());
}

void frmOrvaCalc::putControls() {
    const QString text = fromCore(engine_.display());
    if (Text1->text() != text)
        Text1->setText(text);
    chkBearing->setChecked(engine_.bearingMode());
}

void frmOrvaCalc::run(Operation operation) {
    takeControls();
    const Result<void> status = (engine_.*operation)();
    if (!status)
        desktop_.showError(status.error());
    putControls();
    Text1->setFocus();
}

void frmOrvaCalc::runPlain(void (CalcEngine::*operation)()) {
    takeControls();
    (engine_.*operation)();
    putControls();
    Text1->setFocus();
}

void frmOrvaCalc::digitButton(char digit) {
    takeControls();
    engine_.appendDigit(digit);
    putControls();
    Text1->setFocus();
}

bool frmOrvaCalc::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        return Text1_KeyPress(key->text(), key->key(), key->modifiers());
    }
    return QDialog::eventFilter(watched, event);
}

bool frmOrvaCalc::Text1_KeyPress(const QString& text, int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        run(&CalcEngine::enter);
        return true;
    }
    if (key == Qt::Key_Escape) {
        // Esc empties the display; a second Esc on the empty display closes the calculator
        // with nothing to return, as a cancel would.
        if (Text1->text().isEmpty()) {
            reject();
            return true;
        }
        runPlain(&CalcEngine::clearDisplay);
        return true;
    }
    // Shortcuts (copy, paste, select all) and editing keys keep their usual meaning.
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (text.size() != 1 || !text.at(0).isPrint())
        return false;
    switch (text.at(0).toLatin1()) {
    case '*':
        run(&CalcEngine::multiply);
        return true;
    case '+':
        run(&CalcEngine::add);
        return true;
    case '-':
        run(&CalcEngine::subtract);
        return true;
    case '/':
        run(&CalcEngine::divide);
        return true;
    case '=':
        cmdEquals_Click();
        return true;
    case 'C':
    case 'c':
        run(&CalcEngine::cosine);
        return true;
    case 'M':
    case 'm':
        run(&CalcEngine::changeSign);
        return true;
    case 'R':
    case 'r':
        run(&CalcEngine::reciprocal);
        return true;
    case 'S':
    case 's':
        run(&CalcEngine::sine);
        return true;
    case 'T':
    case 't':
        run(&CalcEngine::tangent);
        return true;
    default:
        // A digit (or any other character) starts or continues the number being typed; the
        // display then types it where the cursor is.
        takeControls();
        engine_.beginDigitEntry();
        putControls();
        return false;
    }
}

} // namespace corvane
