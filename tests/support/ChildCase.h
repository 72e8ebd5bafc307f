#pragma once

#include <QProcessEnvironment>
#include <QStringList>

// Some cases need a process of their own: one that runs as another user, or
// whose surroundings (the session bus a library connects to once per process)
// differ from the suite's. Such a case runs again in a child process of the
// same test binary, and passes only if it passed there.
namespace ChildCase {

// True inside such a child, where the case runs itself.
bool inChild();

// Runs the current test function and data row again as `wrapper` (a command and
// its arguments, empty for none) followed by this binary, with `environment`;
// true when it ran there and passed without being skipped. `output` receives
// what it printed.
bool rerun(const QStringList& wrapper, QProcessEnvironment environment, QString* output);

} // namespace ChildCase
