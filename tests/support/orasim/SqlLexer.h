#pragma once

#include <QList>
#include <QString>

#include <optional>

// The server's lexical rules for the statements it knows: unquoted words (a letter, then letters,
// digits, _ $ #) are names or keywords in any case and resolve upper-cased; quoted names keep
// their text exactly, "" standing for one quote; string literals in single quotes, '' standing for
// one; unsigned whole numbers; and the symbols ( ) , . * = <> != < > <= >=.
struct SqlToken
{
    enum class Kind { Word, QuotedName, String, Number, Symbol, End };

    Kind kind = Kind::End;
    QString text; // the resolved name, the literal's text, the digits or the symbol

    // An unquoted word that reads as this keyword (given in upper case).
    bool isKeyword(const char* keyword) const { return kind == Kind::Word && text == QLatin1String(keyword); }
    bool isSymbol(const char* symbol) const { return kind == Kind::Symbol && text == QLatin1String(symbol); }
    bool isName() const { return kind == Kind::Word || kind == Kind::QuotedName; }
};

class SqlTokens
{
public:
    // No value when the text holds something the server cannot read (an unknown character, an
    // unterminated quote, an empty quoted name).
    static std::optional<SqlTokens> read(const QString& sql);

    const SqlToken& peek(qsizetype ahead = 0) const;
    const SqlToken& next();
    bool atEnd() const { return peek().kind == SqlToken::Kind::End; }
    // Takes the next token when it is that keyword or symbol.
    bool acceptKeyword(const char* keyword);
    bool acceptSymbol(const char* symbol);

private:
    QList<SqlToken> m_tokens; // ends with an End token
    qsizetype m_position = 0;
};
