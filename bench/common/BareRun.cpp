#include "BareRun.h"

#include "Connection.h"
#include "OracleSql.h"

int bareRun(const QString& connectionString, const std::function<void(const QString&)>& perIndex)
{
    Connection connection;
    connection.Open(connectionString, QString(), QString(), Connection::adOptionUnspecified);
    connection.setCommandTimeout(0);
    const std::unique_ptr<Recordset> indexes
        = connection.Execute(OracleSql::indexListQuery(), Connection::adCmdText);
    const QString column = QStringLiteral("index_name");
    int rebuilt = 0;
    while (!indexes->Eof()) {
        const QString name = indexes->Fields(column).toString();
        if (perIndex)
            perIndex(name);
        connection.Execute(OracleSql::rebuildStatement(name, QString()), Connection::adCmdText);
        indexes->MoveNext();
        ++rebuilt;
    }
    indexes->Close();
    connection.Close();
    return rebuilt;
}
