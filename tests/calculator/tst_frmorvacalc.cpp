#include "calculator/frmorvacalc.h"
#include "platform/scripteddesktop.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using corvane::CalcEngine;
using corvane::DesktopCall;
using corvane::frmOrvaCalc;
using corvane::Icon;
using corvane::ScriptedDesktop;

class TestFrmOrvaCalc : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void digitButtonsAppendByIndex();
    void buttonsRunTheStack();
    void divideByZeroShowsMessageAndKeepsDisplay();
    void keysTypedIntoDisplay();
    void keysStartNewNumberAfterResult();
    void modifiedKeysAreNotCommands();
    void escapeEmptiesDisplayOnly();
    void equalsHidesAndKeepsResult();
    void showModelessResetsDisplayAndMode();
    void runModalReturnsDisplay();
    void runModalAfterModelessIsModal();

  private:
    QPushButton* button(const char* name) const {
        auto* found = calc->findChild<QPushButton*>(QLatin1String(name));
        Q_ASSERT(found);
        return found;
    }
    QPushButton* digit(int index) const {
        for (auto* b : calc->findChildren<QPushButton*>(QStringLiteral("Command1")))
            if (b->property("index").toInt() == index)
                return b;
        return nullptr;
    }
    void click(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    QString shown() const { return display->text(); }
    double x() const { return calc->engine().calcStack()[CalcEngine::X]; }

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

void TestFrmOrvaCalc::digitButtonsAppendByIndex() {
    QString typed;
    for (int i = 0; i <= 10; ++i) {
        QPushButton* b = digit(i);
        QVERIFY2(b, qPrintable(QString::number(i)));
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QCOMPARE(shown(), QString("7410852.963"));
    QCOMPARE(digit(7)->toolTip(), QString("Decimal point"));
    QCOMPARE(digit(3)->toolTip(), QString("0 button"));
}

void TestFrmOrvaCalc::buttonsRunTheStack() {
    QTest::mouseClick(digit(4), Qt::LeftButton); // 8
    click("cmdEnter");
    QTest::mouseClick(digit(6), Qt::LeftButton); // 2
    click("cmdDivide");
    QCOMPARE(shown(), QString("4.000"));

    bearing->setChecked(true);
    display->setText("60");
    click("cmdCos");
    QCOMPARE(shown(), QString("0.500"));
    QVERIFY(!bearing->isChecked());
    QVERIFY(desktop.messages().empty());
}

void TestFrmOrvaCalc::divideByZeroShowsMessageAndKeepsDisplay() {
    QTest::keyClicks(display, "8");
    QTest::keyClick(display, Qt::Key_Return);
    QTest::keyClicks(display, "0");
    click("cmdDivide");
    QCOMPARE(desktop.messages().size(), size_t(1));
    const DesktopCall shownMessage = desktop.lastMessage();
    QCOMPARE(shownMessage.text, QString("Cannot divide by 0"));
    QCOMPARE(shownMessage.title, QString("Survey Calculator"));
    QCOMPARE(shownMessage.icon, Icon::Exclamation);
    QCOMPARE(shown(), QString("0"));
    QCOMPARE(x(), 8.0);
    QCOMPARE(calc->engine().calcStack()[CalcEngine::Y], 8.0);
}

// Keys typed into the display run the same operations as the buttons and never reach the
// text.
void TestFrmOrvaCalc::keysTypedIntoDisplay() {
    bearing->setChecked(true);
    QTest::keyClicks(display, "10.3030");
    QTest::keyClick(display, Qt::Key_Enter);
    QCOMPARE(shown(), QString("10.3030"));
    QTest::keyClicks(display, "5.4545+");
    QCOMPARE(shown(), QString("16.1615"));
    QTest::keyClicks(display, "M");
    QCOMPARE(shown(), QString("-16.1615"));

    QTest::keyClicks(display, "60c");
    QCOMPARE(shown(), QString("0.500"));
    QVERIFY(!bearing->isChecked());
    QTest::keyClicks(display, "r");
    QCOMPARE(shown(), QString("2.000"));
    QTest::keyClicks(display, "30s");
    QCOMPARE(shown(), QString("0.500"));
    QTest::keyClicks(display, "45t");
    QCOMPARE(shown(), QString("1.000"));
    QTest::keyClicks(display, "3*");
    QCOMPARE(shown(), QString("3.000"));
    QTest::keyClicks(display, "2-");
    QCOMPARE(shown(), QString("1.000"));
    QTest::keyClicks(display, "4/");
    QCOMPARE(shown(), QString("0.250"));
    QVERIFY(desktop.messages().empty());
}

void TestFrmOrvaCalc::keysStartNewNumberAfterResult() {
    QTest::keyClicks(display, "9");
    QTest::keyClick(display, Qt::Key_Return);
    // After Enter the next number replaces the display without lifting again.
    QTest::keyClicks(display, "12");
    QCOMPARE(shown(), QString("12"));
    QTest::keyClicks(display, "+");
    QCOMPARE(shown(), QString("21.000"));
    // After a result it replaces the display and lifts the result into Y.
    QTest::keyClicks(display, "4");
    QCOMPARE(shown(), QString("4"));
    QCOMPARE(calc->engine().calcStack()[CalcEngine::Y], 21.0);
    // Editing keys edit as usual.
    QTest::keyClick(display, Qt::Key_Backspace);
    QTest::keyClicks(display, "5-");
    QCOMPARE(shown(), QString("16.000"));
}

void TestFrmOrvaCalc::modifiedKeysAreNotCommands() {
    QTest::keyClicks(display, "25");
    QTest::keyClick(display, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(display, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(shown(), QString("25"));
    QCOMPARE(x(), 0.0);
}

void TestFrmOrvaCalc::escapeEmptiesDisplayOnly() {
    QTest::keyClicks(display, "7");
    QTest::keyClick(display, Qt::Key_Return);
    QTest::keyClicks(display, "3*");
    QTest::keyClick(display, Qt::Key_Escape);
    QCOMPARE(shown(), QString());
    QCOMPARE(x(), 21.0);
    QVERIFY(calc->isVisible()); // Esc in the display does not close the window
}

void TestFrmOrvaCalc::equalsHidesAndKeepsResult() {
    QPointer<frmOrvaCalc> guard(calc);
    QTest::keyClicks(display, "8");
    QTest::keyClick(display, Qt::Key_Return);
    QTest::keyClicks(display, "2/=");
    QVERIFY(!calc->isVisible());
    QCOMPARE(calc->displayText(), QString("4.000"));
    QCOMPARE(calc->engine().entryState(), std::int16_t(CalcEngine::Typing));

    calc->showModeless(false);
    click("cmdEquals");
    QVERIFY(!calc->isVisible());

    // Closing by the frame is Equals too; the window survives for the next use.
    calc->showModeless(false);
    QTest::keyClicks(display, "6");
    calc->close();
    QCoreApplication::processEvents();
    QVERIFY(guard);
    QVERIFY(!calc->isVisible());
    QCOMPARE(calc->displayText(), QString("6"));
}

void TestFrmOrvaCalc::showModelessResetsDisplayAndMode() {
    QTest::keyClicks(display, "8");
    QTest::keyClick(display, Qt::Key_Return);
    bearing->setChecked(true);
    click("cmdEquals");

    calc->showModeless(false);
    QVERIFY(calc->isVisible());
    QVERIFY(!calc->isModal());
    QCOMPARE(shown(), QString());
    QVERIFY(!bearing->isChecked());
    // The registers outlive the hiding: 8 is still in Y.
    QTest::keyClicks(display, "2*");
    QCOMPARE(shown(), QString("16.000"));
}

void TestFrmOrvaCalc::runModalReturnsDisplay() {
    click("cmdEquals");
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

    // Closed by the frame, the typed text is still the answer.
    QTimer::singleShot(0, calc, [&] {
        sawBearing = bearing->isChecked();
        QTest::keyClicks(display, "12.5");
        calc->close();
    });
    QCOMPARE(calc->runModal(false), QString("12.5"));
    QVERIFY(!sawBearing);
}

void TestFrmOrvaCalc::runModalAfterModelessIsModal() {
    QVERIFY(calc->isVisible());
    bool sawModal = false;
    QTimer::singleShot(0, calc, [&] {
        sawModal = calc->isModal() && calc->isVisible();
        click("cmdEquals");
    });
    QCOMPARE(calc->runModal(true), QString());
    QVERIFY(sawModal);
}

QTEST_MAIN(TestFrmOrvaCalc)
#include "tst_frmorvacalc.moc"
