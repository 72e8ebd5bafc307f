#include "DriverMessage.h"

#include <QTest>

class tst_DriverMessage : public QObject
{
    Q_OBJECT

private slots:
    void withoutPrefixes_data();
    void withoutPrefixes();
    void lastRecord_data();
    void lastRecord();
    void joinedOpenErrorGivesTheLastRecordsText();
};

void tst_DriverMessage::withoutPrefixes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Oracle driver, online rebuild refused")
        << "[Oracle][ODBC][Ora]ORA-00439: feature not enabled: Online Index Build"
        << "ORA-00439: feature not enabled: Online Index Build";
    QTest::newRow("Oracle Instant Client, record ending in a newline")
        << "[Oracle][ODBC][Ora]ORA-12154: TNS:could not resolve the connect identifier specified\n"
        << "ORA-12154: TNS:could not resolve the connect identifier specified";
    QTest::newRow("Oracle driver's own error, two prefixes") << "[Oracle][ODBC]Invalid cursor state."
                                                             << "Invalid cursor state.";
    QTest::newRow("Oracle error stack over several lines")
        << "[Oracle][ODBC][Ora]ORA-00604: error occurred at recursive SQL level 1\n"
           "ORA-01031: insufficient privileges\n"
        << "ORA-00604: error occurred at recursive SQL level 1\nORA-01031: insufficient privileges";
    QTest::newRow("Microsoft's driver for Oracle")
        << "[Microsoft][ODBC driver for Oracle][Oracle]ORA-01017: invalid username/password; logon denied"
        << "ORA-01017: invalid username/password; logon denied";
    QTest::newRow("Spanish Oracle message")
        << QString::fromUtf8(
               "[Oracle][ODBC][Ora]ORA-01017: nombre de usuario/contraseña no válidos; conexión denegada")
        << QString::fromUtf8("ORA-01017: nombre de usuario/contraseña no válidos; conexión denegada");
    QTest::newRow("simulated Oracle server")
        << "[Simulador][Oracle]ORA-00439: feature not enabled: Online Index Build"
        << "ORA-00439: feature not enabled: Online Index Build";
    QTest::newRow("a lower-case code stays lower-case") << "[Simulador][Oracle]ora-00439: feature not enabled"
                                                        << "ora-00439: feature not enabled";
    QTest::newRow("unixODBC driver manager, unknown data source")
        << "[unixODBC][Driver Manager]Data source name not found and no default driver specified"
        << "Data source name not found and no default driver specified";
    QTest::newRow("Windows driver manager, blank after the prefixes")
        << "[Microsoft][ODBC Driver Manager] Data source name not found and no default driver specified"
        << "Data source name not found and no default driver specified";
    QTest::newRow("psqlODBC syntax error, no prefix")
        << "ERROR: syntax error at or near \"REBUILD\";\nError while preparing parameters"
        << "ERROR: syntax error at or near \"REBUILD\";\nError while preparing parameters";
    QTest::newRow("psqlODBC syntax error as Qt joins it, trailing blank")
        << "ERROR: syntax error at or near \"REBUILD\";\nError while executing the query "
        << "ERROR: syntax error at or near \"REBUILD\";\nError while executing the query";
    QTest::newRow("psqlODBC wrong password, inner blanks kept")
        << "connection to server at \"127.0.0.1\", port 5432 failed: FATAL:  password authentication failed "
           "for user \"tarvelin\"\n"
        << "connection to server at \"127.0.0.1\", port 5432 failed: FATAL:  password authentication failed "
           "for user \"tarvelin\"";
    QTest::newRow("psqlODBC server down, continuation line kept")
        << "connection to server at \"127.0.0.1\", port 1 failed: Connection refused\n\tIs the server "
           "running "
           "on that host and accepting TCP/IP connections?\n"
        << "connection to server at \"127.0.0.1\", port 1 failed: Connection refused\n\tIs the server "
           "running "
           "on that host and accepting TCP/IP connections?";
    QTest::newRow("no prefix, leading blanks kept") << "  ORA-01013: user requested cancel"
                                                    << "  ORA-01013: user requested cancel";
    QTest::newRow("only prefixes and white space") << "[unixODBC][Driver Manager] \r\n"
                                                   << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("trailing white space and newlines")
        << "[Oracle][ODBC][Ora]ORA-01013: user requested cancel of current operation\r\n\t \n"
        << "ORA-01013: user requested cancel of current operation";
    QTest::newRow("a bracket later in the text is kept")
        << "[Oracle][ODBC][Ora]ORA-00904: \"IDX\": invalid identifier [line 1, column 13]"
        << "ORA-00904: \"IDX\": invalid identifier [line 1, column 13]";
    QTest::newRow("an unclosed bracket is not a prefix") << "[Oracle ORA-00942: table or view does not exist"
                                                         << "[Oracle ORA-00942: table or view does not exist";
    QTest::newRow("an empty bracket pair is not a prefix") << "[]ORA-00942"
                                                           << "[]ORA-00942";
    QTest::newRow("nested brackets are not a prefix") << "[a[b]]ORA-00942"
                                                      << "[a[b]]ORA-00942";
}

void tst_DriverMessage::withoutPrefixes()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(DriverMessage::withoutPrefixes(text), expected);
}

void tst_DriverMessage::lastRecord_data()
{
    QTest::addColumn<QString>("joined");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one record")
        << "[unixODBC][Driver Manager]Data source name not found and no default driver specified"
        << "[unixODBC][Driver Manager]Data source name not found and no default driver specified";
    QTest::newRow("driver manager record first, as unixODBC sorts them")
        << "[unixODBC][Driver Manager]Driver's SQLSetConnectAttr failed [Oracle][ODBC][Ora]ORA-12541: TNS:no "
           "listener"
        << "[Oracle][ODBC][Ora]ORA-12541: TNS:no listener";
    QTest::newRow("three records")
        << "[Microsoft][ODBC Driver 17 for SQL Server][SQL Server]Login failed for user 'sa'. "
           "[Microsoft][ODBC Driver 17 for SQL Server][SQL Server]Cannot open database \"x\". "
           "[Microsoft][ODBC Driver 17 for SQL Server]Invalid connection string attribute"
        << "[Microsoft][ODBC Driver 17 for SQL Server]Invalid connection string attribute";
    QTest::newRow("record ending in a newline")
        << "[unixODBC][Driver Manager]Driver's SQLSetConnectAttr failed\n "
           "[Oracle][ODBC][Ora]ORA-12154: TNS:could not resolve the connect identifier specified"
        << "[Oracle][ODBC][Ora]ORA-12154: TNS:could not resolve the connect identifier specified";
    QTest::newRow("a single bracketed word later in the text")
        << "[Oracle][ODBC][Ora]ORA-00904: invalid identifier [line 1] near ALTER"
        << "[Oracle][ODBC][Ora]ORA-00904: invalid identifier [line 1] near ALTER";
    QTest::newRow("brackets not after a blank") << "[Oracle][ODBC][Ora]ORA-06512: at \"X\"[A][B] line 3"
                                                << "[Oracle][ODBC][Ora]ORA-06512: at \"X\"[A][B] line 3";
    QTest::newRow("records without prefixes cannot be told apart")
        << "connection to server at \"127.0.0.1\", port 5432 failed: FATAL:  password authentication failed\n"
        << "connection to server at \"127.0.0.1\", port 5432 failed: FATAL:  password authentication "
           "failed\n";
    QTest::newRow("a record without prefix, then one with")
        << "could not connect [unixODBC][Driver Manager]Driver's SQLSetConnectAttr failed"
        << "[unixODBC][Driver Manager]Driver's SQLSetConnectAttr failed";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_DriverMessage::lastRecord()
{
    QFETCH(QString, joined);
    QFETCH(QString, expected);
    QCOMPARE(DriverMessage::lastRecord(joined), expected);
}

void tst_DriverMessage::joinedOpenErrorGivesTheLastRecordsText()
{
    // How a failed open is turned into a description: last record, no prefixes.
    const QString joined = QString::fromUtf8(
        "[unixODBC][Driver Manager]Driver's SQLSetConnectAttr failed\n "
        "[Oracle][ODBC][Ora]ORA-01017: nombre de usuario/contraseña no válidos; conexión denegada\n");
    QCOMPARE(DriverMessage::withoutPrefixes(DriverMessage::lastRecord(joined)),
        QString::fromUtf8("ORA-01017: nombre de usuario/contraseña no válidos; conexión denegada"));
}

QTEST_APPLESS_MAIN(tst_DriverMessage)
#include "tst_DriverMessage.moc"
