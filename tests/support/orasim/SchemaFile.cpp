#include "SchemaFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

namespace {

std::optional<SchemaIndex::Kind> kindNamed(const QString& word)
{
    static const std::pair<const char*, SchemaIndex::Kind> kinds[] = {
        {"normal", SchemaIndex::Kind::Normal},
        {"recyclebin", SchemaIndex::Kind::RecycleBin},
        {"iot-top", SchemaIndex::Kind::IotTop},
        {"temporary", SchemaIndex::Kind::Temporary},
        {"lob", SchemaIndex::Kind::Lob},
    };
    for (const auto& [name, kind] : kinds) {
        if (word.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return kind;
    }
    return std::nullopt;
}

// The fields of a line: words separated by white space, a leading "..." field taken whole.
std::optional<QStringList> fields(const QString& line)
{
    QString rest = line.trimmed();
    QStringList result;
    if (rest.startsWith(u'"')) {
        QString name;
        qsizetype pos = 1;
        for (; pos < rest.size(); ++pos) {
            if (rest.at(pos) != u'"') {
                name += rest.at(pos);
            } else if (pos + 1 < rest.size() && rest.at(pos + 1) == u'"') {
                name += u'"';
                ++pos;
            } else {
                break;
            }
        }
        if (pos >= rest.size() || name.isEmpty())
            return std::nullopt;
        result.append(name);
        rest = rest.mid(pos + 1);
        if (!rest.isEmpty() && !rest.front().isSpace())
            return std::nullopt;
    }
    static const QRegularExpression space(QStringLiteral("\\s+"));
    result += rest.split(space, Qt::SkipEmptyParts);
    return result;
}

// "P1,P2" or "P1(S1,S2),P2(S3)"; no value when it is neither.
std::optional<QList<SchemaIndex::Partition>> partitions(const QString& field)
{
    static const QRegularExpression item(QStringLiteral("\\G([^,()]+)(?:\\(([^()]+)\\))?(?:,|$)"));
    QList<SchemaIndex::Partition> result;
    qsizetype pos = 0;
    while (pos < field.size()) {
        const QRegularExpressionMatch match = item.match(field, pos);
        if (!match.hasMatch() || match.capturedLength() == 0)
            return std::nullopt;
        SchemaIndex::Partition partition {match.captured(1), {}};
        if (match.hasCaptured(2))
            partition.subpartitions = match.captured(2).split(u',');
        if (partition.subpartitions.contains(QString()))
            return std::nullopt;
        result.append(partition);
        pos = match.capturedEnd();
    }
    if (result.isEmpty() || field.endsWith(u','))
        return std::nullopt;
    return result;
}

// The partitions of one index: all with subpartitions or none, every name used once.
QString partitionProblem(const SchemaIndex& index)
{
    QSet<QString> names;
    for (const SchemaIndex::Partition& partition : index.partitions) {
        if (partition.subpartitions.isEmpty() == index.composite())
            return QStringLiteral("either every partition has subpartitions or none has");
        for (const QString& name : QStringList(partition.name) + partition.subpartitions) {
            if (names.contains(name))
                return QStringLiteral("'%1' names two partitions or subpartitions").arg(name);
            names.insert(name);
        }
    }
    return QString();
}

} // namespace

namespace SchemaFile {

std::optional<QList<SchemaIndex>> read(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("the schema file %1 cannot be read: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QList<SchemaIndex> indexes;
    int lineNumber = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        ++lineNumber;
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const auto fail = [&](const QString& what) {
            *error = QStringLiteral("%1 line %2: %3").arg(path).arg(lineNumber).arg(what);
            return std::nullopt;
        };
        const std::optional<QStringList> parts = fields(line);
        if (!parts || parts->size() < 3 || parts->size() > 4)
            return fail(QStringLiteral("not NAME KIND TABLE [PARTITIONS]"));
        SchemaIndex index;
        index.name = parts->at(0);
        const std::optional<SchemaIndex::Kind> kind = kindNamed(parts->at(1));
        if (!kind)
            return fail(QStringLiteral("unknown kind '%1'").arg(parts->at(1)));
        index.kind = *kind;
        index.table = parts->at(2);
        if (parts->size() == 4) {
            std::optional<QList<SchemaIndex::Partition>> found = partitions(parts->at(3));
            if (!found)
                return fail(QStringLiteral("'%1' is not P1,P2,... or P1(S1,S2),...").arg(parts->at(3)));
            index.partitions = std::move(*found);
            const QString problem = partitionProblem(index);
            if (!problem.isEmpty())
                return fail(problem);
        }
        indexes.append(std::move(index));
    }
    return indexes;
}

} // namespace SchemaFile
