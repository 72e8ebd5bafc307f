#pragma once

#include "Dictionary.h"
#include "OraError.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <variant>
#include <vector>

// The rows a query returns. They stay rows of the dictionary's views, read as they are fetched,
// so that a result of a hundred thousand rows costs the server little more than their numbers.
class QueryResult
{
public:
    struct Column
    {
        Dictionary::Column description; // its name is the column's label
        qsizetype source = 0; // which view of the statement it comes from
        qsizetype column = 0; // its place in that view
    };

    QList<Column> columns;

    qsizetype rowCount() const { return m_stride == 0 ? 0 : qsizetype(m_rows.size()) / m_stride; }
    // The value as text, numbers as their decimal digits; a null QString is SQL NULL (as for
    // Oracle, an empty text is NULL too).
    QString value(qsizetype row, qsizetype column) const;

private:
    friend class SelectQuery;

    std::shared_ptr<const Dictionary> m_dictionary;
    QList<const Dictionary::View*> m_views; // per source
    std::vector<qsizetype> m_rows; // row after row, one row number per source (-1: none)
    qsizetype m_stride = 0;
};

// The SELECT statements the server answers over its dictionary views:
//   SELECT column [, column ...]
//   FROM view [alias] { [LEFT [OUTER] | INNER] JOIN view [alias] ON condition }
//   [WHERE condition]
//   [ORDER BY column | position [ASC | DESC] [, ...]]
// where a column is [qualifier.]name and a condition combines, with AND, OR, NOT and
// parentheses, comparisons (= <> !=), [NOT] LIKE '...' [ESCAPE '...'], [NOT] IN (...) and
// IS [NOT] NULL of columns, string literals and whole numbers. Comparisons follow Oracle: NULL
// (and '') makes a comparison unknown, text compares in binary (code point) order, a text met
// with a number is converted (ORA-01722 when it is no number). Rows come in the views' order
// unless ORDER BY says otherwise; ascending order puts NULL last, descending first.
class SelectQuery
{
public:
    // No value when the text is not such a statement (the server answers ORA-00900).
    static std::optional<SelectQuery> parse(const QString& sql);

    qsizetype columnCount() const { return qsizetype(m_select.size()); }

    // The rows, or what the server says against the statement: ORA-00942 for an unknown view,
    // ORA-00904 and ORA-00918 for a column it cannot name, ORA-01785 for an ORDER BY position
    // beyond the columns, ORA-01722, ORA-01424 and ORA-01425 while comparing.
    std::variant<QueryResult, OraError> run(std::shared_ptr<const Dictionary> dictionary) const;

    struct ColumnRef
    {
        QString qualifier; // empty when none is written
        QString name;
    };

    struct Operand
    {
        enum class Kind { Column, Text, Number, Null };
        Kind kind = Kind::Null;
        ColumnRef column;
        QString text;
        qlonglong number = 0;
    };

    struct Condition
    {
        enum class Kind { And, Or, Not, Compare, Like, In, IsNull };
        Kind kind = Kind::And;
        std::vector<Condition> children; // And, Or, Not
        QString comparison; // Compare: the operator
        QList<Operand>
            operands; // Compare: two; Like: value, pattern[, escape]; In: value, items; IsNull: one
        bool negated = false; // NOT LIKE, NOT IN, IS NOT NULL
    };

    struct Source
    {
        QString view;
        QString alias; // empty when none is written
        bool outer = false; // LEFT JOIN
        std::optional<Condition> on;
    };

    struct OrderItem
    {
        std::optional<ColumnRef> column;
        int position = 0; // ORDER BY <number>, when there is no column
        bool descending = false;
    };

private:
    friend class SelectParser;

    QList<ColumnRef> m_select;
    QList<Source> m_sources;
    std::optional<Condition> m_where;
    QList<OrderItem> m_order;
};
