#pragma once

#include <QString>

// Pieces of the regular expressions that read the two statements the server knows, with the
// server's lexical rules: keywords in any case, white space between tokens only where two words
// would otherwise run together, quoted names and string literals with their quote doubled.
namespace SqlPattern {

// A keyword: an unquoted word of its own, in any case.
QString keyword(const char* word);
// An unquoted word (captured), or a quoted name (captured with its quotes).
QString name();
// A quoted upper-case name, or the same unquoted in any case: the one spelling of a
// dictionary name that resolves to it.
QString dictionaryName(const char* upperCase);
// A string literal, its text captured without the quotes.
QString literal();
// The server's resolution of a captured name: unquoted upper-cased, quoted taken exactly.
QString resolvedName(const QString& captured);
// A captured literal's text, each doubled quote made one.
QString literalText(const QString& captured);

} // namespace SqlPattern
