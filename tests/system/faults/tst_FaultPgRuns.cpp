#include "BackendKiller.h"
#include "Connection.h"
#include "PgTestBed.h"
#include "RecordingObserver.h"
#include "ReindexRun.h"

#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

// Whole runs against the PostgreSQL test bed that fail where a real server
// fails them: nobody listening, no such ODBC driver, and the server ending the
// session while a rebuild is executing. The real profile library reads a
// profile file and the real layer talks to psqlODBC.
class tst_FaultPgRuns : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void nothingToConnectTo_data();
    void nothingToConnectTo();
    void backendKilledDuringARebuild();

private:
    void writeProfile(const QByteArray& provider, const QString& connection);
    QStringList run(RecordingObserver& observer, bool postgresRebuilds = false);
    qint64 fileNode(const QString& index);
    void holdLockOnOrders();
    void releaseLock();

    PgTestBed m_bed;
    QTemporaryDir m_folder;
    QProcess m_lockHolder;
};

namespace {

const QString LockHolder = QStringLiteral("tarvelin-lock-holder");

// PostgreSQL has no ALTER INDEX ... REBUILD; its rebuild of one index is
// REINDEX INDEX, with the same name syntax, and an index partition is an index
// of its own there. This connection hands the server that instead, so a run's
// rebuilds really rebuild, take locks and can be interrupted there; every other
// call goes to the real layer unchanged.
class PostgresRebuilds : public Connection
{
public:
    explicit PostgresRebuilds(QStringList* sent)
        : m_sent(sent)
    { }

    std::unique_ptr<Recordset> Execute(const QString& sql) override
    {
        *m_sent << sql;
        static const QRegularExpression rebuild(
            QStringLiteral("^ALTER INDEX (.+?) REBUILD(?: (?:SUB)?PARTITION (.+))?$"));
        const QRegularExpressionMatch match = rebuild.match(sql);
        const QString index = match.hasCaptured(2) ? match.captured(2) : match.captured(1);
        return Connection::Execute(match.hasMatch() ? QStringLiteral("REINDEX INDEX ") + index : sql);
    }

private:
    QStringList* m_sent;
};

// Records what the run sent and hands it on unchanged.
class Recording : public Connection
{
public:
    explicit Recording(QStringList* sent)
        : m_sent(sent)
    { }

    std::unique_ptr<Recordset> Execute(const QString& sql) override
    {
        *m_sent << sql;
        return Connection::Execute(sql);
    }

private:
    QStringList* m_sent;
};

} // namespace

void tst_FaultPgRuns::initTestCase()
{
    TV_NEED_PG_TEST_BED(m_bed);
    QVERIFY(m_folder.isValid());
}

void tst_FaultPgRuns::cleanup()
{
    releaseLock();
}

void tst_FaultPgRuns::writeProfile(const QByteArray& provider, const QString& connection)
{
    QFile file(m_folder.filePath("Pg.cfp"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Corvath S.L.]\nProvider=" + provider + "\nConnection=" + connection.toUtf8()
        + "\nPassword=" + m_bed.password.toUtf8() + "\n");
    file.close();
    QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
}

// Runs the profile Pg; returns the statements the run sent, in order.
QStringList tst_FaultPgRuns::run(RecordingObserver& observer, bool postgresRebuilds)
{
    QStringList sent;
    RunRequest request;
    request.profileName = QStringLiteral("Pg");
    request.programFolder = m_folder.path();
    request.vendorName = QStringLiteral("Corvath S.L.");
    const CancelToken cancel;
    ReindexRun::execute(
        request, cancel, observer, [&sent, postgresRebuilds]() -> std::unique_ptr<Connection> {
            if (postgresRebuilds)
                return std::make_unique<PostgresRebuilds>(&sent);
            return std::make_unique<Recording>(&sent);
        });
    return sent;
}

// The file that holds the index's data; REINDEX gives it a new one.
qint64 tst_FaultPgRuns::fileNode(const QString& index)
{
    Connection cn;
    cn.Open(m_bed.connectionWithPassword());
    return cn.Execute(QStringLiteral("SELECT pg_relation_filenode('%1') AS node").arg(index))
        ->Fields("node")
        .toLongLong();
}

void tst_FaultPgRuns::nothingToConnectTo_data()
{
    QTest::addColumn<QByteArray>("provider");
    QTest::addColumn<QString>("connection");
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("description"); // a part of it

    // A loopback port that nobody listens on.
    quint16 port = 0;
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        port = server.serverPort();
    }
    QString down = m_bed.connection;
    down.replace(QStringLiteral("Port=%1").arg(m_bed.port), QStringLiteral("Port=%1").arg(port));
    QVERIFY(down != m_bed.connection);

    QTest::newRow("server down") << QByteArray("QODBC") << down << 101 << "Connection refused";
    // Named, with the drivers there are (psqlODBC's), before the driver manager's own words.
    QTest::newRow("ODBC driver not installed")
        << QByteArray("QODBC") << "Driver={Oracle 19 ODBC driver};Dbq=//dbhost:1521/ORCLPDB1;Uid=scott"
        << 3790
        << "El controlador ODBC «Oracle 19 ODBC driver» que indica el perfil no está instalado para este programa "
           "de 64 bits; los instalados son: «PostgreSQL";
    QTest::newRow("Qt SQL driver not installed")
        << QByteArray("QOCI") << "//dbhost:1521/ORCLPDB1" << 3706 << "No se encuentra el proveedor QOCI.";
}

void tst_FaultPgRuns::nothingToConnectTo()
{
    QFETCH(QByteArray, provider);
    QFETCH(QString, connection);
    QFETCH(qint32, number);
    QFETCH(QString, description);

    writeProfile(provider, connection);
    RecordingObserver observer;
    const QStringList sent = run(observer);

    QCOMPARE(sent, QStringList());
    const QStringList boxes = observer.errors();
    QCOMPARE(boxes.size(), 1);
    const QString prefix = QStringLiteral("error:Error %1: ").arg(number);
    QVERIFY2(
        boxes.first().startsWith(prefix) && boxes.first().contains(description), qPrintable(boxes.first()));
    QCOMPARE(observer.status(), boxes.first().mid(prefix.size()));
    QCOMPARE(observer.statuses().mid(0, 2), QStringList({"Conectando...", "Procesando..."}));
    // The password never reaches the screen.
    QVERIFY(!boxes.first().contains(m_bed.password));
}

// Another session keeps orders locked in an open transaction (as an
// application's unfinished transaction would), so the rebuild of an index of
// orders waits inside the server: it is executing, not finished, when the
// server ends its session.
void tst_FaultPgRuns::holdLockOnOrders()
{
    const QString psql = qEnvironmentVariable("TARVELIN_PG_PSQL");
    if (psql.isEmpty())
        QFAIL("TARVELIN_PG_PSQL is not set (tests/support/pg/testbed.sh writes it)");
    QStringList command = QProcess::splitCommand(psql);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGAPPNAME"), LockHolder);
    m_lockHolder.setProcessEnvironment(env);
    m_lockHolder.setProcessChannelMode(QProcess::MergedChannels);
    m_lockHolder.start(command.takeFirst(), command);
    QVERIFY(m_lockHolder.waitForStarted(-1));
    m_lockHolder.write("BEGIN;\n"
                       "LOCK TABLE tarvelin.orders IN ROW EXCLUSIVE MODE;\n"
                       "\\echo locked\n");
    QByteArray output;
    while (!output.contains("locked")) {
        QVERIFY2(m_lockHolder.state() == QProcess::Running || m_lockHolder.bytesAvailable() > 0,
            output.constData());
        m_lockHolder.waitForReadyRead(-1);
        output += m_lockHolder.readAll();
    }
}

// The holder's session ends when psql reads the end of its input, and with it
// the transaction and its lock; the same happens if this process dies.
void tst_FaultPgRuns::releaseLock()
{
    if (m_lockHolder.state() == QProcess::NotRunning)
        return;
    m_lockHolder.closeWriteChannel();
    m_lockHolder.waitForFinished(-1);
}

void tst_FaultPgRuns::backendKilledDuringARebuild()
{
    writeProfile("QODBC", m_bed.connection);
    const qint64 customersBefore = fileNode("customers_pk");
    const qint64 ordersDateBefore = fileNode("idx_orders_date");
    const qint64 ordersBefore = fileNode("orders_pk");
    holdLockOnOrders();

    // Ends the session whose rebuild waits for that lock, as an administrator
    // (or a server restart) would. The role may end its own sessions.
    BackendKiller killer(m_bed,
        QStringLiteral("SELECT pg_terminate_backend(pid) AS done FROM pg_stat_activity "
                       "WHERE wait_event_type = 'Lock' AND query = 'REINDEX INDEX IDX_ORDERS_DATE'"));

    RecordingObserver observer;
    const QStringList sent = run(observer, true);
    const bool killed = killer.finish();
    QVERIFY2(killer.error().isEmpty(), qPrintable(killer.error()));
    QVERIFY(killed);

    // The indexes in name order: CUSTOMERS_PK was rebuilt, IDX_ORDERS_DATE was
    // executing when its session ended, the rest were never sent.
    QCOMPARE(sent.mid(1),
        QStringList({"ALTER INDEX CUSTOMERS_PK REBUILD", "ALTER INDEX IDX_ORDERS_DATE REBUILD"}));
    const QStringList boxes = observer.errors();
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().startsWith("error:Error 35: ")
            && boxes.first().contains("terminating connection due to administrator command"),
        qPrintable(boxes.first()));
    QCOMPARE(observer.status(), boxes.first().mid(QStringLiteral("error:Error 35: ").size()));
    QCOMPARE(observer.statuses().filter(QRegularExpression("^Reindexando: ")),
        QStringList({"Reindexando: CUSTOMERS_PK", "Reindexando: IDX_ORDERS_DATE"}));
    QVERIFY(!observer.statuses().contains("Terminado"));

    // On the server: the earlier rebuild stays done, the interrupted one and the
    // later ones left the indexes as they were.
    releaseLock();
    QVERIFY(fileNode("customers_pk") != customersBefore);
    QCOMPARE(fileNode("idx_orders_date"), ordersDateBefore);
    QCOMPARE(fileNode("orders_pk"), ordersBefore);

    // Nothing is left behind that stops the next run: it rebuilds every index, a partitioned one
    // partition by partition.
    const qint64 partitionBefore = fileNode("s2024");
    const qint64 subpartitionBefore = fileNode("m2025_s");
    RecordingObserver again;
    const QStringList all = run(again, true);
    QCOMPARE(all.mid(1),
        QStringList({"ALTER INDEX CUSTOMERS_PK REBUILD", "ALTER INDEX IDX_ORDERS_DATE REBUILD",
            "ALTER INDEX \"Idx_MixedCase\" REBUILD", "ALTER INDEX MOVES_IX REBUILD SUBPARTITION M2025_N",
            "ALTER INDEX MOVES_IX REBUILD SUBPARTITION M2025_S", "ALTER INDEX ORDERS_PK REBUILD",
            "ALTER INDEX SALES_SOLD_IX REBUILD PARTITION S2024",
            "ALTER INDEX SALES_SOLD_IX REBUILD PARTITION S2025", "ALTER INDEX SYSTEM_X_IDX REBUILD",
            "ALTER INDEX \"idx-lower\" REBUILD"}));
    QCOMPARE(again.status(), QStringLiteral("Terminado"));
    QVERIFY(again.errors().isEmpty());
    QVERIFY(fileNode("idx_orders_date") != ordersDateBefore);
    QVERIFY(fileNode("orders_pk") != ordersBefore);
    QVERIFY(fileNode("s2024") != partitionBefore);
    QVERIFY(fileNode("m2025_s") != subpartitionBefore);
}

QTEST_GUILESS_MAIN(tst_FaultPgRuns)
#include "tst_FaultPgRuns.moc"
