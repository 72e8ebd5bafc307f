#include "OraError.h"

#include <utility>

namespace {

struct KnownText
{
    int code;
    const char* text; // %1 is the index name where the server names it
};

const KnownText knownTexts[] = {
    {54, "resource busy and acquire with NOWAIT specified or timeout expired"},
    {OraError::FeatureNotEnabled, "feature not enabled: Online Index Build"},
    {OraError::InvalidSqlStatement, "invalid SQL statement"},
    {OraError::InvalidLogon, "invalid username/password; logon denied"},
    {1031, "insufficient privileges"},
    {OraError::IndexDoesNotExist, "specified index does not exist"},
    {OraError::IllegalCharacterAfterEscape, "missing or illegal character following the escape character"},
    {OraError::EscapeNotOneCharacter, "escape character must be character string of length 1"},
    {1502, "index '%1' or partition of such index is in unusable state"},
    {1652, "unable to extend temp segment by 128 in tablespace TEMP"},
    {3113, "end-of-file on communication channel"},
};

} // namespace

OraError::OraError(int code, QString text)
    : m_code(code)
    , m_text(std::move(text))
{ }

OraError OraError::fromCode(int code, const QString& indexName)
{
    const QString prefix = QStringLiteral("ORA-%1: ").arg(code, 5, 10, QLatin1Char('0'));
    for (const KnownText& known : knownTexts) {
        if (known.code != code)
            continue;
        QString message = QString::fromLatin1(known.text);
        if (message.contains(QLatin1String("%1")))
            message = message.arg(indexName);
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
