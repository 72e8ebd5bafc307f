#pragma once

#include "OdbcHandle.h"

#include <sqlext.h>

// SQL_HANDLE_ENV: the ODBC version the driver manager asks for and little else.
class DriverEnvironment : public OdbcHandle
{
public:
    static constexpr Kind handleKind = Kind::Environment;

    DriverEnvironment();

    SQLRETURN setAttribute(SQLINTEGER attribute, SQLPOINTER value);
    SQLRETURN getAttribute(SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER* length);

private:
    SQLINTEGER m_odbcVersion = SQL_OV_ODBC3;
};
