#include "DriverEnvironment.h"

#include <sqlext.h>

#include <cstdint>

DriverEnvironment::DriverEnvironment()
    : OdbcHandle(handleKind)
{ }

SQLRETURN DriverEnvironment::setAttribute(SQLINTEGER attribute, SQLPOINTER value)
{
    const auto number = static_cast<SQLINTEGER>(reinterpret_cast<std::intptr_t>(value));
    switch (attribute) {
    case SQL_ATTR_ODBC_VERSION:
        if (number != SQL_OV_ODBC2 && number != SQL_OV_ODBC3 && number != SQL_OV_ODBC3_80)
            return fail("HY024");
        m_odbcVersion = number;
        return SQL_SUCCESS;
    case SQL_ATTR_OUTPUT_NTS:
        if (number == SQL_TRUE)
            return SQL_SUCCESS;
        return fail("HYC00");
    default:
        return fail("HY092");
    }
}

SQLRETURN DriverEnvironment::getAttribute(SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER* length)
{
    SQLINTEGER answer = 0;
    switch (attribute) {
    case SQL_ATTR_ODBC_VERSION:
        answer = m_odbcVersion;
        break;
    case SQL_ATTR_OUTPUT_NTS:
        answer = SQL_TRUE;
        break;
    default:
        return fail("HY092");
    }
    if (value)
        *static_cast<SQLINTEGER*>(value) = answer;
    if (length)
        *length = sizeof(SQLINTEGER);
    return SQL_SUCCESS;
}
