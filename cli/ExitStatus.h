#pragma once

// How tarvelin-cli ends, for the scheduler that started it (documented in the README, the manual
// page and its --help). 64, 74 and 75 are EX_USAGE, EX_IOERR and EX_TEMPFAIL of <sysexits.h>.
namespace ExitStatus {

constexpr int Finished = 0; // "Terminado": every statement sent and done
constexpr int Failed = 1; // the run stopped on an error, or with --seguir a statement failed
constexpr int Cancelled = 2; // a signal or Ctrl+C: the statement under way was finished first
constexpr int OnlineRefused = 3; // ORA-00439 on ONLINE, answered "parar"
constexpr int DeadlineReached = 4; // --hasta came first: statements were left unsent
constexpr int Usage = 64; // wrong options, no such profile, a log file that cannot be opened
constexpr int OutputLost = 74; // standard output refused a line; the run went on to its end
constexpr int ProfileInUse = 75; // another run of this profile is under way: nothing was sent

} // namespace ExitStatus
