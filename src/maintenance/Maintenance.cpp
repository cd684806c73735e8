#include "maintenance/Maintenance.h"
#include "core/PointerState.h"

#include "core/AppError.h"
#include "core/ErrorTrap.h"
#include "core/HandlerNames.h"
#include "core/Main.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "db/SqlText.h"
#include "maintenance/MaintenanceStatements.h"

#include <memory>

namespace Maintenance {
namespace {

void showMessage(Dialogs& dialogs, const QString& text)
{
    dialogs.messageBox(text, Dialogs::Buttons::Ok, Dialogs::Icon::None, Main::AppTitle());
}

} // namespace

void DeleteTables(TablesWindowContext& window, Side side)
{
    ErrorTrap trap(window.dialogs, HandlerName::deleteTables(side));
    NameList& list = window.list(side);
    // Released (and so closed) when the handler ends, whatever happened.
    std::unique_ptr<Connection> connection;

    trap.step(100, [&] { connection = std::make_unique<Connection>(); });
    trap.step(102, [&] { window.setPointer(PointerState::Hourglass); });
    // Opened before the selection is looked at: wrong login values are reported
    // even when nothing turns out to be chosen.
    trap.step(104, [&] { createdObject(connection).open(window.connectionString(side)); });

    if (trap.condition(106, [&] { return list.currentIndex() == -1; })) {
        trap.step(118, [&] {
            showMessage(window.dialogs, side == Side::PostgreSQL
                                            ? QStringLiteral("Please select a table")
                                            : QStringLiteral("Please select a table to delete"));
        });
    } else {
        int last = -1;
        trap.assign(108, last, [&] { return list.count() - 1; });
        // Last to first: removing entry i leaves the indices still to visit valid.
        for (int i = last; i >= 0; --i) {
            if (!trap.condition(110, [&] { return list.isSelected(i); }))
                continue;
            // The entry goes only with its table: a refused DROP keeps it listed.
            const bool dropped = trap.step(112, [&] {
                createdObject(connection).execute(SqlText::dropTableStatement(list.text(i)));
            });
            if (dropped)
                trap.step(114, [&] { list.removeItem(i); });
        }
    }

    trap.step(120, [&] { window.setPointer(PointerState::Default); });
}

void RenameTable(TablesWindowContext& window, Side side)
{
    ErrorTrap trap(window.dialogs, HandlerName::renameTable(side));
    NameList& list = window.list(side);
    std::unique_ptr<Connection> connection;

    trap.step(100, [&] { connection = std::make_unique<Connection>(); });
    trap.step(102, [&] { window.setPointer(PointerState::Hourglass); });
    trap.step(104, [&] { createdObject(connection).open(window.connectionString(side)); });

    if (trap.condition(106, [&] { return list.currentIndex() == -1; })) {
        trap.step(132, [&] {
            showMessage(window.dialogs, QStringLiteral("Please select a table to rename."));
        });
    } else if (trap.condition(108, [&] { return list.selectedCount() != 1; })) {
        trap.step(130, [&] {
            showMessage(window.dialogs, QStringLiteral("Please select just one table to rename."));
        });
    } else {
        int last = -1;
        trap.assign(110, last, [&] { return list.count() - 1; });
        // The scan runs on to entry 0 after a rename. The renamed entry comes back
        // unselected and entry 0 is made current without being selected, so no
        // further entry is found and no second name is asked for.
        for (int i = last; i >= 0; --i) {
            if (!trap.condition(112, [&] { return list.isSelected(i); }))
                continue;
            QString oldName;
            trap.assign(114, oldName, [&] { return list.text(i); });
            QString newName;
            trap.assign(116, newName, [&] {
                return window.dialogs.inputBox(QStringLiteral("Enter new name of ") + oldName +
                                                   QLatin1Char(':'),
                                               Main::AppTitle(), oldName);
            });
            // Cancel and an emptied box both answer the empty text: nothing is sent.
            if (!trap.condition(118, [&] { return !newName.isEmpty(); }))
                continue;
            // The entry takes the new name only when the server renamed the table.
            const bool renamed = trap.step(120, [&] {
                createdObject(connection).execute(renameTableStatement(side, oldName, newName));
            });
            if (!renamed)
                continue;
            trap.step(122, [&] { list.removeItem(i); });
            trap.step(124, [&] { list.addItem(newName); });
            trap.step(126, [&] {
                if (list.count() >= 1)
                    list.setCurrentIndex(0);
            });
        }
    }

    trap.step(134, [&] { window.setPointer(PointerState::Default); });
}

} // namespace Maintenance
