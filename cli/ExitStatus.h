#pragma once

// How tarvelin-cli ends, for the scheduler that started it (documented in the README and in its
// --help). 64 is EX_USAGE of <sysexits.h>: nothing reached the server.
namespace ExitStatus {

constexpr int Finished = 0; // "Terminado": every index rebuilt
constexpr int Failed = 1; // the run stopped on an error ("Error n: ..." on standard error)
constexpr int Cancelled = 2; // a signal or Ctrl+C: the statement under way was finished first
constexpr int OnlineRefused = 3; // ORA-00439 on ONLINE, answered "parar"
constexpr int Usage = 64; // wrong options, or no such profile

} // namespace ExitStatus
