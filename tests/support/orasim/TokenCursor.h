#pragma once

#include "SqlToken.h"

#include <QList>
#include <QString>

#include <optional>

// Walks a token list for the small recursive-descent readers of the statements the server knows.
// Each take... call consumes a token only when it is the expected one.
class TokenCursor
{
public:
    explicit TokenCursor(QList<SqlToken> tokens);

    bool atEnd() const { return m_pos >= m_tokens.size(); }
    bool takeKeyword(const char* keyword);
    bool takeSymbol(QChar symbol);
    // A name, quoted or not, resolved as the server resolves it.
    std::optional<QString> takeName();
    std::optional<QString> takeStringLiteral();
    std::optional<QString> takeNumber();

private:
    const SqlToken* peek() const { return atEnd() ? nullptr : &m_tokens.at(m_pos); }

    QList<SqlToken> m_tokens;
    qsizetype m_pos = 0;
};
