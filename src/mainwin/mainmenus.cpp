#include "mainwin/frmcorvane.h"

#include "platform/controls.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace corvane {

namespace {

// When a menu entry may be used.
enum class EnabledRule {
    Always,
    // Only while a plan is open (SetFileOptions turns it on and off).
    WithPlan,
};

} // namespace

void frmCorvane::buildMenus() {
    using Slot = void (frmCorvane::*)();
    // One row of the menu bar: a menu (its entries follow it), an entry, or a separator.
    struct MenuRow {
        enum Kind { Menu, Entry, Separator };
        Kind kind;
        const char* name = nullptr;
        const char* caption = nullptr;
        Slot handler = nullptr;
        EnabledRule enabled = EnabledRule::Always;
        QKeyCombination shortcut = Qt::Key_unknown;
        // A second key for the same entry.
        QKeyCombination alternative = Qt::Key_unknown;
        // Where the window keeps the entry, for the entries it changes later.
        QAction* frmCorvane::*keep = nullptr;
        QMenu* frmCorvane::*keepMenu = nullptr;
    };
    constexpr auto Menu = MenuRow::Menu;
    constexpr auto Entry = MenuRow::Entry;
    constexpr auto WithPlan = EnabledRule::WithPlan;
    const MenuRow separator{MenuRow::Separator};

    const MenuRow rows[] = {
        {Menu,
         "mnuFile",
         "&File",
         nullptr,
         EnabledRule::Always,
         {},
         {},
         nullptr,
         &frmCorvane::mnuFile},
        {Entry, "mnuNew", "New", &frmCorvane::mnuOpen_Click, EnabledRule::Always,
         Qt::CTRL | Qt::Key_N},
        {Entry, "mnuOpen", "Open...", &frmCorvane::mnuOpen_Click, EnabledRule::Always,
         Qt::CTRL | Qt::Key_O},
        {Entry,
         "mnuSave",
         "Save",
         &frmCorvane::mnuSave_Click,
         EnabledRule::Always,
         Qt::CTRL | Qt::Key_S,
         {},
         &frmCorvane::mnuSave},
        {Entry, "mnuSaveAs", "Save As", &frmCorvane::mnuSaveAs_Click, WithPlan},
        {Entry, "mnuCreateCoords", "Create Coord file", &frmCorvane::mnuCreateCoords_Click,
         WithPlan},
        {Entry, "mnuExportParcel", "Export Parcel", &frmCorvane::mnuExportParcel_Click, WithPlan},
        // A LandXML file becomes a new plan, whichever plan is open.
        {Entry, "mnuImportLandXml", "Import LandXML...", &frmCorvane::mnuImportLandXml_Click},
        {Entry, "mnuExportLandXml", "Export LandXML...", &frmCorvane::mnuExportLandXml_Click,
         WithPlan},
        {Entry, "mnuExportGis", "Export GIS...", &frmCorvane::mnuExportGis_Click, WithPlan},
        {Entry, "mnuScaledData", "Scaled Data...", &frmCorvane::mnuScaledData_Click, WithPlan},
        separator,
        {Entry, "mnuConnections", "Connections...", &frmCorvane::mnuConnections_Click, WithPlan},
        {Entry, "mnuPSMs", "PSM's...", &frmCorvane::mnuPSMs_Click, WithPlan},
        {Entry, "mnuNewParcel", "NewParcel...", &frmCorvane::mnuNewParcel_Click, WithPlan},
        {Entry, "mnuPartyWalls", "Party Walls...", &frmCorvane::mnuPartyWalls_Click, WithPlan},
        // Road offsides need no open plan to be offered.
        {Entry, "mnuCalcOffsides", "Calc. Offsides...", &frmCorvane::mnuCalcOffsides_Click},
        separator,
        {Entry, "mnuPrint", "&Print...", &frmCorvane::mnuPrint_Click, WithPlan,
         Qt::CTRL | Qt::Key_P},
        separator,
        {Entry,
         "mnuClose",
         "Close",
         &frmCorvane::mnuClose_Click,
         EnabledRule::Always,
         {},
         {},
         &frmCorvane::mnuClose},
        // The desktop's own key for leaving a program works too.
        {Entry, "mnuExit", "E&xit", &frmCorvane::mnuExit_Click, EnabledRule::Always,
         Qt::CTRL | Qt::Key_X, Qt::CTRL | Qt::Key_Q},

        {Menu, "mnuEdit", "&Edit", nullptr, WithPlan, {}, {}, nullptr, &frmCorvane::mnuEdit},
        {Entry, "mnuEditLines", "Lines...", &frmCorvane::mnuEditLines_Click},
        {Entry, "mnuEditParcel", "Parcel...", &frmCorvane::mnuEditParcel_Click},
        {Entry, "mnuPointNumber", "Point Number...", &frmCorvane::mnuPointNumber_Click},
        {Entry, "mnuParcelIdentifier", "Parcel Identifier", &frmCorvane::mnuParcelIdentifier_Click},
        {Entry, "mnuArea", "Area...", &frmCorvane::mnuArea_Click},
        {Entry, "mnuDatumBearing", "Datum Bearing...", &frmCorvane::mnuDatumBearing_Click},
        {Entry, "mnuDistanceUnits", "Distance Units...", &frmCorvane::mnuDistanceUnits_Click},
        {Entry, "mnuDeleteParcel", "Delete Parcel", &frmCorvane::mnuDeleteParcel_Click},
        {Entry, "mnuCopyParcel", "Copy Parcel...", &frmCorvane::mnuCopyParcel_Click},

        {Menu, "mnuView", "&View", nullptr, WithPlan, {}, {}, nullptr, &frmCorvane::mnuView},
        {Entry, "mnuViewParcel", "Parcel...", &frmCorvane::mnuViewParcel_Click},
        {Entry, "mnuViewLines", "Lines File...", &frmCorvane::mnuViewLines_Click},
        {Entry, "mnuViewPolygons", "Polygons File...", &frmCorvane::mnuViewPolygons_Click},
        {Entry, "mnuSummary", "Summary...", &frmCorvane::cmdSummary_Click},
        // Off besides while the whole plan is drawn (toolcommands.cpp).
        {Entry,
         "mnuDrawPlan",
         "Draw Plan...",
         &frmCorvane::mnuDrawPlan_Click,
         EnabledRule::Always,
         {},
         {},
         &frmCorvane::mnuDrawPlan},

        {Menu,
         "mnuOptions",
         "&Options",
         nullptr,
         WithPlan,
         {},
         {},
         nullptr,
         &frmCorvane::mnuOptions},
        {Entry, "mnuCalculator", "Use Calculator...", &frmCorvane::mnuCalculator_Click},
        {Entry, "mnuFindPoint", "Find point in parcel", &frmCorvane::mnuFindPoint_Click},
        {Entry, "mnuDoubleLines", "Check for double lines", &frmCorvane::mnuDoubleLines_Click},
        {Entry, "mnuPointErrors", "Check point errors", &frmCorvane::mnuPointErrors_Click},
        separator,
        {Entry, "mnuAdjustPlan", "Adjust Plan...", &frmCorvane::mnuAdjustPlan_Click},
        {Entry, "mnuCheckPlan", "Check Plan...", &frmCorvane::mnuCheckPlan_Click},
        {Entry, "mnuMapGrid", "Map Grid...", &frmCorvane::mnuMapGrid_Click},

        {Menu,
         "mnuHelp",
         "&Help",
         nullptr,
         EnabledRule::Always,
         {},
         {},
         nullptr,
         &frmCorvane::mnuHelp},
        {Entry, "mnuContents", "Contents...", &frmCorvane::mnuContents_Click},
        {Entry, "mnuAbout", "About CORVANE...", &frmCorvane::mnuAbout_Click},
    };

    std::vector<QMenu*> menus;
    QMenu* menu = nullptr;
    for (const MenuRow& row : rows) {
        QAction* action = nullptr;
        switch (row.kind) {
        case MenuRow::Menu:
            menu = menuBar()->addMenu(QString::fromUtf8(row.caption));
            menu->setObjectName(QString::fromUtf8(row.name));
            menu->menuAction()->setObjectName(QString::fromUtf8(row.name));
            menus.push_back(menu);
            if (row.keepMenu)
                this->*row.keepMenu = menu;
            action = menu->menuAction();
            break;
        case MenuRow::Separator:
            menu->addSeparator();
            continue;
        case MenuRow::Entry: {
            action = menu->addAction(QString::fromUtf8(row.caption));
            action->setObjectName(QString::fromUtf8(row.name));
            QList<QKeySequence> keys;
            for (QKeyCombination key : {row.shortcut, row.alternative})
                if (key.key() != Qt::Key_unknown)
                    keys << QKeySequence(key);
            if (!keys.isEmpty())
                action->setShortcuts(keys);
            connect(action, &QAction::triggered, this, row.handler);
            break;
        }
        }
        if (row.keep)
            this->*row.keep = action;
        if (row.enabled == EnabledRule::WithPlan)
            fileOptionActions_.push_back(action);
    }
    for (QMenu* each : menus)
        AssignAccessKeys(each);
}

} // namespace corvane
