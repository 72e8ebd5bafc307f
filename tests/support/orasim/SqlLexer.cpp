#include "SqlLexer.h"

namespace {

bool isWordStart(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool isWordPart(QChar c)
{
    return isWordStart(c) || (c >= u'0' && c <= u'9') || c == u'_' || c == u'$' || c == u'#';
}

// Words hold ASCII only, so ASCII upper-casing is the whole rule.
QString upperCased(QString word)
{
    for (QChar& c : word) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return word;
}

// The text between the quote at `pos` and its closing quote, doubled quotes made one; `pos` ends
// after the closing quote. No value when it is never closed.
std::optional<QString> quoted(const QString& sql, qsizetype& pos)
{
    const QChar quote = sql.at(pos);
    QString text;
    for (++pos; pos < sql.size(); ++pos) {
        if (sql.at(pos) != quote) {
            text += sql.at(pos);
            continue;
        }
        if (pos + 1 < sql.size() && sql.at(pos + 1) == quote) {
            text += quote;
            ++pos;
            continue;
        }
        ++pos;
        return text;
    }
    return std::nullopt;
}

} // namespace

std::optional<SqlTokens> SqlTokens::read(const QString& sql)
{
    static const QString twoCharacterSymbols[]
        = {QStringLiteral("<>"), QStringLiteral("!="), QStringLiteral("<="), QStringLiteral(">=")};
    static const QString oneCharacterSymbols = QStringLiteral("(),.*=<>");

    SqlTokens tokens;
    qsizetype pos = 0;
    while (pos < sql.size()) {
        const QChar c = sql.at(pos);
        if (c.isSpace()) {
            ++pos;
            continue;
        }
        SqlToken token;
        if (isWordStart(c)) {
            const qsizetype start = pos;
            while (pos < sql.size() && isWordPart(sql.at(pos)))
                ++pos;
            token = {SqlToken::Kind::Word, upperCased(sql.mid(start, pos - start))};
        } else if (c >= u'0' && c <= u'9') {
            const qsizetype start = pos;
            while (pos < sql.size() && sql.at(pos) >= u'0' && sql.at(pos) <= u'9')
                ++pos;
            // A number runs into no word: "1IDX" is nothing the server reads.
            if (pos < sql.size() && isWordPart(sql.at(pos)))
                return std::nullopt;
            token = {SqlToken::Kind::Number, sql.mid(start, pos - start)};
        } else if (c == u'"' || c == u'\'') {
            std::optional<QString> text = quoted(sql, pos);
            if (!text || (c == u'"' && text->isEmpty()))
                return std::nullopt;
            token = {c == u'"' ? SqlToken::Kind::QuotedName : SqlToken::Kind::String, *text};
        } else {
            const QString two = sql.mid(pos, 2);
            bool found = false;
            for (const QString& symbol : twoCharacterSymbols)
                found = found || two == symbol;
            if (found) {
                token = {SqlToken::Kind::Symbol, two};
                pos += 2;
            } else if (oneCharacterSymbols.contains(c)) {
                token = {SqlToken::Kind::Symbol, QString(c)};
                ++pos;
            } else {
                return std::nullopt;
            }
        }
        tokens.m_tokens.append(std::move(token));
    }
    tokens.m_tokens.append(SqlToken {});
    return tokens;
}

const SqlToken& SqlTokens::peek(qsizetype ahead) const
{
    return m_tokens.at(qMin(m_position + ahead, m_tokens.size() - 1));
}

const SqlToken& SqlTokens::next()
{
    const SqlToken& token = peek();
    if (m_position < m_tokens.size() - 1)
        ++m_position;
    return token;
}

bool SqlTokens::acceptKeyword(const char* keyword)
{
    if (!peek().isKeyword(keyword))
        return false;
    next();
    return true;
}

bool SqlTokens::acceptSymbol(const char* symbol)
{
    if (!peek().isSymbol(symbol))
        return false;
    next();
    return true;
}
