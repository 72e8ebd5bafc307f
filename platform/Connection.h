#pragma once

#include "Recordset.h"

#include <QString>

#include <memory>

// A database connection over Qt Sql, in the shape of the ADO Connection it stands in for: opened
// from a connection string whose credentials are its own, statements run as SQL text with no
// time-out, closed. Every failure raises TarvelinError. Released connections close themselves.
// Used by one thread only, the one that made it: Qt Sql connections belong to their thread.
class Connection
{
public:
    Connection();
    virtual ~Connection();

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // connectionString: an optional leading "Provider=NAME;" naming the Qt SQL driver (QODBC when
    // absent); the rest goes to that driver unchanged.
    virtual void Open(const QString& connectionString);
    // Runs SQL text until the server is done with it, however long that takes, and returns its
    // rows, all read before it returns.
    virtual std::unique_ptr<Recordset> Execute(const QString& sql);
    virtual void Close();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
