#pragma once

#include <QStringList>

// The lines of a text file such as the simulated server's log, without the
// empty piece after the last line break; one line naming the file when it
// cannot be read, so a comparison shows why it failed.
QStringList logLines(const QString& path);

// The statements of the simulated server's log, in the order it received them:
// its "EXEC <time-out> <statement>" lines without the first two words.
QStringList loggedStatements(const QString& path);
