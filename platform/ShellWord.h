#pragma once

#include <QString>

// A word as a user types it into a POSIX shell: unchanged when the shell leaves
// it alone, in single quotes otherwise, so that advice in an error message can
// be pasted as it stands.
namespace ShellWord {

QString quoted(const QString& word);

} // namespace ShellWord
