#pragma once
// Reading a whole stroke table in N order: OpenSelect with ReadFirstRow / ReadNextRow against a
// plain fetch loop on the C interface that binds every column as text the way the session does.

class DatabaseSession;
class RawConnection;
struct PairResult;

// Creates and fills the table it reads (filling is not measured).
bool MeasureReadPair(DatabaseSession &session, RawConnection &raw, int rows, int rounds,
                     PairResult &result);
