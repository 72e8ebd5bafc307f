#include "OdbcDiagnostics.h"

#include <QTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <vector>

// Reads diagnostics the driver manager itself produces, so no driver or server
// is needed.
class TestOdbcDiagnostics : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void nullHandleHasNoRecord();
    void freshHandleHasNoRecord();
    void readsTheFailedConnectsRecord();
    void readsTextBeyondAscii();

private:
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
};

void TestOdbcDiagnostics::init()
{
    QVERIFY(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env)));
    QVERIFY(SQL_SUCCEEDED(
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)));
    QVERIFY(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc)));
}

void TestOdbcDiagnostics::cleanup()
{
    if (m_dbc)
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    if (m_env)
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    m_dbc = SQL_NULL_HDBC;
    m_env = SQL_NULL_HENV;
}

void TestOdbcDiagnostics::nullHandleHasNoRecord()
{
    QVERIFY(!OdbcDiagnostics::first(OdbcDiagnostics::HandleType::Connection, nullptr));
}

void TestOdbcDiagnostics::freshHandleHasNoRecord()
{
    QVERIFY(!OdbcDiagnostics::first(OdbcDiagnostics::HandleType::Connection, m_dbc));
    QVERIFY(!OdbcDiagnostics::first(OdbcDiagnostics::HandleType::Environment, m_env));
}

void TestOdbcDiagnostics::readsTheFailedConnectsRecord()
{
    const QString connectionString = QStringLiteral("DSN=tarvelin_no_such_data_source");
    std::vector<SQLWCHAR> in(connectionString.utf16(), connectionString.utf16() + connectionString.size());
    in.push_back(0);
    const SQLRETURN r
        = SQLDriverConnectW(m_dbc, nullptr, in.data(), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    QVERIFY(!SQL_SUCCEEDED(r));

    const auto record = OdbcDiagnostics::first(OdbcDiagnostics::HandleType::Connection, m_dbc);
    QVERIFY(record);
    QCOMPARE(record->sqlState, QStringLiteral("IM002"));
    // The driver manager's own error carries no native number.
    QCOMPARE(record->nativeCode, 0);
    QVERIFY2(record->text.startsWith(u'[') && record->text.contains("Data source name not found"),
        qPrintable(record->text));
    // The prefixes are left for the caller to strip.
    QVERIFY2(record->text.contains("Driver Manager]"), qPrintable(record->text));
}

void TestOdbcDiagnostics::readsTextBeyondAscii()
{
    // The driver manager repeats the unknown driver's name in its message.
    const QString name = QString::fromUtf8("Controlador Ñandú");
    const QString connectionString = QStringLiteral("Driver={%1};Server=x").arg(name);
    std::vector<SQLWCHAR> in(connectionString.utf16(), connectionString.utf16() + connectionString.size());
    in.push_back(0);
    const SQLRETURN r
        = SQLDriverConnectW(m_dbc, nullptr, in.data(), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    QVERIFY(!SQL_SUCCEEDED(r));

    const auto record = OdbcDiagnostics::first(OdbcDiagnostics::HandleType::Connection, m_dbc);
    QVERIFY(record);
    QVERIFY2(record->text.contains(name), qPrintable(record->text));
    QVERIFY2(!record->text.endsWith(QChar(0)), qPrintable(record->text));
}

QTEST_APPLESS_MAIN(TestOdbcDiagnostics)
#include "tst_odbcdiagnostics.moc"
