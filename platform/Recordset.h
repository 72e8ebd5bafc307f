#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <utility>
#include <vector>

// The rows a statement returned, held in memory (a client-side cursor): Oracle
// commits around every DDL statement, and fetching a server cursor across those
// commits risks ORA-01555. Rows are still walked one at a time, forward only.
// A schema's dictionary may list hundreds of thousands of rows, nearly all of
// them text: texts are kept back to back in one buffer, a few bytes per value
// beside their characters, and only other values as QVariant.
class Recordset
{
public:
    Recordset() = default; // no columns, no rows: what a statement without rows returns
    explicit Recordset(QStringList columns); // no rows yet: append() adds them
    Recordset(QStringList columns, std::vector<QVariant> values); // values row after row

    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // The next value, row after row, column after column.
    void append(const QVariant& value);
    void reserveRows(qsizetype rows);
    // Gives back what the buffers hold beyond the rows appended.
    void squeeze();

    // "EOF" is a macro of the C library, hence the spelling.
    bool Eof() const;
    // The value of the named column (case-insensitive) in the current row.
    QVariant Fields(const QString& name) const;
    void MoveNext();
    // Lets go of the rows at once (they may be many): the row set is then empty.
    void Close();

    qsizetype rowCount() const;

private:
    enum class Kind : std::uint8_t { Text, NullText, Null, Other };

    QVariant value(std::size_t index) const;

    QStringList m_columns;
    QString m_text; // every text value's characters, back to back
    std::vector<std::uint32_t> m_ends; // per value: where its characters end in m_text
    std::vector<Kind> m_kinds; // per value
    std::vector<std::pair<std::size_t, QVariant>> m_others; // (value's index, value), by index
    qsizetype m_row = 0;
};
