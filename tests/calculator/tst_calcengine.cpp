#include "calculator/calcengine.h"

#include <QStringList>
#include <QtTest>

#include <map>

using corvane::CalcEngine;

namespace {

// Runs a key script on the calculator, as a user would press the buttons: numbers are typed
// digit by digit; "E" Enter, "+ - * /", "M" change sign, "R" reciprocal, "S C T" the
// trigonometric functions, "CLR" Clear, "ESC" empties the display, "B" ticks bearing mode,
// and "=text" puts text in the display as if pasted. Returns the last message, if any.
QString play(CalcEngine& calc, const QString& script) {
    static const std::map<QString, corvane::Result<void> (CalcEngine::*)()> operations{
        {"E", &CalcEngine::enter},      {"+", &CalcEngine::add},    {"-", &CalcEngine::subtract},
        {"*", &CalcEngine::multiply},   {"/", &CalcEngine::divide}, {"M", &CalcEngine::changeSign},
        {"R", &CalcEngine::reciprocal}, {"S", &CalcEngine::sine},   {"C", &CalcEngine::cosine},
        {"T", &CalcEngine::tangent}};
    QString message;
    for (const QString& token : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (const auto op = operations.find(token); op != operations.end()) {
            const corvane::Result<void> status = (calc.*(op->second))();
            if (!status)
                message = QString::fromStdString(status.error().message);
        } else if (token == QLatin1String("CLR")) {
            calc.clear();
        } else if (token == QLatin1String("ESC")) {
            calc.clearDisplay();
        } else if (token == QLatin1String("B")) {
            calc.setBearingMode(true);
        } else if (token.startsWith(QLatin1Char('='))) {
            calc.setDisplay(token.mid(1).toStdString());
        } else {
            for (QChar c : token)
                calc.appendDigit(c.toLatin1());
        }
    }
    return message;
}

QString display(const CalcEngine& calc) {
    return QString::fromStdString(calc.display());
}

} // namespace

class TestCalcEngine : public QObject {
    Q_OBJECT

  private slots:
    void sequences_data();
    void sequences();
    void refusalsChangeNothing_data();
    void refusalsChangeNothing();
};

void TestCalcEngine::sequences_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("bearingAfter");
    const auto row = [](const char* name, const char* script, const char* shown, bool bearing) {
        QTest::newRow(name) << QString(script) << QString(shown) << bearing;
    };
    // Y is the left operand; a new number after a result lifts; T is copied down as the
    // stack drops.
    row("divide", "8 E 2 /", "4.000", false);
    row("subtract takes Y minus X", "8 E 2 -", "6.000", false);
    row("number after result lifts", "8 E 2 / 3 *", "12.000", false);
    row("four registers", "1 E 2 E 3 E 4 + + +", "10.000", false);
    row("T repeats as it drops", "2 E E E * * * *", "32.000", false);
    // Esc empties the display only; the next number is a fresh entry that does not lift.
    row("escape keeps registers", "7 E 8 E 9 E 2 / ESC 3 +", "11.000", false);
    row("clear zeroes registers", "7 E 8 E 9 CLR 3 + +", "3.000", false);
    // Bearing mode reads and shows DDD.MMSS; factors stay plain numbers.
    // Minutes and seconds are two digits each, read as written; extra digits are ignored.
    row("one minute digit", "B 123.4 E 0 +", "123.0400", true);
    row("extra digits ignored", "B 123.453099 E 0 +", "123.4530", true);
    row("bearing sum", "B 10.3030 E 5.4545 +", "16.1615", true);
    row("bearing difference", "B 5.4545 E 10.3030 -", "-4.4445", true);
    row("bearing times factor", "B 10.3000 E 3 *", "31.3000", true);
    // 0.7" is made by scaling one second; adding 29°59'59" gives 29°59'59.7".
    row("sum carries seconds and minutes", "B 0.0001 E 0.7 * 29.5959 +", "30.0000", true);
    row("sum carries from 59.99995 seconds", "B 0.0001 E 0.99995 * 359.5959 +", "360.0000", true);
    // Shown seconds are rounded, never to 60 seconds or 60 minutes.
    row("seconds round in the last digit", "B 0.0001 E 0.6 * 10.2045 +", "10.2046", true);
    row("sum below the carry", "B 0.0001 E 0.4 * 29.5959 +", "29.5959", true);
    row("negative sum carries", "B =-4.5959 E 0.0001 E 0.9 * -", "-5.0000", true);
    row("change sign of negative bearing", "B =-0.3000 M", "0.3000", true);
    // Reciprocal inverts a shown result from X at full precision, and a typed number as typed.
    row("reciprocal after clear", "CLR 4 R", "0.250", false);
    row("reciprocal twice keeps precision", "3 E R R", "3.000", false);
    row("reciprocal leaves bearing mode", "B 8 E 2 / R", "14.324", false);
    // The functions read the display as an angle in either mode and switch bearing mode off.
    row("cos in bearing mode", "B 60 C", "0.500", false);
    row("sin of degrees and minutes", "30.3000 S", "0.508", false);
    row("tan near a right angle", "89.5959 T", "206264.819", false);
}

void TestCalcEngine::sequences() {
    QFETCH(QString, script);
    QFETCH(QString, shown);
    QFETCH(bool, bearingAfter);
    CalcEngine calc;
    QCOMPARE(play(calc, script), QString());
    QCOMPARE(display(calc), shown);
    QCOMPARE(calc.bearingMode(), bearingAfter);
}

// A refused operation shows its message and leaves registers, display, mode and entry
// state as they were.
void TestCalcEngine::refusalsChangeNothing_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<QString>("message");
    const auto row = [](const char* name, const QString& before, const char* refused,
                        const char* message) {
        QTest::newRow(name) << before << QString(refused) << QString(message);
    };
    const QString nines(200, QLatin1Char('9'));
    row("divide by 0", "8 E 0", "/", "Cannot divide by 0");
    row("divide by empty display", "8 E ESC", "/", "Cannot divide by 0");
    row("reciprocal of nothing", "CLR", "R", "Cannot divide by 0");
    row("tan 270 with minutes", "B 270.0000", "T", "Result out of range");
    row("product overflows", "=" + nines + " E =" + nines, "*", "Result out of range");
    row("entered number overflows", "=" + nines + nines + nines, "E", "Result out of range");
}

void TestCalcEngine::refusalsChangeNothing() {
    QFETCH(QString, before);
    QFETCH(QString, refused);
    QFETCH(QString, message);
    CalcEngine calc;
    QCOMPARE(play(calc, before), QString());
    const auto stack = calc.calcStack();
    const auto text = calc.display();
    const auto state = calc.entryState();
    const bool bearing = calc.bearingMode();
    QCOMPARE(play(calc, refused), message);
    QVERIFY(calc.calcStack() == stack);
    QCOMPARE(calc.display(), text);
    QCOMPARE(calc.entryState(), state);
    QCOMPARE(calc.bearingMode(), bearing);
}

QTEST_APPLESS_MAIN(TestCalcEngine)
#include "tst_calcengine.moc"
