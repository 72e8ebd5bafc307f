#include "OdbcHandle.h"

#include "OdbcText.h"

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
    const std::lock_guard lock(registry().mutex);
    registry().live.insert(this);
}

OdbcHandle::~OdbcHandle()
{
    const std::lock_guard lock(registry().mutex);
    registry().live.erase(this);
}

SQLRETURN OdbcHandle::answer(const QString& text, bool wide, SQLPOINTER buffer, SQLSMALLINT bufferLength,
    bool inBytes, SQLSMALLINT* length)
{
    const qsizetype unit = wide && inBytes ? qsizetype(sizeof(SQLWCHAR)) : 1;
    const OdbcText::Copied copied = OdbcText::toBuffer(text, wide, buffer, bufferLength / unit);
    if (length)
        *length = static_cast<SQLSMALLINT>(copied.length * unit);
    if (!copied.truncated)
        return SQL_SUCCESS;
    m_diagnostics.addStandard("01004");
    return SQL_SUCCESS_WITH_INFO;
}

OdbcHandle* OdbcHandle::find(SQLHANDLE handle, Kind kind)
{
    const std::lock_guard lock(registry().mutex);
    auto* candidate = static_cast<OdbcHandle*>(handle);
    if (!candidate || !registry().live.contains(candidate) || candidate->m_kind != kind)
        return nullptr;
    return candidate;
}

OdbcHandle* OdbcHandle::find(SQLHANDLE handle, SQLSMALLINT handleType)
{
    switch (handleType) {
    case SQL_HANDLE_ENV:
        return find(handle, Kind::Environment);
    case SQL_HANDLE_DBC:
        return find(handle, Kind::Connection);
    case SQL_HANDLE_STMT:
        return find(handle, Kind::Statement);
    default:
        return nullptr;
    }
}
