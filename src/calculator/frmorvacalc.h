#pragma once

#include "calculator/calcengine.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace corvane {

class Desktop;

// The survey calculator: a four-register stack calculator with a bearing mode in which
// values are typed and shown as DDD.MMSS. One window serves the whole run; Equals (or
// closing it) only hides it, so the registers survive between uses and the caller reads the
// result from the display.
class frmOrvaCalc : public QDialog {
    Q_OBJECT

  public:
    explicit frmOrvaCalc(Desktop& desktop, QWidget* parent = nullptr);

    // "Use Calculator...": sets the mode, empties the display and shows the window without
    // blocking.
    void showModeless(bool bearingMode);
    // For a grid cell: sets the mode, empties the display and shows the window modally; the
    // display's text when it is closed.
    QString runModal(bool bearingMode);
    QString displayText() const;

    const CalcEngine& engine() const { return engine_; }

  public slots:
    void reject() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    using Operation = Result<void> (CalcEngine::*)();
    void run(Operation operation);
    void runPlain(void (CalcEngine::*operation)());
    void takeControls();
    void putControls();
    void digitButton(char digit);
    void cmdEquals_Click();
    // Handles a key typed into the display; true when the key is consumed.
    bool Text1_KeyPress(const QString& text, int key, Qt::KeyboardModifiers modifiers);

    Desktop& desktop_;
    CalcEngine engine_;

    QLineEdit* Text1 = nullptr;
    std::array<QPushButton*, 11> Command1{};
    QPushButton* cmdEnter = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdSubtract = nullptr;
    QPushButton* cmdMultiply = nullptr;
    QPushButton* cmdDivide = nullptr;
    QPushButton* cmdCHS = nullptr;
    QPushButton* cmdReciprocal = nullptr;
    QPushButton* cmdSin = nullptr;
    QPushButton* cmdCos = nullptr;
    QPushButton* cmdTan = nullptr;
    QPushButton* cmdClear = nullptr;
    QPushButton* cmdEquals = nullptr;
    QCheckBox* chkBearing = nullptr;
    QLabel* Label1 = nullptr;
};

} // namespace corvane
