#include "Recordset.h"

#include "ErrorNumbers.h"
#include "TarvelinError.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

[[noreturn]] void raiseNoCurrentRecord()
{
    throw TarvelinError(ErrorNumber::NoCurrentRecord,
        QStringLiteral("No hay fila actual: se ha llegado al final del conjunto de filas."));
}

} // namespace

Recordset::Recordset(QStringList columns)
    : m_columns(std::move(columns))
{ }

Recordset::Recordset(QStringList columns, std::vector<QVariant> values)
    : Recordset(std::move(columns))
{
    Q_ASSERT(m_columns.isEmpty() ? values.empty()
                                 : values.size() % static_cast<std::size_t>(m_columns.size()) == 0);
    reserveRows(m_columns.isEmpty() ? 0 : qsizetype(values.size()) / m_columns.size());
    for (const QVariant& value : values)
        append(value);
}

void Recordset::append(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QString>()) {
        if (value.isNull()) {
            m_kinds.push_back(Kind::NullText);
        } else {
            m_text += value.toString();
            m_kinds.push_back(Kind::Text);
        }
    } else if (!value.isValid()) {
        m_kinds.push_back(Kind::Null); // how Qt's ODBC driver gives SQL NULL
    } else {
        m_others.emplace_back(m_kinds.size(), value);
        m_kinds.push_back(Kind::Other);
    }
    Q_ASSERT(quint64(m_text.size()) <= std::numeric_limits<std::uint32_t>::max());
    m_ends.push_back(std::uint32_t(m_text.size()));
}

void Recordset::reserveRows(qsizetype rows)
{
    const std::size_t values = std::size_t(rows) * std::size_t(m_columns.size());
    m_ends.reserve(values);
    m_kinds.reserve(values);
}

void Recordset::squeeze()
{
    m_text.squeeze();
    m_ends.shrink_to_fit();
    m_kinds.shrink_to_fit();
    m_others.shrink_to_fit();
}

QVariant Recordset::value(std::size_t index) const
{
    switch (m_kinds[index]) {
    case Kind::Text: {
        const std::uint32_t begin = index == 0 ? 0 : m_ends[index - 1];
        return QString(m_text.constData() + begin, qsizetype(m_ends[index] - begin));
    }
    case Kind::NullText:
        return QVariant(QMetaType::fromType<QString>());
    case Kind::Null:
        return QVariant();
    case Kind::Other:
        break;
    }
    const auto found = std::lower_bound(m_others.begin(), m_others.end(), index,
        [](const std::pair<std::size_t, QVariant>& other, std::size_t wanted) {
            return other.first < wanted;
        });
    return found->second;
}

bool Recordset::Eof() const
{
    return m_row >= rowCount();
}

QVariant Recordset::Fields(const QString& name) const
{
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
    return value(static_cast<std::size_t>(m_row * m_columns.size() + column));
}

void Recordset::MoveNext()
{
    if (m_row >= rowCount())
        raiseNoCurrentRecord();
    ++m_row;
}

void Recordset::Close()
{
    m_text = QString();
    m_ends = {};
    m_kinds = {};
    m_others = {};
    m_columns.clear();
    m_row = 0;
}

qsizetype Recordset::rowCount() const
{
    if (m_columns.isEmpty())
        return 0;
    return static_cast<qsizetype>(m_kinds.size()) / m_columns.size();
}
