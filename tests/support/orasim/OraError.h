#pragma once

#include <QString>

// One Oracle error as the server reports it: the ORA number and the message text that begins
// with "ORA-NNNNN: ".
class OraError
{
public:
    OraError(int code, QString text);

    // The server's own wording for the codes a run meets; any other code gets a generic text.
    // `named` fills the messages that name what they are about: the index, or an identifier.
    static OraError fromCode(int code, const QString& named = QString());

    // The same error with its text continued past 511 characters, as a server's message with a
    // long detail reads.
    OraError lengthened() const;

    int code() const { return m_code; }
    const QString& text() const { return m_text; }

    bool operator==(const OraError&) const = default;

    static constexpr int ResourceBusy = 54;
    static constexpr int FeatureNotEnabled = 439;
    static constexpr int InvalidSqlStatement = 900;
    static constexpr int InvalidIndexName = 953;
    static constexpr int InvalidIdentifier = 904;
    static constexpr int ColumnAmbiguous = 918;
    static constexpr int NoSuchView = 942;
    static constexpr int InvalidLogon = 1017;
    static constexpr int IndexDoesNotExist = 1418;
    static constexpr int IllegalCharacterAfterEscape = 1424;
    static constexpr int EscapeNotOneCharacter = 1425;
    static constexpr int InvalidNumber = 1722;
    static constexpr int OrderByPosition = 1785;
    static constexpr int NoSuchPartition = 2149;
    static constexpr int InvalidParameterValue = 2097;
    static constexpr int EndOfFileOnChannel = 3113;
    static constexpr int NotConnected = 3114;
    // What ALTER INDEX ... REBUILD meets on indexes and partitions it cannot rebuild so.
    static constexpr int InvalidPartitionName = 14006;
    static constexpr int PartitionedAsAWhole = 14086;
    static constexpr int NoSuchSubpartition = 14251;
    static constexpr int PartitionOfComposite = 14287;
    static constexpr int NotComposite = 14288;
    static constexpr int TemporaryTable = 14456;
    static constexpr int NotPartitioned = 14501;
    static constexpr int LobIndex = 22864;
    static constexpr int IotPrimaryIndex = 28650;
    static constexpr int RecycleBin = 38301;

private:
    int m_code;
    QString m_text;
};
