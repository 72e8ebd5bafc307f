#pragma once

#include <functional>

class CancelToken;

// Requests to cancel from outside the program: SIGINT, SIGTERM and SIGHUP on Unix (Ctrl+C,
// systemctl stop, kill, a closed terminal); Ctrl+C, Ctrl+Break and closing the console on
// Windows. Each one only sets the token, so a second one cannot kill the process in the middle of
// a rebuild either; the first one is also announced, at once, on a thread of its own. Made once,
// before any other thread; once it is destroyed, requests set and announce nothing.
class CancelSignals
{
public:
    CancelSignals(CancelToken& token, std::function<void()> announce);
    ~CancelSignals();

    CancelSignals(const CancelSignals&) = delete;
    CancelSignals& operator=(const CancelSignals&) = delete;

    // Windows ends the process when the handler of a closing console returns: it waits for this.
    static void runEnded();
};
