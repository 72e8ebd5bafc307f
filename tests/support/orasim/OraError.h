#pragma once

#include <QString>

// One Oracle error as the server reports it: the ORA number and the message text that begins
// with "ORA-NNNNN: ".
class OraError
{
public:
    OraError(int code, QString text);

    // The server's own wording for the codes a run meets; any other code gets a generic text.
    // indexName fills the messages that name the index they are about.
    static OraError fromCode(int code, const QString& indexName = QString());

    // The same error with its text continued past 511 characters, as a server's message with a
    // long detail reads.
    OraError lengthened() const;

    int code() const { return m_code; }
    const QString& text() const { return m_text; }

    bool operator==(const OraError&) const = default;

    static constexpr int FeatureNotEnabled = 439;
    static constexpr int InvalidSqlStatement = 900;
    static constexpr int InvalidLogon = 1017;
    static constexpr int IndexDoesNotExist = 1418;
    static constexpr int IllegalCharacterAfterEscape = 1424;
    static constexpr int EscapeNotOneCharacter = 1425;

private:
    int m_code;
    QString m_text;
};
