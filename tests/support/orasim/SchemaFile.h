#pragma once

#include "SchemaIndex.h"

#include <QList>
#include <QString>

#include <optional>

// The file that Schema=PATH names: one index a line, "NAME KIND TABLE [PARTITIONS]", fields
// separated by white space, blank lines and lines starting with '#' ignored.
//   NAME        the index name as stored; in double quotes when it holds white space ("" for ")
//   KIND        normal | recyclebin | iot-top | temporary | lob (any case)
//   TABLE       the table it belongs to
//   PARTITIONS  P1,P2,... in position order, or P1(S1,S2),P2(S3,S4) for a composite index, every
//               partition then with its subpartitions in position order
namespace SchemaFile {

// No value, and the reason in *error, when the file cannot be read or a line is not understood.
std::optional<QList<SchemaIndex>> read(const QString& path, QString* error);

} // namespace SchemaFile
