#include "Recordset.h"

#include "ErrorNumbers.h"
#include "TarvelinError.h"

#include <utility>

namespace {

[[noreturn]] void raiseClosed()
{
    throw TarvelinError(ErrorNumber::ObjectClosed,
        QStringLiteral("No se permite esta operación si el conjunto de filas está cerrado."));
}

[[noreturn]] void raiseNoCurrentRecord()
{
    throw TarvelinError(ErrorNumber::NoCurrentRecord,
        QStringLiteral("No hay fila actual: se ha llegado al final del conjunto de filas."));
}

} // namespace

Recordset::Recordset(QStringList columns, std::vector<QVariant> values)
    : m_columns(std::move(columns))
    , m_values(std::move(values))
{
    Q_ASSERT(m_columns.isEmpty() ? m_values.empty()
                                 : m_values.size() % static_cast<std::size_t>(m_columns.size()) == 0);
}

bool Recordset::Eof() const
{
    if (!m_open)
        raiseClosed();
    return m_row >= rowCount();
}

QVariant Recordset::Fields(const QString& name) const
{
    if (!m_open)
        raiseClosed();
    // The name is checked before the row, so that a misspelt name is reported
    // as such even when the rows are exhausted.
    qsizetype column = 0;
    while (column < m_columns.size() && m_columns.at(column).compare(name, Qt::CaseInsensitive) != 0)
        ++column;
    if (column == m_columns.size())
        throw TarvelinError(ErrorNumber::FieldNotFound,
            QStringLiteral("No existe la columna %1 en el conjunto de filas.").arg(name));
    if (m_row >= rowCount())
        raiseNoCurrentRecord();
    return m_values[static_cast<std::size_t>(m_row * m_columns.size() + column)];
}

void Recordset::MoveNext()
{
    if (!m_open)
        raiseClosed();
    if (m_row >= rowCount())
        raiseNoCurrentRecord();
    ++m_row;
}

void Recordset::Close()
{
    if (!m_open)
        raiseClosed();
    m_open = false;
    // A closed row set holds nothing: its rows may be many.
    m_values = {};
    m_columns.clear();
    m_row = 0;
}

qsizetype Recordset::rowCount() const
{
    if (m_columns.isEmpty())
        return 0;
    return static_cast<qsizetype>(m_values.size()) / m_columns.size();
}
