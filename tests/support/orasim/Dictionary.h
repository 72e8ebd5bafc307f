#pragma once

#include "SchemaIndex.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

#include <vector>

// The data dictionary views the server answers queries on, computed from the schema as they are
// read (a generated schema may hold a million indexes):
//   USER_INDEXES            INDEX_NAME, INDEX_TYPE, TABLE_NAME, PARTITIONED, TEMPORARY, DROPPED
//   USER_IND_PARTITIONS     INDEX_NAME, COMPOSITE, PARTITION_NAME, SUBPARTITION_COUNT, PARTITION_POSITION
//   USER_IND_SUBPARTITIONS  INDEX_NAME, PARTITION_NAME, SUBPARTITION_NAME, PARTITION_POSITION,
//                           SUBPARTITION_POSITION
// Values are a QString, a qlonglong (NUMBER) or a null QVariant (NULL).
class Dictionary
{
public:
    struct Column
    {
        QString name;
        bool numeric = false; // NUMBER; otherwise VARCHAR2(size)
        int size = 128;
        bool nullable = false;
    };

    class View
    {
    public:
        QString name;
        QList<Column> columns;
        qsizetype rowCount = 0;

    private:
        friend class Dictionary;
        QVariant (Dictionary::*m_value)(qsizetype row, qsizetype column) const = nullptr;
    };

    explicit Dictionary(QList<SchemaIndex> indexes);

    // The view of that (resolved) name, or null.
    const View* view(const QString& name) const;
    // The stored index of exactly that name, or null.
    const SchemaIndex* index(const QString& name) const;
    const QList<SchemaIndex>& indexes() const { return m_indexes; }
    QVariant value(const View& view, qsizetype row, qsizetype column) const
    {
        return (this->*view.m_value)(row, column);
    }

private:
    struct Place
    {
        qsizetype index;
        qsizetype partition;
        qsizetype subpartition;
    };

    QVariant indexValue(qsizetype row, qsizetype column) const;
    QVariant partitionValue(qsizetype row, qsizetype column) const;
    QVariant subpartitionValue(qsizetype row, qsizetype column) const;

    QList<SchemaIndex> m_indexes;
    QHash<QString, qsizetype> m_byName;
    std::vector<Place> m_partitions;
    std::vector<Place> m_subpartitions;
    QList<View> m_views;
};
