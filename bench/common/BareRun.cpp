#include "BareRun.h"

#include "Connection.h"
#include "OracleSql.h"

int bareRun(const QString& connectionString, const std::function<void(const QString&)>& perIndex)
{
    Connection connection;
    connection.Open(connectionString);
    const std::unique_ptr<Recordset> indexes = connection.Execute(OracleSql::indexListQuery());
    int rebuilt = 0;
    while (!indexes->Eof()) {
        const OracleSql::RebuildTarget target {indexes->Fields(QStringLiteral("index_name")).toString(),
            indexes->Fields(QStringLiteral("partition_name")).toString(),
            indexes->Fields(QStringLiteral("subpartition_name")).toString()};
        if (perIndex)
            perIndex(target.index);
        connection.Execute(OracleSql::rebuildStatement(target, QString()));
        indexes->MoveNext();
        ++rebuilt;
    }
    indexes->Close();
    connection.Close();
    return rebuilt;
}
