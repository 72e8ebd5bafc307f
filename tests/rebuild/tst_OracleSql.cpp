#include "OracleSql.h"

#include <QTest>

class tst_OracleSql : public QObject
{
    Q_OBJECT

private slots:
    void statements_data();
    void statements();
    void otherNamesAreQuoted_data();
    void otherNamesAreQuoted();
};

void tst_OracleSql::statements_data()
{
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("partition");
    QTest::addColumn<QString>("subpartition");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("statement");

    QTest::newRow("letters and underscore") << "IDX_A"
                                            << ""
                                            << ""
                                            << ""
                                            << "ALTER INDEX IDX_A REBUILD";
    QTest::newRow("digits") << "PK_ORDERS2"
                            << ""
                            << ""
                            << ""
                            << "ALTER INDEX PK_ORDERS2 REBUILD";
    QTest::newRow("dollar and hash") << "IDX$ORD#1"
                                     << ""
                                     << ""
                                     << ""
                                     << "ALTER INDEX IDX$ORD#1 REBUILD";
    QTest::newRow("one letter") << "X"
                                << ""
                                << ""
                                << ""
                                << "ALTER INDEX X REBUILD";
    QTest::newRow("online") << "IDX_A"
                            << ""
                            << ""
                            << " ONLINE"
                            << "ALTER INDEX IDX_A REBUILD ONLINE";
    QTest::newRow("partition") << "VENTAS_IX"
                               << "P2024"
                               << ""
                               << ""
                               << "ALTER INDEX VENTAS_IX REBUILD PARTITION P2024";
    QTest::newRow("partition online") << "VENTAS_IX"
                                      << "P2024"
                                      << ""
                                      << " ONLINE"
                                      << "ALTER INDEX VENTAS_IX REBUILD PARTITION P2024 ONLINE";
    // The subpartition alone names the segment; its partition is not written.
    QTest::newRow("subpartition") << "VENTAS_IX"
                                  << "P2024"
                                  << "P2024_NORTE"
                                  << " ONLINE"
                                  << "ALTER INDEX VENTAS_IX REBUILD SUBPARTITION P2024_NORTE ONLINE";
    QTest::newRow("partition names quoted too") << "Ventas"
                                                << "p 1"
                                                << ""
                                                << ""
                                                << "ALTER INDEX \"Ventas\" REBUILD PARTITION \"p 1\"";
    QTest::newRow("reserved words as index and partition")
        << "DATE"
        << "LEVEL"
        << ""
        << " ONLINE"
        << "ALTER INDEX \"DATE\" REBUILD PARTITION \"LEVEL\" ONLINE";
    QTest::newRow("reserved subpartition") << "V_IX"
                                           << "P1"
                                           << "SIZE"
                                           << ""
                                           << "ALTER INDEX V_IX REBUILD SUBPARTITION \"SIZE\"";
    QTest::newRow("names that contain a reserved word stay plain")
        << "DATE_IX"
        << "LEVELS"
        << ""
        << ""
        << "ALTER INDEX DATE_IX REBUILD PARTITION LEVELS";
    QTest::newRow("subpartition quoted") << "V"
                                         << "P"
                                         << "s\"1"
                                         << ""
                                         << "ALTER INDEX V REBUILD SUBPARTITION \"s\"\"1\"";
}

void tst_OracleSql::statements()
{
    QFETCH(QString, index);
    QFETCH(QString, partition);
    QFETCH(QString, subpartition);
    QFETCH(QString, suffix);
    QFETCH(QString, statement);
    QCOMPARE(OracleSql::rebuildStatement({index, partition, subpartition}, suffix), statement);
}

void tst_OracleSql::otherNamesAreQuoted_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("written");
    QTest::newRow("lower case") << "idx_a"
                                << "\"idx_a\"";
    QTest::newRow("mixed case") << "Idx_A"
                                << "\"Idx_A\"";
    QTest::newRow("space") << "MY IDX"
                           << "\"MY IDX\"";
    QTest::newRow("leading digit") << "1IDX"
                                   << "\"1IDX\"";
    QTest::newRow("leading underscore") << "_IDX"
                                        << "\"_IDX\"";
    QTest::newRow("double quote doubled") << "A\"B"
                                          << "\"A\"\"B\"";
    QTest::newRow("statement smuggled in") << "X REBUILD; DROP TABLE T"
                                           << "\"X REBUILD; DROP TABLE T\"";
    QTest::newRow("accented letter") << "ÍNDICE"
                                     << "\"ÍNDICE\"";
    QTest::newRow("recycle bin name") << "BIN$n3kL0DqzRMeGRm1E2nF0sA==$0"
                                      << "\"BIN$n3kL0DqzRMeGRm1E2nF0sA==$0\"";
    // Words Oracle reserves are no names unquoted; a name that merely starts like one is plain.
    QTest::newRow("reserved: DATE") << "DATE"
                                    << "\"DATE\"";
    QTest::newRow("reserved: INDEX") << "INDEX"
                                     << "\"INDEX\"";
    QTest::newRow("reserved: ONLINE") << "ONLINE"
                                      << "\"ONLINE\"";
    QTest::newRow("reserved: first of the list") << "ACCESS"
                                                 << "\"ACCESS\"";
    QTest::newRow("reserved: last of the list") << "WITH"
                                                << "\"WITH\"";
    QTest::newRow("empty") << ""
                           << "\"\"";
}

void tst_OracleSql::otherNamesAreQuoted()
{
    QFETCH(QString, name);
    QFETCH(QString, written);
    QCOMPARE(OracleSql::identifier(name), written);
    QCOMPARE(OracleSql::rebuildStatement({name, {}, {}}, QString()), "ALTER INDEX " + written + " REBUILD");
}

QTEST_APPLESS_MAIN(tst_OracleSql)
#include "tst_OracleSql.moc"
