#pragma once

#include "OraError.h"

#include <QList>
#include <QString>

#include <optional>

// The SQL LIKE test as the server applies it: '%' stands for any run of characters (also none),
// '_' for exactly one character, and the escape character, when one is given, makes the next
// '%', '_' or escape character literal. Case counts, and a character is a Unicode code point.
class LikePattern
{
public:
    // escape is the text of the ESCAPE clause; no value means the statement has none.
    explicit LikePattern(const QString& pattern, const std::optional<QString>& escape = std::nullopt);

    // Set when the pattern cannot be used (ORA-01424, ORA-01425); such a pattern matches nothing.
    const std::optional<OraError>& error() const { return m_error; }

    bool matches(const QString& text) const;

private:
    struct Element
    {
        enum class Kind { Literal, AnyOne, AnyRun };
        Kind kind;
        char32_t character;
    };

    QList<Element> m_elements;
    std::optional<OraError> m_error;
};
