#include "calculator/calcengine.h"
#include "core/numtext.h"

#include <QStringList>
#include <QtTest>

#include <cmath>
#include <numbers>

using corvane::CalcBearingToRad;
using corvane::CalcEngine;
using corvane::CalcRadToBearing;
using corvane::Format;

namespace {

double degreesToRad(double d, double m = 0, double s = 0) {
    return (d + m / 60 + s / 3600) * std::numbers::pi / 180;
}

// Runs a key script on the calculator, as a user would press the buttons: numbers are typed
// digit by digit; "E" Enter, "+ - * /", "M" change sign, "R" reciprocal, "S C T" the
// trigonometric functions, "CLR" Clear, "ESC" empties the display, "B" ticks bearing mode,
// and "=text" puts text in the display as if pasted. Returns the last message, if any.
QString play(CalcEngine& calc, const QString& script) {
    QString message;
    const auto check = [&message](const corvane::Status& status) {
        if (!status)
            message = QString::fromStdString(status.error().message);
    };
    for (const QString& token : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (token == QLatin1String("E"))
            check(calc.enter());
        else if (token == QLatin1String("+"))
            check(calc.add());
        else if (token == QLatin1String("-"))
            check(calc.subtract());
        else if (token == QLatin1String("*"))
            check(calc.multiply());
        else if (token == QLatin1String("/"))
            check(calc.divide());
        else if (token == QLatin1String("M"))
            check(calc.changeSign());
        else if (token == QLatin1String("R"))
            check(calc.reciprocal());
        else if (token == QLatin1String("S"))
            check(calc.sine());
        else if (token == QLatin1String("C"))
            check(calc.cosine());
        else if (token == QLatin1String("T"))
            check(calc.tangent());
        else if (token == QLatin1String("CLR"))
            calc.clear();
        else if (token == QLatin1String("ESC"))
            calc.clearDisplay();
        else if (token == QLatin1String("B"))
            calc.setBearingMode(true);
        else if (token.startsWith(QLatin1Char('=')))
            calc.setDisplay(token.mid(1).toStdString());
        else
            for (QChar c : token)
                calc.appendDigit(c.toLatin1());
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
    void bearingTextToRadians_data();
    void bearingTextToRadians();
    void radiansShownAsBearing_data();
    void radiansShownAsBearing();
    void sequences_data();
    void sequences();
    void refusalsChangeNothing_data();
    void refusalsChangeNothing();
    void escapeKeepsRegistersClearZeroesThem();
};

// Minutes and seconds are two digits each, read as written.
void TestCalcEngine::bearingTextToRadians_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("radians");
    QTest::newRow("one minute digit") << "123.4" << degreesToRad(123, 4);
    QTest::newRow("two minute digits") << "123.45" << degreesToRad(123, 45);
    QTest::newRow("one second digit") << "123.453" << degreesToRad(123, 45, 3);
    QTest::newRow("extra digits ignored") << "123.453099" << degreesToRad(123, 45, 30);
    QTest::newRow("whole degrees") << "90" << degreesToRad(90);
    QTest::newRow("negative minutes only") << "-0.3000" << -degreesToRad(0, 30);
    QTest::newRow("negative with degrees") << "-10.3030" << -degreesToRad(10, 30, 30);
    QTest::newRow("surrounding blanks") << " 10.3030 " << degreesToRad(10, 30, 30);
    QTest::newRow("empty") << "" << 0.0;
}

void TestCalcEngine::bearingTextToRadians() {
    QFETCH(QString, text);
    QFETCH(double, radians);
    QVERIFY2(std::fabs(CalcBearingToRad(text.toStdString()) - radians) < 1e-9,
             qPrintable(QString::number(CalcBearingToRad(text.toStdString()), 'g', 17)));
}

// The "0.0000" form of a bearing never shows 60 seconds or 60 minutes.
void TestCalcEngine::radiansShownAsBearing_data() {
    QTest::addColumn<double>("radians");
    QTest::addColumn<QString>("shown");
    QTest::newRow("exact") << degreesToRad(16, 16, 15) << "16.1615";
    QTest::newRow("seconds round in the last digit") << degreesToRad(10, 20, 45.6) << "10.2046";
    QTest::newRow("59.4 seconds stays") << degreesToRad(29, 59, 59.4) << "29.5959";
    QTest::newRow("59.7 seconds carries twice") << degreesToRad(29, 59, 59.7) << "30.0000";
    QTest::newRow("carry into minutes only") << degreesToRad(10, 29, 59.8) << "10.3000";
    QTest::newRow("negative") << -degreesToRad(0, 30) << "-0.3000";
    QTest::newRow("negative carries") << -degreesToRad(4, 59, 59.9) << "-5.0000";
    QTest::newRow("zero") << 0.0 << "0.0000";
}

void TestCalcEngine::radiansShownAsBearing() {
    QFETCH(double, radians);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(Format(CalcRadToBearing(radians), "0.0000")), shown);
}

void TestCalcEngine::sequences_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("bearingAfter");

    // Stack order and movement: Y is the left operand; a new number after a result lifts;
    // T is copied down as the stack drops.
    QTest::newRow("divide") << "8 E 2 /"
                            << "4.000" << false;
    QTest::newRow("subtract takes Y minus X") << "8 E 2 -"
                                              << "6.000" << false;
    QTest::newRow("number after result lifts") << "8 E 2 / 3 *"
                                               << "12.000" << false;
    QTest::newRow("three deep") << "8 E 2 E 3 + +"
                                << "13.000" << false;
    QTest::newRow("four registers") << "1 E 2 E 3 E 4 + + +"
                                    << "10.000" << false;
    QTest::newRow("T repeats as it drops") << "2 E E E * * * *"
                                           << "32.000" << false;
    QTest::newRow("typed decimal") << "1.5 E 2.25 +"
                                   << "3.750" << false;

    // Bearing mode reads and shows DDD.MMSS; factors stay plain numbers.
    QTest::newRow("bearing sum") << "B 10.3030 E 5.4545 +"
                                 << "16.1615" << true;
    QTest::newRow("bearing difference") << "B 5.4545 E 10.3030 -"
                                        << "-4.4445" << true;
    QTest::newRow("bearing times factor") << "B 10.3000 E 3 *"
                                          << "31.3000" << true;
    QTest::newRow("bearing over factor") << "B 10.3000 E 2 /"
                                         << "5.1500" << true;
    // 0.7" is made by scaling one second; adding 29°59'59" gives 29°59'59.7".
    QTest::newRow("sum carries seconds and minutes") << "B 0.0001 E 0.7 * 29.5959 +"
                                                     << "30.0000" << true;
    QTest::newRow("sum below the carry") << "B 0.0001 E 0.4 * 29.5959 +"
                                         << "29.5959" << true;

    QTest::newRow("change sign of negative bearing") << "B =-0.3000 M"
                                                     << "0.3000" << true;
    QTest::newRow("change sign twice") << "B 0.3000 M M"
                                       << "0.3000" << true;
    QTest::newRow("change sign plain") << "2.5 M"
                                       << "-2.500" << false;

    // Reciprocal inverts a shown result from X at full precision, and a typed number as typed.
    QTest::newRow("reciprocal after clear") << "CLR 4 R"
                                            << "0.250" << false;
    QTest::newRow("reciprocal of a result") << "8 E 2 / R"
                                            << "0.250" << false;
    QTest::newRow("reciprocal twice keeps precision") << "3 E R R"
                                                      << "3.000" << false;
    QTest::newRow("reciprocal of a typed number") << "5 E 4 R"
                                                  << "0.250" << false;
    QTest::newRow("reciprocal leaves bearing mode") << "B 8 E 2 / R"
                                                    << "14.324" << false;

    // The functions read the display as an angle in either mode and switch bearing mode off.
    QTest::newRow("cos in bearing mode") << "B 60 C"
                                         << "0.500" << false;
    QTest::newRow("sin in plain mode") << "30 S"
                                       << "0.500" << false;
    QTest::newRow("sin of degrees and minutes") << "30.3000 S"
                                                << "0.508" << false;
    QTest::newRow("tan") << "45 T"
                         << "1.000" << false;
    QTest::newRow("tan second quadrant") << "135 T"
                                         << "-1.000" << false;
    QTest::newRow("tan near a right angle") << "89.5959 T"
                                            << "206264.819" << false;
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
    const QString nines(200, QLatin1Char('9'));
    QTest::newRow("divide by 0") << "8 E 0"
                                 << "/"
                                 << "Cannot divide by 0";
    QTest::newRow("divide by empty display") << "8 E ESC"
                                             << "/"
                                             << "Cannot divide by 0";
    QTest::newRow("reciprocal of nothing") << "CLR"
                                           << "R"
                                           << "Cannot divide by 0";
    QTest::newRow("reciprocal of typed 0") << "5 E 0"
                                           << "R"
                                           << "Cannot divide by 0";
    QTest::newRow("tan 90") << "B 90"
                            << "T"
                            << "Result out of range";
    QTest::newRow("tan 270 with minutes") << "B 270.0000"
                                          << "T"
                                          << "Result out of range";
    QTest::newRow("product overflows") << "=" + nines + " E =" + nines << "*"
                                       << "Result out of range";
    QTest::newRow("entered number overflows") << "=" + nines + nines + nines << "E"
                                              << "Result out of range";
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

void TestCalcEngine::escapeKeepsRegistersClearZeroesThem() {
    CalcEngine calc;
    play(calc, "7 E 8 E 9 E 2 /");
    const auto stack = calc.calcStack();
    QCOMPARE(stack[CalcEngine::X], 4.5);
    play(calc, "ESC");
    QCOMPARE(display(calc), QString());
    QVERIFY(calc.calcStack() == stack);
    // The next number after Esc is a fresh entry and does not lift over the result.
    play(calc, "3 +");
    QCOMPARE(display(calc), QString("11.000"));

    play(calc, "CLR");
    QCOMPARE(display(calc), QString());
    QCOMPARE(calc.entryState(), std::int16_t(CalcEngine::Typing));
    QVERIFY(calc.calcStack() == (std::array<double, 4>{0, 0, 0, 0}));
}

QTEST_APPLESS_MAIN(TestCalcEngine)
#include "tst_calcengine.moc"
