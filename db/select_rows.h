#pragma once
// The usual way to read a whole result: OpenSelect, ReadFirstRow once, ReadNextRow for the rest,
// CloseSelect, all before the caller shows anything (a modal box would let other windows' timers
// run and replace the shared result).

#include "database_session.h"

// Every row, each as `fieldCount` texts in column order; empty when there is none or the select
// fails.
QList<QStringList> SelectRows(DatabaseSession &db, const QString &columns, const QString &table,
                              const QString &where, const QString &orderBy, int fieldCount);
