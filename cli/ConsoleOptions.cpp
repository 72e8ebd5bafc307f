#include "ConsoleOptions.h"

#include "LockWait.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

ConsoleOptions usage(const QString& error)
{
    ConsoleOptions options;
    options.action = ConsoleOptions::Action::Usage;
    options.error = error;
    return options;
}

// QCommandLineParser words its errors in English (no translator is loaded here): say them again,
// naming the option as it was typed.
QString spanishError(const QCommandLineParser& parser, const QStringList& arguments)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().constFirst();
        QString typed = (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        for (const QString& argument : arguments.mid(1)) {
            const QString option = argument.section(u'=', 0, 0);
            if (option.startsWith(u'-')
                && QStringView(option).mid(option.startsWith(QLatin1String("--")) ? 2 : 1) == name)
                typed = option;
        }
        return QStringLiteral("opción desconocida: %1").arg(typed);
    }
    const QString english = parser.errorText();
    static const QRegularExpression missing(QStringLiteral("^Missing value after '(.+)'\\.$"));
    static const QRegularExpression unexpected(QStringLiteral("^Unexpected value after '(.+)'\\.$"));
    if (const QRegularExpressionMatch match = missing.match(english); match.hasMatch())
        return QStringLiteral("falta el valor de %1").arg(match.captured(1));
    if (const QRegularExpressionMatch match = unexpected.match(english); match.hasMatch())
        return QStringLiteral("%1 no lleva valor").arg(match.captured(1));
    return QStringLiteral("opciones no válidas");
}

} // namespace

ConsoleOptions ConsoleOptions::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const QCommandLineOption online({QStringLiteral("e"), QStringLiteral("en-linea")}, QString());
    const QCommandLineOption refused(
        QStringLiteral("si-no-en-linea"), QString(), QStringLiteral("RESPUESTA"));
    const QCommandLineOption keepGoing(QStringLiteral("seguir"), QString());
    const QCommandLineOption lockWait(
        QStringLiteral("espera-bloqueo"), QString(), QStringLiteral("SEGUNDOS"));
    const QCommandLineOption until(QStringLiteral("hasta"), QString(), QStringLiteral("HH:MM"));
    const QCommandLineOption logFile(QStringLiteral("registro"), QString(), QStringLiteral("ARCHIVO"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    parser.addOptions({online, refused, keepGoing, lockWait, until, logFile, help, version});
    if (!parser.parse(arguments))
        return usage(spanishError(parser, arguments));

    ConsoleOptions options;
    if (parser.isSet(help)) {
        options.action = Action::Help;
        return options;
    }
    if (parser.isSet(version)) {
        options.action = Action::Version;
        return options;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usage(QStringLiteral("falta el perfil"));
    if (positional.size() > 1)
        return usage(QStringLiteral("un solo perfil por ejecución, no %1").arg(positional.size()));
    options.profile = positional.constFirst();
    options.online = parser.isSet(online);
    if (parser.isSet(refused)) {
        const QString answer = parser.value(refused);
        if (answer == QLatin1String("bloquear"))
            options.lockWhenOnlineRefused = true;
        else if (answer != QLatin1String("parar"))
            return usage(QStringLiteral("--si-no-en-linea es bloquear o parar, no «%1»").arg(answer));
    }
    options.keepGoing = parser.isSet(keepGoing);
    if (parser.isSet(lockWait)) {
        options.lockWaitSeconds = LockWait::seconds(parser.value(lockWait));
        if (!options.lockWaitSeconds)
            return usage(QStringLiteral("--espera-bloqueo son los segundos que se espera el bloqueo de una "
                                        "tabla, de 0 a %1, no «%2»")
                             .arg(QString::number(LockWait::maximumSeconds), parser.value(lockWait)));
    }
    if (parser.isSet(until)) {
        const QString text = parser.value(until);
        QTime time = QTime::fromString(text, QStringLiteral("H:mm"));
        if (!time.isValid())
            time = QTime::fromString(text, QStringLiteral("H:mm:ss"));
        if (!time.isValid())
            return usage(QStringLiteral("--hasta es una hora del día, HH:MM o HH:MM:SS, no «%1»").arg(text));
        options.until = time;
    }
    if (parser.isSet(logFile)) {
        options.logFile = parser.value(logFile);
        if (options.logFile.isEmpty())
            return usage(QStringLiteral("falta el valor de --registro"));
    }
    return options;
}

QDateTime ConsoleOptions::deadlineAfter(const QDateTime& now) const
{
    if (!until)
        return QDateTime();
    QDateTime deadline(now.date(), *until);
    if (deadline <= now)
        deadline = QDateTime(now.date().addDays(1), *until);
    return deadline;
}

QString ConsoleOptions::helpText(const QString& folder)
{
    return QStringLiteral(
        "Uso: tarvelin-cli [opciones] PERFIL\n"
        "\n"
        "Reconstruye uno tras otro los índices del esquema al que lleva el perfil PERFIL, el\n"
        "archivo PERFIL.cfp de la carpeta del programa (%1), como «Reindexar ahora»\n"
        "en la ventana de Tarvelin, pero sin ventana: para cron, un temporizador de systemd o el\n"
        "Programador de tareas de Windows.\n"
        "\n"
        "Opciones:\n"
        "  -e, --en-linea                 reconstruye en línea (ONLINE), como «En línea»\n"
        "      --si-no-en-linea=RESPUESTA si el servidor no puede reconstruir en línea\n"
        "                                 (ORA-00439): bloquear sigue reconstruyendo con las\n"
        "                                 tablas bloqueadas; parar termina (sin la opción, parar)\n"
        "      --espera-bloqueo=SEGUNDOS  cuánto espera cada reconstrucción a que otra sesión\n"
        "                                 suelte el bloqueo de su tabla (DDL_LOCK_TIMEOUT, de 0 a\n"
        "                                 1000000); sin la opción, la clave EsperaBloqueo del\n"
        "                                 perfil, o nada (Oracle no espera: ORA-00054)\n"
        "      --seguir                   una sentencia que falla se anota y se sigue con la\n"
        "                                 siguiente; una conexión perdida sí detiene la ejecución\n"
        "      --hasta=HH:MM[:SS]         no empieza ninguna sentencia pasada esa hora local (la\n"
        "                                 próxima vez que llegue); la que esté en curso termina\n"
        "      --registro=ARCHIVO         añade también cada línea a ARCHIVO (UTF-8; si no existe,\n"
        "                                 se crea legible solo por su dueño)\n"
        "  -h, --help                     muestra esta ayuda\n"
        "  -v, --version                  muestra la versión\n"
        "\n"
        "Cada texto que la ventana mostraría sale por la salida estándar, uno por línea, tras la\n"
        "fecha y la hora locales (ISO 8601), y al final una línea de resumen: cuántas sentencias\n"
        "había, cuántas fueron bien, cuántas fallaron, cuántas quedaron sin enviar y cuánto duró.\n"
        "Un error sale por la salida de errores como «Error n: descripción».\n"
        "Ctrl+C, SIGINT y SIGTERM (o cerrar la consola en Windows) cancelan: el índice en curso\n"
        "se termina, no se empieza otro. Un perfil se reindexa una sola vez a la vez en esta\n"
        "máquina, también desde la ventana.\n"
        "\n"
        "Estado de salida:\n"
        "  0   Terminado\n"
        "  1   la ejecución se detuvo por un error, o con --seguir falló alguna sentencia\n"
        "  2   cancelada\n"
        "  3   el servidor no puede reconstruir en línea y la respuesta fue parar\n"
        "  4   llegó la hora de --hasta y quedaron sentencias sin enviar\n"
        "  64  opciones incorrectas, no hay tal perfil o no se puede abrir el registro: nada\n"
        "      llegó al servidor\n"
        "  74  no se pudo escribir la salida estándar; la ejecución siguió hasta el final\n"
        "  75  otra ejecución de este perfil está en marcha: nada llegó al servidor\n")
        .arg(folder);
}
