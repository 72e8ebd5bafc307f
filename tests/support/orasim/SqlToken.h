#pragma once

#include <QString>

// One lexical unit of a statement.
struct SqlToken
{
    enum class Kind {
        Word, // unquoted identifier or keyword: a letter, then letters, digits, _ $ #
        QuotedIdentifier, // "..." with "" standing for one "
        StringLiteral, // '...' with '' standing for one '
        Number, // digits only
        Symbol, // any other single character
    };

    Kind kind;
    QString text; // as written for words, numbers and symbols; unescaped for quoted forms

    // Keywords are unquoted words compared without regard to case; a quoted "ALTER" is a name.
    bool isKeyword(const char* keyword) const;

    // The name the server looks up: unquoted words are upper-cased, quoted names stay exact.
    // Only meaningful for Word and QuotedIdentifier.
    QString resolvedName() const;
};
