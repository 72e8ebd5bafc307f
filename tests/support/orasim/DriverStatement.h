#pragma once

#include "OdbcHandle.h"
#include "SelectQuery.h"

#include <QString>

#include <optional>

class DriverConnection;

// SQL_HANDLE_STMT: one statement and its forward-only cursor. A query's values are read with
// SQLGetData: texts as characters, in pieces when the application's buffer is short; numbers as
// characters or as numbers; NULL as SQL_NULL_DATA.
class DriverStatement : public OdbcHandle
{
public:
    static constexpr Kind handleKind = Kind::Statement;

    explicit DriverStatement(DriverConnection& connection);
    ~DriverStatement() override;

    SQLRETURN execDirect(const QString& sql);
    // Like Oracle's driver, preparing only keeps the text: the server sees it when it runs.
    SQLRETURN prepare(const QString& sql);
    SQLRETURN execute();

    SQLRETURN resultColumns(SQLSMALLINT* count);
    SQLRETURN describeColumn(SQLUSMALLINT column, SQLPOINTER name, SQLSMALLINT capacity,
        SQLSMALLINT* nameLength, SQLSMALLINT* dataType, SQLULEN* size, SQLSMALLINT* digits,
        SQLSMALLINT* nullable, bool wide);
    SQLRETURN columnAttribute(SQLUSMALLINT column, SQLUSMALLINT field, SQLPOINTER text,
        SQLSMALLINT bufferLength, SQLSMALLINT* length, SQLLEN* number, bool wide);
    SQLRETURN fetch(SQLSMALLINT orientation);
    SQLRETURN getData(SQLUSMALLINT column, SQLSMALLINT targetType, SQLPOINTER target, SQLLEN bufferLength,
        SQLLEN* indicator);
    SQLRETURN rowCount(SQLLEN* count);

    SQLRETURN setAttribute(SQLINTEGER attribute, SQLPOINTER value);
    SQLRETURN getAttribute(SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER* length);
    // SQLFreeStmt but for SQL_DROP, which frees the handle.
    SQLRETURN free(SQLUSMALLINT option);

    // SQLCloseCursor insists on an open cursor; SQLFreeStmt(SQL_CLOSE) does not.
    SQLRETURN closeCursor(bool mustBeOpen);
    SQLRETURN moreResults();
    // The catalogue functions (SQLTables, SQLColumns) are not offered.
    SQLRETURN notSupported();

private:
    SQLRETURN run(const QString& sql);
    bool onRow() const;
    // The query's columns, none for anything else; a prepared text is looked at.
    SQLSMALLINT columnCount() const;
    // The description of a column by its ODBC number, or null (07009) when there is none.
    const Dictionary::Column* column(SQLUSMALLINT number) const;
    SQLRETURN getNumber(const QString& value, SQLSMALLINT targetType, SQLPOINTER target, SQLLEN* indicator);

    DriverConnection& m_connection;
    std::optional<QString> m_prepared;
    bool m_executed = false;
    SQLULEN m_timeout = 0;

    bool m_query = false; // the last execution gave rows
    bool m_cursorOpen = false;
    QueryResult m_result;
    qsizetype m_row = -1;
    SQLLEN m_rowCount = -1;

    // How far SQLGetData has read which column of the current row, and in which type.
    SQLUSMALLINT m_readColumn = 0;
    QString m_value;
    qsizetype m_readFrom = 0;
    bool m_readDone = false;
    SQLSMALLINT m_readType = 0;
};
