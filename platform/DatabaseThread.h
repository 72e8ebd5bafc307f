#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

// The one thread a run's database work runs on, from opening the connection to destroying it:
// a Qt Sql connection may be used only by the thread that made it. The caller hands each call
// over and waits for it while serving its own thread's events, so a window repaints, answers
// the desktop and takes input while the server works; what the call raises is raised again in
// the caller. The call under way is never interrupted: a rebuild broken off half-way leaves its
// index for the server to clean up (ORA-08104).
class DatabaseThread
{
public:
    DatabaseThread(); // starts the thread
    ~DatabaseThread(); // ends it, after the call under way (there is none once call() returned)

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
    std::unique_ptr<Private> d;
};
