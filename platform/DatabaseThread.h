#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

// The thread database work runs on, from opening a connection to destroying it: a Qt Sql
// connection may be used only by the thread that made it. The caller hands each call over and
// waits for it while serving its own thread's events, so a window repaints, answers the desktop
// and takes input while the server works; what the call raises is raised again in the caller.
// The call under way is never interrupted: a rebuild broken off half-way leaves its index for the
// server to clean up (ORA-08104). There is one such thread in the process, started by the first
// DatabaseThread and idle between calls; every DatabaseThread hands its calls to it, all from the
// thread that made the first.
class DatabaseThread
{
public:
    DatabaseThread();
    ~DatabaseThread(); // no call is under way once call() has returned

    DatabaseThread(const DatabaseThread&) = delete;
    DatabaseThread& operator=(const DatabaseThread&) = delete;

    // Runs work on the thread and returns its result, serving the caller's events until then.
    template <typename Work> auto call(Work&& work) -> std::invoke_result_t<Work&>
    {
        using Result = std::invoke_result_t<Work&>;
        if constexpr (std::is_void_v<Result>) {
            run(work);
        } else {
            std::optional<Result> result;
            run([&] { result.emplace(work()); });
            return std::move(*result);
        }
    }

private:
    void run(const std::function<void()>& work);

    struct Private;
    Private* d; // the process's one, never destroyed
};
