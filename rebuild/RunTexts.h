#pragma once

#include <QString>

// Everything a run shows to the user, in one place.
namespace RunTexts {

inline QString connecting()
{
    return QStringLiteral("Conectando...");
}
inline QString processing()
{
    return QStringLiteral("Procesando...");
}
// The index, and the partition or subpartition when only that is being rebuilt.
inline QString rebuilding(const QString& indexName, const QString& partName = QString())
{
    const QString text = QStringLiteral("Reindexando: ") + indexName;
    return partName.isEmpty() ? text : text + QStringLiteral(" (") + partName + u')';
}
inline QString finished()
{
    return QStringLiteral("Terminado");
}
// What a cancel request shows at once; the run ends with cancelled() once the statement under way is done.
inline QString cancelling()
{
    return QStringLiteral("Cancelando...");
}
inline QString cancelled()
{
    return QStringLiteral("Cancelado");
}
// The deadline came: no statement was started after it.
inline QString deadlineReached(int notSent)
{
    return QStringLiteral("Hora límite alcanzada: %1 sin reindexar").arg(notSent);
}
inline QString selectDatabase()
{
    return QStringLiteral("Seleccione la base de datos a reindexar");
}
inline QString onlineUnavailable()
{
    return QStringLiteral("No se puede reindexar en línea");
}
inline QString lockTablesQuestion()
{
    return QStringLiteral("¿Desea reindexar bloqueando las tablas?");
}
// The box's prompt: what happened, then the question on a line of its own.
inline QString onlineUnavailableQuestion()
{
    return onlineUnavailable() + QStringLiteral(".\r\n") + lockTablesQuestion();
}
inline QString errorMessage(qint32 number, const QString& description)
{
    return QStringLiteral("Error ") + QString::number(number) + QStringLiteral(": ") + description;
}

} // namespace RunTexts
