#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One index of the simulated schema, as the data dictionary describes it.
struct SchemaIndex
{
    // What kind of index it is, as far as ALTER INDEX ... REBUILD cares.
    enum class Kind {
        Normal, // a B-tree or bitmap index of an ordinary table
        RecycleBin, // of a dropped table still in the recycle bin: DROPPED = 'YES'
        IotTop, // the primary-key index of an index-organized table: INDEX_TYPE = 'IOT - TOP'
        Temporary, // of a global temporary table: TEMPORARY = 'Y'
        Lob, // a LOB column's index: INDEX_TYPE = 'LOB'
    };

    struct Partition
    {
        QString name;
        QStringList subpartitions; // in position order; empty unless the index is composite
    };

    QString name; // stored exactly
    Kind kind = Kind::Normal;
    QString table; // empty: not known (indexes given by Indexes= or Generate=)
    QList<Partition> partitions; // in position order; empty unless the index is partitioned

    bool partitioned() const { return !partitions.isEmpty(); }
    bool composite() const { return partitioned() && !partitions.first().subpartitions.isEmpty(); }
};
