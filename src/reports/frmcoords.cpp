#include "reports/frmcoords.h"

#include "core/base/textfile.h"
#include "core/exchange/coordfile.h"
#include "core/files/linesfile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

namespace {
const QString kErrorTitle = QStringLiteral("Create Coord. file error");
} // namespace

frmCoords::frmCoords(PlanHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName(QStringLiteral("frmCoords"));
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Coordinate File form"));
    buildControls();
    host_.registerPlanWindow(this);
}

frmCoords::~frmCoords() {
    host_.unregisterPlanWindow(this);
}

void frmCoords::buildControls() {
    auto addEdit = [this](const char* name, const char* text, const char* tooltip) {
        auto* edit = new QLineEdit(QString::fromLatin1(text), this);
        edit->setObjectName(QString::fromLatin1(name));
        if (tooltip)
            edit->setToolTip(QString::fromLatin1(tooltip));
        return edit;
    };
    fraOrigin = new QGroupBox(QStringLiteral("Enter coordinate origin point"), this);
    fraOrigin->setObjectName(QStringLiteral("fraOrigin"));
    auto* origin = new QFormLayout(fraOrigin);
    txtPoint = addEdit("txtPoint", "", "Enter point number here");
    txtNorth = addEdit("txtNorth", "0.000", "Enter north coordinate here");
    txtEast = addEdit("txtEast", "0.000", "Enter east coordinate here");
    origin->addRow(QStringLiteral("&Point Number"), txtPoint);
    origin->addRow(QStringLiteral("&North Coordinate"), txtNorth);
    origin->addRow(QStringLiteral("&East Coordinate"), txtEast);

    chkScaleFactor = new QCheckBox(QStringLiteral("Calculate using Combined &Scale Factor"), this);
    chkScaleFactor->setObjectName(QStringLiteral("chkScaleFactor"));
    txtScaleFactor = addEdit("txtScaleFactor", "", nullptr);
    chkPSMNumbers = new QCheckBox(QStringLiteral("Include Permanent &Marks"), this);
    chkPSMNumbers->setObjectName(QStringLiteral("chkPSMNumbers"));

    cboSeparator = new QComboBox(this);
    cboSeparator->setObjectName(QStringLiteral("cboSeparator"));
    cboSeparator->setEditable(true);
    cboSeparator->setInsertPolicy(QComboBox::NoInsert);
    cboSeparator->addItems({QStringLiteral("comma and space"), QStringLiteral("comma"),
                            QStringLiteral("space"), QStringLiteral("Tab")});
    auto* separatorLabel = new QLabel(QStringLiteral("Separate each &field by"), this);
    separatorLabel->setBuddy(cboSeparator);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setToolTip(QStringLiteral("Create the coord. file"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmCoords::cmdOK_Click);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setToolTip(QStringLiteral("Cancel the form"));
    connect(cmdCancel, &QPushButton::clicked, this, &frmCoords::cmdCancel_Click);

    auto* scale = new QHBoxLayout;
    scale->addWidget(chkScaleFactor);
    scale->addWidget(txtScaleFactor);
    auto* separator = new QHBoxLayout;
    separator->addWidget(separatorLabel);
    separator->addWidget(cboSeparator, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraOrigin);
    layout->addLayout(scale);
    layout->addWidget(chkPSMNumbers);
    layout->addLayout(separator);
    layout->addLayout(buttons);
}

void frmCoords::openCoords() {
    show();
    raise();
    activateWindow();
}

void frmCoords::closeForPlanChange() {
    hide();
}

bool frmCoords::isPlanWindowOpen() const {
    return isVisible();
}

void frmCoords::cmdOK_Click() {
    if (host_.refuseWrite(QStringLiteral("Create Coord file"), kErrorTitle))
        return;
    Desktop& desktop = host_.desktop();
    PlanState& plan = host_.plan();
    if (Result<void> loaded = LoadLines(plan); !loaded) {
        desktop.showError(Error{loaded.error().message, toCore(kErrorTitle)});
        return;
    }
    CoordFileRequest request;
    request.Origin = toCore(txtPoint->text());
    request.North = toCore(txtNorth->text());
    request.East = toCore(txtEast->text());
    request.UseScaleFactor = chkScaleFactor->isChecked();
    request.ScaleFactor = toCore(txtScaleFactor->text().trimmed());
    request.IncludeMarks = chkPSMNumbers->isChecked();
    request.Separator = toCore(cboSeparator->currentText());
    Result<CoordFileResult> created = CoordFileResult();
    {
        BusyCursor busy(desktop);
        created = CoordFileFor(plan, request);
    }
    if (!created) {
        desktop.showError(Error{created.error().message, toCore(kErrorTitle)});
        return;
    }
    // A coordinate file there may hold another origin's coordinates, or hand edits.
    if (FileExists(created.value().Path) &&
        desktop.message(QStringLiteral("The coordinate file ") +
                            PathFromCore(created.value().Path) +
                            QStringLiteral(" exists already.\nReplace it ?"),
                        QStringLiteral("Create coord file"), Icon::Question, Buttons::YesNo,
                        Answer::No) != Answer::Yes)
        return;
    if (Result<void> written = WriteCoordFile(created.value()); !written) {
        desktop.showError(Error{written.error().message, toCore(kErrorTitle)});
        return;
    }
    desktop.message(fromCore(created.value().Message), QStringLiteral("Create coord file"),
                    Icon::Information);
    // The next command that needs the lines reads the lines file again.
    plan.chkArray = false;
    hide();
}

void frmCoords::cmdCancel_Click() {
    hide();
}

} // namespace corvane
