#include "ConnectionString.h"

#include <QTest>

class tst_ConnectionString : public QObject
{
    Q_OBJECT

private slots:
    void keys_data();
    void keys();
    void hasKeyIgnoresCase();
    void hasKeyLooksAtKeysOnly();
    void join_data();
    void join();
    void split_data();
    void split();
    void valueOf_data();
    void valueOf();
    void forQtOdbcDriver_data();
    void forQtOdbcDriver();
};

void tst_ConnectionString::keys_data()
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

void tst_ConnectionString::keys()
{
    QFETCH(QString, connectionString);
    QFETCH(QStringList, expected);
    QCOMPARE(ConnectionString::keys(connectionString), expected);
}

void tst_ConnectionString::hasKeyIgnoresCase()
{
    QVERIFY(ConnectionString::hasKey("driver={x};dsn=y", "DRIVER"));
    QVERIFY(ConnectionString::hasKey("driver={x};dsn=y", "Dsn"));
    QVERIFY(!ConnectionString::hasKey("driver={x};dsn=y", "Uid"));
}

void tst_ConnectionString::hasKeyLooksAtKeysOnly()
{
    // "Driver=" inside a braced value or as part of a longer key is no Driver pair.
    QVERIFY(!ConnectionString::hasKey("PWD={Driver=x;DSN=y};Uid=z", "Driver"));
    QVERIFY(!ConnectionString::hasKey("PWD={Driver=x;DSN=y};Uid=z", "DSN"));
    QVERIFY(!ConnectionString::hasKey("FILEDSN=/etc/x.dsn", "DSN"));
    QVERIFY(!ConnectionString::hasKey("Uid=DSN=x", "DSN"));
}

void tst_ConnectionString::join_data()
{
    QTest::addColumn<QString>("provider");
    QTest::addColumn<QString>("pairs");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("expected");

    const QString oracle = QStringLiteral("Driver={Oracle 19 ODBC driver};Dbq=//h:1521/S");
    QTest::newRow("no password") << "QODBC" << oracle << ""
                                 << "Provider=QODBC;" + oracle;
    QTest::newRow("plain password") << "QODBC" << oracle << "tiger"
                                    << "Provider=QODBC;" + oracle + ";PWD={tiger}";
    QTest::newRow("separators stay inside") << "QODBC" << oracle << "a;b=c"
                                            << "Provider=QODBC;" + oracle + ";PWD={a;b=c}";
    QTest::newRow("closing braces doubled") << "QODBC" << oracle << "a}b}}"
                                            << "Provider=QODBC;" + oracle + ";PWD={a}}b}}}}}";
    QTest::newRow("opening brace kept") << "QPSQL"
                                        << "Server=db"
                                        << "{x"
                                        << "Provider=QPSQL;Server=db;PWD={{x}";
}

// What the profile library joins, the layer splits back into the same provider and pairs.
void tst_ConnectionString::join()
{
    QFETCH(QString, provider);
    QFETCH(QString, pairs);
    QFETCH(QString, password);
    QFETCH(QString, expected);
    const QString joined = ConnectionString::join(provider, pairs, password);
    QCOMPARE(joined, expected);
    const ConnectionString::Parts parts = ConnectionString::split(joined);
    QCOMPARE(parts.provider, provider);
    QVERIFY(parts.pairs.startsWith(pairs));
    QCOMPARE(ConnectionString::keys(parts.pairs).contains("PWD"), !password.isEmpty());
}

void tst_ConnectionString::split_data()
{
    QTest::addColumn<QString>("connectionString");
    QTest::addColumn<QString>("provider");
    QTest::addColumn<QString>("pairs");

    QTest::newRow("as Qt spells it") << "Provider=QODBC;Driver={x};Online=0"
                                     << "QODBC"
                                     << "Driver={x};Online=0";
    QTest::newRow("key in any case, name as written") << "provider=qpsql;Server=db"
                                                      << "qpsql"
                                                      << "Server=db";
    QTest::newRow("blanks around key and name") << " Provider = QODBC ;DSN=prod"
                                                << "QODBC"
                                                << "DSN=prod";
    QTest::newRow("the rest unchanged") << "Provider=QODBC; a=b ;;PWD={x;}}y}"
                                        << "QODBC"
                                        << " a=b ;;PWD={x;}}y}";
    QTest::newRow("nothing after the provider") << "Provider=QODBC"
                                                << "QODBC"
                                                << "";
    QTest::newRow("no provider: Qt's ODBC driver, the whole string") << "Driver={x};Provider=QPSQL"
                                                                     << "QODBC"
                                                                     << "Driver={x};Provider=QPSQL";
    QTest::newRow("a longer key is no provider") << "ProviderName=x;DSN=prod"
                                                 << "QODBC"
                                                 << "ProviderName=x;DSN=prod";
}

void tst_ConnectionString::split()
{
    QFETCH(QString, connectionString);
    QFETCH(QString, provider);
    QFETCH(QString, pairs);
    const ConnectionString::Parts parts = ConnectionString::split(connectionString);
    QCOMPARE(parts.provider, provider);
    QCOMPARE(parts.pairs, pairs);
}

// What the driver manager reads as the driver's name, the one an error about it must give.
void tst_ConnectionString::valueOf_data()
{
    QTest::addColumn<QString>("pairs");
    QTest::addColumn<QString>("expected");
    QTest::newRow("braced, as profiles write it") << "Driver={Oracle in OraClient19Home1};Dbq=x"
                                                  << "Oracle in OraClient19Home1";
    QTest::newRow("plain, key in any case, blanks around") << "dbq=x; DRIVER = Simulador ;Uid=s"
                                                           << "Simulador";
    QTest::newRow("a doubled closing brace") << "Driver={a}}b};Dbq=x"
                                             << "a}b";
    QTest::newRow("; and = inside braces") << "Uid=s;Driver={a;b=c}"
                                           << "a;b=c";
    QTest::newRow("the first of two") << "Driver={A};Driver={B}"
                                      << "A";
    QTest::newRow("only inside another value") << "PWD={Driver=x};Dbq=y"
                                               << "";
    QTest::newRow("none") << "DSN=Prod"
                          << "";
}

void tst_ConnectionString::valueOf()
{
    QFETCH(QString, pairs);
    QFETCH(QString, expected);
    QCOMPARE(ConnectionString::valueOf(pairs, QStringLiteral("Driver")), expected);
}

void tst_ConnectionString::forQtOdbcDriver_data()
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

void tst_ConnectionString::forQtOdbcDriver()
{
    QFETCH(QString, connectionString);
    QFETCH(QString, expected);
    QCOMPARE(ConnectionString::forQtOdbcDriver(connectionString), expected);
}

QTEST_APPLESS_MAIN(tst_ConnectionString)
#include "tst_ConnectionString.moc"
