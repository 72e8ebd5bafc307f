#include "ConnectionString.h"

#include <QList>

namespace {

struct Pair
{
    QString text; // the whole "key=value", as written
    QString key; // trimmed
    qsizetype valueStart = 0;
};

// Splits at the ";" that are not inside a braced value.
QList<Pair> splitPairs(const QString& connectionString)
{
    QList<Pair> result;
    qsizetype start = 0;
    while (start < connectionString.size()) {
        qsizetype at = start;
        qsizetype equals = -1;
        bool valueBegun = false;
        while (at < connectionString.size() && connectionString.at(at) != u';') {
            const QChar c = connectionString.at(at);
            if (equals < 0) {
                if (c == u'=')
                    equals = at;
            } else if (!valueBegun && !c.isSpace()) {
                valueBegun = true;
                if (c == u'{') {
                    // Skip to the closing brace; "}}" stands for one "}".
                    ++at;
                    while (at < connectionString.size()) {
                        if (connectionString.at(at) == u'}') {
                            if (at + 1 < connectionString.size() && connectionString.at(at + 1) == u'}') {
                                at += 2;
                                continue;
                            }
                            break;
                        }
                        ++at;
                    }
                }
            }
            ++at;
        }
        const QString text = connectionString.mid(start, at - start);
        if (!text.trimmed().isEmpty()) {
            Pair pair;
            pair.text = text;
            pair.key = (equals < 0 ? text : connectionString.mid(start, equals - start)).trimmed();
            pair.valueStart = equals < 0 ? text.size() : equals - start + 1;
            result.append(pair);
        }
        start = at + 1;
    }
    return result;
}

} // namespace

namespace ConnectionString {

QString defaultProvider()
{
    return QStringLiteral("QODBC");
}

QString join(const QString& provider, const QString& pairs, const QString& password)
{
    Q_ASSERT(isProviderName(provider) && !namesProvider(pairs));
    QString text = QStringLiteral("Provider=") + provider + u';' + pairs;
    if (!password.isEmpty())
        text += QStringLiteral(";PWD=") + braced(password);
    return text;
}

// Only the first "=" matters: the provider, when there is one, is the first pair.
Parts split(const QString& connectionString)
{
    if (!namesProvider(connectionString))
        return {defaultProvider(), connectionString};
    const qsizetype equals = connectionString.indexOf(u'=');
    qsizetype end = connectionString.indexOf(u';', equals + 1);
    if (end < 0)
        end = connectionString.size();
    return {connectionString.mid(equals + 1, end - equals - 1).trimmed(), connectionString.mid(end + 1)};
}

bool isProviderName(QStringView name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        const bool ok
            = (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'_';
        if (!ok)
            return false;
    }
    return true;
}

bool namesProvider(QStringView pairs)
{
    const qsizetype equals = pairs.indexOf(u'=');
    return equals >= 0 && pairs.first(equals).trimmed().compare(u"Provider", Qt::CaseInsensitive) == 0;
}

QStringList keys(const QString& connectionString)
{
    QStringList result;
    for (const Pair& pair : splitPairs(connectionString))
        result.append(pair.key);
    return result;
}

bool hasKey(const QString& connectionString, const QString& key)
{
    return keys(connectionString).contains(key, Qt::CaseInsensitive);
}

bool holdsPassword(const QString& pairs)
{
    const QStringList given = keys(pairs);
    return given.contains(QStringLiteral("PWD"), Qt::CaseInsensitive)
        || given.contains(QStringLiteral("Password"), Qt::CaseInsensitive);
}

QString braced(const QString& value)
{
    QString doubled = value;
    doubled.replace(u'}', QStringLiteral("}}"));
    return u'{' + doubled + u'}';
}

QString valueOf(const QString& pairs, const QString& key)
{
    for (const Pair& pair : splitPairs(pairs)) {
        if (pair.key.compare(key, Qt::CaseInsensitive) != 0)
            continue;
        QString text = pair.text.mid(pair.valueStart).trimmed();
        if (text.size() >= 2 && text.startsWith(u'{') && text.endsWith(u'}'))
            text = text.mid(1, text.size() - 2).replace(QStringLiteral("}}"), QStringLiteral("}"));
        return text;
    }
    return QString();
}

QString forQtOdbcDriver(const QString& connectionString)
{
    if (connectionString.contains(QStringLiteral("DRIVER="), Qt::CaseInsensitive)
        || connectionString.contains(QStringLiteral("SERVER="), Qt::CaseInsensitive))
        return connectionString;
    const QList<Pair> all = splitPairs(connectionString);
    QStringList rest;
    QString dataSource;
    bool found = false;
    for (const Pair& pair : all) {
        if (!found && pair.key.compare(QStringLiteral("DSN"), Qt::CaseInsensitive) == 0) {
            dataSource = pair.text.mid(pair.valueStart);
            found = true;
        } else {
            rest.append(pair.text);
        }
    }
    if (!found)
        return connectionString;
    rest.prepend(dataSource);
    return rest.join(u';');
}

} // namespace ConnectionString
