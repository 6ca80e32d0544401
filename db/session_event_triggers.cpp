// The session's part in the event listener's triggers: through the additions beside the tables,
// which the listener itself does not know.
#include "database_session.h"
#include "table_additions.h"

bool DatabaseSession::HasEventTrigger(const QString &table)
{
    return additions::HasEventTrigger(*this, table);
}

void DatabaseSession::RequestEventTrigger(const QString &table)
{
    // Pointers are written by update too: their trigger fires on both.
    additions::RequestEventTrigger(*this, table, table == QLatin1String("MOUSEPOS"));
}
