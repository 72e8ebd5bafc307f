#pragma once

#include "OdbcHandle.h"

#include <QString>
#include <QStringList>

#include <optional>

class DriverConnection;

// SQL_HANDLE_STMT: one statement and its forward-only cursor. The dictionary query's rows are
// read with SQLGetData, in pieces when the application's buffer is short.
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
    // 1 for the dictionary query, 0 for anything else; a prepared text is looked at.
    SQLSMALLINT columnCount() const;

    DriverConnection& m_connection;
    std::optional<QString> m_prepared;
    bool m_executed = false;
    SQLULEN m_timeout = 0;

    bool m_query = false; // the last execution gave rows
    bool m_cursorOpen = false;
    QStringList m_rows;
    qsizetype m_row = -1;
    SQLLEN m_rowCount = -1;

    // How far SQLGetData has read the current row, and in which type.
    qsizetype m_readFrom = 0;
    bool m_readDone = false;
    SQLSMALLINT m_readType = 0;
};
