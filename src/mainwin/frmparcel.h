#pragma once

#include "core/edits/parcelcmds.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace corvane {

class Desktop;

// The new parcel dialog: a parcel type and the text after its type code make the complete
// identifier of a new, renamed or copied parcel. One dialog serves the whole run and is only
// hidden, so its boxes keep their last values: the next New Parcel offers the number after
// the last one.
class frmParcel : public QDialog {
    Q_OBJECT

  public:
    explicit frmParcel(Desktop& desktop, QWidget* parent = nullptr);

    // New Parcel: the identifier box offers the last number plus 1 (empty for an easement or
    // a text without a leading number), and the type is taken as it is typed.
    void offerNextIdentifier();
    // Rename and copy: the type of the old identifier, and in the identifier box the old
    // identifier after its own prefix (rename) or nothing (copy). Left unchanged, the type
    // keeps the old identifier's own prefix.
    void prefillFrom(const QString& oldIdentifier, bool withIdentifierText);
    // Open: a new plan starts without an identifier to follow on from.
    void clearIdentifier();

    // Clears the result and shows the dialog modally; the complete identifier after OK, an
    // empty text after Cancel.
    QString askIdentifier();
    QString parcelId() const;

  public slots:
    void reject() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildControls();
    void cmdOK_Click();
    void cmdCancel_Click();

    Desktop& desktop_;
    // Set while a rename or copy runs the dialog.
    std::optional<ParcelPrefill> prefill_;

    QComboBox* cboParcelType = nullptr;
    QLineEdit* txtIdentifier = nullptr;
    QLineEdit* txtParcelID = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};

} // namespace corvane
