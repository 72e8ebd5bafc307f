#include "OdbcConnectionString.h"

#include <QTest>

class TestOdbcConnectionString : public QObject
{
    Q_OBJECT

private slots:
    void keys_data();
    void keys();
    void hasKeyIgnoresCase();
    void hasKeyLooksAtKeysOnly();
    void braced_data();
    void braced();
    void value_data();
    void value();
    void forQtOdbcDriver_data();
    void forQtOdbcDriver();
};

void TestOdbcConnectionString::keys_data()
{
    QTest::addColumn<QString>("connectionString");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("Oracle") << "Driver={Oracle 19 ODBC driver};Dbq=//dbhost:1521/ORCLPDB1;Uid=scott"
                            << QStringList {"Driver", "Dbq", "Uid"};
    QTest::newRow("braced value with ; = and }}")
        << "Driver={PostgreSQL Unicode};PWD={a;b=c}}d};Port=5432" << QStringList {"Driver", "PWD", "Port"};
    QTest::newRow("blanks around keys, empty pairs") << " DSN = prod ;; Uid=x;" << QStringList {"DSN", "Uid"};
    QTest::newRow("a pair without =") << "DSN=prod;Trusted" << QStringList {"DSN", "Trusted"};
    QTest::newRow("unclosed brace runs to the end") << "PWD={a;b;Uid=x" << QStringList {"PWD"};
    QTest::newRow("empty") << "" << QStringList {};
}

void TestOdbcConnectionString::keys()
{
    QFETCH(QString, connectionString);
    QFETCH(QStringList, expected);
    QCOMPARE(OdbcConnectionString::keys(connectionString), expected);
}

void TestOdbcConnectionString::hasKeyIgnoresCase()
{
    QVERIFY(OdbcConnectionString::hasKey("driver={x};dsn=y", "DRIVER"));
    QVERIFY(OdbcConnectionString::hasKey("driver={x};dsn=y", "Dsn"));
    QVERIFY(!OdbcConnectionString::hasKey("driver={x};dsn=y", "Uid"));
}

void TestOdbcConnectionString::hasKeyLooksAtKeysOnly()
{
    // "Driver=" inside a braced value or as part of a longer key is no Driver pair.
    QVERIFY(!OdbcConnectionString::hasKey("PWD={Driver=x;DSN=y};Uid=z", "Driver"));
    QVERIFY(!OdbcConnectionString::hasKey("PWD={Driver=x;DSN=y};Uid=z", "DSN"));
    QVERIFY(!OdbcConnectionString::hasKey("FILEDSN=/etc/x.dsn", "DSN"));
    QVERIFY(!OdbcConnectionString::hasKey("Uid=DSN=x", "DSN"));
}

void TestOdbcConnectionString::braced_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "tiger"
                           << "{tiger}";
    QTest::newRow("separators") << "a;b=c"
                                << "{a;b=c}";
    QTest::newRow("closing braces doubled") << "a}b}}"
                                            << "{a}}b}}}}}";
    QTest::newRow("opening brace kept") << "{x"
                                        << "{{x}";
    QTest::newRow("empty") << ""
                           << "{}";
}

void TestOdbcConnectionString::braced()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(OdbcConnectionString::braced(value), expected);
}

void TestOdbcConnectionString::value_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain stays plain") << "scott"
                                       << "scott";
    QTest::newRow("= needs no braces") << "a=b"
                                       << "a=b";
    QTest::newRow("inner blank needs no braces") << "a b"
                                                 << "a b";
    QTest::newRow("semicolon") << "ti;ger"
                               << "{ti;ger}";
    QTest::newRow("closing brace") << "ti}ger"
                                   << "{ti}}ger}";
    QTest::newRow("opening brace") << "{tiger"
                                   << "{{tiger}";
    QTest::newRow("leading blank") << " tiger"
                                   << "{ tiger}";
    QTest::newRow("trailing blank") << "tiger "
                                    << "{tiger }";
    QTest::newRow("empty") << ""
                           << "{}";
}

void TestOdbcConnectionString::value()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(OdbcConnectionString::value(value), expected);
}

void TestOdbcConnectionString::forQtOdbcDriver_data()
{
    QTest::addColumn<QString>("connectionString");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Driver= passes unchanged") << "Driver={PostgreSQL Unicode};Server=127.0.0.1;Uid=x"
                                              << "Driver={PostgreSQL Unicode};Server=127.0.0.1;Uid=x";
    QTest::newRow("Driver= with a DSN pair passes unchanged") << "DSN=prod;Driver={Oracle}"
                                                              << "DSN=prod;Driver={Oracle}";
    QTest::newRow("Server= passes unchanged") << "DSN=prod;Server=db1"
                                              << "DSN=prod;Server=db1";
    QTest::newRow("DSN first loses its key") << "DSN=prod;Uid=scott;PWD={ti;ger}"
                                             << "prod;Uid=scott;PWD={ti;ger}";
    QTest::newRow("DSN later moves to the front") << "Uid=scott;dsn=prod;PWD={x}"
                                                  << "prod;Uid=scott;PWD={x}";
    QTest::newRow("braced DSN") << "DSN={my prod};Uid=scott"
                                << "{my prod};Uid=scott";
    QTest::newRow("DSN inside a password stays there") << "PWD={DSN=x};DSN=prod"
                                                       << "prod;PWD={DSN=x}";
    QTest::newRow("no DSN") << "Uid=scott"
                            << "Uid=scott";
}

void TestOdbcConnectionString::forQtOdbcDriver()
{
    QFETCH(QString, connectionString);
    QFETCH(QString, expected);
    QCOMPARE(OdbcConnectionString::forQtOdbcDriver(connectionString), expected);
}

QTEST_APPLESS_MAIN(TestOdbcConnectionString)
#include "tst_odbcconnectionstring.moc"
