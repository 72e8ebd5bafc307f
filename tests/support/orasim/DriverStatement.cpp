#include "DriverStatement.h"

#include "DriverConnection.h"
#include "OdbcText.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <cstdint>
#include <limits>

namespace {

// Oracle's driver describes VARCHAR2 as SQL_VARCHAR and NUMBER as SQL_DECIMAL.
SQLSMALLINT sqlType(const Dictionary::Column& column)
{
    return column.numeric ? SQL_DECIMAL : SQL_VARCHAR;
}

SQLULEN numberFrom(SQLPOINTER value)
{
    return static_cast<SQLULEN>(reinterpret_cast<std::uintptr_t>(value));
}

} // namespace

DriverStatement::DriverStatement(DriverConnection& connection)
    : OdbcHandle(handleKind)
    , m_connection(connection)
{
    m_connection.adopt(this);
}

DriverStatement::~DriverStatement()
{
    m_connection.release(this);
}

SQLRETURN DriverStatement::execDirect(const QString& sql)
{
    m_prepared.reset();
    return run(sql);
}

SQLRETURN DriverStatement::prepare(const QString& sql)
{
    closeCursor(false);
    m_prepared = sql;
    m_executed = false;
    return SQL_SUCCESS;
}

SQLRETURN DriverStatement::execute()
{
    if (!m_prepared)
        return fail("HY010");
    return run(*m_prepared);
}

SQLRETURN DriverStatement::run(const QString& sql)
{
    if (m_cursorOpen)
        return fail("24000");
    OracleSimulator* server = m_connection.server();
    if (!server)
        return fail("08003");
    m_executed = true;
    m_query = false;
    m_rowCount = -1;
    OracleSimulator::Outcome outcome = server->execute(sql, m_timeout);
    if (outcome.error) {
        m_connection.reportServerError(*this, QStringLiteral("HY000"), *outcome.error);
        return SQL_ERROR;
    }
    m_query = outcome.isQuery;
    if (m_query) {
        m_result = std::move(outcome.result);
        m_row = -1;
        m_cursorOpen = true;
    } else {
        m_rowCount = 0;
    }
    return SQL_SUCCESS;
}

SQLSMALLINT DriverStatement::columnCount() const
{
    if (m_executed)
        return m_query ? SQLSMALLINT(m_result.columns.size()) : 0;
    const std::optional<SelectQuery> query = m_prepared ? SelectQuery::parse(*m_prepared) : std::nullopt;
    return query ? SQLSMALLINT(query->columnCount()) : 0;
}

const Dictionary::Column* DriverStatement::column(SQLUSMALLINT number) const
{
    if (!m_executed || !m_query || number < 1 || number > m_result.columns.size())
        return nullptr;
    return &m_result.columns.at(number - 1).description;
}

bool DriverStatement::onRow() const
{
    return m_cursorOpen && m_row >= 0 && m_row < m_result.rowCount();
}

SQLRETURN DriverStatement::resultColumns(SQLSMALLINT* count)
{
    if (count)
        *count = columnCount();
    return SQL_SUCCESS;
}

SQLRETURN DriverStatement::describeColumn(SQLUSMALLINT column, SQLPOINTER name, SQLSMALLINT capacity,
    SQLSMALLINT* nameLength, SQLSMALLINT* dataType, SQLULEN* size, SQLSMALLINT* digits, SQLSMALLINT* nullable,
    bool wide)
{
    if (columnCount() == 0)
        return fail("07005");
    const Dictionary::Column* described = this->column(column);
    if (!described)
        return fail("07009");
    if (dataType)
        *dataType = sqlType(*described);
    if (size)
        *size = SQLULEN(described->size);
    if (digits)
        *digits = 0;
    if (nullable)
        *nullable = described->nullable ? SQL_NULLABLE : SQL_NO_NULLS;
    return answer(described->name, wide, name, capacity, false, nameLength);
}

SQLRETURN DriverStatement::columnAttribute(SQLUSMALLINT column, SQLUSMALLINT field, SQLPOINTER text,
    SQLSMALLINT bufferLength, SQLSMALLINT* length, SQLLEN* number, bool wide)
{
    if (field == SQL_DESC_COUNT) {
        if (number)
            *number = columnCount();
        return SQL_SUCCESS;
    }
    if (columnCount() == 0)
        return fail("07005");
    const Dictionary::Column* described = this->column(column);
    if (!described)
        return fail("07009");
    std::optional<QString> textAnswer;
    SQLLEN numberAnswer = 0;
    switch (field) {
    case SQL_DESC_NAME:
    case SQL_DESC_LABEL:
        textAnswer = described->name;
        break;
    case SQL_DESC_TYPE_NAME:
        textAnswer = described->numeric ? QStringLiteral("NUMBER") : QStringLiteral("VARCHAR2");
        break;
    case SQL_DESC_TABLE_NAME:
    case SQL_DESC_BASE_TABLE_NAME:
        textAnswer = QString();
        break;
    case SQL_DESC_TYPE:
    case SQL_DESC_CONCISE_TYPE:
        numberAnswer = sqlType(*described);
        break;
    case SQL_DESC_LENGTH:
    case SQL_DESC_OCTET_LENGTH:
    case SQL_DESC_DISPLAY_SIZE:
    case SQL_DESC_PRECISION:
        numberAnswer = described->size;
        break;
    case SQL_DESC_SCALE:
        numberAnswer = 0;
        break;
    case SQL_DESC_NULLABLE:
        numberAnswer = described->nullable ? SQL_NULLABLE : SQL_NO_NULLS;
        break;
    case SQL_DESC_UNSIGNED: // true for every type that is not numeric
        numberAnswer = described->numeric ? SQL_FALSE : SQL_TRUE;
        break;
    case SQL_DESC_AUTO_UNIQUE_VALUE:
        numberAnswer = 0;
        break;
    default:
        return fail("HY091");
    }
    if (!textAnswer) {
        if (number)
            *number = numberAnswer;
        return SQL_SUCCESS;
    }
    return answer(*textAnswer, wide, text, bufferLength, true, length);
}

SQLRETURN DriverStatement::fetch(SQLSMALLINT orientation)
{
    if (!m_cursorOpen)
        return fail("24000");
    if (orientation != SQL_FETCH_NEXT)
        return fail("HY106");
    m_readColumn = 0;
    m_readFrom = 0;
    m_readDone = false;
    m_readType = 0;
    if (m_row < m_result.rowCount())
        ++m_row;
    return m_row < m_result.rowCount() ? SQL_SUCCESS : SQL_NO_DATA;
}

SQLRETURN DriverStatement::getData(
    SQLUSMALLINT column, SQLSMALLINT targetType, SQLPOINTER target, SQLLEN bufferLength, SQLLEN* indicator)
{
    if (!onRow())
        return fail("24000");
    const Dictionary::Column* described = this->column(column);
    if (!described)
        return fail("07009");
    if (targetType == SQL_C_DEFAULT)
        targetType = described->numeric ? SQL_C_DOUBLE : SQL_C_CHAR;
    const bool asNumber
        = targetType == SQL_C_DOUBLE || targetType == SQL_C_SBIGINT || targetType == SQL_C_SLONG;
    if (targetType != SQL_C_CHAR && targetType != SQL_C_WCHAR && !(asNumber && described->numeric))
        return fail("07006");
    if (bufferLength < 0)
        return fail("HY090");
    // Another column, or the same in another type, starts the value again.
    if (column != m_readColumn || targetType != m_readType) {
        m_readColumn = column;
        m_readType = targetType;
        m_readFrom = 0;
        m_readDone = false;
    }
    if (m_readDone)
        return SQL_NO_DATA;

    // Read once per value: SQLGetData in pieces comes back for the rest.
    if (m_readFrom == 0)
        m_value = m_result.value(m_row, column - 1);
    const QString& value = m_value;
    if (value.isNull()) {
        if (!indicator)
            return fail("22002");
        *indicator = SQL_NULL_DATA;
        m_readDone = true;
        return SQL_SUCCESS;
    }
    if (asNumber)
        return getNumber(value, targetType, target, indicator);

    const bool wide = targetType == SQL_C_WCHAR;
    const qsizetype unit = wide ? qsizetype(sizeof(SQLWCHAR)) : 1;
    const QByteArray utf8 = wide ? QByteArray() : value.toUtf8();
    const qsizetype total = wide ? value.size() : utf8.size();
    const qsizetype remaining = total - m_readFrom;
    // The length still to come, in bytes, before this piece is taken.
    if (indicator)
        *indicator = static_cast<SQLLEN>(remaining * unit);
    const qsizetype capacity = target ? qsizetype(bufferLength) / unit : 0;
    if (capacity == 0) {
        if (remaining > 0) {
            diagnostics().addStandard("01004");
            return SQL_SUCCESS_WITH_INFO;
        }
        m_readDone = true;
        return SQL_SUCCESS;
    }
    const qsizetype piece = remaining < capacity ? remaining
        : wide                                   ? OdbcText::wholeCharacters(value, m_readFrom, capacity - 1)
                                                 : OdbcText::wholeCharacters(utf8, m_readFrom, capacity - 1);
    const void* from = wide ? static_cast<const void*>(value.utf16() + m_readFrom)
                            : static_cast<const void*>(utf8.constData() + m_readFrom);
    OdbcText::writeTerminated(from, piece, wide, target);
    m_readFrom += piece;
    if (m_readFrom < total) {
        diagnostics().addStandard("01004");
        return SQL_SUCCESS_WITH_INFO;
    }
    m_readDone = true;
    return SQL_SUCCESS;
}

SQLRETURN DriverStatement::getNumber(
    const QString& value, SQLSMALLINT targetType, SQLPOINTER target, SQLLEN* indicator)
{
    const qlonglong number = value.toLongLong();
    m_readDone = true;
    if (targetType == SQL_C_DOUBLE) {
        if (target)
            *static_cast<SQLDOUBLE*>(target) = SQLDOUBLE(number);
        if (indicator)
            *indicator = sizeof(SQLDOUBLE);
    } else if (targetType == SQL_C_SBIGINT) {
        if (target)
            *static_cast<SQLBIGINT*>(target) = SQLBIGINT(number);
        if (indicator)
            *indicator = sizeof(SQLBIGINT);
    } else {
        if (number < std::numeric_limits<SQLINTEGER>::min()
            || number > std::numeric_limits<SQLINTEGER>::max())
            return fail("22003");
        if (target)
            *static_cast<SQLINTEGER*>(target) = SQLINTEGER(number);
        if (indicator)
            *indicator = sizeof(SQLINTEGER);
    }
    return SQL_SUCCESS;
}

SQLRETURN DriverStatement::rowCount(SQLLEN* count)
{
    if (!m_executed)
        return fail("HY010");
    if (count)
        *count = m_rowCount;
    return SQL_SUCCESS;
}

SQLRETURN DriverStatement::setAttribute(SQLINTEGER attribute, SQLPOINTER value)
{
    const SQLULEN number = numberFrom(value);
    switch (attribute) {
    case SQL_ATTR_QUERY_TIMEOUT:
        m_timeout = number;
        return SQL_SUCCESS;
    case SQL_ATTR_CURSOR_TYPE:
    case SQL_ATTR_CONCURRENCY:
    case SQL_ATTR_ROW_ARRAY_SIZE:
    case SQL_ROWSET_SIZE: {
        // Only a read-only, forward-only cursor fetching one row at a time: anything else asked
        // for is answered with what there is, as ODBC lets a driver do.
        const SQLULEN offered = attribute == SQL_ATTR_CURSOR_TYPE ? SQL_CURSOR_FORWARD_ONLY
            : attribute == SQL_ATTR_CONCURRENCY                   ? SQL_CONCUR_READ_ONLY
                                                                  : 1;
        if (number == offered)
            return SQL_SUCCESS;
        diagnostics().addStandard("01S02");
        return SQL_SUCCESS_WITH_INFO;
    }
    case SQL_ATTR_CURSOR_SCROLLABLE:
        if (number == SQL_NONSCROLLABLE)
            return SQL_SUCCESS;
        break;
    default:
        break;
    }
    return fail("HYC00");
}

SQLRETURN DriverStatement::getAttribute(SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER* length)
{
    SQLULEN result = 0;
    switch (attribute) {
    case SQL_ATTR_QUERY_TIMEOUT:
        result = m_timeout;
        break;
    case SQL_ATTR_CURSOR_TYPE:
        result = SQL_CURSOR_FORWARD_ONLY;
        break;
    case SQL_ATTR_CONCURRENCY:
        result = SQL_CONCUR_READ_ONLY;
        break;
    case SQL_ATTR_CURSOR_SCROLLABLE:
        result = SQL_NONSCROLLABLE;
        break;
    case SQL_ATTR_ROW_ARRAY_SIZE:
    case SQL_ROWSET_SIZE:
        result = 1;
        break;
    case SQL_ATTR_ROW_NUMBER:
        result = onRow() ? SQLULEN(m_row + 1) : 0;
        break;
    default:
        // Descriptor handles among them: the driver manager asks for them and does without.
        return fail("HYC00");
    }
    if (value)
        *static_cast<SQLULEN*>(value) = result;
    if (length)
        *length = sizeof(SQLULEN);
    return SQL_SUCCESS;
}

SQLRETURN DriverStatement::free(SQLUSMALLINT option)
{
    if (option == SQL_CLOSE)
        return closeCursor(false);
    if (option == SQL_UNBIND || option == SQL_RESET_PARAMS)
        return SQL_SUCCESS; // nothing is ever bound
    return fail("HY092");
}

SQLRETURN DriverStatement::closeCursor(bool mustBeOpen)
{
    if (!m_cursorOpen && mustBeOpen)
        return fail("24000");
    m_cursorOpen = false;
    m_result = {};
    m_row = -1;
    return SQL_SUCCESS;
}

SQLRETURN DriverStatement::moreResults()
{
    closeCursor(false);
    return SQL_NO_DATA;
}

SQLRETURN DriverStatement::notSupported()
{
    return fail("HYC00");
}
