#include "TokenCursor.h"

#include <utility>

TokenCursor::TokenCursor(QList<SqlToken> tokens)
    : m_tokens(std::move(tokens))
{ }

bool TokenCursor::takeKeyword(const char* keyword)
{
    const SqlToken* token = peek();
    if (!token || !token->isKeyword(keyword))
        return false;
    ++m_pos;
    return true;
}

bool TokenCursor::takeSymbol(QChar symbol)
{
    const SqlToken* token = peek();
    if (!token || token->kind != SqlToken::Kind::Symbol || token->text != QString(symbol))
        return false;
    ++m_pos;
    return true;
}

std::optional<QString> TokenCursor::takeName()
{
    const SqlToken* token = peek();
    if (!token || (token->kind != SqlToken::Kind::Word && token->kind != SqlToken::Kind::QuotedIdentifier))
        return std::nullopt;
    ++m_pos;
    return token->resolvedName();
}

std::optional<QString> TokenCursor::takeStringLiteral()
{
    const SqlToken* token = peek();
    if (!token || token->kind != SqlToken::Kind::StringLiteral)
        return std::nullopt;
    ++m_pos;
    return token->text;
}

std::optional<QString> TokenCursor::takeNumber()
{
    const SqlToken* token = peek();
    if (!token || token->kind != SqlToken::Kind::Number)
        return std::nullopt;
    ++m_pos;
    return token->text;
}
