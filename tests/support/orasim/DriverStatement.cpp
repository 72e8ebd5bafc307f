#include "DriverStatement.h"

#include "DictionaryQuery.h"
#include "DriverConnection.h"
#include "OdbcText.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <cstdint>

namespace {

// USER_INDEXES.INDEX_NAME as the server describes it.
constexpr SQLSMALLINT columnType = SQL_VARCHAR;
constexpr SQLULEN columnSize = 128;

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
        m_rows = std::move(outcome.rows);
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
        return m_query ? 1 : 0;
    return m_prepared && DictionaryQuery::parse(*m_prepared) ? 1 : 0;
}

bool DriverStatement::onRow() const
{
    return m_cursorOpen && m_row >= 0 && m_row < m_rows.size();
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
    if (column != 1)
        return fail("07009");
    if (dataType)
        *dataType = columnType;
    if (size)
        *size = columnSize;
    if (digits)
        *digits = 0;
    if (nullable)
        *nullable = SQL_NO_NULLS;
    return answer(OracleSimulator::columnName(), wide, name, capacity, false, nameLength);
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
    if (column != 1)
        return fail("07009");
    std::optional<QString> textAnswer;
    SQLLEN numberAnswer = 0;
    switch (field) {
    case SQL_DESC_NAME:
    case SQL_DESC_LABEL:
        textAnswer = OracleSimulator::columnName();
        break;
    case SQL_DESC_TYPE_NAME:
        textAnswer = QStringLiteral("VARCHAR2");
        break;
    case SQL_DESC_TABLE_NAME:
    case SQL_DESC_BASE_TABLE_NAME:
        textAnswer = QString();
        break;
    case SQL_DESC_TYPE:
    case SQL_DESC_CONCISE_TYPE:
        numberAnswer = columnType;
        break;
    case SQL_DESC_LENGTH:
    case SQL_DESC_OCTET_LENGTH:
    case SQL_DESC_DISPLAY_SIZE:
        numberAnswer = columnSize;
        break;
    case SQL_DESC_NULLABLE:
        numberAnswer = SQL_NO_NULLS;
        break;
    case SQL_DESC_UNSIGNED: // true for every type that is not numeric
        numberAnswer = SQL_TRUE;
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
    m_readFrom = 0;
    m_readDone = false;
    m_readType = 0;
    if (m_row < m_rows.size())
        ++m_row;
    return m_row < m_rows.size() ? SQL_SUCCESS : SQL_NO_DATA;
}

SQLRETURN DriverStatement::getData(
    SQLUSMALLINT column, SQLSMALLINT targetType, SQLPOINTER target, SQLLEN bufferLength, SQLLEN* indicator)
{
    if (!onRow())
        return fail("24000");
    if (column != 1)
        return fail("07009");
    if (targetType == SQL_C_DEFAULT)
        targetType = SQL_C_CHAR;
    if (targetType != SQL_C_CHAR && targetType != SQL_C_WCHAR)
        return fail("07006");
    if (bufferLength < 0)
        return fail("HY090");
    // Asking in another type starts the value again.
    if (targetType != m_readType) {
        m_readType = targetType;
        m_readFrom = 0;
        m_readDone = false;
    }
    if (m_readDone)
        return SQL_NO_DATA;

    const bool wide = targetType == SQL_C_WCHAR;
    const qsizetype unit = wide ? qsizetype(sizeof(SQLWCHAR)) : 1;
    const QString& value = m_rows.at(m_row);
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
    m_rows.clear();
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
