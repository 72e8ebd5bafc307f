#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// What the simulated server holds and how it misbehaves, read from the database name handed to
// the driver: "key=value;" pairs, keys in any case, values either plain (up to the next ';') or
// in braces ("{se;cr}}et}" is "se;cr}et"). Keys:
//   Indexes=A,B     index names, stored exactly; commas only separate; empty items are skipped
//   Generate=N      adds IDX_000001 .. IDX_<N> (numbers zero-padded to six digits), 0..1000000
//   Online=0|1      0: every REBUILD ONLINE fails with ORA-00439 (default 1)
//   Fail=NAME:CODE  the rebuild of NAME (a stored name) fails with ORA-CODE, CODE 1..99999;
//                   several as a comma list or by repeating the key
//   ExpectPwd=x     logging on fails with ORA-01017 unless the password is x
//   PWD=x           the password given at logon
//   UID=x           the user; accepted and not checked
//   DelayMs=N       each rebuild that succeeds blocks for N ms first
//   Log=PATH        every statement received is appended to PATH, one per line
// Indexes and Fail add up over repeated keys; for the others the last one counts. Any other key,
// a malformed value, a repeated index name or a Fail naming no stored index is an error, so a
// mistyped test setup fails loudly instead of running against a different server.
class SimulatorConfig
{
public:
    static std::optional<SimulatorConfig> parse(const QString& text, QString* error);

    QStringList indexes;
    bool onlineEnabled = true;
    QHash<QString, int> failures; // stored index name -> ORA number
    std::optional<QString> expectedPassword;
    QString password;
    int delayMs = 0;
    QString logPath;

    static constexpr int maximumGenerated = 1000000;
};
