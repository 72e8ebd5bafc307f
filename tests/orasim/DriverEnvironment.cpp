#include "DriverEnvironment.h"

#include <sqlext.h>

#include <cstdint>

DriverEnvironment::DriverEnvironment()
    : OdbcHandle(Kind::Environment)
{ }

SQLRETURN DriverEnvironment::setAttribute(SQLINTEGER attribute, SQLPOINTER value)
{
    const auto number = static_cast<SQLINTEGER>(reinterpret_cast<std::intptr_t>(value));
    switch (attribute) {
    case SQL_ATTR_ODBC_VERSION:
        if (number != SQL_OV_ODBC2 && number != SQL_OV_ODBC3 && number != SQL_OV_ODBC3_80) {
            diagnostics().addStandard("HY024");
            return SQL_ERROR;
        }
        m_odbcVersion = number;
        return SQL_SUCCESS;
    case SQL_ATTR_OUTPUT_NTS:
        if (number == SQL_TRUE)
            return SQL_SUCCESS;
        diagnostics().addStandard("HYC00");
        return SQL_ERROR;
    default:
        diagnostics().addStandard("HY092");
        return SQL_ERROR;
    }
}

SQLRETURN DriverEnvironment::getAttribute(SQLINTEGER attribute, SQLPOINTER value)
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
        diagnostics().addStandard("HY092");
        return SQL_ERROR;
    }
    if (value)
        *static_cast<SQLINTEGER*>(value) = answer;
    return SQL_SUCCESS;
}
