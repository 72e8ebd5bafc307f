#include "SqlTokenizer.h"

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isWordCharacter(QChar c)
{
    return isAsciiLetter(c) || isAsciiDigit(c) || c == QLatin1Char('_') || c == QLatin1Char('$')
        || c == QLatin1Char('#');
}

// Reads a quoted run starting at the opening quote; a doubled quote is one literal quote.
std::optional<QString> readQuoted(const QString& sql, qsizetype& pos)
{
    const QChar quote = sql.at(pos);
    QString value;
    ++pos;
    while (pos < sql.size()) {
        const QChar c = sql.at(pos);
        if (c == quote) {
            if (pos + 1 < sql.size() && sql.at(pos + 1) == quote) {
                value += quote;
                pos += 2;
                continue;
            }
            ++pos;
            return value;
        }
        value += c;
        ++pos;
    }
    return std::nullopt;
}

} // namespace

std::optional<QList<SqlToken>> SqlTokenizer::tokenize(const QString& sql)
{
    QList<SqlToken> tokens;
    qsizetype pos = 0;
    while (pos < sql.size()) {
        const QChar c = sql.at(pos);
        if (c.isSpace()) {
            ++pos;
        } else if (isAsciiLetter(c)) {
            const qsizetype start = pos;
            while (pos < sql.size() && isWordCharacter(sql.at(pos)))
                ++pos;
            tokens.append({SqlToken::Kind::Word, sql.mid(start, pos - start)});
        } else if (isAsciiDigit(c)) {
            const qsizetype start = pos;
            while (pos < sql.size() && isAsciiDigit(sql.at(pos)))
                ++pos;
            tokens.append({SqlToken::Kind::Number, sql.mid(start, pos - start)});
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const auto value = readQuoted(sql, pos);
            if (!value)
                return std::nullopt;
            tokens.append(
                {c == QLatin1Char('"') ? SqlToken::Kind::QuotedIdentifier : SqlToken::Kind::StringLiteral,
                    *value});
        } else {
            tokens.append({SqlToken::Kind::Symbol, QString(c)});
            ++pos;
        }
    }
    return tokens;
}
