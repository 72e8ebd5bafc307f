#include "LogLines.h"
#include "OdbcDiagnostics.h"
#include "OracleSql.h"

#include <QLibrary>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QTemporaryDir>
#include <QTest>

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

// The simulated Oracle driver as Qt's ODBC driver meets it through the driver manager, and the
// ODBC calls around it that the database layer makes itself.
class tst_SimulatorOdbc : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void openAsQtSeesIt();
    void columnsNullsAndNumbers();
    void secondRecordFollowsTheFirst();
    void getDataInPieces();
    void unsupportedCallsFailWithARecord();
    void narrowApplication();
    void invalidHandles();

private:
    QSqlDatabase open(const QString& config, const QString& name = QStringLiteral("sim"));
    QString log() const { return m_dir->filePath(QStringLiteral("sim;{log}")); }
    // The Log key for log(), braced as its ';' and '}' need.
    QString logKey() const
    {
        return QStringLiteral(";Log={%1}").arg(log().replace(u'}', QStringLiteral("}}")));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

// Index names with "SYS" and at least one more character left out ("_" unescaped).
const QString sysLikeQuery
    = QStringLiteral("SELECT index_name FROM user_indexes WHERE NOT index_name LIKE 'SYS_%' ORDER BY 1");

SQLHSTMT statementOf(const QSqlQuery& query)
{
    return *static_cast<const SQLHANDLE*>(query.result()->handle().constData());
}

} // namespace

void tst_SimulatorOdbc::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_SimulatorOdbc::cleanup()
{
    for (const QString& name : QSqlDatabase::connectionNames())
        QSqlDatabase::removeDatabase(name);
    m_dir.reset();
}

QSqlDatabase tst_SimulatorOdbc::open(const QString& config, const QString& name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
    db.setDatabaseName(QStringLiteral("Driver={Simulador Oracle};") + config + logKey());
    if (!db.open())
        qWarning("open failed: %s", qPrintable(db.lastError().text()));
    return db;
}

void tst_SimulatorOdbc::openAsQtSeesIt()
{
    QSqlDatabase db = open(QStringLiteral("Indexes=A"));
    QVERIFY(db.isOpen());
    // Text is read as UTF-16 because the driver converts to the wide types (SQL_CONVERT_*), which
    // also spares the server Qt's "select 'test'" probe: the log holds nothing but the logon.
    QVERIFY(db.driver()->hasFeature(QSqlDriver::Unicode));
    QCOMPARE(logLines(log()), QStringList {"CONNECT"});
    QCOMPARE(db.driver()->dbmsType(), QSqlDriver::Oracle);
    QVERIFY(!db.driver()->hasFeature(QSqlDriver::MultipleResultSets));
    QCOMPARE(db.driver()->escapeIdentifier("My Idx", QSqlDriver::TableName), QString("\"My Idx\""));
}

// The program's own query on every kind of index: three columns, NULL where a plain index has no
// partition; positions are NUMBER, which Qt reads as a number.
void tst_SimulatorOdbc::columnsNullsAndNumbers()
{
    QSqlDatabase db = open(QStringLiteral("Schema=" TARVELIN_ORASIM_SCHEMAS "/mixed.schema"));
    QSqlQuery query(db);
    QVERIFY2(query.exec(OracleSql::indexListQuery()), qPrintable(query.lastError().text()));
    // Asked for a scrollable cursor, the driver keeps its forward-only one and Qt follows.
    QVERIFY(query.isForwardOnly());
    QCOMPARE(query.record().fieldName(0), QString("INDEX_NAME"));
    QCOMPARE(query.record().fieldName(1), QString("PARTITION_NAME"));
    QCOMPARE(query.record().fieldName(2), QString("SUBPARTITION_NAME"));
    QStringList rows;
    while (query.next()) {
        QStringList values;
        for (int column = 0; column < 3; ++column)
            values << (query.value(column).isNull() ? QStringLiteral("NULL")
                                                    : query.value(column).toString());
        rows << values.join(u'|');
    }
    QCOMPARE(rows.size(), 11);
    QCOMPARE(rows.mid(2, 3),
        (QStringList {
            "CLIENTES_ALTA_IX|P2026|NULL", "CLIENTES_PK|NULL|NULL", "DATE|LEVEL|NULL"}));

    QVERIFY(
        query.exec("SELECT partition_name, subpartition_count FROM user_ind_partitions ORDER BY 2 DESC, 1"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), QString("P2025"));
    QCOMPARE(query.value(1).toInt(), 2);

    // A NULL needs an indicator to say so (an index given by Indexes= has no known table).
    QSqlDatabase plain = open(QStringLiteral("Indexes=A"), QStringLiteral("plain"));
    QSqlQuery nulls(plain);
    nulls.setForwardOnly(true);
    QVERIFY(nulls.exec("SELECT table_name FROM user_indexes"));
    const SQLHSTMT handle = statementOf(nulls);
    QCOMPARE(SQLFetch(handle), SQLRETURN(SQL_SUCCESS));
    char bytes[8];
    QCOMPARE(SQLGetData(handle, 1, SQL_C_CHAR, bytes, sizeof bytes, nullptr), SQLRETURN(SQL_ERROR));
    QCOMPARE(
        OdbcDiagnostics::first(OdbcDiagnostics::HandleType::Statement, handle)->sqlState, QString("22002"));
    SQLLEN indicator = 0;
    QCOMPARE(SQLGetData(handle, 1, SQL_C_CHAR, bytes, sizeof bytes, &indicator), SQLRETURN(SQL_SUCCESS));
    QCOMPARE(indicator, SQLLEN(SQL_NULL_DATA));
}

void tst_SimulatorOdbc::secondRecordFollowsTheFirst()
{
    QSqlDatabase db = open(QStringLiteral("Indexes=IDX_A;Online=0;Records=2"));
    QSqlQuery query(db);
    QVERIFY(!query.exec("ALTER INDEX IDX_A REBUILD ONLINE"));
    // Qt joins the records and keeps the native number of the last one.
    QCOMPARE(query.lastError().databaseText(),
        QString("[Oracle][ODBC][Ora]ORA-00439: feature not enabled: Online Index Build "
                "[Oracle][ODBC][Ora]ORA-06512: at line 1"));
    QCOMPARE(query.lastError().nativeErrorCode(), QString("6512"));
    const auto first = OdbcDiagnostics::first(OdbcDiagnostics::HandleType::Statement, statementOf(query));
    QVERIFY(first);
    QCOMPARE(first->nativeCode, 439);
    SQLINTEGER number = 0;
    QCOMPARE(SQLGetDiagField(SQL_HANDLE_STMT, statementOf(query), 0, SQL_DIAG_NUMBER, &number, 0, nullptr),
        SQLRETURN(SQL_SUCCESS));
    QCOMPARE(number, 2);
}

void tst_SimulatorOdbc::getDataInPieces()
{
    // Two bytes, three bytes and four bytes in UTF-8; the last one two units in UTF-16.
    const QString name = QString::fromUtf8("\xC3\x8DNDICE_\xE2\x82\xAC_\xF0\x9F\x98\x80_FIN");
    QSqlDatabase db = open(QStringLiteral("Indexes=") + name);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    QVERIFY(query.exec("SELECT index_name FROM user_indexes"));
    const SQLHSTMT statement = statementOf(query);
    QCOMPARE(SQLFetch(statement), SQLRETURN(SQL_SUCCESS));

    // Narrow: UTF-8 in pieces of at most 4 bytes plus the terminator, never cut inside a
    // character; each piece reports what was left before it.
    const QByteArray utf8 = name.toUtf8();
    QByteArray narrow;
    char bytes[5];
    SQLLEN left = 0;
    SQLRETURN r;
    while ((r = SQLGetData(statement, 1, SQL_C_CHAR, bytes, sizeof bytes, &left)) == SQL_SUCCESS_WITH_INFO) {
        QCOMPARE(left, SQLLEN(utf8.size() - narrow.size()));
        QCOMPARE(OdbcDiagnostics::first(OdbcDiagnostics::HandleType::Statement, statement)->sqlState,
            QString("01004"));
        narrow += bytes;
        QVERIFY(QString::fromUtf8(narrow).toUtf8() == narrow);
    }
    QCOMPARE(r, SQLRETURN(SQL_SUCCESS));
    narrow += bytes;
    QCOMPARE(narrow, utf8);
    QCOMPARE(SQLGetData(statement, 1, SQL_C_CHAR, bytes, sizeof bytes, &left), SQLRETURN(SQL_NO_DATA));

    // Wide: asked in another type, the value starts again; a surrogate pair stays whole.
    QString wide;
    SQLWCHAR units[4];
    while ((r = SQLGetData(statement, 1, SQL_C_WCHAR, units, sizeof units, &left)) == SQL_SUCCESS_WITH_INFO) {
        QCOMPARE(left, SQLLEN((name.size() - wide.size()) * sizeof(SQLWCHAR)));
        wide += QString::fromUtf16(reinterpret_cast<const char16_t*>(units));
        QVERIFY(!wide.back().isHighSurrogate());
    }
    QCOMPARE(r, SQLRETURN(SQL_SUCCESS));
    wide += QString::fromUtf16(reinterpret_cast<const char16_t*>(units));
    QCOMPARE(wide, name);
    QCOMPARE(SQLFetch(statement), SQLRETURN(SQL_NO_DATA));
}

void tst_SimulatorOdbc::unsupportedCallsFailWithARecord()
{
    QSqlDatabase db = open(QStringLiteral("Indexes=A"));
    QSqlQuery query(db);
    QVERIFY(query.exec(sysLikeQuery));
    const SQLHSTMT statement = statementOf(query);
    const auto expectRecord = [statement](SQLRETURN r, const char* sqlState) {
        QCOMPARE(r, SQLRETURN(SQL_ERROR));
        const auto record = OdbcDiagnostics::first(OdbcDiagnostics::HandleType::Statement, statement);
        QVERIFY(record);
        QCOMPARE(record->sqlState, QString::fromLatin1(sqlState));
    };
    // Qt refuses a driver without SQLTables: it is there, and says it is not supported.
    expectRecord(SQLTablesW(statement, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), "S1C00");
    QVERIFY(OdbcDiagnostics::first(OdbcDiagnostics::HandleType::Statement, statement)
                ->text.startsWith("[Oracle][ODBC]Optional feature not implemented"));
    expectRecord(SQLSetStmtAttr(
                     statement, SQL_ATTR_CURSOR_SCROLLABLE, reinterpret_cast<SQLPOINTER>(SQL_SCROLLABLE), 0),
        "S1C00");
    // Not exported at all: the driver manager answers for the driver.
    expectRecord(SQLGetTypeInfoW(statement, SQL_ALL_TYPES), "IM001");
}

void tst_SimulatorOdbc::narrowApplication()
{
    // As isql calls: narrow (UTF-8) calls, which the driver manager hands to the narrow entry
    // points, and ODBC 3, for which HY000 keeps its name.
    SQLHENV environment = nullptr;
    SQLHDBC connection = nullptr;
    SQLHSTMT statement = nullptr;
    QCOMPARE(SQLAllocHandle(SQL_HANDLE_ENV, nullptr, &environment), SQLRETURN(SQL_SUCCESS));
    SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    QCOMPARE(SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection), SQLRETURN(SQL_SUCCESS));
    QByteArray in = ("Driver={Simulador Oracle};Indexes=IDX_A;Online=0" + logKey()).toUtf8();
    QCOMPARE(SQLDriverConnect(connection, nullptr, reinterpret_cast<SQLCHAR*>(in.data()), SQL_NTS, nullptr, 0,
                 nullptr, SQL_DRIVER_NOPROMPT),
        SQLRETURN(SQL_SUCCESS));
    QCOMPARE(SQLAllocHandle(SQL_HANDLE_STMT, connection, &statement), SQLRETURN(SQL_SUCCESS));
    SQLCHAR sql[] = "ALTER INDEX IDX_A REBUILD ONLINE";
    QCOMPARE(SQLExecDirect(statement, sql, SQL_NTS), SQLRETURN(SQL_ERROR));
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    SQLCHAR text[SQL_MAX_MESSAGE_LENGTH] = {};
    QCOMPARE(SQLGetDiagRec(SQL_HANDLE_STMT, statement, 1, state, &native, text, sizeof text, nullptr),
        SQLRETURN(SQL_SUCCESS));
    QCOMPARE(reinterpret_cast<const char*>(state), "HY000");
    QCOMPARE(native, 439);
    QCOMPARE(reinterpret_cast<const char*>(text),
        "[Oracle][ODBC][Ora]ORA-00439: feature not enabled: Online Index Build");
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    QCOMPARE(SQLDisconnect(connection), SQLRETURN(SQL_SUCCESS));
    SQLFreeHandle(SQL_HANDLE_DBC, connection);
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
    QCOMPARE(
        logLines(log()), (QStringList {"CONNECT", "EXEC 0 ALTER INDEX IDX_A REBUILD ONLINE", "DISCONNECT"}));
}

void tst_SimulatorOdbc::invalidHandles()
{
    // Straight into the driver, as the driver manager calls it.
    QLibrary driver(qEnvironmentVariable("ODBCSYSINI") + QStringLiteral("/liborasimodbc.so"));
    QVERIFY2(driver.load(), qPrintable(driver.errorString()));
    using AllocHandle = SQLRETURN (*)(SQLSMALLINT, SQLHANDLE, SQLHANDLE*);
    using FreeHandle = SQLRETURN (*)(SQLSMALLINT, SQLHANDLE);
    using ExecDirect = SQLRETURN (*)(SQLHSTMT, SQLCHAR*, SQLINTEGER);
    const auto alloc = reinterpret_cast<AllocHandle>(driver.resolve("SQLAllocHandle"));
    const auto release = reinterpret_cast<FreeHandle>(driver.resolve("SQLFreeHandle"));
    const auto execDirect = reinterpret_cast<ExecDirect>(driver.resolve("SQLExecDirect"));
    QVERIFY(alloc && release && execDirect);

    SQLHANDLE environment = nullptr;
    QCOMPARE(alloc(SQL_HANDLE_ENV, nullptr, &environment), SQLRETURN(SQL_SUCCESS));
    SQLCHAR sql[] = "SELECT index_name FROM user_indexes";
    QCOMPARE(execDirect(nullptr, sql, SQL_NTS), SQLRETURN(SQL_INVALID_HANDLE));
    QCOMPARE(execDirect(environment, sql, SQL_NTS), SQLRETURN(SQL_INVALID_HANDLE)); // not a statement
    QCOMPARE(release(SQL_HANDLE_DBC, environment), SQLRETURN(SQL_INVALID_HANDLE));
    QCOMPARE(release(SQL_HANDLE_ENV, environment), SQLRETURN(SQL_SUCCESS));
    QCOMPARE(release(SQL_HANDLE_ENV, environment), SQLRETURN(SQL_INVALID_HANDLE)); // already freed
}

QTEST_GUILESS_MAIN(tst_SimulatorOdbc)
#include "tst_SimulatorOdbc.moc"
