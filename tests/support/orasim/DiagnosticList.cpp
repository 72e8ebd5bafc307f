#include "DiagnosticList.h"

namespace {

const QString driverPrefix = QStringLiteral("[Oracle][ODBC]");
const QString serverPrefix = QStringLiteral("[Oracle][ODBC][Ora]");

// What the server adds after an error raised inside a PL/SQL block.
constexpr int companionCode = 6512;

struct StandardText
{
    const char* sqlState;
    const char* text;
};

const StandardText standardTexts[] = {
    {"01004", "String data, right truncated"},
    {"01S02", "Option value changed"},
    {"07005", "Prepared statement is not a query"},
    {"07006", "Restricted data type attribute violation"},
    {"07009", "Invalid descriptor index"},
    {"08002", "Connection name in use"},
    {"08003", "Connection not open"},
    {"22002", "Indicator variable required but not supplied"},
    {"22003", "Numeric value out of range"},
    {"24000", "Invalid cursor state"},
    {"HY010", "Function sequence error"},
    {"HY024", "Invalid attribute value"},
    {"HY090", "Invalid string or buffer length"},
    {"HY091", "Invalid descriptor field identifier"},
    {"HY092", "Invalid attribute/option identifier"},
    {"HY096", "Invalid information type"},
    {"HY106", "Fetch type out of range"},
    {"HYC00", "Optional feature not implemented"},
};

} // namespace

void DiagnosticList::clear()
{
    m_records.clear();
    m_returnCode = SQL_SUCCESS;
}

void DiagnosticList::addDriverError(const QString& sqlState, const QString& text)
{
    m_records.append({sqlState, 0, driverPrefix + text});
}

void DiagnosticList::addStandard(const char* sqlState)
{
    const QString state = QString::fromLatin1(sqlState);
    for (const StandardText& standard : standardTexts) {
        if (state == QLatin1String(standard.sqlState)) {
            addDriverError(state, QString::fromLatin1(standard.text));
            return;
        }
    }
    addDriverError(state, QStringLiteral("General error"));
}

void DiagnosticList::addServerError(const QString& sqlState, const OraError& error, bool companion)
{
    m_records.append({sqlState, error.code(), serverPrefix + error.text()});
    if (companion) {
        const OraError line(companionCode, QStringLiteral("ORA-06512: at line 1"));
        m_records.append({QStringLiteral("HY000"), line.code(), serverPrefix + line.text()});
    }
}

SQLRETURN DiagnosticList::finish(SQLRETURN code)
{
    m_returnCode = code;
    return code;
}

const DiagnosticRecord* DiagnosticList::record(qsizetype number) const
{
    if (number < 1 || number > m_records.size())
        return nullptr;
    return &m_records.at(number - 1);
}
