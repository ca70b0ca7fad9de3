#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace corvane {

class Desktop;

// The LandXML import window: the file to read, the new plan's name and whether parcel edges
// no observation measures take lines from the coordinates. Import emits imported() with the
// new plan's lines file once its files are written; a refusal is shown and writes nothing.
class frmImport : public QWidget {
    Q_OBJECT

  public:
    frmImport(Desktop& desktop, QWidget* parent = nullptr);

    void openImport();

  signals:
    void imported(const QString& linesFile, const QString& reportFile);

  private:
    void cmdImport_Click();

    Desktop& desktop_;
    QLineEdit* txtFile = nullptr;
    QLineEdit* txtPlan = nullptr;
    QCheckBox* chkFill = nullptr;
};

} // namespace corvane
