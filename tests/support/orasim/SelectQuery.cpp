#include "SelectQuery.h"

#include "LikePattern.h"
#include "SqlLexer.h"

#include <algorithm>
#include <functional>
#include <memory>

// Reads the statement's tokens by recursive descent; any token out of place ends the reading.
class SelectParser
{
public:
    explicit SelectParser(SqlTokens tokens)
        : m_tokens(std::move(tokens))
    { }

    std::optional<SelectQuery> statement()
    {
        SelectQuery query;
        if (!m_tokens.acceptKeyword("SELECT"))
            return std::nullopt;
        do {
            std::optional<SelectQuery::ColumnRef> column = columnRef();
            if (!column)
                return std::nullopt;
            query.m_select.append(*column);
        } while (m_tokens.acceptSymbol(","));
        if (!m_tokens.acceptKeyword("FROM"))
            return std::nullopt;
        std::optional<SelectQuery::Source> first = source();
        if (!first)
            return std::nullopt;
        query.m_sources.append(*first);
        while (
            !m_tokens.atEnd() && !m_tokens.peek().isKeyword("WHERE") && !m_tokens.peek().isKeyword("ORDER")) {
            bool outer = false;
            if (m_tokens.acceptKeyword("LEFT")) {
                outer = true;
                m_tokens.acceptKeyword("OUTER");
            } else {
                m_tokens.acceptKeyword("INNER");
            }
            if (!m_tokens.acceptKeyword("JOIN"))
                return std::nullopt;
            std::optional<SelectQuery::Source> joined = source();
            if (!joined || !m_tokens.acceptKeyword("ON"))
                return std::nullopt;
            joined->outer = outer;
            joined->on = condition();
            if (!joined->on)
                return std::nullopt;
            query.m_sources.append(*joined);
        }
        if (m_tokens.acceptKeyword("WHERE")) {
            query.m_where = condition();
            if (!query.m_where)
                return std::nullopt;
        }
        if (m_tokens.acceptKeyword("ORDER")) {
            if (!m_tokens.acceptKeyword("BY"))
                return std::nullopt;
            do {
                std::optional<SelectQuery::OrderItem> item = orderItem();
                if (!item)
                    return std::nullopt;
                query.m_order.append(*item);
            } while (m_tokens.acceptSymbol(","));
        }
        if (!m_tokens.atEnd())
            return std::nullopt;
        return query;
    }

private:
    // Words the grammar gives a meaning of its own; unquoted, they name nothing.
    static bool reserved(const SqlToken& token)
    {
        static const char* const words[] = {"SELECT", "FROM", "WHERE", "AND", "OR", "NOT", "LIKE", "ESCAPE",
            "IN", "IS", "NULL", "ORDER", "BY", "LEFT", "INNER", "OUTER", "JOIN", "ON", "ASC", "DESC"};
        return std::any_of(
            std::begin(words), std::end(words), [&](const char* w) { return token.isKeyword(w); });
    }

    std::optional<QString> name()
    {
        const SqlToken& token = m_tokens.peek();
        if (!token.isName() || (token.kind == SqlToken::Kind::Word && reserved(token)))
            return std::nullopt;
        return m_tokens.next().text;
    }

    std::optional<SelectQuery::ColumnRef> columnRef()
    {
        std::optional<QString> first = name();
        if (!first)
            return std::nullopt;
        if (!m_tokens.acceptSymbol("."))
            return SelectQuery::ColumnRef {QString(), *first};
        std::optional<QString> second = name();
        if (!second)
            return std::nullopt;
        return SelectQuery::ColumnRef {*first, *second};
    }

    std::optional<SelectQuery::Source> source()
    {
        std::optional<QString> view = name();
        if (!view)
            return std::nullopt;
        SelectQuery::Source source;
        source.view = *view;
        if (std::optional<QString> alias = name())
            source.alias = *alias;
        return source;
    }

    std::optional<SelectQuery::Operand> operand()
    {
        using Kind = SelectQuery::Operand::Kind;
        const SqlToken& token = m_tokens.peek();
        SelectQuery::Operand result;
        if (token.kind == SqlToken::Kind::String) {
            result.kind = Kind::Text;
            result.text = m_tokens.next().text;
        } else if (token.kind == SqlToken::Kind::Number) {
            bool ok = false;
            result.number = m_tokens.next().text.toLongLong(&ok);
            if (!ok)
                return std::nullopt;
            result.kind = Kind::Number;
        } else if (m_tokens.acceptKeyword("NULL")) {
            result.kind = Kind::Null;
        } else {
            std::optional<SelectQuery::ColumnRef> column = columnRef();
            if (!column)
                return std::nullopt;
            result.kind = Kind::Column;
            result.column = *column;
        }
        return result;
    }

    std::optional<SelectQuery::Condition> condition()
    {
        return junction("OR", SelectQuery::Condition::Kind::Or);
    }

    std::optional<SelectQuery::Condition> junction(const char* word, SelectQuery::Condition::Kind kind)
    {
        const auto part = [&] {
            return kind == SelectQuery::Condition::Kind::Or
                ? junction("AND", SelectQuery::Condition::Kind::And)
                : negation();
        };
        std::optional<SelectQuery::Condition> first = part();
        if (!first || !m_tokens.peek().isKeyword(word))
            return first;
        SelectQuery::Condition result;
        result.kind = kind;
        result.children.push_back(std::move(*first));
        while (m_tokens.acceptKeyword(word)) {
            std::optional<SelectQuery::Condition> next = part();
            if (!next)
                return std::nullopt;
            result.children.push_back(std::move(*next));
        }
        return result;
    }

    std::optional<SelectQuery::Condition> negation()
    {
        if (!m_tokens.acceptKeyword("NOT"))
            return predicate();
        std::optional<SelectQuery::Condition> inner = negation();
        if (!inner)
            return std::nullopt;
        SelectQuery::Condition result;
        result.kind = SelectQuery::Condition::Kind::Not;
        result.children.push_back(std::move(*inner));
        return result;
    }

    std::optional<SelectQuery::Condition> predicate()
    {
        using Kind = SelectQuery::Condition::Kind;
        if (m_tokens.acceptSymbol("(")) {
            std::optional<SelectQuery::Condition> inner = condition();
            if (!inner || !m_tokens.acceptSymbol(")"))
                return std::nullopt;
            return inner;
        }
        std::optional<SelectQuery::Operand> left = operand();
        if (!left)
            return std::nullopt;
        SelectQuery::Condition result;
        result.operands.append(*left);
        const SqlToken& token = m_tokens.peek();
        static const char* const comparisons[] = {"=", "<>", "!="};
        for (const char* comparison : comparisons) {
            if (token.isSymbol(comparison)) {
                m_tokens.next();
                std::optional<SelectQuery::Operand> right = operand();
                if (!right)
                    return std::nullopt;
                result.kind = Kind::Compare;
                result.comparison = QString::fromLatin1(comparison);
                result.operands.append(*right);
                return result;
            }
        }
        if (m_tokens.acceptKeyword("IS")) {
            result.kind = Kind::IsNull;
            result.negated = m_tokens.acceptKeyword("NOT");
            if (!m_tokens.acceptKeyword("NULL"))
                return std::nullopt;
            return result;
        }
        result.negated = m_tokens.acceptKeyword("NOT");
        if (m_tokens.acceptKeyword("LIKE")) {
            result.kind = Kind::Like;
            std::optional<SelectQuery::Operand> pattern = operand();
            if (!pattern || pattern->kind != SelectQuery::Operand::Kind::Text)
                return std::nullopt;
            result.operands.append(*pattern);
            if (m_tokens.acceptKeyword("ESCAPE")) {
                std::optional<SelectQuery::Operand> escape = operand();
                if (!escape || escape->kind != SelectQuery::Operand::Kind::Text)
                    return std::nullopt;
                result.operands.append(*escape);
            }
            return result;
        }
        if (m_tokens.acceptKeyword("IN")) {
            result.kind = Kind::In;
            if (!m_tokens.acceptSymbol("("))
                return std::nullopt;
            do {
                std::optional<SelectQuery::Operand> item = operand();
                if (!item)
                    return std::nullopt;
                result.operands.append(*item);
            } while (m_tokens.acceptSymbol(","));
            if (!m_tokens.acceptSymbol(")"))
                return std::nullopt;
            return result;
        }
        return std::nullopt;
    }

    std::optional<SelectQuery::OrderItem> orderItem()
    {
        SelectQuery::OrderItem item;
        if (m_tokens.peek().kind == SqlToken::Kind::Number) {
            bool ok = false;
            item.position = m_tokens.next().text.toInt(&ok);
            if (!ok)
                item.position = -1;
        } else {
            item.column = columnRef();
            if (!item.column)
                return std::nullopt;
        }
        if (m_tokens.acceptKeyword("DESC"))
            item.descending = true;
        else
            m_tokens.acceptKeyword("ASC");
        return item;
    }

    SqlTokens m_tokens;
};

std::optional<SelectQuery> SelectQuery::parse(const QString& sql)
{
    std::optional<SqlTokens> tokens = SqlTokens::read(sql);
    if (!tokens)
        return std::nullopt;
    return SelectParser(std::move(*tokens)).statement();
}

namespace {

// A joined row: one row number per source, -1 where an outer join found no row.
using JoinedRow = const qsizetype*;
using Value = std::function<QVariant(JoinedRow)>;
using Test = std::function<std::optional<bool>(JoinedRow)>; // no value: unknown

struct Failure
{
    OraError error;
};

[[noreturn]] void fail(int code, const QString& detail = QString())
{
    throw Failure {OraError::fromCode(code, detail)};
}

// Oracle's binary order of texts: by code point, which UTF-16 order is not beyond U+FFFF.
int compareCodePoints(const QString& a, const QString& b)
{
    const QList<uint> x = a.toUcs4();
    const QList<uint> y = b.toUcs4();
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end()) ? -1 : (x == y ? 0 : 1);
}

qlonglong asNumber(const QVariant& value)
{
    if (value.typeId() == QMetaType::LongLong)
        return value.toLongLong();
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    if (!ok)
        fail(1722);
    return number;
}

// Both values are known (not NULL).
int compareValues(const QVariant& a, const QVariant& b)
{
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return compareCodePoints(a.toString(), b.toString());
    const qlonglong x = asNumber(a);
    const qlonglong y = asNumber(b);
    return x < y ? -1 : (x == y ? 0 : 1);
}

std::optional<bool> negate(std::optional<bool> value)
{
    return value ? std::optional<bool>(!*value) : std::nullopt;
}

QString asText(const QVariant& value)
{
    return value.typeId() == QMetaType::LongLong ? QString::number(value.toLongLong()) : value.toString();
}

// Names columns and views against the dictionary and turns the statement into functions of a
// joined row.
class Binder
{
public:
    Binder(const Dictionary& dictionary, const QList<SelectQuery::Source>& sources)
        : m_dictionary(dictionary)
    {
        for (const SelectQuery::Source& source : sources) {
            const Dictionary::View* view = dictionary.view(source.view);
            if (!view)
                fail(942);
            m_views.append(view);
            m_names.append(source.alias.isEmpty() ? source.view : source.alias);
        }
    }

    const Dictionary::View& view(qsizetype source) const { return *m_views.at(source); }
    qsizetype sourceCount() const { return m_views.size(); }

    // The column's source and position among the first `visible` sources.
    std::pair<qsizetype, qsizetype> resolve(const SelectQuery::ColumnRef& ref, qsizetype visible) const
    {
        std::optional<std::pair<qsizetype, qsizetype>> found;
        for (qsizetype source = 0; source < visible; ++source) {
            if (!ref.qualifier.isEmpty() && ref.qualifier != m_names.at(source))
                continue;
            const QList<Dictionary::Column>& columns = m_views.at(source)->columns;
            for (qsizetype column = 0; column < columns.size(); ++column) {
                if (columns.at(column).name != ref.name)
                    continue;
                if (found)
                    fail(918);
                found = std::make_pair(source, column);
            }
        }
        if (!found)
            fail(904,
                (ref.qualifier.isEmpty() ? QString() : u'"' + ref.qualifier + QStringLiteral("\".")) + u'"'
                    + ref.name + u'"');
        return *found;
    }

    Value value(const SelectQuery::Operand& operand, qsizetype visible) const
    {
        using Kind = SelectQuery::Operand::Kind;
        switch (operand.kind) {
        case Kind::Column: {
            const auto [source, column] = resolve(operand.column, visible);
            const Dictionary::View* view = m_views.at(source);
            const Dictionary* dictionary = &m_dictionary;
            return [=](JoinedRow row) {
                return row[source] < 0 ? QVariant() : dictionary->value(*view, row[source], column);
            };
        }
        case Kind::Text: {
            // '' is NULL to Oracle.
            const QVariant text = operand.text.isEmpty() ? QVariant() : QVariant(operand.text);
            return [text](JoinedRow) { return text; };
        }
        case Kind::Number: {
            const QVariant number(operand.number);
            return [number](JoinedRow) { return number; };
        }
        case Kind::Null:
            break;
        }
        return [](JoinedRow) { return QVariant(); };
    }

    Test test(const SelectQuery::Condition& condition, qsizetype visible) const
    {
        using Kind = SelectQuery::Condition::Kind;
        switch (condition.kind) {
        case Kind::And:
        case Kind::Or: {
            QList<Test> parts;
            for (const SelectQuery::Condition& child : condition.children)
                parts.append(test(child, visible));
            const bool isAnd = condition.kind == Kind::And;
            return [parts, isAnd](JoinedRow row) -> std::optional<bool> {
                bool unknown = false;
                for (const Test& part : parts) {
                    const std::optional<bool> result = part(row);
                    if (!result)
                        unknown = true;
                    else if (*result != isAnd)
                        return !isAnd;
                }
                return unknown ? std::nullopt : std::optional<bool>(isAnd);
            };
        }
        case Kind::Not: {
            const Test inner = test(condition.children.front(), visible);
            return [inner](JoinedRow row) { return negate(inner(row)); };
        }
        case Kind::Compare: {
            const Value left = value(condition.operands.at(0), visible);
            const Value right = value(condition.operands.at(1), visible);
            const QString op = condition.comparison;
            return [left, right, op](JoinedRow row) -> std::optional<bool> {
                const QVariant a = left(row);
                const QVariant b = right(row);
                if (a.isNull() || b.isNull())
                    return std::nullopt;
                return (compareValues(a, b) == 0) == (op == u"=");
            };
        }
        case Kind::Like:
            return like(condition, visible);
        case Kind::In: {
            const Value probe = value(condition.operands.at(0), visible);
            QList<Value> items;
            for (qsizetype i = 1; i < condition.operands.size(); ++i)
                items.append(value(condition.operands.at(i), visible));
            const bool negated = condition.negated;
            return [probe, items, negated](JoinedRow row) -> std::optional<bool> {
                const QVariant a = probe(row);
                std::optional<bool> result = false;
                for (const Value& item : items) {
                    const QVariant b = item(row);
                    if (a.isNull() || b.isNull())
                        result = std::nullopt;
                    else if (compareValues(a, b) == 0)
                        return !negated;
                }
                return negated ? negate(result) : result;
            };
        }
        case Kind::IsNull: {
            const Value probe = value(condition.operands.at(0), visible);
            const bool negated = condition.negated;
            return [probe, negated](
                       JoinedRow row) -> std::optional<bool> { return probe(row).isNull() != negated; };
        }
        }
        return [](JoinedRow) { return std::nullopt; };
    }

private:
    Test like(const SelectQuery::Condition& condition, qsizetype visible) const
    {
        const Value probe = value(condition.operands.at(0), visible);
        const std::optional<QString> escape = condition.operands.size() > 2
            ? std::optional<QString>(condition.operands.at(2).text)
            : std::nullopt;
        const bool negated = condition.negated;
        // The pattern is a literal (the grammar takes no other), read once; a faulty one is refused
        // whatever the rows.
        const QString& written = condition.operands.at(1).text;
        const auto pattern = std::make_shared<LikePattern>(written, escape);
        if (pattern->error())
            throw Failure {*pattern->error()};
        const bool isNull = written.isEmpty();
        return [probe, pattern, isNull, negated](JoinedRow row) -> std::optional<bool> {
            const QVariant text = probe(row);
            if (isNull || text.isNull())
                return std::nullopt;
            return pattern->matches(asText(text)) != negated;
        };
    }

    const Dictionary& m_dictionary;
    QList<const Dictionary::View*> m_views;
    QStringList m_names; // what qualifies each source's columns: its alias, else the view's name
};

// As Oracle orders: NULL last going up, first going down.
int compareForOrder(const QVariant& a, const QVariant& b, const SelectQuery::OrderItem& item)
{
    if (a.isNull() || b.isNull()) {
        if (a.isNull() == b.isNull())
            return 0;
        return a.isNull() == item.descending ? -1 : 1;
    }
    const int order = compareValues(a, b);
    return item.descending ? -order : order;
}

} // namespace

QString QueryResult::value(qsizetype row, qsizetype column) const
{
    const Column& wanted = columns.at(column);
    const qsizetype at = m_rows.at(std::size_t(row * m_stride + wanted.source));
    if (at < 0)
        return QString();
    const QVariant value = m_dictionary->value(*m_views.at(wanted.source), at, wanted.column);
    return value.isNull() ? QString() : asText(value);
}

std::variant<QueryResult, OraError> SelectQuery::run(std::shared_ptr<const Dictionary> dictionary) const
{
    try {
        const Binder binder(*dictionary, m_sources);
        const qsizetype stride = binder.sourceCount();

        // The FROM clause: every row of the first view, then each join in turn.
        std::vector<qsizetype> rows;
        rows.reserve(std::size_t(binder.view(0).rowCount * stride));
        for (qsizetype r = 0; r < binder.view(0).rowCount; ++r) {
            rows.push_back(r);
            rows.insert(rows.end(), std::size_t(stride - 1), -1);
        }
        for (qsizetype source = 1; source < stride; ++source) {
            const Test on = binder.test(*m_sources.at(source).on, source + 1);
            std::vector<qsizetype> joined;
            std::vector<qsizetype> row(static_cast<std::size_t>(stride));
            for (std::size_t at = 0; at < rows.size(); at += std::size_t(stride)) {
                std::copy_n(rows.begin() + qsizetype(at), stride, row.begin());
                bool matched = false;
                for (qsizetype r = 0; r < binder.view(source).rowCount; ++r) {
                    row[std::size_t(source)] = r;
                    if (on(row.data()).value_or(false)) {
                        joined.insert(joined.end(), row.begin(), row.end());
                        matched = true;
                    }
                }
                if (!matched && m_sources.at(source).outer) {
                    row[std::size_t(source)] = -1;
                    joined.insert(joined.end(), row.begin(), row.end());
                }
            }
            rows = std::move(joined);
        }

        std::vector<JoinedRow> kept;
        const Test where = m_where ? binder.test(*m_where, stride) : Test();
        for (std::size_t at = 0; at < rows.size(); at += std::size_t(stride)) {
            if (!where || where(rows.data() + at).value_or(false))
                kept.push_back(rows.data() + at);
        }

        QueryResult result;
        QList<Value> selected;
        for (const ColumnRef& column : m_select) {
            const auto [source, position] = binder.resolve(column, stride);
            QueryResult::Column out;
            out.description = binder.view(source).columns.at(position);
            // The columns of an outer join's right side may come out NULL.
            out.description.nullable = out.description.nullable || m_sources.at(source).outer;
            out.source = source;
            out.column = position;
            result.columns.append(out);
            Operand operand;
            operand.kind = Operand::Kind::Column;
            operand.column = column;
            selected.append(binder.value(operand, stride));
        }

        if (!m_order.isEmpty()) {
            QList<Value> keys;
            for (const OrderItem& item : m_order) {
                if (item.column) {
                    Operand operand;
                    operand.kind = Operand::Kind::Column;
                    operand.column = *item.column;
                    keys.append(binder.value(operand, stride));
                } else if (item.position >= 1 && item.position <= selected.size()) {
                    keys.append(selected.at(item.position - 1));
                } else {
                    fail(1785);
                }
            }
            // Keys are read as rows are compared, not kept: a large result stays small. Equal
            // keys keep the rows' order.
            std::stable_sort(kept.begin(), kept.end(), [&](JoinedRow a, JoinedRow b) {
                for (qsizetype k = 0; k < keys.size(); ++k) {
                    const int order = compareForOrder(keys.at(k)(a), keys.at(k)(b), m_order.at(k));
                    if (order != 0)
                        return order < 0;
                }
                return false;
            });
        }

        for (qsizetype source = 0; source < stride; ++source)
            result.m_views.append(&binder.view(source));
        result.m_stride = stride;
        result.m_rows.reserve(kept.size() * std::size_t(stride));
        for (JoinedRow row : kept)
            result.m_rows.insert(result.m_rows.end(), row, row + stride);
        result.m_dictionary = std::move(dictionary);
        return result;
    } catch (const Failure& failure) {
        return failure.error;
    }
}
