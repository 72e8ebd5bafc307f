#include "OdbcLibrary.h"

#include <QLibrary>

#include <iterator>

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#include <sqlext.h>
#include <sqlucode.h>

namespace {

using GetDiagRecW = SQLRETURN(SQL_API*)(
    SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLWCHAR*, SQLINTEGER*, SQLWCHAR*, SQLSMALLINT, SQLSMALLINT*);

using AllocHandle = SQLRETURN(SQL_API*)(SQLSMALLINT, SQLHANDLE, SQLHANDLE*);
using SetEnvAttr = SQLRETURN(SQL_API*)(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER);
using DriversW = SQLRETURN(SQL_API*)(
    SQLHENV, SQLUSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLSMALLINT*, SQLWCHAR*, SQLSMALLINT, SQLSMALLINT*);
using FreeHandle = SQLRETURN(SQL_API*)(SQLSMALLINT, SQLHANDLE);

struct Calls
{
    GetDiagRecW getDiagRecW = nullptr;
    AllocHandle allocHandle = nullptr;
    SetEnvAttr setEnvAttr = nullptr;
    DriversW driversW = nullptr;
    FreeHandle freeHandle = nullptr;
};

// The same library Qt's ODBC driver loads, so the handles it made are this manager's.
const Calls& calls()
{
    static const Calls resolved = [] {
#ifdef Q_OS_WIN
        QLibrary library(QStringLiteral("odbc32"));
#else
        QLibrary library(QStringLiteral("odbc"), 2);
#endif
        Calls c;
        if (library.load()) {
            c.getDiagRecW = reinterpret_cast<GetDiagRecW>(library.resolve("SQLGetDiagRecW"));
            c.allocHandle = reinterpret_cast<AllocHandle>(library.resolve("SQLAllocHandle"));
            c.setEnvAttr = reinterpret_cast<SetEnvAttr>(library.resolve("SQLSetEnvAttr"));
            c.driversW = reinterpret_cast<DriversW>(library.resolve("SQLDriversW"));
            c.freeHandle = reinterpret_cast<FreeHandle>(library.resolve("SQLFreeHandle"));
        }
        return c; // stays loaded: QLibrary unloads only when asked to
    }();
    return resolved;
}

} // namespace

namespace OdbcLibrary {

SQLRETURN getDiagRecW(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT record, SQLWCHAR* state,
    SQLINTEGER* native, SQLWCHAR* text, SQLSMALLINT capacity, SQLSMALLINT* length)
{
    const GetDiagRecW call = calls().getDiagRecW;
    return call ? call(handleType, handle, record, state, native, text, capacity, length)
                : SQL_INVALID_HANDLE;
}

std::optional<QStringList> installedDrivers()
{
    const Calls& c = calls();
    if (!c.allocHandle || !c.setEnvAttr || !c.driversW || !c.freeHandle)
        return std::nullopt;
    SQLHANDLE environment = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(c.allocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment)))
        return std::nullopt;
    c.setEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    QStringList names;
    SQLWCHAR name[512];
    SQLWCHAR attributes[2048];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT attributesLength = 0;
    for (SQLUSMALLINT direction = SQL_FETCH_FIRST;
         SQL_SUCCEEDED(c.driversW(environment, direction, name, SQLSMALLINT(std::size(name)), &nameLength,
             attributes, SQLSMALLINT(std::size(attributes)), &attributesLength));
         direction = SQL_FETCH_NEXT) {
        const qsizetype length = qBound(qsizetype(0), qsizetype(nameLength), qsizetype(std::size(name)) - 1);
        names << QString::fromUtf16(reinterpret_cast<const char16_t*>(name), length);
    }
    c.freeHandle(SQL_HANDLE_ENV, environment);
    return names;
}

} // namespace OdbcLibrary
