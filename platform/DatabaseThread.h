#pragma once

#include <functional>

// The thread the window's database work runs on: a Qt Sql connection may be used only by the
// thread that made it, and the window's thread must stay free to repaint, answer the desktop and
// take input while the server works. There is one for the process, started by the first post()
// and idle between runs; it is never ended, because under Wine a thread that had done ODBC work
// and ended before the process made the process hang at its end.
namespace DatabaseThread {

// Runs `work` there, after whatever was posted before it, and returns at once. What work raises
// is its own business: it must catch everything.
void post(std::function<void()> work);

} // namespace DatabaseThread
