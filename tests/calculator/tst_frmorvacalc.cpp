#include "calculator/frmorvacalc.h"
#include "platform/scripteddesktop.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using corvane::CalcEngine;
using corvane::frmOrvaCalc;
using corvane::Icon;
using corvane::ScriptedDesktop;

class TestFrmOrvaCalc : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void buttonsRunTheStack();
    void keysTypedIntoDisplay();
    void equalsHidesAndKeepsResult();
    void runModalReturnsDisplay();

  private:
    QPushButton* digit(int index) const {
        for (auto* b : calc->findChildren<QPushButton*>(QStringLiteral("Command1")))
            if (b->property("index").toInt() == index)
                return b;
        return nullptr;
    }
    void click(const char* name) const {
        QTest::mouseClick(calc->findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
    }
    QString shown() const { return display->text(); }
    double reg(int index) const { return calc->engine().calcStack()[index]; }

    ScriptedDesktop desktop;
    frmOrvaCalc* calc = nullptr;
    QLineEdit* display = nullptr;
    QCheckBox* bearing = nullptr;
};

void TestFrmOrvaCalc::init() {
    desktop.calls.clear();
    calc = new frmOrvaCalc(desktop);
    display = calc->findChild<QLineEdit*>(QStringLiteral("Text1"));
    bearing = calc->findChild<QCheckBox*>(QStringLiteral("chkBearing"));
    QVERIFY(display && bearing);
    calc->showModeless(false);
    QVERIFY(QTest::qWaitForWindowExposed(calc));
}

void TestFrmOrvaCalc::cleanup() {
    delete calc;
    calc = nullptr;
}

void TestFrmOrvaCalc::buttonsRunTheStack() {
    // The digit buttons are one control array, told apart by index.
    for (int i = 0; i <= 10; ++i)
        QTest::mouseClick(digit(i), Qt::LeftButton);
    QCOMPARE(shown(), QString("7410852.963"));
    display->clear();

    QTest::mouseClick(digit(4), Qt::LeftButton); // 8
    click("cmdEnter");
    QTest::mouseClick(digit(6), Qt::LeftButton); // 2
    click("cmdDivide");
    QCOMPARE(shown(), QString("4.000"));
    // Divide by 0 is refused: X, Y and the display stay as they were.
    QTest::mouseClick(digit(3), Qt::LeftButton); // 0
    click("cmdDivide");
    QCOMPARE(desktop.messages().size(), size_t(1));
    QCOMPARE(desktop.lastMessage().text, QString("Cannot divide by 0"));
    QCOMPARE(desktop.lastMessage().title, QString("Survey Calculator"));
    QCOMPARE(desktop.lastMessage().icon, Icon::Exclamation);
    QCOMPARE(shown(), QString("0"));
    QCOMPARE(reg(CalcEngine::X), 4.0);
    QCOMPARE(reg(CalcEngine::Y), 4.0);

    bearing->setChecked(true);
    display->setText("60");
    click("cmdCos");
    QCOMPARE(shown(), QString("0.500"));
    QVERIFY(!bearing->isChecked());
}

// Keys typed into the display run the same operations as the buttons and never reach the
// text; keys with Ctrl are not commands.
void TestFrmOrvaCalc::keysTypedIntoDisplay() {
    bearing->setChecked(true);
    QTest::keyClicks(display, "10.3030");
    QTest::keyClick(display, Qt::Key_Enter);
    QCOMPARE(shown(), QString("10.3030"));
    const std::pair<const char*, const char*> steps[] = {
        {"5.4545+", "16.1615"}, {"M", "-16.1615"}, {"60c", "0.500"}, {"r", "2.000"},
        {"30s", "0.500"},       {"45t", "1.000"},  {"3*", "3.000"},  {"2-", "1.000"},
        {"4/", "0.250"},        {"12", "12"}};
    for (const auto& [keys, result] : steps) {
        QTest::keyClicks(display, keys);
        QCOMPARE(shown(), QString(result));
    }
    QVERIFY(!bearing->isChecked());
    // After a result the next number replaces the display and lifts the result into Y.
    QCOMPARE(reg(CalcEngine::Y), 0.25);
    QTest::keyClick(display, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(shown(), QString("12"));
    // Esc empties the display only: the registers stay and the window stays open.
    QTest::keyClick(display, Qt::Key_Escape);
    QCOMPARE(shown(), QString());
    QCOMPARE(reg(CalcEngine::Y), 0.25);
    QVERIFY(calc->isVisible());
    QVERIFY(desktop.messages().empty());
    // A second Esc on the empty display closes the calculator, returning nothing.
    QTest::keyClick(display, Qt::Key_Escape);
    QVERIFY(!calc->isVisible());
    QCOMPARE(shown(), QString());
}

void TestFrmOrvaCalc::equalsHidesAndKeepsResult() {
    QPointer<frmOrvaCalc> guard(calc);
    QTest::keyClicks(display, "8");
    QTest::keyClick(display, Qt::Key_Return);
    QTest::keyClicks(display, "2/");
    bearing->setChecked(true);
    QTest::keyClicks(display, "=");
    QVERIFY(!calc->isVisible());
    QCOMPARE(calc->displayText(), QString("4.000"));
    QCOMPARE(calc->engine().entryState(), std::int16_t(CalcEngine::Typing));

    // Shown again: empty display, bearing mode off, the registers kept.
    calc->showModeless(false);
    QVERIFY(calc->isVisible() && !calc->isModal());
    QCOMPARE(shown(), QString());
    QVERIFY(!bearing->isChecked());
    QCOMPARE(reg(CalcEngine::X), 4.0);

    // Closing by the frame is Equals too; the window survives for the next use.
    QTest::keyClicks(display, "6");
    calc->close();
    QCoreApplication::processEvents();
    QVERIFY(guard);
    QVERIFY(!calc->isVisible());
    QCOMPARE(calc->displayText(), QString("6"));
}

// runModal opens the window modal, even over its own modeless showing, and answers the
// display as Equals or the frame leaves it.
void TestFrmOrvaCalc::runModalReturnsDisplay() {
    display->setText("stale");
    bool sawBearing = false;
    bool sawModal = false;
    QString displayWhenShown = "not shown";
    QTimer::singleShot(0, calc, [&] {
        sawBearing = bearing->isChecked();
        sawModal = calc->isModal() && calc->isVisible();
        displayWhenShown = shown();
        QTest::keyClicks(display, "10.3030");
        QTest::keyClick(display, Qt::Key_Return);
        QTest::keyClicks(display, "5.4545+=");
    });
    QCOMPARE(calc->runModal(true), QString("16.1615"));
    QVERIFY(sawBearing);
    QVERIFY(sawModal);
    QCOMPARE(displayWhenShown, QString());
    QVERIFY(!calc->isVisible());

    QTimer::singleShot(0, calc, [&] {
        sawBearing = bearing->isChecked();
        QTest::keyClicks(display, "12.5");
        calc->close();
    });
    QCOMPARE(calc->runModal(false), QString("12.5"));
    QVERIFY(!sawBearing);
}

QTEST_MAIN(TestFrmOrvaCalc)
#include "tst_frmorvacalc.moc"
