#pragma once

#include <QString>
#include <QTest>

// Root reads and lists every file and folder whatever their modes, so a case
// about what cannot be read proves nothing when the suite runs as root, as CI
// does. There the case runs again, in a child process of the same test binary
// started as the user "nobody", and passes only if it passed there.
namespace Unprivileged {

// True when this process reads files regardless of their permissions.
bool readsEverything();

// Runs the current test function (and data row) as "nobody"; true when it
// ran and passed without being skipped. `output` receives what it printed.
bool rerunCurrentCase(QString* output);

} // namespace Unprivileged

// At the top of such a case: as root, hand the case to the unprivileged child.
#define TV_RUN_UNPRIVILEGED()                                                                                \
    do {                                                                                                     \
        if (Unprivileged::readsEverything()) {                                                               \
            QString childOutput_;                                                                            \
            QVERIFY2(Unprivileged::rerunCurrentCase(&childOutput_), qPrintable(childOutput_));               \
            return;                                                                                          \
        }                                                                                                    \
    } while (false)
