#include "OracleSql.h"

namespace OracleSql {

QString indexListQuery()
{
    return QStringLiteral(
        "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS\\_%' ESCAPE '\\' ORDER BY 1");
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

QString identifier(const QString& indexName)
{
    if (isPlainIdentifier(indexName))
        return indexName;
    QString quoted = indexName;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString rebuildStatement(const QString& indexName, const QString& onlineSuffix)
{
    return QStringLiteral("ALTER INDEX ") + identifier(indexName) + QStringLiteral(" REBUILD") + onlineSuffix;
}

} // namespace OracleSql
