#include "OdbcHandle.h"

#include <mutex>
#include <unordered_set>

namespace {

struct Registry
{
    std::mutex mutex;
    std::unordered_set<const OdbcHandle*> live;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

} // namespace

OdbcHandle::OdbcHandle(Kind kind)
    : m_kind(kind)
{
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    r.live.insert(this);
}

OdbcHandle::~OdbcHandle()
{
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    r.live.erase(this);
}

OdbcHandle* OdbcHandle::find(SQLHANDLE handle, Kind kind)
{
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    auto* candidate = static_cast<OdbcHandle*>(handle);
    if (!candidate || !r.live.contains(candidate) || candidate->m_kind != kind)
        return nullptr;
    return candidate;
}

bool OdbcHandle::kindOf(SQLSMALLINT handleType, Kind* kind)
{
    switch (handleType) {
    case SQL_HANDLE_ENV:
        *kind = Kind::Environment;
        return true;
    case SQL_HANDLE_DBC:
        *kind = Kind::Connection;
        return true;
    case SQL_HANDLE_STMT:
        *kind = Kind::Statement;
        return true;
    default:
        return false;
    }
}
