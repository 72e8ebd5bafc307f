#pragma once

#include "SchemaIndex.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// What the simulated server holds and how it misbehaves, read from the connection string the
// driver receives: "key=value;" pairs, keys in any case, values either plain (up to the next ';')
// or in braces ("{se;cr}}et}" is "se;cr}et"). Keys:
//   Indexes=A,B     plain index names, stored exactly; commas only separate; empty items are skipped
//   Schema=PATH     the indexes a file describes, of every kind, partitioned or not (SchemaFile.h)
//   Generate=N      adds plain IDX_000001 .. IDX_<N> (numbers zero-padded to six digits), 0..1000000
//   Online=0|1      0: every REBUILD ... ONLINE fails with ORA-00439 (default 1)
//   Fail=NAME:CODE  the rebuild of the stored index NAME as a whole fails with ORA-CODE, CODE
//                   1..99999; Fail=NAME.PART:CODE that of its partition or subpartition PART;
//                   several as a comma list or by repeating the key
//   ExpectPwd=x     logging on fails with ORA-01017 unless the password is x
//   PWD=x           the password given at logon
//   UID=x           the user; accepted and not checked
//   DRIVER=, DSN=   the driver manager's own keys; accepted
//   DelayMs=N       each rebuild that succeeds blocks for N ms first
//   ConnectDelayMs=N  each logon blocks for N ms first, as a far or slow server's does
//   Log=PATH        logons, statements and logoffs are appended to PATH, one per line
//   Records=1|2     2: every error carries a second diagnostic record after the first
//   LongText=0|1    1: Fail messages run past 511 characters
//   LockTable=T:MS  another session holds a lock on table T for MS ms from the logon: a rebuild of
//                   one of its indexes without ONLINE fails at once with ORA-00054 unless the
//                   session's DDL_LOCK_TIMEOUT outlasts the lock, and then waits for it; with ONLINE
//                   it waits; several as a comma list or by repeating the key
//   LoseAt=N        the connection is lost at the session's N-th statement (ORA-03113); every later
//                   one fails with ORA-03114
// Indexes, Schema, Fail and LockTable add up over repeated keys; for the others the last one counts. Indexes
// and schema files are stored in the order of their keys, generated ones after them. Any other
// key, a malformed value, an unreadable schema file, a repeated index name or a Fail naming no
// stored index or partition is an error, so a mistyped test setup fails loudly instead of running
// against a different server.
class SimulatorConfig
{
public:
    static std::optional<SimulatorConfig> parse(const QString& text, QString* error);

    QList<SchemaIndex> indexes;
    bool onlineEnabled = true;
    // (stored index name, partition or subpartition name or empty for the whole index) -> ORA number
    QHash<std::pair<QString, QString>, int> failures;
    std::optional<QString> expectedPassword;
    QString password;
    QString user; // UID
    QString dataSource; // DSN
    int delayMs = 0;
    int connectDelayMs = 0;
    QString logPath;
    int records = 1;
    bool longText = false;
    QHash<QString, int> tableLocks; // table name -> milliseconds from the logon
    int loseAt = 0; // 0: never

    static constexpr int maximumGenerated = 1000000;
};
