#include "BackendKiller.h"
#include "Connection.h"
#include "ErrorNumbers.h"
#include "OracleSql.h"
#include "PgTestBed.h"
#include "RaisedError.h"

#include <QTest>

#include <memory>

// Statements on the PostgreSQL test bed through psqlODBC.
class tst_PgStatements : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dictionaryQuery();
    void otherStatementsWhileWalkingRows();
    void syntaxError();
    void killedBackend();

private:
    PgTestBed m_bed;
    std::unique_ptr<Connection> m_cn;
};

void tst_PgStatements::initTestCase()
{
    TV_NEED_PG_TEST_BED(m_bed);
}

void tst_PgStatements::init()
{
    m_cn = std::make_unique<Connection>();
    m_cn->Open(m_bed.connectionWithPassword());
}

void tst_PgStatements::cleanup()
{
    m_cn.reset();
}

void tst_PgStatements::dictionaryQuery()
{
    // The program's query, read as a real SQL engine answers it (joins, LIKE ... ESCAPE, NOT IN).
    auto rs = m_cn->Execute(OracleSql::indexListQuery());
    QStringList rows;
    while (!rs->Eof()) {
        QStringList values;
        for (const char* column : {"index_name", "partition_name", "subpartition_name"})
            values << (rs->Fields(column).isNull() ? QStringLiteral("NULL") : rs->Fields(column).toString());
        rows.append(values.join(u'|'));
        rs->MoveNext();
    }
    rs->Close();
    // The indexes testbed.sh creates, in binary order: SYS_C0012345 is left out, SYSTEM_X_IDX is
    // not (the "_" is escaped), quoted names keep their case; the partitioned ones by partition,
    // the composite one by subpartition; the recycle bin, IOT, temporary and LOB rows left out.
    QCOMPARE(rows,
        (QStringList {"CUSTOMERS_PK|NULL|NULL", "IDX_ORDERS_DATE|NULL|NULL", "Idx_MixedCase|NULL|NULL",
            "MOVES_IX|M2025|M2025_N", "MOVES_IX|M2025|M2025_S", "ORDERS_PK|NULL|NULL",
            "SALES_SOLD_IX|S2024|NULL", "SALES_SOLD_IX|S2025|NULL", "SYSTEM_X_IDX|NULL|NULL",
            "idx-lower|NULL|NULL"}));
}

void tst_PgStatements::otherStatementsWhileWalkingRows()
{
    auto rs = m_cn->Execute(OracleSql::indexListQuery());
    QStringList names;
    while (!rs->Eof()) {
        const QString name = rs->Fields("INDEX_NAME").toString();
        names.append(name);
        // A statement with rows and one without (committed at once, as DDL is
        // by Oracle) on the same connection, between two rows.
        auto echoed = m_cn->Execute("SELECT '" + name + "' AS name, count(*) AS n FROM user_indexes");
        QCOMPARE(echoed->Fields("name").toString(), name);
        QVERIFY(m_cn->Execute("COMMENT ON TABLE customers IS '" + name + "'")->Eof());
        rs->MoveNext();
    }
    QCOMPARE(names.size(), 10);
    QCOMPARE(m_cn->Execute("SELECT obj_description('customers'::regclass) AS c")->Fields("c").toString(),
        names.last());
}

void tst_PgStatements::syntaxError()
{
    const auto error = raisedBy([&] { m_cn->Execute("ALTER INDEX X REBUILD"); });
    QVERIFY(error);
    // psqlODBC numbers every error the server reports 1; the text is the server's.
    QCOMPARE(error->number(), 1);
    QVERIFY2(error->description().startsWith("ERROR: syntax error at or near \"REBUILD\""),
        qPrintable(error->description()));
    QCOMPARE(error->description(), error->description().trimmed());
    // The connection is still usable.
    QCOMPARE(m_cn->Execute("SELECT 1 AS one")->Fields("one").toInt(), 1);
}

void tst_PgStatements::killedBackend()
{
    const int pid = m_cn->Execute("SELECT pg_backend_pid() AS pid")->Fields("pid").toInt();
    QVERIFY(pid > 0);

    // Another connection ends this backend once it is inside pg_sleep.
    BackendKiller killer(m_bed,
        QStringLiteral("SELECT pg_terminate_backend(pid) AS done FROM pg_stat_activity "
                       "WHERE pid = %1 AND state = 'active' AND query LIKE 'SELECT pg_sleep(30)%'")
            .arg(pid));

    const auto error = raisedBy([&] { m_cn->Execute("SELECT pg_sleep(30)"); });
    const bool killed = killer.finish();
    QVERIFY2(killer.error().isEmpty(), qPrintable(killer.error()));
    QVERIFY(killed);
    QVERIFY(error);
    QVERIFY2(error->description().contains("terminating connection due to administrator command"),
        qPrintable(error->description()));
    QCOMPARE(error->description(), error->description().trimmed());
    // psqlODBC's number for a lost connection.
    QCOMPARE(error->number(), 35);

    // The lost connection fails cleanly from now on, and still closes.
    const auto after = raisedBy([&] { m_cn->Execute("SELECT 1"); });
    QVERIFY(after);
    QCOMPARE(after->number(), 35);
    QVERIFY2(after->description().contains("connection lost"), qPrintable(after->description()));
    m_cn->Close();
}

QTEST_GUILESS_MAIN(tst_PgStatements)
#include "tst_PgStatements.moc"
