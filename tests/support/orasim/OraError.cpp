#include "OraError.h"

#include <utility>

namespace {

struct KnownText
{
    int code;
    const char* text; // %1 is what the server names: the index, or the identifier it cannot find
};

const KnownText knownTexts[] = {
    {OraError::ResourceBusy, "resource busy and acquire with NOWAIT specified or timeout expired"},
    {OraError::FeatureNotEnabled, "feature not enabled: Online Index Build"},
    {OraError::InvalidSqlStatement, "invalid SQL statement"},
    {OraError::InvalidIdentifier, "%1: invalid identifier"},
    {OraError::InvalidIndexName, "missing or invalid index name"},
    {OraError::ColumnAmbiguous, "column ambiguously defined"},
    {OraError::NoSuchView, "table or view does not exist"},
    {OraError::InvalidLogon, "invalid username/password; logon denied"},
    {1031, "insufficient privileges"},
    {OraError::IndexDoesNotExist, "specified index does not exist"},
    {OraError::IllegalCharacterAfterEscape, "missing or illegal character following the escape character"},
    {OraError::EscapeNotOneCharacter, "escape character must be character string of length 1"},
    {1502, "index '%1' or partition of such index is in unusable state"},
    {1012, "not logged on"},
    {1652, "unable to extend temp segment by 128 in tablespace TEMP"},
    {1654, "unable to extend index %1 by 128 in tablespace USERS"},
    {OraError::InvalidNumber, "invalid number"},
    {OraError::OrderByPosition, "ORDER BY item must be the number of a SELECT-list expression"},
    {OraError::NoSuchPartition, "Specified partition does not exist"},
    {2396, "exceeded maximum idle time, please connect again"},
    {3113, "end-of-file on communication channel"},
    {3114, "not connected to ORACLE"},
    {3135, "connection lost contact"},
    {8104, "this index object 87654 is being online built or rebuilt"},
    {OraError::InvalidPartitionName, "invalid partition name"},
    {OraError::PartitionedAsAWhole, "a partitioned index may not be rebuilt as a whole"},
    {OraError::NoSuchSubpartition, "Specified subpartition does not exist"},
    {OraError::PartitionOfComposite, "cannot REBUILD a partition of a composite partitioned index"},
    {OraError::NotComposite, "index is not partitioned by composite partition method"},
    {OraError::TemporaryTable, "cannot rebuild index on a temporary table"},
    {OraError::NotPartitioned, "object is not partitioned"},
    {OraError::LobIndex, "cannot ALTER or DROP LOB indexes"},
    {OraError::IotPrimaryIndex, "Primary index on an IOT cannot be rebuilt"},
    {OraError::RecycleBin, "can not perform DDL/DML over objects in Recycle Bin"},
};

} // namespace

OraError::OraError(int code, QString text)
    : m_code(code)
    , m_text(std::move(text))
{ }

OraError OraError::fromCode(int code, const QString& named)
{
    const QString prefix = QStringLiteral("ORA-%1: ").arg(code, 5, 10, QLatin1Char('0'));
    for (const KnownText& known : knownTexts) {
        if (known.code != code)
            continue;
        QString message = QString::fromLatin1(known.text);
        if (message.contains(QLatin1String("%1")))
            message = message.arg(named);
        return OraError(code, prefix + message);
    }
    return OraError(code, prefix + QStringLiteral("simulated failure"));
}

OraError OraError::lengthened() const
{
    constexpr qsizetype longLength = 600;
    QString text = m_text;
    for (int part = 1; text.size() < longLength; ++part)
        text += QStringLiteral("; simulated detail %1").arg(part, 2, 10, QLatin1Char('0'));
    return OraError(m_code, text);
}
