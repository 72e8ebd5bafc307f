#pragma once

#include <QString>

#include <optional>

// The query that lists the schema's index names:
//   SELECT index_name FROM user_indexes
//       [WHERE NOT index_name LIKE '<pattern>' [ESCAPE '<c>']]   (or index_name [NOT] LIKE ...)
//       [ORDER BY 1 | ORDER BY index_name]
struct DictionaryQuery
{
    struct Filter
    {
        bool negated = false;
        QString pattern;
        std::optional<QString> escape;
    };

    std::optional<Filter> filter;
    bool ordered = false;

    // No value when the text is not that query.
    static std::optional<DictionaryQuery> parse(const QString& sql);
};
