#pragma once

#include "Recordset.h"

#include <QString>
#include <QtGlobal>

#include <memory>

// A database connection over Qt Sql, in the shape of the ADO Connection it
// stands in for. Every failure raises TarvelinError. Released connections close
// themselves.
class Connection
{
public:
    static constexpr qint32 adOptionUnspecified = -1;
    static constexpr qint32 adCmdText = 1;

    Connection();
    virtual ~Connection();

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // connectionString: an optional leading "Provider=NAME;" naming the Qt SQL
    // driver (QODBC when absent); the rest goes to that driver unchanged.
    // A non-empty user or password is added as UID / PWD.
    virtual void Open(
        const QString& connectionString, const QString& user, const QString& password, qint32 options);
    // Seconds; 0 means statements never time out. Only Qt's ODBC driver can
    // apply a time-out: with any other, Execute refuses to run a statement
    // while the time-out is not 0.
    virtual void setCommandTimeout(qint32 seconds);
    virtual qint32 CommandTimeout() const;
    // Runs SQL text and returns its rows, all read before it returns.
    virtual std::unique_ptr<Recordset> Execute(const QString& sql, qint32 options);
    virtual void Close();
    virtual bool isOpen() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
