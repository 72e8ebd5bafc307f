#pragma once

#include <QStringView>

#include <optional>

// How long a rebuild waits for a table's lock held by another session before it gives up with
// ORA-00054: the session's DDL_LOCK_TIMEOUT, in seconds, as Oracle takes it (0 to 1,000,000; 0,
// Oracle's default, is not to wait). The profile key EsperaBloqueo and tarvelin-cli's
// --espera-bloqueo give it the same way.
namespace LockWait {

constexpr int maximumSeconds = 1000000;

// The seconds a text gives, or nothing when it is no whole number in that range.
inline std::optional<int> seconds(QStringView text)
{
    bool number = false;
    const int value = text.toInt(&number);
    if (!number || value < 0 || value > maximumSeconds || text.startsWith(u'+'))
        return std::nullopt;
    return value;
}

} // namespace LockWait
