#include "SimulatorConfig.h"

#include <algorithm>

#include "SchemaFile.h"

#include <utility>

namespace {

struct Pair
{
    QString key;
    QString value;
};

// Splits the text into key=value pairs; braces protect ';' inside a value.
std::optional<QList<Pair>> splitPairs(const QString& text, QString* error)
{
    QList<Pair> pairs;
    qsizetype pos = 0;
    while (pos < text.size()) {
        if (text.at(pos) == QLatin1Char(';')) {
            ++pos;
            continue;
        }
        const qsizetype equals = text.indexOf(QLatin1Char('='), pos);
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'), pos);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            const QString item = text.mid(pos, semicolon < 0 ? -1 : semicolon - pos).trimmed();
            if (item.isEmpty()) {
                pos = semicolon < 0 ? text.size() : semicolon + 1;
                continue;
            }
            *error = QStringLiteral("'%1' is not key=value").arg(item);
            return std::nullopt;
        }
        Pair pair;
        pair.key = text.mid(pos, equals - pos).trimmed();
        if (pair.key.isEmpty()) {
            *error = QStringLiteral("a value without a key");
            return std::nullopt;
        }
        pos = equals + 1;
        if (pos < text.size() && text.at(pos) == QLatin1Char('{')) {
            ++pos;
            bool closed = false;
            while (pos < text.size()) {
                const QChar c = text.at(pos);
                if (c == QLatin1Char('}')) {
                    if (pos + 1 < text.size() && text.at(pos + 1) == QLatin1Char('}')) {
                        pair.value += c;
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    closed = true;
                    break;
                }
                pair.value += c;
                ++pos;
            }
            if (!closed) {
                *error = QStringLiteral("the braced value of %1 has no closing brace").arg(pair.key);
                return std::nullopt;
            }
            while (pos < text.size() && text.at(pos).isSpace())
                ++pos;
            if (pos < text.size() && text.at(pos) != QLatin1Char(';')) {
                *error = QStringLiteral("text after the braced value of %1").arg(pair.key);
                return std::nullopt;
            }
        } else {
            const qsizetype end = semicolon < 0 ? text.size() : semicolon;
            pair.value = text.mid(pos, end - pos);
            pos = end;
        }
        pairs.append(std::move(pair));
    }
    return pairs;
}

std::optional<int> parseNumber(const QString& value, int minimum, int maximum)
{
    bool ok = false;
    const QString trimmed = value.trimmed();
    // Only plain decimal digits: no sign, no hexadecimal, no spaces inside.
    for (const QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    const qlonglong number = trimmed.toLongLong(&ok);
    if (!ok || number < minimum || number > maximum)
        return std::nullopt;
    return static_cast<int>(number);
}

std::optional<bool> parseSwitch(const QString& value)
{
    const QString trimmed = value.trimmed();
    if (trimmed != QLatin1String("0") && trimmed != QLatin1String("1"))
        return std::nullopt;
    return trimmed == QLatin1String("1");
}

// Fail items as written, "NAME:CODE" or "NAME.PART:CODE": which they name is known only once
// every index is stored.
bool addFailures(const QString& value, QList<std::pair<QString, int>>& failures, QString* error)
{
    for (const QString& item : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        // The code follows the last ':' so that a name may itself hold one.
        const qsizetype colon = item.lastIndexOf(QLatin1Char(':'));
        const std::optional<int> code = colon > 0 ? parseNumber(item.mid(colon + 1), 1, 99999) : std::nullopt;
        if (!code) {
            *error = QStringLiteral("Fail item '%1' is not NAME:CODE with CODE 1..99999").arg(item);
            return false;
        }
        failures.append({item.left(colon), *code});
    }
    return true;
}

bool hasPart(const SchemaIndex& index, const QString& name)
{
    for (const SchemaIndex::Partition& partition : index.partitions) {
        if (partition.name == name || partition.subpartitions.contains(name))
            return true;
    }
    return false;
}

// What a Fail item names: a stored index as a whole, else (split at the last '.') a partition or
// subpartition of one.
std::optional<std::pair<QString, QString>> failureTarget(
    const QString& target, const QHash<QString, const SchemaIndex*>& stored)
{
    if (stored.contains(target))
        return std::make_pair(target, QString());
    const qsizetype dot = target.lastIndexOf(u'.');
    const SchemaIndex* index = dot > 0 ? stored.value(target.left(dot)) : nullptr;
    if (!index || !hasPart(*index, target.mid(dot + 1)))
        return std::nullopt;
    return std::make_pair(index->name, target.mid(dot + 1));
}

SchemaIndex plainIndex(const QString& name)
{
    SchemaIndex index;
    index.name = name;
    return index;
}

QString generatedName(int number)
{
    return QStringLiteral("IDX_%1").arg(number, 6, 10, QLatin1Char('0'));
}

} // namespace

std::optional<SimulatorConfig> SimulatorConfig::parse(const QString& text, QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    const std::optional<QList<Pair>> pairs = splitPairs(text, error);
    if (!pairs)
        return std::nullopt;

    SimulatorConfig config;
    int generate = 0;
    QList<std::pair<QString, int>> failures;
    for (const Pair& pair : *pairs) {
        const QString key = pair.key.toUpper();
        if (key == QLatin1String("INDEXES")) {
            for (const QString& name : pair.value.split(QLatin1Char(','), Qt::SkipEmptyParts))
                config.indexes.append(plainIndex(name));
        } else if (key == QLatin1String("SCHEMA")) {
            std::optional<QList<SchemaIndex>> described = SchemaFile::read(pair.value, error);
            if (!described)
                return std::nullopt;
            config.indexes += *described;
        } else if (key == QLatin1String("GENERATE")) {
            const std::optional<int> count = parseNumber(pair.value, 0, maximumGenerated);
            if (!count) {
                *error = QStringLiteral("Generate must be a number from 0 to %1").arg(maximumGenerated);
                return std::nullopt;
            }
            generate = *count;
        } else if (key == QLatin1String("ONLINE")) {
            const std::optional<bool> online = parseSwitch(pair.value);
            if (!online) {
                *error = QStringLiteral("Online must be 0 or 1");
                return std::nullopt;
            }
            config.onlineEnabled = *online;
        } else if (key == QLatin1String("LONGTEXT")) {
            const std::optional<bool> longText = parseSwitch(pair.value);
            if (!longText) {
                *error = QStringLiteral("LongText must be 0 or 1");
                return std::nullopt;
            }
            config.longText = *longText;
        } else if (key == QLatin1String("RECORDS")) {
            const std::optional<int> records = parseNumber(pair.value, 1, 2);
            if (!records) {
                *error = QStringLiteral("Records must be 1 or 2");
                return std::nullopt;
            }
            config.records = *records;
        } else if (key == QLatin1String("FAIL")) {
            if (!addFailures(pair.value, failures, error))
                return std::nullopt;
        } else if (key == QLatin1String("EXPECTPWD")) {
            config.expectedPassword = pair.value;
        } else if (key == QLatin1String("PWD")) {
            config.password = pair.value;
        } else if (key == QLatin1String("UID")) {
            // The user is not checked: only the password decides a logon.
            config.user = pair.value;
        } else if (key == QLatin1String("DSN")) {
            config.dataSource = pair.value;
        } else if (key == QLatin1String("DRIVER")) {
            // The driver manager has already used it to find this driver.
        } else if (key == QLatin1String("DELAYMS")) {
            const std::optional<int> delay = parseNumber(pair.value, 0, 3600000);
            if (!delay) {
                *error = QStringLiteral("DelayMs must be a number of milliseconds up to one hour");
                return std::nullopt;
            }
            config.delayMs = *delay;
        } else if (key == QLatin1String("CONNECTDELAYMS")) {
            const std::optional<int> delay = parseNumber(pair.value, 0, 3600000);
            if (!delay) {
                *error = QStringLiteral("ConnectDelayMs must be a number of milliseconds up to one hour");
                return std::nullopt;
            }
            config.connectDelayMs = *delay;
        } else if (key == QLatin1String("LOCKTABLE")) {
            for (const QString& item : pair.value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const qsizetype colon = item.lastIndexOf(QLatin1Char(':'));
                const std::optional<int> ms
                    = colon > 0 ? parseNumber(item.mid(colon + 1), 1, 3600000) : std::nullopt;
                if (!ms) {
                    *error
                        = QStringLiteral("LockTable item '%1' is not TABLE:MS with MS 1..3600000").arg(item);
                    return std::nullopt;
                }
                config.tableLocks.insert(item.left(colon), *ms);
            }
        } else if (key == QLatin1String("LOSEAT")) {
            const std::optional<int> at = parseNumber(pair.value, 1, 1000000);
            if (!at) {
                *error = QStringLiteral("LoseAt must be a statement's number from 1 to 1000000");
                return std::nullopt;
            }
            config.loseAt = *at;
        } else if (key == QLatin1String("LOG")) {
            config.logPath = pair.value;
        } else {
            *error = QStringLiteral("unknown key '%1'").arg(pair.key);
            return std::nullopt;
        }
    }

    config.indexes.reserve(config.indexes.size() + generate);
    for (int number = 1; number <= generate; ++number)
        config.indexes.append(plainIndex(generatedName(number)));

    QHash<QString, const SchemaIndex*> stored;
    stored.reserve(config.indexes.size());
    for (const SchemaIndex& index : std::as_const(config.indexes)) {
        if (stored.contains(index.name)) {
            *error = QStringLiteral("index '%1' is listed twice").arg(index.name);
            return std::nullopt;
        }
        stored.insert(index.name, &index);
    }
    for (const auto& [target, code] : std::as_const(failures)) {
        const std::optional<std::pair<QString, QString>> named = failureTarget(target, stored);
        if (!named) {
            *error = QStringLiteral("Fail names '%1', which is not a stored index or partition").arg(target);
            return std::nullopt;
        }
        config.failures.insert(*named, code);
    }
    for (auto lock = config.tableLocks.cbegin(); lock != config.tableLocks.cend(); ++lock) {
        const bool known = std::any_of(config.indexes.cbegin(), config.indexes.cend(),
            [&lock](const SchemaIndex& index) { return index.table == lock.key(); });
        if (!known) {
            *error = QStringLiteral("LockTable names '%1', which is the table of no stored index")
                         .arg(lock.key());
            return std::nullopt;
        }
    }
    return config;
}
