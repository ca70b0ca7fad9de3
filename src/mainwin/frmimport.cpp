#include "mainwin/frmimport.h"

#include "core/cli/commandline.h"
#include "core/exchange/landxml.h"
#include "platform/controls.h"
#include "platform/desktop.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace corvane {

frmImport::frmImport(Desktop& desktop, QWidget* parent)
    : QWidget(parent, Qt::Window), desktop_(desktop) {
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(QStringLiteral("Import LandXML"));
    txtFile = new QLineEdit(this);
    txtFile->setObjectName(QStringLiteral("txtFile"));
    txtPlan = new QLineEdit(this);
    txtPlan->setObjectName(QStringLiteral("txtPlan"));
    chkFill = new QCheckBox(QStringLiteral("Fill parcel edges without observations from the "
                                           "coordinates"),
                            this);
    chkFill->setObjectName(QStringLiteral("chkFill"));
    auto* cmdFile = MakeButton(this, "cmdFile", QStringLiteral("Browse..."),
                               QStringLiteral("Choose the LandXML file"));
    auto* cmdPlan = MakeButton(this, "cmdPlan", QStringLiteral("Browse..."),
                               QStringLiteral("Choose the new plan's lines file"));
    auto* cmdImport = MakeButton(this, "cmdImport", QStringLiteral("Import"),
                                 QStringLiteral("Make the new plan and open it"));
    auto* cmdCancel =
        MakeButton(this, "cmdCancel", QStringLiteral("Cancel"), QStringLiteral("Close the form"));
    connect(cmdFile, &QPushButton::clicked, this, [this] {
        const QString name =
            desktop_.openFileDialog(QStringLiteral("LandXML files (*.xml)|*.xml"),
                                    QStringLiteral("Import LandXML"), txtFile->text());
        if (!name.isEmpty())
            txtFile->setText(name);
    });
    connect(cmdPlan, &QPushButton::clicked, this, [this] {
        const QString name = desktop_.saveFileDialog(QStringLiteral("CORVANE files (*.LNS)|*.lns"),
                                                     QStringLiteral("Name of the new plan"),
                                                     QFileInfo(txtFile->text()).absolutePath());
        if (!name.isEmpty())
            txtPlan->setText(name);
    });
    connect(cmdImport, &QPushButton::clicked, this, [this] { cmdImport_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::hide);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("LandXML file"), this), 0, 0);
    layout->addWidget(txtFile, 0, 1);
    layout->addWidget(cmdFile, 0, 2);
    layout->addWidget(new QLabel(QStringLiteral("New plan"), this), 1, 0);
    layout->addWidget(txtPlan, 1, 1);
    layout->addWidget(cmdPlan, 1, 2);
    layout->addWidget(chkFill, 2, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdImport);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons, 3, 0, 1, 3);
    resize(560, sizeHint().height());
}

void frmImport::openImport() {
    show();
    raise();
    activateWindow();
}

void frmImport::cmdImport_Click() {
    const QString file = txtFile->text().trimmed();
    const QString plan = txtPlan->text().trimmed();
    if (file.isEmpty() || plan.isEmpty()) {
        desktop_.message(QStringLiteral("Choose the LandXML file and the new plan's name"),
                         QStringLiteral("Import LandXML error"), Icon::Exclamation);
        return;
    }
    LandXmlImportOptions options;
    options.FillFromCoordinates = chkFill->isChecked();
    const std::string base = PlanPathOfArgument(PathToCore(plan));
    Result<void> done;
    {
        BusyCursor busy(desktop_);
        auto read = ImportLandXmlFile(PathToCore(file), options);
        done = read ? WriteImportedPlan(read.value(), base) : Result<void>(read.error());
    }
    if (!done) {
        desktop_.showError(done.error());
        return;
    }
    hide();
    emit imported(PathFromCore(base + ".lns"), PathFromCore(ImportReportPath(base)));
}

} // namespace corvane
