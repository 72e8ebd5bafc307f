#include "Dictionary.h"

#include <utility>

namespace {

QVariant text(const char* value)
{
    return QString::fromLatin1(value);
}

QVariant yesNo(bool yes)
{
    return text(yes ? "YES" : "NO");
}

QVariant indexType(SchemaIndex::Kind kind)
{
    switch (kind) {
    case SchemaIndex::Kind::IotTop:
        return text("IOT - TOP");
    case SchemaIndex::Kind::Lob:
        return text("LOB");
    default:
        return text("NORMAL");
    }
}

} // namespace

Dictionary::Dictionary(QList<SchemaIndex> indexes)
    : m_indexes(std::move(indexes))
{
    m_byName.reserve(m_indexes.size());
    for (qsizetype i = 0; i < m_indexes.size(); ++i) {
        const SchemaIndex& index = m_indexes.at(i);
        m_byName.insert(index.name, i);
        for (qsizetype p = 0; p < index.partitions.size(); ++p) {
            m_partitions.push_back({i, p, -1});
            for (qsizetype s = 0; s < index.partitions.at(p).subpartitions.size(); ++s)
                m_subpartitions.push_back({i, p, s});
        }
    }

    const auto view = [](const char* name, QList<Column> columns, qsizetype rows,
                          QVariant (Dictionary::*value)(qsizetype, qsizetype) const) {
        View result;
        result.name = QString::fromLatin1(name);
        result.columns = std::move(columns);
        result.rowCount = rows;
        result.m_value = value;
        return result;
    };
    const auto name = [](const char* column, bool nullable = false) {
        return Column {QString::fromLatin1(column), false, 128, nullable};
    };
    const auto flag = [](const char* column, int size) {
        return Column {QString::fromLatin1(column), false, size};
    };
    const auto number = [](const char* column, bool nullable) {
        return Column {QString::fromLatin1(column), true, 38, nullable};
    };
    m_views = {
        view("USER_INDEXES",
            {name("INDEX_NAME"), flag("INDEX_TYPE", 27), name("TABLE_NAME", true), flag("PARTITIONED", 3),
                flag("TEMPORARY", 1), flag("DROPPED", 3)},
            m_indexes.size(), &Dictionary::indexValue),
        view("USER_IND_PARTITIONS",
            {name("INDEX_NAME"), flag("COMPOSITE", 3), name("PARTITION_NAME", true),
                number("SUBPARTITION_COUNT", true), number("PARTITION_POSITION", true)},
            qsizetype(m_partitions.size()), &Dictionary::partitionValue),
        view("USER_IND_SUBPARTITIONS",
            {name("INDEX_NAME"), name("PARTITION_NAME", true), name("SUBPARTITION_NAME", true),
                number("PARTITION_POSITION", true), number("SUBPARTITION_POSITION", true)},
            qsizetype(m_subpartitions.size()), &Dictionary::subpartitionValue),
    };
}

QVariant Dictionary::indexValue(qsizetype row, qsizetype column) const
{
    const SchemaIndex& index = m_indexes.at(row);
    switch (column) {
    case 0:
        return index.name;
    case 1:
        return indexType(index.kind);
    case 2:
        return index.table.isEmpty() ? QVariant() : QVariant(index.table);
    case 3:
        return yesNo(index.partitioned());
    case 4:
        return text(index.kind == SchemaIndex::Kind::Temporary ? "Y" : "N");
    default:
        return yesNo(index.kind == SchemaIndex::Kind::RecycleBin);
    }
}

QVariant Dictionary::partitionValue(qsizetype row, qsizetype column) const
{
    const Place& place = m_partitions.at(std::size_t(row));
    const SchemaIndex& index = m_indexes.at(place.index);
    const SchemaIndex::Partition& partition = index.partitions.at(place.partition);
    switch (column) {
    case 0:
        return index.name;
    case 1:
        return yesNo(index.composite());
    case 2:
        return partition.name;
    case 3:
        return qlonglong(partition.subpartitions.size());
    default:
        return qlonglong(place.partition + 1);
    }
}

QVariant Dictionary::subpartitionValue(qsizetype row, qsizetype column) const
{
    const Place& place = m_subpartitions.at(std::size_t(row));
    const SchemaIndex& index = m_indexes.at(place.index);
    const SchemaIndex::Partition& partition = index.partitions.at(place.partition);
    switch (column) {
    case 0:
        return index.name;
    case 1:
        return partition.name;
    case 2:
        return partition.subpartitions.at(place.subpartition);
    case 3:
        return qlonglong(place.partition + 1);
    default:
        return qlonglong(place.subpartition + 1);
    }
}

const Dictionary::View* Dictionary::view(const QString& name) const
{
    for (const View& view : m_views) {
        if (view.name == name)
            return &view;
    }
    return nullptr;
}

const SchemaIndex* Dictionary::index(const QString& name) const
{
    const auto found = m_byName.constFind(name);
    return found == m_byName.cend() ? nullptr : &m_indexes.at(found.value());
}
