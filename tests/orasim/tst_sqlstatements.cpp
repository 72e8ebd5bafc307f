#include "AlterIndexStatement.h"
#include "DictionaryQuery.h"

#include <QTest>

class TestSqlStatements : public QObject
{
    Q_OBJECT

private slots:
    void alterIndex_data();
    void alterIndex();
    void notAlterIndex_data();
    void notAlterIndex();
    void dictionaryQuery_data();
    void dictionaryQuery();
    void notDictionaryQuery_data();
    void notDictionaryQuery();
};

namespace {

const QString programQuery
    = QStringLiteral("SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS_%' ORDER BY 1");

} // namespace

void TestSqlStatements::alterIndex_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("online");

    QTest::newRow("plain") << "ALTER INDEX IDX_A REBUILD"
                           << "IDX_A" << false;
    QTest::newRow("online") << "ALTER INDEX IDX_A REBUILD ONLINE"
                            << "IDX_A" << true;
    QTest::newRow("unquoted is upper-cased") << "alter index idx_a rebuild online"
                                             << "IDX_A" << true;
    QTest::newRow("mixed case unquoted") << "Alter Index Idx_a Rebuild"
                                         << "IDX_A" << false;
    QTest::newRow("white space") << "  ALTER\tINDEX\n idx_a   REBUILD \r\n  ONLINE  "
                                 << "IDX_A" << true;
    QTest::newRow("quoted is exact") << "ALTER INDEX \"idx_a\" REBUILD"
                                     << "idx_a" << false;
    QTest::newRow("quoted upper") << "ALTER INDEX \"IDX_A\" REBUILD"
                                  << "IDX_A" << false;
    QTest::newRow("doubled quote") << "ALTER INDEX \"my \"\"q\"\" idx\" REBUILD"
                                   << "my \"q\" idx" << false;
    QTest::newRow("quoted then keyword without space") << "ALTER INDEX \"x\"REBUILD"
                                                       << "x" << false;
    QTest::newRow("word characters") << "ALTER INDEX Idx$1#x REBUILD"
                                     << "IDX$1#X" << false;
    QTest::newRow("name like a keyword") << "ALTER INDEX rebuild REBUILD"
                                         << "REBUILD" << false;
    QTest::newRow("quoted keyword") << "ALTER INDEX \"ONLINE\" REBUILD ONLINE"
                                    << "ONLINE" << true;
    QTest::newRow("quoted non-ASCII") << QString::fromUtf8("ALTER INDEX \"\xC3\xADndice\" REBUILD")
                                      << QString::fromUtf8("\xC3\xADndice") << false;
}

void TestSqlStatements::alterIndex()
{
    QFETCH(QString, sql);
    QFETCH(QString, name);
    QFETCH(bool, online);

    const std::optional<AlterIndexStatement> statement = AlterIndexStatement::parse(sql);
    QVERIFY(statement);
    QCOMPARE(statement->indexName, name);
    QCOMPARE(statement->online, online);
}

void TestSqlStatements::notAlterIndex_data()
{
    QTest::addColumn<QString>("sql");

    QTest::newRow("empty") << "";
    QTest::newRow("no name") << "ALTER INDEX";
    QTest::newRow("no REBUILD") << "ALTER INDEX IDX_A";
    QTest::newRow("trailing words") << "ALTER INDEX IDX_A REBUILD ONLINE NOW";
    QTest::newRow("trailing semicolon") << "ALTER INDEX IDX_A REBUILD;";
    QTest::newRow("zero-length quoted name") << "ALTER INDEX \"\" REBUILD";
    QTest::newRow("unterminated quote") << "ALTER INDEX \"IDX_A REBUILD";
    QTest::newRow("space in unquoted name") << "ALTER INDEX my idx REBUILD";
    QTest::newRow("dash in unquoted name") << "ALTER INDEX IDX-A REBUILD";
    QTest::newRow("starts with digit") << "ALTER INDEX 1IDX REBUILD";
    QTest::newRow("schema-qualified") << "ALTER INDEX SCOTT.IDX_A REBUILD";
    QTest::newRow("other object") << "ALTER TABLE T REBUILD";
    QTest::newRow("quoted keyword") << "\"ALTER\" INDEX IDX_A REBUILD";
    QTest::newRow("words swapped") << "ALTER INDEX IDX_A ONLINE REBUILD";
    QTest::newRow("keywords run together") << "ALTERINDEX IDX_A REBUILD";
    QTest::newRow("string literal as name") << "ALTER INDEX 'IDX_A' REBUILD";
    QTest::newRow("dictionary query") << programQuery;
}

void TestSqlStatements::notAlterIndex()
{
    QFETCH(QString, sql);
    QVERIFY(!AlterIndexStatement::parse(sql));
}

void TestSqlStatements::dictionaryQuery_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("hasFilter");
    QTest::addColumn<bool>("negated");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("hasEscape");
    QTest::addColumn<QString>("escape");
    QTest::addColumn<bool>("ordered");

    QTest::newRow("the program's query") << programQuery << true << true << "SYS_%" << false << "" << true;
    QTest::newRow("lower case, spread out")
        << "select  index_name\nfrom user_indexes\twhere not index_name like 'SYS_%'  order by 1 " << true
        << true << "SYS_%" << false << "" << true;
    QTest::newRow("with escape")
        << "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS\\_%' ESCAPE '\\' ORDER BY 1"
        << true << true << "SYS\\_%" << true << "\\" << true;
    QTest::newRow("NOT LIKE form")
        << "SELECT index_name FROM user_indexes WHERE index_name NOT LIKE 'X%' ORDER BY 1" << true << true
        << "X%" << false << "" << true;
    QTest::newRow("positive LIKE") << "SELECT index_name FROM user_indexes WHERE index_name LIKE 'X%'" << true
                                   << false << "X%" << false << "" << false;
    QTest::newRow("doubled quote in literal")
        << "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'O''X%' ORDER BY 1" << true << true
        << "O'X%" << false << "" << true;
    QTest::newRow("no WHERE") << "SELECT index_name FROM user_indexes ORDER BY 1" << false << false << ""
                              << false << "" << true;
    QTest::newRow("no WHERE, no ORDER BY")
        << "SELECT index_name FROM user_indexes" << false << false << "" << false << "" << false;
    QTest::newRow("ORDER BY the column") << "SELECT index_name FROM user_indexes ORDER BY index_name" << false
                                         << false << "" << false << "" << true;
    QTest::newRow("quoted upper-case names")
        << "SELECT \"INDEX_NAME\" FROM \"USER_INDEXES\" WHERE NOT \"INDEX_NAME\" LIKE 'SYS_%' ORDER BY 1"
        << true << true << "SYS_%" << false << "" << true;
}

void TestSqlStatements::dictionaryQuery()
{
    QFETCH(QString, sql);
    QFETCH(bool, hasFilter);
    QFETCH(bool, negated);
    QFETCH(QString, pattern);
    QFETCH(bool, hasEscape);
    QFETCH(QString, escape);
    QFETCH(bool, ordered);

    const std::optional<DictionaryQuery> query = DictionaryQuery::parse(sql);
    QVERIFY(query);
    QCOMPARE(query->ordered, ordered);
    QCOMPARE(bool(query->filter), hasFilter);
    if (!hasFilter)
        return;
    QCOMPARE(query->filter->negated, negated);
    QCOMPARE(query->filter->pattern, pattern);
    QCOMPARE(bool(query->filter->escape), hasEscape);
    if (hasEscape)
        QCOMPARE(*query->filter->escape, escape);
}

void TestSqlStatements::notDictionaryQuery_data()
{
    QTest::addColumn<QString>("sql");

    QTest::newRow("empty") << "";
    QTest::newRow("other column position") << "SELECT index_name FROM user_indexes ORDER BY 2";
    QTest::newRow("trailing semicolon") << programQuery + QLatin1Char(';');
    QTest::newRow("star") << "SELECT * FROM user_indexes";
    QTest::newRow("two columns") << "SELECT index_name, index_name FROM user_indexes";
    QTest::newRow("other view") << "SELECT index_name FROM all_indexes";
    QTest::newRow("quoted lower-case column") << "SELECT \"index_name\" FROM user_indexes";
    QTest::newRow("unquoted pattern")
        << "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE SYS_%";
    QTest::newRow("ESCAPE without literal")
        << "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS_%' ESCAPE ORDER BY 1";
    QTest::newRow("NOT twice") << "SELECT index_name FROM user_indexes WHERE NOT index_name NOT LIKE 'X'";
    QTest::newRow("unterminated literal")
        << "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS_%";
    QTest::newRow("ORDER without BY") << "SELECT index_name FROM user_indexes ORDER 1";
    QTest::newRow("WHERE on other column")
        << "SELECT index_name FROM user_indexes WHERE NOT table_name LIKE 'X'";
    QTest::newRow("rebuild statement") << "ALTER INDEX IDX_A REBUILD";
}

void TestSqlStatements::notDictionaryQuery()
{
    QFETCH(QString, sql);
    QVERIFY(!DictionaryQuery::parse(sql));
}

QTEST_GUILESS_MAIN(TestSqlStatements)
#include "tst_sqlstatements.moc"
