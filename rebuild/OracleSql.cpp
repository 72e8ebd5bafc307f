#include "OracleSql.h"

#include "OracleReservedWords.h"

#include <string_view>

namespace OracleSql {

QString indexListQuery()
{
    return QStringLiteral(
        "SELECT i.index_name, p.partition_name, s.subpartition_name FROM user_indexes i"
        " LEFT JOIN user_ind_partitions p ON p.index_name = i.index_name"
        " LEFT JOIN user_ind_subpartitions s ON s.index_name = p.index_name AND s.partition_name = "
        "p.partition_name"
        " WHERE NOT i.index_name LIKE 'SYS\\_%' ESCAPE '\\' AND i.dropped = 'NO' AND i.temporary = 'N'"
        " AND i.index_type NOT IN ('IOT - TOP', 'LOB')"
        " ORDER BY i.index_name, p.partition_position, s.subpartition_position");
}

static bool isPlainIdentifier(const QString& name)
{
    if (name.isEmpty() || name.front() < u'A' || name.front() > u'Z')
        return false;
    for (const QChar c : name) {
        const bool plain
            = (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'$' || c == u'#';
        if (!plain)
            return false;
    }
    return true;
}

QString identifier(const QString& name)
{
    if (isPlainIdentifier(name)) {
        // A plain name is all ASCII, so its Latin-1 bytes are its text.
        const QByteArray word = name.toLatin1();
        if (!OracleReservedWords::contains(std::string_view(word.constData(), size_t(word.size()))))
            return name;
    }
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString rebuildStatement(const RebuildTarget& target, const QString& onlineSuffix)
{
    QString statement
        = QStringLiteral("ALTER INDEX ") + identifier(target.index) + QStringLiteral(" REBUILD");
    if (!target.subpartition.isEmpty())
        statement += QStringLiteral(" SUBPARTITION ") + identifier(target.subpartition);
    else if (!target.partition.isEmpty())
        statement += QStringLiteral(" PARTITION ") + identifier(target.partition);
    return statement + onlineSuffix;
}

QString lockWaitStatement(int seconds)
{
    return QStringLiteral("ALTER SESSION SET DDL_LOCK_TIMEOUT = %1").arg(seconds);
}

} // namespace OracleSql
