#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

// The rows a statement returned, held in memory (a client-side cursor): Oracle
// commits around every DDL statement, and fetching a server cursor across those
// commits risks ORA-01555. Rows are still walked one at a time, forward only.
class Recordset
{
public:
    Recordset() = default; // no columns, no rows: what a statement without rows returns
    Recordset(QStringList columns, std::vector<QVariant> values); // values row after row
    virtual ~Recordset() = default;

    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // "EOF" is a macro of the C library, hence the spelling.
    virtual bool Eof() const;
    // The value of the named column (case-insensitive) in the current row.
    virtual QVariant Fields(const QString& name) const;
    virtual void MoveNext();
    virtual void Close();

    bool isOpen() const { return m_open; }
    qsizetype rowCount() const;

private:
    QStringList m_columns;
    std::vector<QVariant> m_values;
    qsizetype m_row = 0;
    bool m_open = true;
};
