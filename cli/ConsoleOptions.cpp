#include "ConsoleOptions.h"

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
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    parser.addOptions({online, refused, help, version});
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
    return options;
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
        "  -h, --help                     muestra esta ayuda\n"
        "  -v, --version                  muestra la versión\n"
        "\n"
        "Cada texto que la ventana mostraría sale por la salida estándar, uno por línea, tras la\n"
        "fecha y la hora locales (ISO 8601); un error sale por la salida de errores como\n"
        "«Error n: descripción».\n"
        "Ctrl+C, SIGINT y SIGTERM (o cerrar la consola en Windows) cancelan: el índice en curso\n"
        "se termina, no se empieza otro.\n"
        "\n"
        "Estado de salida:\n"
        "  0   Terminado\n"
        "  1   la ejecución se detuvo por un error\n"
        "  2   cancelada\n"
        "  3   el servidor no puede reconstruir en línea y la respuesta fue parar\n"
        "  64  opciones incorrectas, o no hay tal perfil: nada llegó al servidor\n")
        .arg(folder);
}
