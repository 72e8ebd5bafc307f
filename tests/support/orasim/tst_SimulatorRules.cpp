#include "LogLines.h"
#include "OracleSimulator.h"
#include "OracleSql.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The simulated server's rules, one table each: what queries on the dictionary return (the
// views of every kind of index, joins, LIKE with ESCAPE, NULL, binary order, names stored
// exactly), how ALTER INDEX resolves names and in which order it checks, which configurations
// are refused, the logon, the delay and the log.
class tst_SimulatorRules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void queries_data();
    void queries();
    void statements_data();
    void statements();
    void configurationRefused_data();
    void configurationRefused();
    void largestGeneratedSchema();
    void logon_data();
    void logon();
    void delayOnlyForSuccessfulRebuilds_data();
    void delayOnlyForSuccessfulRebuilds();
    void sessionLog();
    void tableLocks_data();
    void tableLocks();
    void lostConnection();

private:
    // A schema file with these lines, in a folder of the suite's own.
    QString schemaFile(const QString& lines);

    QTemporaryDir m_dir;
    int m_files = 0;
};

namespace {

OracleSimulator simulator(const QString& configText, OracleSimulator::Sleeper sleeper = {})
{
    QString error;
    std::optional<SimulatorConfig> config = SimulatorConfig::parse(configText, &error);
    if (!config)
        qFatal("test configuration rejected: %s", qPrintable(error));
    // Tests never really block: a rebuild's delay is recorded, not slept, unless a test asks.
    if (!sleeper)
        sleeper = [](int) {};
    return OracleSimulator(std::move(*config), std::move(sleeper));
}

// Index names with "SYS" and at least one more character left out ("_" unescaped).
const QString sysLikeQuery
    = QStringLiteral("SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS_%' ORDER BY 1");
const QString edgeNames = QStringLiteral("Indexes=SYS_A,SYSTEM_X_IDX,SYS,SYSX,IDX_A,sys_lower");
const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80"); // U+1F600, two UTF-16 units
// Every kind of index: the recycle bin, partitioned and composite, LOB, IOT, temporary.
const QString mixed = QStringLiteral("Schema=" TARVELIN_ORASIM_SCHEMAS "/mixed.schema");

QString select(const QString& where)
{
    return QStringLiteral("SELECT index_name FROM user_indexes WHERE ") + where;
}

// Each row's values joined by '|', NULL written as NULL.
QStringList rowsOf(const QueryResult& result)
{
    QStringList rows;
    for (qsizetype row = 0; row < result.rowCount(); ++row) {
        QStringList values;
        for (qsizetype column = 0; column < result.columns.size(); ++column) {
            const QString value = result.value(row, column);
            values << (value.isNull() ? QStringLiteral("NULL") : value);
        }
        rows << values.join(u'|');
    }
    return rows;
}

} // namespace

void tst_SimulatorRules::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString tst_SimulatorRules::schemaFile(const QString& lines)
{
    const QString path = m_dir.filePath(QStringLiteral("schema-%1.txt").arg(++m_files));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(lines.toUtf8()) < 0)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void tst_SimulatorRules::queries_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("rows");

    // '_' is exactly one character: SYS_% takes SYS plus at least one more, in upper case only.
    QTest::newRow("SYS_% unescaped") << edgeNames << sysLikeQuery
                                     << QStringList {"IDX_A", "SYS", "sys_lower"};
    QTest::newRow("escaped underscore")
        << edgeNames << select("NOT index_name LIKE 'SYS\\_%' ESCAPE '\\' ORDER BY 1")
        << QStringList {"IDX_A", "SYS", "SYSTEM_X_IDX", "SYSX", "sys_lower"};
    QTest::newRow("positive LIKE") << edgeNames << select("index_name LIKE 'SYS_%' ORDER BY 1")
                                   << QStringList {"SYSTEM_X_IDX", "SYSX", "SYS_A"};
    QTest::newRow("NOT LIKE form") << edgeNames << select("index_name NOT LIKE 'SYS_%' ORDER BY index_name")
                                   << QStringList {"IDX_A", "SYS", "sys_lower"};
    QTest::newRow("NOT before NOT LIKE") << edgeNames << select("NOT index_name NOT LIKE 'SYS_%' ORDER BY 1")
                                         << QStringList {"SYSTEM_X_IDX", "SYSX", "SYS_A"};
    QTest::newRow("keywords in any case, spread out")
        << edgeNames
        << "select  index_name\nfrom user_indexes\twhere not index_name like 'SYS_%'  order by 1 "
        << QStringList {"IDX_A", "SYS", "sys_lower"};
    QTest::newRow("quoted upper-case names")
        << edgeNames
        << "SELECT \"INDEX_NAME\" FROM \"USER_INDEXES\" WHERE NOT \"INDEX_NAME\" LIKE 'SYS_%' ORDER BY 1"
        << QStringList {"IDX_A", "SYS", "sys_lower"};
    QTest::newRow("without an ESCAPE clause a backslash is a character")
        << "Indexes=SYS\\AB,SYS_A" << select("index_name LIKE 'SYS\\_%'") << QStringList {"SYS\\AB"};
    QTest::newRow("% backtracks") << "Indexes=AABC,ABCD" << select("index_name LIKE '%A_C'")
                                  << QStringList {"AABC"};
    QTest::newRow("% then a literal end")
        << "Indexes=XABYAB,ABA,AB,AXXBC,ABB" << select("index_name LIKE 'A%B'") << QStringList {"AB", "ABB"};
    QTest::newRow("% twice") << "Indexes=XABYAB,ABA,ABAB" << select("index_name LIKE '%AB%AB'")
                             << QStringList {"XABYAB", "ABAB"};
    QTest::newRow("_ is one code point") << "Indexes=A" + smile + ",A" + smile + smile
                                         << select("index_name LIKE 'A_'") << QStringList {"A" + smile};
    QTest::newRow("escape beyond U+FFFF")
        << "Indexes=_,x" << select("index_name LIKE '" + smile + "_' ESCAPE '" + smile + "'")
        << QStringList {"_"};
    QTest::newRow("escaped escape") << "Indexes=!,!!" << select("index_name LIKE '!!' ESCAPE '!'")
                                    << QStringList {"!"};
    QTest::newRow("percent as escape")
        << "Indexes=10%,10%5" << select("index_name LIKE '10%%' ESCAPE '%'") << QStringList {"10%"};
    QTest::newRow("doubled quote in the pattern")
        << "Indexes=O'XA,OX" << select("index_name LIKE 'O''X%'") << QStringList {"O'XA"};
    // The server's binary order: code points, so upper case before '_' before lower case, and a
    // character beyond U+FFFF after U+FF21 although its first UTF-16 unit is smaller.
    QTest::newRow("binary order")
        << QString::fromUtf8("Indexes=b,B,a,A,_x,Z,AB,A B,%1,\xEF\xBC\xA1,\xC3\xA9").arg(smile)
        << "SELECT index_name FROM user_indexes ORDER BY 1"
        << QStringList {"A", "A B", "AB", "B", "Z", "_x", "a", "b", QString::fromUtf8("\xC3\xA9"),
               QString::fromUtf8("\xEF\xBC\xA1"), smile};
    QTest::newRow("without ORDER BY the stored order")
        << "Indexes=Z,SYSX,A,M" << select("NOT index_name LIKE 'SYS_%'") << QStringList {"Z", "A", "M"};
    // An empty text is NULL to the server: neither LIKE nor NOT LIKE lets a row through.
    QTest::newRow("empty pattern, NOT LIKE")
        << edgeNames << select("NOT index_name LIKE ''") << QStringList {};
    QTest::newRow("empty pattern, LIKE") << edgeNames << select("index_name LIKE ''") << QStringList {};
    QTest::newRow("names stored exactly") << "Indexes=IDX_A,idx_b, Spaced Name ,My\"Q\"Idx"
                                          << "SELECT index_name FROM user_indexes"
                                          << QStringList {"IDX_A", "idx_b", " Spaced Name ", "My\"Q\"Idx"};
    QTest::newRow("empty items skipped, repeated and braced keys add")
        << "indexes=B,,;INDEXES={A,C}"
        << "SELECT index_name FROM user_indexes" << QStringList {"B", "A", "C"};
    QTest::newRow("generated after the listed ones")
        << "Generate=3;Indexes=SYS_X,A_FIRST" << sysLikeQuery
        << QStringList {"A_FIRST", "IDX_000001", "IDX_000002", "IDX_000003"};
    QTest::newRow("no indexes") << "" << sysLikeQuery << QStringList {};

    // The dictionary views of a real schema, each kind of index as Oracle describes it.
    QTest::newRow("USER_INDEXES of every kind")
        << mixed
        << "SELECT index_name, index_type, partitioned, temporary, dropped, table_name FROM user_indexes "
           "WHERE index_name NOT LIKE 'SYS%' ORDER BY 1"
        << QStringList {"BIN$n3kL0DqzRMeGRm1E2nF0sA==$0|NORMAL|NO|N|YES|BIN$Y8Q2m1iNTm+Kc1cHcBXq5g==$0",
               "CLIENTES_ALTA_IX|NORMAL|YES|N|NO|CLIENTES", "CLIENTES_PK|NORMAL|NO|N|NO|CLIENTES",
               "DATE|NORMAL|YES|N|NO|CALENDARIO", "DOCUMENTOS_LOB_IX|LOB|NO|N|NO|DOCUMENTOS",
               "MOVIMIENTOS_IX|NORMAL|YES|N|NO|MOVIMIENTOS", "PEDIDOS_IOT_PK|IOT - TOP|NO|N|NO|PEDIDOS_IOT",
               "TMP_CARGA_IX|NORMAL|NO|Y|NO|TMP_CARGA", "ZONAS_PK|NORMAL|NO|N|NO|ZONAS"};
    QTest::newRow("USER_IND_PARTITIONS")
        << mixed
        << "SELECT index_name, partition_name, partition_position, composite, subpartition_count "
           "FROM user_ind_partitions ORDER BY index_name DESC, partition_position"
        << QStringList {"MOVIMIENTOS_IX|P2025|1|YES|2", "MOVIMIENTOS_IX|P2026|2|YES|2", "DATE|LEVEL|1|NO|0",
               "DATE|P2027|2|NO|0", "CLIENTES_ALTA_IX|P2024|1|NO|0", "CLIENTES_ALTA_IX|P2025|2|NO|0",
               "CLIENTES_ALTA_IX|P2026|3|NO|0"};
    QTest::newRow("USER_IND_SUBPARTITIONS")
        << mixed
        << "SELECT partition_name, subpartition_name, partition_position, subpartition_position "
           "FROM user_ind_subpartitions WHERE index_name = 'MOVIMIENTOS_IX' ORDER BY 3 DESC, 4 DESC"
        << QStringList {"P2026|P2026_SUR|2|2", "P2026|P2026_NORTE|2|1", "P2025|P2025_SUR|1|2",
               "P2025|P2025_NORTE|1|1"};
    QTest::newRow("indexes given by Indexes= are plain, of no known table")
        << "Indexes=A"
        << "SELECT index_name, index_type, partitioned, temporary, dropped, table_name FROM user_indexes"
        << QStringList {"A|NORMAL|NO|N|NO|NULL"};
    // The program's own query: one row per statement it is to send, nothing it cannot rebuild.
    QTest::newRow("the program's query on every kind")
        << mixed << OracleSql::indexListQuery()
        << QStringList {"CLIENTES_ALTA_IX|P2024|NULL", "CLIENTES_ALTA_IX|P2025|NULL",
               "CLIENTES_ALTA_IX|P2026|NULL", "CLIENTES_PK|NULL|NULL", "DATE|LEVEL|NULL", "DATE|P2027|NULL",
               "MOVIMIENTOS_IX|P2025|P2025_NORTE", "MOVIMIENTOS_IX|P2025|P2025_SUR",
               "MOVIMIENTOS_IX|P2026|P2026_NORTE", "MOVIMIENTOS_IX|P2026|P2026_SUR", "ZONAS_PK|NULL|NULL"};
    QTest::newRow("the program's query on plain indexes")
        << "Indexes=IDX_B,SYS_C1,IDX_A" << OracleSql::indexListQuery()
        << QStringList {"IDX_A|NULL|NULL", "IDX_B|NULL|NULL"};
    // Joins and conditions as Oracle evaluates them: NULL makes a comparison unknown, so neither
    // it nor its negation lets a row through.
    QTest::newRow("inner join, aliases and the view's own name")
        << mixed
        << "SELECT i.index_name, user_ind_partitions.partition_name FROM user_indexes i "
           "JOIN user_ind_partitions ON user_ind_partitions.index_name = i.index_name "
           "WHERE user_ind_partitions.partition_position <> 1 AND i.index_name <> 'MOVIMIENTOS_IX'"
        << QStringList {"CLIENTES_ALTA_IX|P2025", "CLIENTES_ALTA_IX|P2026", "DATE|P2027"};
    QTest::newRow("outer join keeps the unmatched, NULL last")
        << mixed
        << "SELECT i.index_name, p.partition_name FROM user_indexes i LEFT OUTER JOIN user_ind_partitions p "
           "ON p.index_name = i.index_name AND p.partition_position = 1 WHERE i.table_name = 'CLIENTES' "
           "ORDER BY p.partition_name, 1"
        << QStringList {"CLIENTES_ALTA_IX|P2024", "CLIENTES_PK|NULL", "SYS_C0012345|NULL"};
    QTest::newRow("IS NULL, OR, NULL first going down")
        << mixed
        << "SELECT i.index_name FROM user_indexes i LEFT JOIN user_ind_partitions p ON p.index_name = "
           "i.index_name WHERE (p.partition_name IS NULL OR p.partition_name = 'P2026') AND "
           "i.index_name LIKE 'C%' ORDER BY p.partition_name DESC, 1 DESC"
        << QStringList {"CLIENTES_PK", "CLIENTES_ALTA_IX"};
    QTest::newRow("NOT IN with a NULL lets nothing through")
        << mixed << "SELECT index_name FROM user_indexes WHERE table_name NOT IN ('CLIENTES', NULL)"
        << QStringList {};
    QTest::newRow("NOT IN, IS NOT NULL, texts compared with numbers")
        << mixed
        << "SELECT index_name, subpartition_count FROM user_ind_partitions WHERE index_name NOT IN "
           "('CLIENTES_ALTA_IX') AND subpartition_count = '2' AND partition_name IS NOT NULL ORDER BY 1"
        << QStringList {"MOVIMIENTOS_IX|2", "MOVIMIENTOS_IX|2"};
    QTest::newRow("'' is NULL") << "Indexes=A,B" << select("index_name <> ''") << QStringList {};
    QTest::newRow("a schema file's quoted names, comments and blank lines")
        << "Schema=" + schemaFile("# a comment\n\n\"My \"\"Q\"\" Idx\"  normal  T\n  idx_b Normal T P1 \n")
        << "SELECT index_name, partitioned FROM user_indexes" << QStringList {"My \"Q\" Idx|NO", "idx_b|YES"};
}

void tst_SimulatorRules::queries()
{
    QFETCH(QString, config);
    QFETCH(QString, sql);
    QFETCH(QStringList, rows);

    OracleSimulator server = simulator(config);
    const OracleSimulator::Outcome outcome = server.execute(sql);
    QVERIFY2(!outcome.error, qPrintable(outcome.error ? outcome.error->text() : QString()));
    QVERIFY(outcome.isQuery);
    QCOMPARE(rowsOf(outcome.result), rows);
}

void tst_SimulatorRules::statements_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("code"); // 0: the statement succeeds
    QTest::addColumn<QString>("text");

    const QString notExist = QStringLiteral("ORA-01418: specified index does not exist");
    const QString invalid = QStringLiteral("ORA-00900: invalid SQL statement");
    const QString noOnline = QStringLiteral("ORA-00439: feature not enabled: Online Index Build");
    const QString unusable
        = QStringLiteral("ORA-01502: index 'IDX_A' or partition of such index is in unusable state");
    const QString badEscape
        = QStringLiteral("ORA-01425: escape character must be character string of length 1");
    const QString afterEscape
        = QStringLiteral("ORA-01424: missing or illegal character following the escape character");

    // Name resolution: unquoted names are upper-cased, quoted ones taken exactly.
    QTest::newRow("plain") << "Indexes=IDX_A"
                           << "ALTER INDEX IDX_A REBUILD" << 0 << "";
    QTest::newRow("online, white space, lower case")
        << "Indexes=IDX_A"
        << "  alter\tINDEX\n idx_a   REBUILD \r\n  online  " << 0 << "";
    QTest::newRow("quoted lower finds lower") << "Indexes=IDX_A,idx_a"
                                              << "ALTER INDEX \"idx_a\" REBUILD" << 0 << "";
    QTest::newRow("doubled quotes") << "Indexes=my \"q\" idx"
                                    << "ALTER INDEX \"my \"\"q\"\" idx\" REBUILD" << 0 << "";
    QTest::newRow("quoted then keyword without space") << "Indexes=x"
                                                       << "ALTER INDEX \"x\"REBUILD" << 0 << "";
    QTest::newRow("word characters") << "Indexes=IDX$1#X"
                                     << "ALTER INDEX Idx$1#x REBUILD" << 0 << "";
    QTest::newRow("name like a keyword") << "Indexes=REBUILD"
                                         << "ALTER INDEX rebuild REBUILD" << 0 << "";
    QTest::newRow("quoted keyword") << "Indexes=ONLINE"
                                    << "ALTER INDEX \"ONLINE\" REBUILD ONLINE" << 0 << "";
    QTest::newRow("quoted non-ASCII")
        << QString::fromUtf8("Indexes=\xC3\xADndice")
        << QString::fromUtf8("ALTER INDEX \"\xC3\xADndice\" REBUILD") << 0 << "";
    QTest::newRow("lower-case name sent unquoted") << "Indexes=idx_a"
                                                   << "ALTER INDEX idx_a REBUILD" << 1418 << notExist;
    QTest::newRow("quoted upper, stored lower") << "Indexes=idx_a"
                                                << "ALTER INDEX \"IDX_A\" REBUILD" << 1418 << notExist;
    QTest::newRow("stored with a space, quoted without")
        << "Indexes= IDX_A"
        << "ALTER INDEX \"IDX_A\" REBUILD" << 1418 << notExist;
    // A word Oracle reserves is no name unless quoted, in any case, as an index or a partition.
    QTest::newRow("reserved word as an index name")
        << "Indexes=DATE"
        << "ALTER INDEX date REBUILD" << 953 << "ORA-00953: missing or invalid index name";
    QTest::newRow("reserved word quoted") << "Indexes=DATE"
                                          << "ALTER INDEX \"DATE\" REBUILD" << 0 << "";
    QTest::newRow("a word that only starts like one") << "Indexes=DATE_IX"
                                                      << "ALTER INDEX DATE_IX REBUILD" << 0 << "";
    QTest::newRow("reserved word as a partition name")
        << mixed << "ALTER INDEX \"DATE\" REBUILD PARTITION LEVEL ONLINE" << 14006
        << "ORA-14006: invalid partition name";
    QTest::newRow("reserved word as a subpartition name")
        << mixed << "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION SIZE" << 14006
        << "ORA-14006: invalid partition name";
    QTest::newRow("reserved partition quoted")
        << mixed << "ALTER INDEX \"DATE\" REBUILD PARTITION \"LEVEL\"" << 0 << "";
    QTest::newRow("generated name beyond the last") << "Generate=3"
                                                    << "ALTER INDEX idx_000004 REBUILD" << 1418 << notExist;

    // Anything the server cannot read is ORA-00900.
    const char* notStatements[] = {"", "HELLO", "ALTER INDEX IDX_A REBUILD;", "ALTER INDEX MY IDX REBUILD",
        "ALTER INDEX", "ALTER INDEX IDX_A", "ALTER INDEX IDX_A REBUILD ONLINE NOW",
        "ALTER INDEX \"\" REBUILD", "ALTER INDEX \"IDX_A REBUILD", "ALTER INDEX IDX-A REBUILD",
        "ALTER INDEX 1IDX REBUILD", "ALTER INDEX SCOTT.IDX_A REBUILD", "ALTER TABLE IDX_A REBUILD",
        "\"ALTER\" INDEX IDX_A REBUILD", "ALTER INDEX IDX_A ONLINE REBUILD", "ALTERINDEX IDX_A REBUILD",
        "ALTER INDEX 'IDX_A' REBUILD", "ALTER INDEX IDX_A REBUILD PARTITION",
        "ALTER INDEX IDX_A REBUILD PARTITION P1 P2", "ALTER INDEX IDX_A REBUILD ONLINE PARTITION P1",
        "SELECT * FROM user_indexes", "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE SYS_%",
        "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS_%' ESCAPE ORDER BY 1",
        "SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS_%",
        "SELECT index_name FROM user_indexes ORDER 1", "SELECT index_name FROM user_indexes i JOIN x",
        "SELECT index_name FROM user_indexes WHERE (index_name = 'A'",
        "SELECT index_name FROM user_indexes LEFT user_ind_partitions ON 1 = 1",
        "SELECT index_name FROM user_indexes WHERE index_name LIKE table_name"};
    for (const char* sql : notStatements)
        QTest::addRow("not a statement: %s", sql) << "Indexes=IDX_A,MY,IDX" << sql << 900 << invalid;
    QTest::newRow("a query with a semicolon") << "" << sysLikeQuery + ";" << 900 << invalid;

    // What the server cannot name or compare, in its own words.
    QTest::newRow("no such view") << "Indexes=A"
                                  << "SELECT index_name FROM all_indexes" << 942
                                  << "ORA-00942: table or view does not exist";
    QTest::newRow("no such column") << "Indexes=A"
                                    << "SELECT \"index_name\" FROM user_indexes" << 904
                                    << "ORA-00904: \"index_name\": invalid identifier";
    QTest::newRow("the view's name once it has an alias")
        << "Indexes=A"
        << "SELECT user_indexes.index_name FROM user_indexes i" << 904
        << "ORA-00904: \"USER_INDEXES\".\"INDEX_NAME\": invalid identifier";
    QTest::newRow("ON names a later view")
        << "Indexes=A"
        << "SELECT i.index_name FROM user_indexes i LEFT JOIN "
           "user_ind_partitions p ON s.index_name = p.index_name LEFT JOIN "
           "user_ind_subpartitions s ON 1 = 1"
        << 904 << "ORA-00904: \"S\".\"INDEX_NAME\": invalid identifier";
    QTest::newRow("ambiguous column") << "Indexes=A"
                                      << "SELECT index_name FROM user_indexes i JOIN user_ind_partitions p "
                                         "ON p.index_name = i.index_name"
                                      << 918 << "ORA-00918: column ambiguously defined";
    QTest::newRow("ORDER BY beyond the columns")
        << "Indexes=A"
        << "SELECT index_name FROM user_indexes ORDER BY 2" << 1785
        << "ORA-01785: ORDER BY item must be the number of a SELECT-list expression";
    QTest::newRow("a name compared with a number")
        << "Indexes=A" << select("index_name = 1") << 1722 << "ORA-01722: invalid number";

    // Each kind of index as ALTER INDEX meets it: what cannot be rebuilt, and partitions.
    const auto refused = [&](const char* row, const char* sql, int code, const char* text) {
        QTest::newRow(row) << mixed << sql << code << QString::fromLatin1(text);
    };
    refused("recycle bin", "ALTER INDEX \"BIN$n3kL0DqzRMeGRm1E2nF0sA==$0\" REBUILD", 38301,
        "ORA-38301: can not perform DDL/DML over objects in Recycle Bin");
    refused("IOT top", "ALTER INDEX PEDIDOS_IOT_PK REBUILD ONLINE", 28650,
        "ORA-28650: Primary index on an IOT cannot be rebuilt");
    refused("temporary table", "ALTER INDEX TMP_CARGA_IX REBUILD", 14456,
        "ORA-14456: cannot rebuild index on a temporary table");
    refused("LOB index", "ALTER INDEX SYS_IL0000075123C00003$$ REBUILD", 22864,
        "ORA-22864: cannot ALTER or DROP LOB indexes");
    refused("partitioned as a whole", "ALTER INDEX CLIENTES_ALTA_IX REBUILD", 14086,
        "ORA-14086: a partitioned index may not be rebuilt as a whole");
    refused("composite as a whole", "ALTER INDEX MOVIMIENTOS_IX REBUILD ONLINE", 14086,
        "ORA-14086: a partitioned index may not be rebuilt as a whole");
    refused("partition of a composite", "ALTER INDEX MOVIMIENTOS_IX REBUILD PARTITION P2025", 14287,
        "ORA-14287: cannot REBUILD a partition of a composite partitioned index");
    refused("subpartition of a plain partitioned", "ALTER INDEX CLIENTES_ALTA_IX REBUILD SUBPARTITION P2024",
        14288, "ORA-14288: index is not partitioned by composite partition method");
    refused("partition of an unpartitioned", "ALTER INDEX CLIENTES_PK REBUILD PARTITION P2024", 14501,
        "ORA-14501: object is not partitioned");
    refused("no such partition", "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2023", 2149,
        "ORA-02149: Specified partition does not exist");
    refused("subpartition of another index", "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2024", 14251,
        "ORA-14251: Specified subpartition does not exist");
    refused("a partition named as a subpartition", "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2025",
        14251, "ORA-14251: Specified subpartition does not exist");
    refused("the kind before ONLINE", "ALTER INDEX TMP_CARGA_IX REBUILD ONLINE", 14456,
        "ORA-14456: cannot rebuild index on a temporary table");
    QTest::newRow("partition") << mixed << "ALTER INDEX clientes_alta_ix REBUILD PARTITION p2025 ONLINE" << 0
                               << "";
    QTest::newRow("subpartition") << mixed << "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION \"P2026_SUR\""
                                  << 0 << "";
    QTest::newRow("partition names resolve as index names do")
        << mixed << "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION \"p2025\"" << 2149
        << "ORA-02149: Specified partition does not exist";
    QTest::newRow("ONLINE refused on a partition")
        << mixed + ";Online=0"
        << "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2024 ONLINE" << 439 << noOnline;
    QTest::newRow("ONLINE refused on a subpartition")
        << mixed + ";Online=0"
        << "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2025_SUR ONLINE" << 439 << noOnline;
    QTest::newRow("Fail on a partition")
        << mixed + ";Fail=CLIENTES_ALTA_IX.P2025:1502"
        << "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2025" << 1502
        << "ORA-01502: index 'CLIENTES_ALTA_IX' or partition of such index is "
           "in unusable state";
    QTest::newRow("Fail on a partition is for that partition only")
        << mixed + ";Fail=CLIENTES_ALTA_IX.P2025:1502"
        << "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2026" << 0 << "";
    QTest::newRow("Fail on a subpartition")
        << mixed + ";Fail=MOVIMIENTOS_IX.P2026_NORTE:54"
        << "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2026_NORTE" << 54
        << "ORA-00054: resource busy and acquire with NOWAIT specified or "
           "timeout expired";
    QTest::newRow("a planned ORA-00439 refuses ONLINE")
        << mixed + ";Fail=CLIENTES_ALTA_IX.P2025:439"
        << "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2025 ONLINE" << 439 << noOnline;
    QTest::newRow("a planned ORA-00439 lets the same statement without ONLINE pass")
        << mixed + ";Fail=CLIENTES_ALTA_IX.P2025:439"
        << "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2025" << 0 << "";
    QTest::newRow("Fail on the index is not on its partitions")
        << mixed + ";Fail=CLIENTES_ALTA_IX:1502"
        << "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2024" << 0 << "";

    QTest::newRow("two-character escape")
        << edgeNames << select("NOT index_name LIKE 'SYS\\_%' ESCAPE '\\\\'") << 1425 << badEscape;
    QTest::newRow("empty escape") << edgeNames << select("NOT index_name LIKE 'SYS' ESCAPE ''") << 1425
                                  << badEscape;
    QTest::newRow("escape before a letter")
        << edgeNames << select("NOT index_name LIKE 'SYS\\X' ESCAPE '\\'") << 1424 << afterEscape;
    QTest::newRow("escape at the end")
        << edgeNames << select("NOT index_name LIKE 'SYS\\' ESCAPE '\\'") << 1424 << afterEscape;

    // Fail and Online=0, keys in any case, and the order of checks: the statement, the name,
    // Fail, then ONLINE.
    QTest::newRow("ONLINE refused") << "indexes=IDX_A;online=0"
                                    << "ALTER INDEX IDX_A REBUILD ONLINE" << 439 << noOnline;
    QTest::newRow("Online=0 leaves plain rebuilds alone") << "Indexes=IDX_A;Online=0"
                                                          << "ALTER INDEX IDX_A REBUILD" << 0 << "";
    QTest::newRow("the last Online counts") << "Indexes=IDX_A;Online=0;ONLINE=1"
                                            << "ALTER INDEX IDX_A REBUILD ONLINE" << 0 << "";
    QTest::newRow("Fail with the server's text") << "Indexes=IDX_A;fail=IDX_A:01502"
                                                 << "ALTER INDEX IDX_A REBUILD" << 1502 << unusable;
    QTest::newRow("Fail with a generic text")
        << "Indexes=IDX_A;Fail=IDX_A:12345"
        << "ALTER INDEX IDX_A REBUILD" << 12345 << "ORA-12345: simulated failure";
    QTest::newRow("Fail is for its index only") << "Indexes=IDX_A,IDX_B;Fail=IDX_A:1502"
                                                << "ALTER INDEX IDX_B REBUILD ONLINE" << 0 << "";
    QTest::newRow("Fail of a quoted name")
        << "Indexes=idx_a, sp;Fail=idx_a:7, sp:8"
        << "ALTER INDEX \" sp\" REBUILD" << 8 << "ORA-00008: simulated failure";
    QTest::newRow("Fail list and repeated key add up")
        << "Indexes=A,B,C;Fail=A:1502,B:54;Fail=C:1652"
        << "ALTER INDEX C REBUILD" << 1652
        << "ORA-01652: unable to extend temp segment by 128 in "
           "tablespace TEMP";
    // What stops one index on a night, not the run: an online rebuild broken off earlier, no room.
    QTest::newRow("Fail: an online rebuild left unfinished")
        << "Indexes=A;Fail=A:8104"
        << "ALTER INDEX A REBUILD" << 8104
        << "ORA-08104: this index object 87654 is being online built or rebuilt";
    QTest::newRow("Fail: no room in the index's tablespace")
        << "Indexes=A;Fail=A:1654"
        << "ALTER INDEX A REBUILD" << 1654
        << "ORA-01654: unable to extend index A by 128 in tablespace USERS";
    QTest::newRow("Fail code after the last colon")
        << "Indexes=X:Y;Fail=X:Y:1"
        << "ALTER INDEX \"X:Y\" REBUILD" << 1 << "ORA-00001: simulated failure";
    QTest::newRow("Fail for the same name again")
        << "Indexes=A;Fail=A:1;Fail=A:2"
        << "ALTER INDEX A REBUILD" << 2 << "ORA-00002: simulated failure";
    QTest::newRow("Fail before Online=0") << "Indexes=IDX_A;Online=0;Fail=IDX_A:1502"
                                          << "ALTER INDEX IDX_A REBUILD ONLINE" << 1502 << unusable;
    QTest::newRow("unknown name before Online=0") << "Indexes=IDX_A;Online=0"
                                                  << "ALTER INDEX IDX_B REBUILD ONLINE" << 1418 << notExist;
    QTest::newRow("statement before everything") << "Indexes=IDX_A;Online=0;Fail=IDX_A:1502"
                                                 << "ALTER INDEX IDX_A REBUILD ONLINE;" << 900 << invalid;
}

void tst_SimulatorRules::statements()
{
    QFETCH(QString, config);
    QFETCH(QString, sql);
    QFETCH(int, code);
    QFETCH(QString, text);

    OracleSimulator server = simulator(config);
    const OracleSimulator::Outcome outcome = server.execute(sql);
    QCOMPARE(outcome.result.rowCount(), 0);
    if (code == 0) {
        QVERIFY2(!outcome.error, qPrintable(outcome.error ? outcome.error->text() : QString()));
        QVERIFY(!outcome.isQuery);
        return;
    }
    QVERIFY(outcome.error);
    QCOMPARE(outcome.error->code(), code);
    QCOMPARE(outcome.error->text(), text);
}

void tst_SimulatorRules::configurationRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mentions");

    QTest::newRow("unknown key") << "Indexs=A"
                                 << "'Indexs'";
    QTest::newRow("Online=2") << "Online=2"
                              << "Online";
    QTest::newRow("Records=3") << "Records=3"
                               << "Records";
    QTest::newRow("LongText=yes") << "LongText=yes"
                                  << "LongText";
    QTest::newRow("negative delay") << "DelayMs=-1"
                                    << "DelayMs";
    QTest::newRow("delay not a number") << "DelayMs=abc"
                                        << "DelayMs";
    QTest::newRow("connect delay beyond an hour") << "ConnectDelayMs=3600001"
                                                  << "ConnectDelayMs";
    QTest::newRow("too many generated") << "Generate=1000001"
                                        << "Generate";
    QTest::newRow("Generate with a sign") << "Generate=+3"
                                          << "Generate";
    QTest::newRow("LockTable without time") << "Schema=" + schemaFile("A_IX normal T\n") + ";LockTable=T"
                                            << "'T'";
    QTest::newRow("LockTable on a table no index has")
        << "Schema=" + schemaFile("A_IX normal T\n") + ";LockTable=U:10"
        << "'U'";
    QTest::newRow("LoseAt zero") << "Indexes=A;LoseAt=0"
                                 << "LoseAt";
    QTest::newRow("Fail without code") << "Indexes=A;Fail=A"
                                       << "'A'";
    QTest::newRow("Fail code not a number") << "Indexes=A;Fail=A:abc"
                                            << "'A:abc'";
    QTest::newRow("Fail code zero") << "Indexes=A;Fail=A:0"
                                    << "'A:0'";
    QTest::newRow("Fail code too long") << "Indexes=A;Fail=A:100000"
                                        << "'A:100000'";
    QTest::newRow("Fail without name") << "Indexes=A;Fail=:1502"
                                       << "':1502'";
    QTest::newRow("Fail of an index not stored") << "Indexes=A;Fail=B:1502"
                                                 << "'B'";
    QTest::newRow("Fail with other case") << "Indexes=idx_a;Fail=IDX_A:1502"
                                          << "'IDX_A'";
    QTest::newRow("index twice") << "Indexes=A,B,A"
                                 << "'A'";
    QTest::newRow("generated name listed too") << "Indexes=IDX_000001;Generate=1"
                                               << "'IDX_000001'";
    QTest::newRow("unterminated brace") << "PWD={abc"
                                        << "PWD";
    QTest::newRow("text after brace") << "PWD={abc}x;Indexes=A"
                                      << "PWD";
    QTest::newRow("no equals") << "Indexes"
                               << "'Indexes'";
    QTest::newRow("no key") << "=A"
                            << "key";

    // The schema file: what it says must be what a real dictionary could hold.
    const auto schema = [this](const char* row, const QString& lines, const QString& mentions) {
        QTest::newRow(row) << "Schema=" + schemaFile(lines) << mentions;
    };
    QTest::newRow("schema file missing") << "Schema=/nonexistent/schema.txt"
                                         << "/nonexistent/schema.txt";
    schema("unknown kind", "A normal T\nB cluster T\n", "line 2: unknown kind 'cluster'");
    schema("no table", "A normal\n", "line 1");
    schema("too many fields", "A normal T P1 P2\n", "line 1");
    schema("empty partition", "A normal T P1,,P2\n", "'P1,,P2'");
    schema("trailing comma", "A normal T P1,\n", "'P1,'");
    schema("empty subpartition", "A normal T P1(S1,)\n", "'P1(S1,)'");
    schema("some partitions without subpartitions", "A normal T P1(S1),P2\n", "every partition");
    schema("partition twice", "A normal T P1,P1\n", "'P1'");
    schema("subpartition named as a partition", "A normal T P1(S1),P2(P1)\n", "'P1'");
    schema("unterminated quoted name", "\"A B normal T\n", "line 1");
    QTest::newRow("same index in Indexes= and a schema")
        << "Indexes=IDX_A;Schema=" + schemaFile("IDX_A normal T\n") << "'IDX_A'";
    QTest::newRow("Fail on a partition not stored") << mixed + ";Fail=CLIENTES_ALTA_IX.P2023:1502"
                                                    << "'CLIENTES_ALTA_IX.P2023'";
    QTest::newRow("Fail on a partition of another index") << mixed + ";Fail=CLIENTES_PK.P2024:1502"
                                                          << "'CLIENTES_PK.P2024'";
}

void tst_SimulatorRules::configurationRefused()
{
    QFETCH(QString, text);
    QFETCH(QString, mentions);

    QString error;
    QVERIFY(!SimulatorConfig::parse(text, &error));
    QVERIFY2(error.contains(mentions), qPrintable(error));
}

void tst_SimulatorRules::largestGeneratedSchema()
{
    QString error;
    const std::optional<SimulatorConfig> config = SimulatorConfig::parse("Generate=1000000", &error);
    QVERIFY2(config, qPrintable(error));
    QCOMPARE(config->indexes.size(), 1000000);
    QCOMPARE(config->indexes.at(999998).name, QString("IDX_999999"));
    QCOMPARE(config->indexes.last().name, QString("IDX_1000000"));
}

void tst_SimulatorRules::logon_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<bool>("refused");

    QTest::newRow("no password expected") << "Indexes=A;PWD=anything" << false;
    QTest::newRow("right password") << "ExpectPwd=tiger;UID=scott;PWD=tiger" << false;
    QTest::newRow("wrong password") << "ExpectPwd=tiger;PWD=lion" << true;
    QTest::newRow("case counts") << "ExpectPwd=tiger;PWD=TIGER" << true;
    QTest::newRow("no password given") << "ExpectPwd=tiger" << true;
    QTest::newRow("the last PWD counts") << "ExpectPwd=tiger;PWD=lion;PWD=tiger" << false;
    QTest::newRow("braced, as the layer appends it") << "ExpectPwd={se;cr}}et};PWD={se;cr}}et}" << false;
    QTest::newRow("braced, then a space and a key") << "ExpectPwd=x;PWD={x} ;Indexes=A" << false;
    QTest::newRow("equals in a plain value") << "ExpectPwd=a=b;PWD=a=b" << false;
    QTest::newRow("an opening brace inside braces") << "ExpectPwd=#x;PWD={{x}" << true;
    QTest::newRow("empty password expected") << "ExpectPwd=" << false;
    QTest::newRow("empty password expected, one given") << "ExpectPwd=;PWD=x" << true;
}

void tst_SimulatorRules::logon()
{
    QFETCH(QString, config);
    QFETCH(bool, refused);

    QList<int> slept;
    OracleSimulator server = simulator(config + ";ConnectDelayMs=300", [&](int ms) { slept.append(ms); });
    const std::optional<OraError> error = server.logon(server.config().password);
    // A slow logon is slow whether it passes or not.
    QCOMPARE(slept, QList<int>({300}));
    QCOMPARE(bool(error), refused);
    if (refused)
        QCOMPARE(*error, OraError(1017, "ORA-01017: invalid username/password; logon denied"));
}

void tst_SimulatorRules::delayOnlyForSuccessfulRebuilds_data()
{
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QList<int>>("sleeps");

    const QString config = QStringLiteral("Indexes=IDX_A,IDX_B;Online=0;Fail=IDX_B:1502;DelayMs=250");
    QTest::newRow("rebuild") << config << "ALTER INDEX IDX_A REBUILD" << QList<int> {250};
    QTest::newRow("refused ONLINE") << config << "ALTER INDEX IDX_A REBUILD ONLINE" << QList<int> {};
    QTest::newRow("Fail") << config << "ALTER INDEX IDX_B REBUILD" << QList<int> {};
    QTest::newRow("dictionary query") << config << sysLikeQuery << QList<int> {};
    QTest::newRow("no delay configured") << "Indexes=IDX_A"
                                         << "ALTER INDEX IDX_A REBUILD" << QList<int> {};
}

void tst_SimulatorRules::delayOnlyForSuccessfulRebuilds()
{
    QFETCH(QString, config);
    QFETCH(QString, sql);
    QFETCH(QList<int>, sleeps);

    QList<int> slept;
    OracleSimulator server = simulator(config, [&slept](int ms) { slept.append(ms); });
    server.execute(sql);
    QCOMPARE(slept, sleeps);
}

void tst_SimulatorRules::sessionLog()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("session.log");
    {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier line\n");
    }
    const QString config = QStringLiteral("Indexes=IDX_A;Online=0;ExpectPwd=tiger;Log={%1}").arg(path);

    QStringList expected {"earlier line", "CONNECT REFUSED"};
    QVERIFY(simulator(config).logon("lion"));
    QCOMPARE(logLines(path), expected);

    OracleSimulator server = simulator(config);
    QVERIFY(!server.logon("tiger"));
    expected << "CONNECT";
    QCOMPARE(logLines(path), expected);
    // Each statement is in the file before its outcome is known, failing and unreadable ones too.
    const QList<std::pair<quint64, QString>> statements {{0, sysLikeQuery}, {30, "ALTER INDEX IDX_A REBUILD"},
        {0, "ALTER INDEX IDX_A REBUILD ONLINE"}, {7, "GARBAGE"},
        {0, QString::fromUtf8("ALTER INDEX \"\xC3\xADndice\" REBUILD")}};
    for (const auto& [timeout, sql] : statements) {
        server.execute(sql, timeout);
        expected << QStringLiteral("EXEC %1 %2").arg(timeout).arg(sql);
        QCOMPARE(logLines(path), expected);
    }
    server.execute("ALTER INDEX\r\nIDX_A\nREBUILD");
    expected << "EXEC 0 ALTER INDEX IDX_A REBUILD";
    server.logoff();
    expected << "DISCONNECT";
    QCOMPARE(logLines(path), expected);
}

// Another session holds table T's lock for a minute from the logon. Without ONLINE the statement
// gives up after the session's DDL_LOCK_TIMEOUT (at once by default) unless that outlasts the
// lock, and then waits for it, as an ONLINE one always does; an index of another table never waits.
void tst_SimulatorRules::tableLocks_data()
{
    QTest::addColumn<QStringList>("statements"); // the last one is looked at
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("patience"); // the sleep before ORA-00054; -1: it waited for the lock
    QTest::addColumn<QString>("text");

    const QString busy
        = QStringLiteral("ORA-00054: resource busy and acquire with NOWAIT specified or timeout expired");
    QTest::newRow("no time-out: refused at once")
        << QStringList({"ALTER INDEX A_IX REBUILD"}) << 54 << 0 << busy;
    QTest::newRow("a time-out shorter than the lock")
        << QStringList({"alter session set ddl_lock_timeout = 5", "ALTER INDEX A_IX REBUILD"}) << 54 << 5000
        << busy;
    QTest::newRow("a time-out that outlasts it")
        << QStringList({"ALTER SESSION SET DDL_LOCK_TIMEOUT = 61", "ALTER INDEX A_IX REBUILD"}) << 0 << -1
        << "";
    QTest::newRow("online waits") << QStringList({"ALTER INDEX A_IX REBUILD ONLINE"}) << 0 << -1 << "";
    QTest::newRow("another table") << QStringList({"ALTER INDEX B_IX REBUILD"}) << 0 << 0 << "";
    QTest::newRow("a time-out beyond Oracle's maximum")
        << QStringList({"ALTER SESSION SET DDL_LOCK_TIMEOUT = 1000001"}) << 2097 << 0
        << "ORA-02097: simulated failure";
}

void tst_SimulatorRules::tableLocks()
{
    QFETCH(QStringList, statements);
    QFETCH(int, code);
    QFETCH(int, patience);
    QFETCH(QString, text);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString log = dir.filePath("session.log");
    QList<int> slept;
    OracleSimulator server = simulator(
        "Schema=" + schemaFile("A_IX normal T\nB_IX normal U\n") + ";LockTable=T:60000;Log={" + log + "}",
        [&slept](int ms) { slept.append(ms); });
    QVERIFY(!server.logon(QString()));
    OracleSimulator::Outcome outcome;
    for (const QString& sql : std::as_const(statements))
        outcome = server.execute(sql);

    QCOMPARE(outcome.error ? outcome.error->code() : 0, code);
    QCOMPARE(outcome.error ? outcome.error->text() : QString(), text);
    const bool waited = logLines(log).contains("WAIT T");
    QCOMPARE(waited, patience < 0);
    if (patience < 0) {
        // What was left of the lock's minute.
        QCOMPARE(slept.size(), 1);
        QVERIFY2(slept.first() > 50000 && slept.first() <= 60000, qPrintable(QString::number(slept.first())));
    } else {
        QCOMPARE(slept, patience > 0 ? QList<int>({patience}) : QList<int>());
    }
}

// The connection goes at the third statement: that one fails with ORA-03113, every later one with
// ORA-03114, and the end of the session no longer reaches the server.
void tst_SimulatorRules::lostConnection()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString log = dir.filePath("session.log");
    OracleSimulator server = simulator("Indexes=A,B,C;LoseAt=3;Log={" + log + "}");
    QVERIFY(!server.logon(QString()));
    QVERIFY(!server.execute(sysLikeQuery).error);
    QVERIFY(!server.execute("ALTER INDEX A REBUILD").error);
    QCOMPARE(*server.execute("ALTER INDEX B REBUILD").error,
        OraError(3113, "ORA-03113: end-of-file on communication channel"));
    QCOMPARE(
        *server.execute("ALTER INDEX C REBUILD").error, OraError(3114, "ORA-03114: not connected to ORACLE"));
    server.logoff();
    QCOMPARE(logLines(log),
        QStringList({"CONNECT", "EXEC 0 " + sysLikeQuery, "EXEC 0 ALTER INDEX A REBUILD",
            "EXEC 0 ALTER INDEX B REBUILD", "LOST", "EXEC 0 ALTER INDEX C REBUILD"}));
}

QTEST_GUILESS_MAIN(tst_SimulatorRules)
#include "tst_SimulatorRules.moc"
