#pragma once

#include <atomic>

// A request to stop a run, set from any thread ("Cancelar", the window's close button, a signal).
// The run looks at it before each statement and at its end: the statement under way is never
// broken off, since a rebuild interrupted half-way leaves its index for the server to clean up
// (ORA-08104).
class CancelToken
{
public:
    void request() { m_requested.store(true); }
    bool requested() const { return m_requested.load(); }

private:
    std::atomic<bool> m_requested {false};
};
