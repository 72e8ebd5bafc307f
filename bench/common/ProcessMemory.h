#pragma once

#include <QtGlobal>

namespace ProcessMemory {

// This process's peak resident set so far, in KiB (VmHWM; ru_maxrss where
// /proc is missing).
qint64 peakResidentKiB();

} // namespace ProcessMemory
