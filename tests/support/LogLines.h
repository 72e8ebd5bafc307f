#pragma once

#include <QStringList>

// The lines of a text file such as the simulated server's statement log,
// without the empty piece after the last line break; one line naming the file
// when it cannot be read, so a comparison shows why it failed.
QStringList logLines(const QString& path);
