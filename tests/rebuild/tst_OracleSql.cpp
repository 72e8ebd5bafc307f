#include "OracleSql.h"

#include <QTest>

class tst_OracleSql : public QObject
{
    Q_OBJECT

private slots:
    void plainNamesStayAsTheyAre_data();
    void plainNamesStayAsTheyAre();
    void otherNamesAreQuoted_data();
    void otherNamesAreQuoted();
    void onlineSuffixIsAppended();
};

void tst_OracleSql::plainNamesStayAsTheyAre_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("letters and underscore") << "IDX_A";
    QTest::newRow("digits") << "PK_ORDERS2";
    QTest::newRow("dollar and hash") << "IDX$ORD#1";
    QTest::newRow("one letter") << "X";
}

void tst_OracleSql::plainNamesStayAsTheyAre()
{
    QFETCH(QString, name);
    QCOMPARE(OracleSql::rebuildStatement(name, QString()), "ALTER INDEX " + name + " REBUILD");
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
    QTest::newRow("empty") << ""
                           << "\"\"";
}

void tst_OracleSql::otherNamesAreQuoted()
{
    QFETCH(QString, name);
    QFETCH(QString, written);
    QCOMPARE(OracleSql::identifier(name), written);
    QCOMPARE(OracleSql::rebuildStatement(name, QString()), "ALTER INDEX " + written + " REBUILD");
}

void tst_OracleSql::onlineSuffixIsAppended()
{
    QCOMPARE(OracleSql::rebuildStatement("IDX_A", " ONLINE"), QString("ALTER INDEX IDX_A REBUILD ONLINE"));
}

QTEST_APPLESS_MAIN(tst_OracleSql)
#include "tst_OracleSql.moc"
