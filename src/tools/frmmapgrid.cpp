#include "tools/frmmapgrid.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/files/linesfile.h"
#include "core/model/pointlabel.h"
#include "platform/controls.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>
#include <set>

namespace corvane {

namespace {

const QString kMapGridTitle = QStringLiteral("Map Grid");
const QString kSettingsSection = QStringLiteral("MapGrid");
const QString kToleranceKey = QStringLiteral("Tolerance");
const QString kUnknownDatum = QStringLiteral("unknown");
constexpr double kDefaultTolerance = 0.05;
// Grid coordinates are hundreds of kilometres at most; a figure beyond this is a typing slip.
constexpr double kLargestFigure = 1e8;

enum MarkColumn { MarkLabel, MarkEast, MarkNorth };

QString metres(double value) {
    return QString::number(value, 'f', 3);
}

// A mark's coordinate as the table shows it: to the millimetre as published, or every figure
// the file gives, so a fit or a save never works on rounded positions.
QString coordinateText(double value) {
    const QString millimetres = metres(value);
    return millimetres.toDouble() == value ? millimetres : fromCore(GeneralText(value));
}

QString signedText(double value, int decimals) {
    QString text = QString::number(std::fabs(value), 'f', decimals);
    if (text.toDouble() == 0)
        return text;
    return (value < 0 ? QStringLiteral("-") : QStringLiteral("+")) + text;
}

// A small angle of seconds as a surveyor writes it: -0°00′12.3″.
QString dmsText(double seconds) {
    const double tenths = std::round(std::fabs(seconds) * 10);
    const long long whole = static_cast<long long>(tenths) / 10;
    const int tenth = static_cast<int>(static_cast<long long>(tenths) % 10);
    const QString sign = (seconds < 0 && tenths > 0) ? QStringLiteral("-") : QString();
    return sign + QStringLiteral("%1%2%3%4%5.%6%7")
                      .arg(whole / 3600)
                      .arg(QChar(0x00B0))
                      .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
                      .arg(QChar(0x2032))
                      .arg(whole % 60, 2, 10, QLatin1Char('0'))
                      .arg(tenth)
                      .arg(QChar(0x2033));
}

QString cellText(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text().trimmed() : QString();
}

} // namespace

frmMapGrid::frmMapGrid(PlanHost& host, QWidget* parent) : QWidget(parent, Qt::Window), host_(host) {
    setObjectName(QStringLiteral("frmMapGrid"));
    setWindowTitle(kMapGridTitle);
    watch_ = new LinesWatch(host_, this,
                            QStringLiteral("The plan has changed since this fit: Fit again"),
                            [this](const QString& why) { clearFit(why); });
    buildControls();
    host_.registerPlanWindow(this);
}

frmMapGrid::~frmMapGrid() {
    host_.unregisterPlanWindow(this);
}

void frmMapGrid::buildControls() {
    grdMarks = new QTableWidget(0, 3, this);
    grdMarks->setObjectName(QStringLiteral("grdMarks"));
    grdMarks->setHorizontalHeaderLabels(
        {QStringLiteral("Mark"), QStringLiteral("East"), QStringLiteral("North")});
    grdMarks->horizontalHeader()->setStretchLastSection(true);
    grdMarks->setToolTip(QStringLiteral("The survey marks whose map grid coordinates are known"));
    connect(grdMarks, &QTableWidget::itemChanged, this, [this] {
        if (!filling_)
            marksEdited();
    });

    txtZone = new QLineEdit(this);
    txtZone->setObjectName(QStringLiteral("txtZone"));
    txtZone->setToolTip(QStringLiteral("The map grid zone, 1 to 60; blank when unknown"));
    connect(txtZone, &QLineEdit::textEdited, this, [this] { marksEdited(); });
    cboDatum = new QComboBox(this);
    cboDatum->setObjectName(QStringLiteral("cboDatum"));
    cboDatum->addItems({QStringLiteral("GDA2020"), QStringLiteral("GDA94"), kUnknownDatum});
    connect(cboDatum, &QComboBox::activated, this, [this] { marksEdited(); });
    lblSystem = new QLabel(this);
    lblSystem->setObjectName(QStringLiteral("lblSystem"));
    txtTolerance = new QLineEdit(this);
    txtTolerance->setObjectName(QStringLiteral("txtTolerance"));
    txtTolerance->setToolTip(
        QStringLiteral("A mark whose residual exceeds this (metres) is possibly disturbed"));

    cmdAddMark = MakeButton(this, "cmdAddMark", QStringLiteral("Add Mark"),
                            QStringLiteral("Click here to add a row for a mark"));
    cmdDeleteMark = MakeButton(this, "cmdDeleteMark", QStringLiteral("Delete Mark"),
                               QStringLiteral("Click here to delete the selected mark's row"));
    cmdImportCsv = MakeButton(this, "cmdImportCsv", QStringLiteral("Import CSV..."),
                              QStringLiteral("Click here to add marks from a file of "
                                             "mark,east,north lines"));
    cmdSave = MakeButton(this, "cmdSave", QStringLiteral("Save"),
                         QStringLiteral("Click here to save the marks in the plan's grid file"));
    cmdFit = MakeButton(this, "cmdFit", QStringLiteral("Fit"),
                        QStringLiteral("Click here to fit the plan onto the marks"));
    cmdClose = MakeButton(this, "cmdClose", QStringLiteral("Close"),
                          QStringLiteral("Click here to close the window"));
    connect(cmdAddMark, &QPushButton::clicked, this, [this] {
        addMarkRow(QString(), 0, 0);
        grdMarks->setCurrentCell(grdMarks->rowCount() - 1, MarkLabel);
        marksEdited();
    });
    connect(cmdDeleteMark, &QPushButton::clicked, this, [this] {
        const int row = grdMarks->currentRow();
        if (row < 0)
            return;
        grdMarks->removeRow(row);
        marksEdited();
    });
    connect(cmdImportCsv, &QPushButton::clicked, this, [this] { cmdImportCsv_Click(); });
    connect(cmdSave, &QPushButton::clicked, this, [this] { save(); });
    connect(cmdFit, &QPushButton::clicked, this, [this] { cmdFit_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { close(); });

    lblFit = new QLabel(this);
    lblFit->setObjectName(QStringLiteral("lblFit"));
    lblFit->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grdResiduals = new QTableWidget(0, 7, this);
    grdResiduals->setObjectName(QStringLiteral("grdResiduals"));
    grdResiduals->setHorizontalHeaderLabels(
        {QStringLiteral("Mark"), QStringLiteral("East"), QStringLiteral("North"),
         QStringLiteral("Residual east"), QStringLiteral("Residual north"),
         QStringLiteral("Residual"), QStringLiteral("Status")});
    grdResiduals->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdResiduals->verticalHeader()->hide();
    grdResiduals->horizontalHeader()->setStretchLastSection(true);
    lstNotes = new QListWidget(this);
    lstNotes->setObjectName(QStringLiteral("lstNotes"));

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Zone"), txtZone);
    fields->addRow(QStringLiteral("Datum"), cboDatum);
    fields->addRow(QStringLiteral("System"), lblSystem);
    fields->addRow(QStringLiteral("Tolerance (m)"), txtTolerance);
    auto* markCommands = new QVBoxLayout;
    for (QPushButton* button : {cmdAddMark, cmdDeleteMark, cmdImportCsv, cmdSave})
        markCommands->addWidget(button);
    markCommands->addLayout(fields);
    markCommands->addStretch(1);
    auto* marksRow = new QHBoxLayout;
    marksRow->addWidget(grdMarks, 1);
    marksRow->addLayout(markCommands);
    auto* commands = new QHBoxLayout;
    commands->addWidget(cmdFit);
    commands->addStretch(1);
    commands->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(marksRow, 1);
    layout->addWidget(watch_->note());
    layout->addWidget(lblFit);
    layout->addWidget(grdResiduals, 1);
    layout->addWidget(lstNotes);
    layout->addLayout(commands);
    resize(760, 640);
}

QString frmMapGrid::planWindowName() const {
    return windowTitle();
}

void frmMapGrid::openMapGrid() {
    // Marks typed and not yet saved are not read over.
    if (hasUnsavedEdits()) {
        raise();
        activateWindow();
        return;
    }
    PlanState& plan = host_.plan();
    Result<GridMarks> read = ReadGridMarks(plan.PlanPath);
    if (!read) {
        host_.desktop().showError(read.error());
        return;
    }
    setWindowTitle(kMapGridTitle + QStringLiteral(" - ") + PathFromCore(FileNameOf(plan.PlanPath)));
    showMarks(read.value());
    const QString stored = host_.desktop().setting(kSettingsSection, kToleranceKey,
                                                   QString::number(kDefaultTolerance));
    // A stored figure no longer fit (edited by hand) gives way to the default.
    const std::optional<double> tolerance = NumberField(toCore(stored), 0, kLargestFigure);
    txtTolerance->setText(
        QString::number(tolerance && *tolerance > 0 ? *tolerance : kDefaultTolerance, 'g', 10));
    clearFit();
    changed_ = false;
    show();
    raise();
    activateWindow();
}

void frmMapGrid::showMarks(const GridMarks& marks) {
    filling_ = true;
    grdMarks->setRowCount(0);
    for (const KnownMark& mark : marks.marks)
        addMarkRow(fromCore(PointNumberToLabel(mark.number)), mark.east, mark.north);
    txtZone->setText(marks.zone > 0 ? QString::number(marks.zone) : QString());
    // A datum this window does not offer is kept as the file gives it.
    const QString datum = marks.datum.empty() ? kUnknownDatum : fromCore(marks.datum);
    if (cboDatum->findText(datum) < 0)
        cboDatum->addItem(datum);
    cboDatum->setCurrentText(datum);
    system_ = marks.system;
    lblSystem->setText(marks.system.empty() ? QStringLiteral("(not given)")
                                            : fromCore(marks.system));
    filling_ = false;
}

void frmMapGrid::addMarkRow(const QString& label, double east, double north) {
    const bool filling = filling_;
    filling_ = true;
    const int row = grdMarks->rowCount();
    grdMarks->insertRow(row);
    const bool blank = label.isEmpty();
    grdMarks->setItem(row, MarkLabel, new QTableWidgetItem(label));
    grdMarks->setItem(row, MarkEast,
                      new QTableWidgetItem(blank ? QString() : coordinateText(east)));
    grdMarks->setItem(row, MarkNorth,
                      new QTableWidgetItem(blank ? QString() : coordinateText(north)));
    filling_ = filling;
}

void frmMapGrid::marksEdited() {
    changed_ = true;
    // A fit of other marks is not shown as if it held for these.
    clearFit();
}

std::optional<GridMarks> frmMapGrid::typedMarks() {
    Desktop& desktop = host_.desktop();
    auto refuse = [&](const QString& text) {
        desktop.message(text, kMapGridTitle, Icon::Exclamation);
        return std::nullopt;
    };
    GridMarks marks;
    const QString zone = txtZone->text().trimmed();
    if (!zone.isEmpty()) {
        const std::optional<double> figure = NumberField(toCore(zone), 1, 60);
        if (!figure || *figure != std::floor(*figure))
            return refuse(QStringLiteral("The zone \"") + zone +
                          QStringLiteral("\" is no map grid zone: give 1 to 60, or leave it "
                                         "blank when unknown"));
        marks.zone = static_cast<int>(*figure);
    }
    const QString datum = cboDatum->currentText();
    if (datum != kUnknownDatum)
        marks.datum = toCore(datum);
    marks.system = system_;

    std::set<std::int32_t> seen;
    for (int row = 0; row < grdMarks->rowCount(); ++row) {
        const QString label = cellText(grdMarks, row, MarkLabel);
        const QString east = cellText(grdMarks, row, MarkEast);
        const QString north = cellText(grdMarks, row, MarkNorth);
        if (label.isEmpty() && east.isEmpty() && north.isEmpty())
            continue; // a row added and never filled
        const QString where = QStringLiteral("Row %1: ").arg(row + 1);
        if (!ValidPointLabel(toCore(label)))
            return refuse(where + QLatin1Char('"') + label +
                          QStringLiteral("\" is no mark or point number"));
        KnownMark mark;
        mark.number = PointLabelToNumber(toCore(label));
        const std::optional<double> e = NumberField(toCore(east), -kLargestFigure, kLargestFigure);
        const std::optional<double> n = NumberField(toCore(north), -kLargestFigure, kLargestFigure);
        if (!e)
            return refuse(where + QStringLiteral("the east \"") + east +
                          QStringLiteral("\" is no number"));
        if (!n)
            return refuse(where + QStringLiteral("the north \"") + north +
                          QStringLiteral("\" is no number"));
        if (!seen.insert(mark.number).second)
            return refuse(where + fromCore(PointNumberToLabel(mark.number)) +
                          QStringLiteral(" is given twice"));
        mark.east = *e;
        mark.north = *n;
        marks.marks.push_back(mark);
    }
    return marks;
}

std::optional<double> frmMapGrid::typedTolerance() {
    const QString text = txtTolerance->text().trimmed();
    const std::optional<double> tolerance = NumberField(toCore(text), 0, kLargestFigure);
    if (!tolerance || *tolerance <= 0) {
        host_.desktop().message(QStringLiteral("The tolerance \"") + text +
                                    QStringLiteral("\" is no distance: give metres above 0"),
                                kMapGridTitle, Icon::Exclamation);
        return std::nullopt;
    }
    return tolerance;
}

bool frmMapGrid::save() {
    if (host_.refuseWrite(QStringLiteral("Save"), kMapGridTitle))
        return false;
    const std::optional<GridMarks> marks = typedMarks();
    if (!marks)
        return false;
    const std::string& planPath = host_.plan().PlanPath;
    if (Result<void> written = WriteGridMarks(planPath, *marks); !written) {
        host_.desktop().showError(written.error());
        return false;
    }
    changed_ = false;
    host_.desktop().message(QStringLiteral("%1 marks saved in ").arg(marks->marks.size()) +
                                PathFromCore(GridMarksPath(planPath)),
                            kMapGridTitle, Icon::Information);
    return true;
}

void frmMapGrid::cmdImportCsv_Click() {
    Desktop& desktop = host_.desktop();
    const QString name = desktop.openFileDialog(QStringLiteral("CSV files (*.csv)|*.csv"),
                                                QStringLiteral("Import CSV"),
                                                PathFromCore(DirectoryOf(host_.plan().PlanPath)));
    if (name.isEmpty())
        return;
    Result<std::vector<KnownMark>> read = ReadMarksCsv(PathToCore(name));
    if (!read) {
        desktop.showError(read.error());
        return;
    }
    // A mark already listed takes the file's figures; the others are added below.
    for (const KnownMark& mark : read.value()) {
        const QString label = fromCore(PointNumberToLabel(mark.number));
        int found = -1;
        for (int row = 0; row < grdMarks->rowCount() && found < 0; ++row)
            if (PointLabelToNumber(toCore(cellText(grdMarks, row, MarkLabel))) == mark.number)
                found = row;
        if (found < 0) {
            addMarkRow(label, mark.east, mark.north);
            continue;
        }
        filling_ = true;
        grdMarks->item(found, MarkEast)->setText(coordinateText(mark.east));
        grdMarks->item(found, MarkNorth)->setText(coordinateText(mark.north));
        filling_ = false;
    }
    marksEdited();
}

void frmMapGrid::cmdFit_Click() {
    const std::optional<GridMarks> marks = typedMarks();
    if (!marks)
        return;
    const std::optional<double> tolerance = typedTolerance();
    if (!tolerance)
        return;
    Desktop& desktop = host_.desktop();
    desktop.setSetting(kSettingsSection, kToleranceKey, QString::number(*tolerance, 'g', 10));
    PlanState& plan = host_.plan();
    std::optional<Result<PlanGridFit>> fitted;
    {
        BusyCursor busy(desktop);
        if (Result<void> loaded = EnsureLinesCurrent(plan); !loaded) {
            desktop.showError(loaded.error());
            return;
        }
        GridFitOptions options;
        options.tolerance = *tolerance;
        fitted = FitPlanToGrid(plan, marks->marks, options);
    }
    if (!*fitted) {
        desktop.showError(fitted->error());
        return;
    }
    fit_ = std::move(*fitted).value();
    showFit();
    watch_->start();
}

void frmMapGrid::clearFit(const QString& why) {
    watch_->stop(why);
    fit_.reset();
    lblFit->clear();
    grdResiduals->setRowCount(0);
    lstNotes->clear();
}

void frmMapGrid::showFit() {
    const GridFit& fit = fit_->fit;
    QStringList summary;
    summary << QStringLiteral("Plan coordinates: ") + fromCore(fit_->source);
    if (fit.fitted) {
        const std::size_t used = fit.marks.size() - fit.leftOut.size();
        summary << QStringLiteral("Scale: %1 ppm (factor %2)")
                       .arg(signedText(fit.scalePpm(), 1), QString::number(fit.scale, 'f', 8))
                << QStringLiteral("Rotation: %1%2 (%3)")
                       .arg(signedText(fit.rotationSeconds(), 1), QString(QChar(0x2033)),
                            dmsText(fit.rotationSeconds()))
                << QStringLiteral("Shift: east %1 m, north %2 m")
                       .arg(metres(fit.shiftEast), metres(fit.shiftNorth))
                << QStringLiteral("RMS: %1 m over %2 marks").arg(metres(fit.rms)).arg(used);
    } else {
        summary << QStringLiteral("Not fitted: the plan stays local");
    }
    lblFit->setText(summary.join(QLatin1Char('\n')));

    grdResiduals->setRowCount(static_cast<int>(fit.marks.size()));
    for (std::size_t k = 0; k < fit.marks.size(); ++k) {
        const MarkFit& m = fit.marks[k];
        const QString texts[] = {fromCore(PointNumberToLabel(m.number)),
                                 metres(m.gridEast),
                                 metres(m.gridNorth),
                                 metres(m.residualEast),
                                 metres(m.residualNorth),
                                 metres(m.residual),
                                 m.flagged ? QStringLiteral("possibly disturbed") : QString()};
        for (int c = 0; c < 7; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            if (m.flagged)
                item->setForeground(QColor(200, 0, 0));
            grdResiduals->setItem(static_cast<int>(k), c, item);
        }
    }
    grdResiduals->resizeColumnsToContents();
    lstNotes->clear();
    for (const std::string& note : fit.notes)
        lstNotes->addItem(fromCore(note));
}

void frmMapGrid::closeEvent(QCloseEvent* event) {
    if (changed_) {
        const Answer answer = host_.desktop().message(
            planWindowName() + QStringLiteral(" holds changes that are "
                                              "not saved.\nSave them ?"),
            kMapGridTitle, Icon::Question, Buttons::YesNoCancel, Answer::Yes);
        if (answer == Answer::Cancel || (answer == Answer::Yes && !save())) {
            event->ignore();
            return;
        }
    }
    changed_ = false;
    watch_->stop();
    event->accept();
}

void frmMapGrid::closeForPlanChange() {
    changed_ = false;
    clearFit();
    hide();
}

} // namespace corvane
