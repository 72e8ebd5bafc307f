#pragma once

#include "SqlToken.h"

#include <QList>
#include <QString>

#include <optional>

// Splits statement text into tokens, skipping white space. An unterminated quote makes the
// whole text unreadable (no value).
class SqlTokenizer
{
public:
    static std::optional<QList<SqlToken>> tokenize(const QString& sql);
};
