#pragma once
// Storing rows one transaction each: DatabaseSession::InsertRow against the very same statement
// text sent straight through the C interface (start, execute immediate, commit per row).

class DatabaseSession;
class RawConnection;
struct PairResult;

// Creates the two stroke tables it writes to; each side stores rowsPerRound rows a round.
bool MeasureInsertPair(DatabaseSession &session, RawConnection &raw, int rowsPerRound, int rounds,
                       PairResult &result);
