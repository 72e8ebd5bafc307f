#include "LogLines.h"
#include "OracleSql.h"
#include "ProfileLock.h"
#include "StoredCredential.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <QFileInfo>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

// The real tarvelin-cli, from a program folder of its own, against the simulated Oracle server:
// what it prints, how it ends, and what reached the server.
class tst_ConsoleRun : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void runs_data();
    void runs();
    void helpAndVersion();
    void signalDuringARebuildFinishesItAndStops_data();
    void signalDuringARebuildFinishesItAndStops();
    void storedCredential();

    void nightRunFinishesItsJob();
    void lockOfADeadRunIsTakenOver();
    void outputThatCannotBeWrittenNeverEndsInZero_data();
    void outputThatCannotBeWrittenNeverEndsInZero();
    void logFileKeepsEveryLine();
    void logFileThatCannotBeOpened();
    void driverNotInstalled();

private:
    // Sim.cfp: its connection string reaches the simulated server configured so, logging to log().
    void writeProfile(const QString& server, const QByteArray& moreLines = {},
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner);
    void start(QProcess& process, const QStringList& arguments);
    QString log() const { return m_folder->filePath(QStringLiteral("server.log")); }
    QString profileLockPath() const
    {
        return ProfileLock::lockFilePath(m_folder->filePath(QStringLiteral("Sim.cfp")));
    }
    // The texts printed on standard output, each line checked for its time stamp.
    static QStringList texts(const QByteArray& output);

    std::unique_ptr<QTemporaryDir> m_folder;
};

namespace {

const QString Schemas = QStringLiteral(TARVELIN_ORASIM_SCHEMAS);

} // namespace

void tst_ConsoleRun::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    // The program lists and reads the profiles of its own folder.
    QVERIFY(QFile::copy(QStringLiteral(TARVELIN_CLI), m_folder->filePath(QStringLiteral("tarvelin-cli"))));
}

void tst_ConsoleRun::writeProfile(
    const QString& server, const QByteArray& moreLines, QFile::Permissions permissions)
{
    QFile file(m_folder->filePath(QStringLiteral("Sim.cfp")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Corvath S.L.]\nConnection=Driver={Simulador Oracle};" + server.toUtf8() + ";Log={"
        + log().toUtf8() + "}\n" + moreLines);
    file.close();
    QVERIFY(file.setPermissions(permissions));
}

void tst_ConsoleRun::start(QProcess& process, const QStringList& arguments)
{
    process.setWorkingDirectory(QDir::rootPath()); // started from elsewhere, as a scheduler does
    process.start(m_folder->filePath(QStringLiteral("tarvelin-cli")), arguments);
    QVERIFY2(process.waitForStarted(), qPrintable(process.errorString()));
}

QStringList tst_ConsoleRun::texts(const QByteArray& output)
{
    static const QRegularExpression stamped(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d(Z|[+-]\\d\\d:\\d\\d) (.*)$"));
    QStringList result;
    for (const QString& line : QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = stamped.match(line);
        if (!match.hasMatch()) {
            QTest::qFail(qPrintable("a line without its time stamp: " + line), __FILE__, __LINE__);
            return result;
        }
        result << match.captured(2);
    }
    return result;
}

void tst_ConsoleRun::runs_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("profile"); // the server Sim.cfp reaches; empty: no Sim.cfp
    QTest::addColumn<int>("mode"); // the profile's permissions, octal
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("printed");
    QTest::addColumn<QString>("errors"); // all of standard error; %1 is the program folder
    QTest::addColumn<QStringList>("serverLog"); // all of the server's log
    QTest::addColumn<QString>("summary"); // the last line printed, up to its duration; empty: no run

    const QString query = QStringLiteral("EXEC 0 ") + OracleSql::indexListQuery();
    const QStringList start {"Conectando...", "Procesando..."};
    const QString usageHint = QStringLiteral("Pruebe «tarvelin-cli --help» para más información.\n");
    const QString nothing = QStringLiteral("Resumen: 0 sentencias, 0 correctas, 0 con error, 0 sin enviar");
    const QString night = "Schema={" + Schemas + "/noche.schema}";

    // The run the window makes, line by line: every kind of index, ONLINE refused, "bloquear".
    QTest::newRow("every kind of index, online refused, bloquear")
        << QStringList({"--en-linea", "--si-no-en-linea=bloquear", "Sim"})
        << "Schema={" + Schemas + "/mixed.schema};Online=0" << 0600 << 0
        << start
            + QStringList({"Reindexando: CLIENTES_ALTA_IX (P2024)", "No se puede reindexar en línea",
                "¿Desea reindexar bloqueando las tablas? Sí", "Reindexando: CLIENTES_ALTA_IX (P2025)",
                "Reindexando: CLIENTES_ALTA_IX (P2026)", "Reindexando: CLIENTES_PK",
                "Reindexando: DATE (LEVEL)", "Reindexando: DATE (P2027)",
                "Reindexando: MOVIMIENTOS_IX (P2025_NORTE)", "Reindexando: MOVIMIENTOS_IX (P2025_SUR)",
                "Reindexando: MOVIMIENTOS_IX (P2026_NORTE)", "Reindexando: MOVIMIENTOS_IX (P2026_SUR)",
                "Reindexando: ZONAS_PK", "Terminado"})
        << ""
        << QStringList(
               {"CONNECT", query, "EXEC 0 ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2024 ONLINE",
                   "EXEC 0 ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2024",
                   "EXEC 0 ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2025",
                   "EXEC 0 ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2026",
                   "EXEC 0 ALTER INDEX CLIENTES_PK REBUILD",
                   "EXEC 0 ALTER INDEX \"DATE\" REBUILD PARTITION \"LEVEL\"",
                   "EXEC 0 ALTER INDEX \"DATE\" REBUILD PARTITION P2027",
                   "EXEC 0 ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2025_NORTE",
                   "EXEC 0 ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2025_SUR",
                   "EXEC 0 ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2026_NORTE",
                   "EXEC 0 ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2026_SUR",
                   "EXEC 0 ALTER INDEX ZONAS_PK REBUILD", "DISCONNECT"})
        << "Resumen: 11 sentencias, 11 correctas, 0 con error, 0 sin enviar";
    const QStringList refusedStart = start
        + QStringList({"Reindexando: IDX_A", "No se puede reindexar en línea",
            "¿Desea reindexar bloqueando las tablas? No"});
    // The connection is released with the run, which ends its session.
    const QStringList refusedLog {"CONNECT", query, "EXEC 0 ALTER INDEX IDX_A REBUILD ONLINE", "DISCONNECT"};
    const QString refusedSummary = QStringLiteral(
        "Resumen: 2 sentencias, 0 correctas, 0 con error, 2 sin enviar (sin reindexar en línea)");
    QTest::newRow("online refused, parar by default")
        << QStringList({"-e", "Sim"}) << QStringLiteral("Indexes=IDX_A,IDX_B;Online=0") << 0600 << 3
        << refusedStart << "" << refusedLog << refusedSummary;
    QTest::newRow("online refused, parar") << QStringList({"Sim", "--en-linea", "--si-no-en-linea=parar"})
                                           << QStringLiteral("Indexes=IDX_A,IDX_B;Online=0") << 0600 << 3
                                           << refusedStart << "" << refusedLog << refusedSummary;
    QTest::newRow("a rebuild fails")
        << QStringList({"Sim"}) << QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C;Fail=IDX_B:1502") << 0600 << 1
        << start
            + QStringList({"Reindexando: IDX_A", "Reindexando: IDX_B",
                "ORA-01502: index 'IDX_B' or partition of such index is in unusable state"})
        << "Error 1502: ORA-01502: index 'IDX_B' or partition of such index is in unusable state\n"
        << QStringList({"CONNECT", query, "EXEC 0 ALTER INDEX IDX_A REBUILD",
               "EXEC 0 ALTER INDEX IDX_B REBUILD", "DISCONNECT"})
        << "Resumen: 3 sentencias, 1 correctas, 1 con error, 1 sin enviar (error)";
    // Going on past two failures, each on standard error with what it was for; a run in which
    // anything failed ends with 1.
    QTest::newRow("--seguir past two failures")
        << QStringList({"--seguir", "Sim"}) << night + ";Fail=CLIENTES_PK:8104,FACTURAS_PK:1654" << 0600 << 1
        << start
            + QStringList({"Reindexando: ALBARANES_PK", "Reindexando: CLIENTES_PK",
                "Reindexando: FACTURAS_PK", "Reindexando: LINEAS_IX", "Reindexando: PEDIDOS_IX",
                "Reindexando: PEDIDOS_PK", "Reindexando: STOCK_IX", "Terminado"})
        << "Error 8104: ORA-08104: this index object 87654 is being online built or rebuilt (índice "
           "CLIENTES_PK)\n"
           "Error 1654: ORA-01654: unable to extend index FACTURAS_PK by 128 in tablespace USERS (índice "
           "FACTURAS_PK)\n"
        << QStringList({"CONNECT", query, "EXEC 0 ALTER INDEX ALBARANES_PK REBUILD",
               "EXEC 0 ALTER INDEX CLIENTES_PK REBUILD", "EXEC 0 ALTER INDEX FACTURAS_PK REBUILD",
               "EXEC 0 ALTER INDEX LINEAS_IX REBUILD", "EXEC 0 ALTER INDEX PEDIDOS_IX REBUILD",
               "EXEC 0 ALTER INDEX PEDIDOS_PK REBUILD", "EXEC 0 ALTER INDEX STOCK_IX REBUILD", "DISCONNECT"})
        << "Resumen: 7 sentencias, 5 correctas, 2 con error, 0 sin enviar";
    // A lost connection leaves nothing to go on with.
    QTest::newRow("--seguir, the connection lost")
        << QStringList({"--seguir", "Sim"}) << QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C;LoseAt=3") << 0600
        << 1
        << start
            + QStringList({"Reindexando: IDX_A", "Reindexando: IDX_B",
                "ORA-03113: end-of-file on communication channel"})
        << "Error 3113: ORA-03113: end-of-file on communication channel\n"
        << QStringList({"CONNECT", query, "EXEC 0 ALTER INDEX IDX_A REBUILD",
               "EXEC 0 ALTER INDEX IDX_B REBUILD", "LOST"})
        << "Resumen: 3 sentencias, 1 correctas, 1 con error, 1 sin enviar (error)";
    // Another session holds ALBARANES for a second and a half after the logon: without a lock wait
    // the first rebuild fails at once; with one it waits, said to the server after the logon.
    const QString locked = night + ";LockTable=ALBARANES:1500";
    QTest::newRow("a locked table, no lock wait")
        << QStringList({"Sim"}) << locked << 0600 << 1
        << start
            + QStringList({"Reindexando: ALBARANES_PK",
                "ORA-00054: resource busy and acquire with NOWAIT specified or timeout expired"})
        << "Error 54: ORA-00054: resource busy and acquire with NOWAIT specified or timeout expired\n"
        << QStringList({"CONNECT", query, "EXEC 0 ALTER INDEX ALBARANES_PK REBUILD", "DISCONNECT"})
        << "Resumen: 7 sentencias, 0 correctas, 1 con error, 6 sin enviar (error)";
    QTest::newRow("a locked table, a lock wait")
        << QStringList({"--espera-bloqueo=30", "Sim"}) << locked << 0600 << 0
        << start
            + QStringList({"Reindexando: ALBARANES_PK", "Reindexando: CLIENTES_PK",
                "Reindexando: FACTURAS_PK", "Reindexando: LINEAS_IX", "Reindexando: PEDIDOS_IX",
                "Reindexando: PEDIDOS_PK", "Reindexando: STOCK_IX", "Terminado"})
        << ""
        << QStringList({"CONNECT", "EXEC 0 ALTER SESSION SET DDL_LOCK_TIMEOUT = 30", query,
               "EXEC 0 ALTER INDEX ALBARANES_PK REBUILD", "WAIT ALBARANES",
               "EXEC 0 ALTER INDEX CLIENTES_PK REBUILD", "EXEC 0 ALTER INDEX FACTURAS_PK REBUILD",
               "EXEC 0 ALTER INDEX LINEAS_IX REBUILD", "EXEC 0 ALTER INDEX PEDIDOS_IX REBUILD",
               "EXEC 0 ALTER INDEX PEDIDOS_PK REBUILD", "EXEC 0 ALTER INDEX STOCK_IX REBUILD", "DISCONNECT"})
        << "Resumen: 7 sentencias, 7 correctas, 0 con error, 0 sin enviar";
    QTest::newRow("a wrong password")
        << QStringList({"Sim"}) << QStringLiteral("Indexes=IDX_A;ExpectPwd=tiger;PWD=lion") << 0600 << 1
        << start + QStringList({"ORA-01017: invalid username/password; logon denied"})
        << "Error 1017: ORA-01017: invalid username/password; logon denied\n"
        << QStringList({"CONNECT REFUSED"}) << nothing;
    // A password pasted inside the connection string, in a file others may read: refused before
    // anything reaches the server.
    const QString refusal = QStringLiteral("El perfil Sim contiene una contraseña y otros usuarios pueden "
                                           "leerlo; restrinja sus permisos con: chmod 600 "
                                           "Sim.cfp");
    QTest::newRow("Pwd= in a profile others may read")
        << QStringList({"Sim"}) << QStringLiteral("Indexes=IDX_A;Uid=scott;Pwd=tiger") << 0644 << 1
        << QStringList({"Conectando...", refusal}) << "Error -2147220984: " + refusal + "\n"
        << QStringList() << nothing;
    QTest::newRow("no such profile") << QStringList({"Nada"}) << QStringLiteral("Indexes=IDX_A") << 0600 << 64
                                     << QStringList(
                                            {"Conectando...", "Seleccione la base de datos a reindexar"})
                                     << "tarvelin-cli: no hay ningún perfil «Nada» (Nada.cfp) en %1\n"
                                     << QStringList() << nothing;
    QTest::newRow("a blank profile name") << QStringList({"  "}) << QString() << 0600 << 64
                                          << QStringList({"Seleccione la base de datos a reindexar"})
                                          << "tarvelin-cli: no hay ningún perfil «  » (  .cfp) en %1\n"
                                          << QStringList() << nothing;
    // Usage errors print nothing on standard output and reach no server.
    QTest::newRow("no profile") << QStringList() << QStringLiteral("Indexes=IDX_A") << 0600 << 64
                                << QStringList() << "tarvelin-cli: falta el perfil\n" + usageHint
                                << QStringList() << QString();
    QTest::newRow("two profiles") << QStringList({"Sim", "Otro"}) << QStringLiteral("Indexes=IDX_A") << 0600
                                  << 64 << QStringList()
                                  << "tarvelin-cli: un solo perfil por ejecución, no 2\n" + usageHint
                                  << QStringList() << QString();
    QTest::newRow("an unknown option")
        << QStringList({"--online", "Sim"}) << QStringLiteral("Indexes=IDX_A") << 0600 << 64 << QStringList()
        << "tarvelin-cli: opción desconocida: --online\n" + usageHint << QStringList() << QString();
    QTest::newRow("an answer that is neither")
        << QStringList({"--si-no-en-linea=si", "Sim"}) << QStringLiteral("Indexes=IDX_A") << 0600 << 64
        << QStringList() << "tarvelin-cli: --si-no-en-linea es bloquear o parar, no «si»\n" + usageHint
        << QStringList() << QString();
    QTest::newRow("an answer missing")
        << QStringList({"Sim", "--si-no-en-linea"}) << QStringLiteral("Indexes=IDX_A") << 0600 << 64
        << QStringList() << "tarvelin-cli: falta el valor de --si-no-en-linea\n" + usageHint << QStringList()
        << QString();
    QTest::newRow("a lock wait that is no number of seconds")
        << QStringList({"--espera-bloqueo=30s", "Sim"}) << QStringLiteral("Indexes=IDX_A") << 0600 << 64
        << QStringList()
        << "tarvelin-cli: --espera-bloqueo son los segundos que se espera el bloqueo de una tabla, de 0 a "
           "1000000, no "
           "«30s»\n"
            + usageHint
        << QStringList() << QString();
    QTest::newRow("a lock wait beyond Oracle's largest")
        << QStringList({"--espera-bloqueo=1000001", "Sim"}) << QStringLiteral("Indexes=IDX_A") << 0600 << 64
        << QStringList()
        << "tarvelin-cli: --espera-bloqueo son los segundos que se espera el bloqueo de una tabla, de 0 a "
           "1000000, no "
           "«1000001»\n"
            + usageHint
        << QStringList() << QString();
    QTest::newRow("a deadline that is no time of day")
        << QStringList({"--hasta=25:00", "Sim"}) << QStringLiteral("Indexes=IDX_A") << 0600 << 64
        << QStringList()
        << "tarvelin-cli: --hasta es una hora del día, HH:MM o HH:MM:SS, no «25:00»\n" + usageHint
        << QStringList() << QString();
}

void tst_ConsoleRun::runs()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, profile);
    QFETCH(int, mode);
    QFETCH(int, exitCode);
    QFETCH(QStringList, printed);
    QFETCH(QString, errors);
    QFETCH(QStringList, serverLog);
    QFETCH(QString, summary);

    if (!profile.isEmpty()) {
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
        if (mode & 044)
            permissions |= QFile::ReadGroup | QFile::ReadOther;
        writeProfile(profile, {}, permissions);
    }
    QProcess process;
    start(process, arguments);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    const QString standardError = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(standardError, errors.contains(QLatin1String("%1")) ? errors.arg(m_folder->path()) : errors);
    QStringList shown = texts(process.readAllStandardOutput());
    // A run ends with its summary: the counts, then how long it took.
    if (!summary.isEmpty()) {
        QVERIFY(!shown.isEmpty());
        const QString last = shown.takeLast();
        QVERIFY2(QRegularExpression(QRegularExpression::escape(summary) + "; duración \\d+:\\d\\d:\\d\\d$")
                     .match(last)
                     .hasMatch(),
            qPrintable(last));
    }
    QCOMPARE(shown, printed);
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(QFile::exists(log()) ? logLines(log()) : QStringList(), serverLog);
}

void tst_ConsoleRun::helpAndVersion()
{
    QProcess help;
    start(help, {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished());
    QCOMPARE(help.exitCode(), 0);
    const QString text = QString::fromUtf8(help.readAllStandardOutput());
    QVERIFY2(text.startsWith("Uso: tarvelin-cli [opciones] PERFIL\n"), qPrintable(text));
    // Where its profiles are, and every exit status, for whoever writes the crontab line.
    QVERIFY2(text.contains("(" + m_folder->path() + ")"), qPrintable(text));
    for (const char* status :
        {"  0   Terminado", "  1   ", "  2   cancelada", "  3   ", "  4   ", "  64  ", "  74  ", "  75  "})
        QVERIFY2(text.contains(QLatin1String(status)), status);

    QProcess version;
    start(version, {QStringLiteral("--version")});
    QVERIFY(version.waitForFinished());
    QCOMPARE(version.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(version.readAllStandardOutput()),
        QString("tarvelin-cli (Tarvelin) 1.00.0001\nCorvath S.L.\n"));
}

// The signal comes during the third of four slow rebuilds, twice: the rebuild under way is
// finished, nothing after it is started, and the second signal ends nothing either.
void tst_ConsoleRun::signalDuringARebuildFinishesItAndStops_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM (systemctl stop, kill)") << int(SIGTERM);
    QTest::newRow("SIGINT (Ctrl+C)") << int(SIGINT);
    QTest::newRow("SIGHUP (the terminal closed)") << int(SIGHUP);
}

void tst_ConsoleRun::signalDuringARebuildFinishesItAndStops()
{
    QFETCH(int, signal);
    writeProfile(QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C,IDX_D;DelayMs=800"));
    QProcess process;
    start(process, {QStringLiteral("Sim")});
    const QString third = QStringLiteral("EXEC 0 ALTER INDEX IDX_C REBUILD");
    // The log only grows: once the third rebuild is its last line, the server is working on it.
    QTRY_VERIFY_WITH_TIMEOUT(logLines(log()).endsWith(third), 30000);
    QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
    QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
    QVERIFY(process.waitForFinished(30000));

    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    QCOMPARE(logLines(log()),
        QStringList({"CONNECT", "EXEC 0 " + OracleSql::indexListQuery(), "EXEC 0 ALTER INDEX IDX_A REBUILD",
            "EXEC 0 ALTER INDEX IDX_B REBUILD", third, "DISCONNECT"}));
    const QStringList printed = texts(process.readAllStandardOutput());
    QCOMPARE(printed.mid(printed.size() - 4, 3),
        QStringList({"Reindexando: IDX_C", "Cancelando...", "Cancelado"}));
    QVERIFY2(printed.last().startsWith(
                 "Resumen: 4 sentencias, 3 correctas, 0 con error, 1 sin enviar (cancelada)"),
        qPrintable(printed.last()));
    QCOMPARE(process.readAllStandardError(), QByteArray());
}

// The profile names a password kept in the throwaway keyring; the file holds none, so others may read it.
void tst_ConsoleRun::storedCredential()
{
    TV_NEED_CREDENTIAL_STORE();
    StoredCredential credential;
    QVERIFY(credential.store(QStringLiteral("se;cr}et")));
    writeProfile(QStringLiteral("Indexes=IDX_A;ExpectPwd={se;cr}}et}"),
        "Credencial=" + credential.name().toUtf8() + "\n",
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    QProcess process;
    start(process, {QStringLiteral("Sim")});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.readAllStandardError(), QByteArray());
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(loggedStatements(log()).mid(1), QStringList({"ALTER INDEX IDX_A REBUILD"}));
}

// The night the scheduler meets: another session holds a table for two seconds, two indexes cannot
// be rebuilt tonight, rebuilds take a second each, and the deadline comes six seconds from now, before
// the last of them. The run waits for the lock, goes on past both failures, starts nothing after
// the deadline, says so and sums up; a second run of the profile, started while the first waits for
// the lock, ends at once and sends nothing.
void tst_ConsoleRun::nightRunFinishesItsJob()
{
    writeProfile("Schema={" + Schemas
        + "/noche.schema};LockTable=ALBARANES:2000;"
          "Fail=CLIENTES_PK:8104,FACTURAS_PK:1654;DelayMs=1000");
    const QDateTime deadline = QDateTime::currentDateTime().addSecs(6);
    const QString until = deadline.toString(QStringLiteral("HH:mm:ss"));
    QProcess night;
    start(night,
        {QStringLiteral("--seguir"), QStringLiteral("--espera-bloqueo=30"), "--hasta=" + until,
            QStringLiteral("Sim")});
    // The log only grows: once it says so, the first run waits for the lock, holding the profile.
    QTRY_VERIFY_WITH_TIMEOUT(logLines(log()).contains("WAIT ALBARANES"), 30000);
    QProcess second;
    start(second, {QStringLiteral("Sim")});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitCode(), 75);
    QVERIFY2(QString::fromUtf8(second.readAllStandardError())
                 .startsWith(QStringLiteral("Error -2147220978: El perfil Sim ya se está reindexando en otra "
                                            "ejecución (tarvelin-cli, proceso %1 en ")
                                 .arg(night.processId())),
        "the second run does not name the first");
    QVERIFY(night.waitForFinished(60000));

    QCOMPARE(night.exitCode(), 4);
    const QStringList server = logLines(log());
    QCOMPARE(server.count("CONNECT"), 1);
    QCOMPARE(server.mid(0, 5),
        QStringList({"CONNECT", "EXEC 0 ALTER SESSION SET DDL_LOCK_TIMEOUT = 30",
            "EXEC 0 " + OracleSql::indexListQuery(), "EXEC 0 ALTER INDEX ALBARANES_PK REBUILD",
            "WAIT ALBARANES"}));
    QCOMPARE(server.last(), QString("DISCONNECT"));
    const int sent = int(loggedStatements(log()).filter(QRegularExpression("^ALTER INDEX")).size());
    const int left = 7 - sent;
    QVERIFY2(sent >= 3 && left >= 1, qPrintable(server.join(u'\n')));
    QCOMPARE(QString::fromUtf8(night.readAllStandardError()),
        QStringLiteral(
            "Error 8104: ORA-08104: this index object 87654 is being online built or rebuilt (índice "
            "CLIENTES_PK)\nError 1654: ORA-01654: unable to extend index FACTURAS_PK by 128 in "
            "tablespace USERS (índice FACTURAS_PK)\n"));
    // Every statement was announced before the deadline (its second, as the time stamps give it).
    const QStringList lines
        = QString::fromUtf8(night.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    const QStringList announced = lines.filter(QStringLiteral(" Reindexando: "));
    QCOMPARE(announced.size(), sent);
    for (const QString& line : announced) {
        const QDateTime at = QDateTime::fromString(line.section(u' ', 0, 0), Qt::ISODate);
        QVERIFY2(at.toSecsSinceEpoch() < deadline.toSecsSinceEpoch(), qPrintable(line + " after " + until));
    }
    const QStringList last = texts(lines.mid(lines.size() - 2).join(u'\n').toUtf8());
    QCOMPARE(last.first(), QStringLiteral("Hora límite alcanzada: %1 sin reindexar").arg(left));
    QVERIFY2(last.last().startsWith(
                 QStringLiteral("Resumen: 7 sentencias, %1 correctas, 2 con error, %2 sin enviar "
                                "(hora límite); duración 0:00:0")
                     .arg(sent - 2)
                     .arg(left)),
        qPrintable(last.last()));
}

// A run killed with no chance to let go of the profile leaves its lock file behind: the next run
// takes it over.
void tst_ConsoleRun::lockOfADeadRunIsTakenOver()
{
    writeProfile(QStringLiteral("Indexes=IDX_A,IDX_B;DelayMs=60000"));
    QProcess killed;
    start(killed, {QStringLiteral("Sim")});
    QTRY_VERIFY_WITH_TIMEOUT(logLines(log()).endsWith("EXEC 0 ALTER INDEX IDX_A REBUILD"), 30000);
    killed.kill();
    QVERIFY(killed.waitForFinished(30000));
    QVERIFY(QFileInfo::exists(profileLockPath()));

    writeProfile(QStringLiteral("Indexes=IDX_A,IDX_B"));
    QProcess next;
    start(next, {QStringLiteral("Sim")});
    QVERIFY(next.waitForFinished(30000));
    QCOMPARE(next.readAllStandardError(), QByteArray());
    QCOMPARE(next.exitCode(), 0);
    QCOMPARE(logLines(log()).count("CONNECT"), 2);
    QVERIFY(!QFileInfo::exists(profileLockPath()));
}

// Standard output that refuses every line, a full disk or a reader gone: the run goes on to its end
// all the same, and its exit status says the report was lost.
void tst_ConsoleRun::outputThatCannotBeWrittenNeverEndsInZero_data()
{
    QTest::addColumn<bool>("closedPipe");
    QTest::newRow("a full disk (/dev/full)") << false;
    QTest::newRow("a pipe nobody reads") << true;
}

void tst_ConsoleRun::outputThatCannotBeWrittenNeverEndsInZero()
{
    QFETCH(bool, closedPipe);
    writeProfile(QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C"));
    QProcess process;
    int pipeEnds[2] = {-1, -1};
    if (closedPipe) {
        QCOMPARE(::pipe(pipeEnds), 0);
        ::close(pipeEnds[0]);
        process.setChildProcessModifier([writeEnd = pipeEnds[1]] { ::dup2(writeEnd, STDOUT_FILENO); });
    } else {
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
    }
    start(process, {QStringLiteral("Sim")});
    QVERIFY(process.waitForFinished(30000));
    if (closedPipe)
        ::close(pipeEnds[1]);

    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 74);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
        QStringLiteral("tarvelin-cli: no se pudo escribir todo en la salida estándar\n"));
    QCOMPARE(loggedStatements(log()).mid(1),
        QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD", "ALTER INDEX IDX_C REBUILD"}));
    QCOMPARE(logLines(log()).last(), QString("DISCONNECT"));
}

// Windows' Task Scheduler keeps nothing but the exit code: --registro appends every line, standard
// output's and standard error's in the order written, run after run, to a file only its owner reads.
void tst_ConsoleRun::logFileKeepsEveryLine()
{
    writeProfile(QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C;Fail=IDX_B:1502"));
    // In a folder of its own that does not exist yet.
    const QString file = m_folder->filePath(QStringLiteral("registro/tarvelin.log"));
    QStringList expected;
    for (int run = 0; run < 2; ++run) {
        QProcess process;
        start(process, {QStringLiteral("--seguir"), "--registro=" + file, QStringLiteral("Sim")});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 1);
        const QStringList out
            = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        const QString error = QString::fromUtf8(process.readAllStandardError()).trimmed();
        QCOMPARE(out.size(), 7);
        // The failure is written right after the statement it is for was announced.
        expected += out.mid(0, 4) + QStringList(error) + out.mid(4);
    }
    QCOMPARE(logLines(file), expected);
    QCOMPARE(QFileInfo(file).permissions()
            & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
        QFile::Permissions());
}

void tst_ConsoleRun::logFileThatCannotBeOpened()
{
    writeProfile(QStringLiteral("Indexes=IDX_A"));
    QProcess process;
    start(process, {"--registro=" + m_folder->path(), QStringLiteral("Sim")});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 64);
    QVERIFY2(QString::fromUtf8(process.readAllStandardError())
                 .startsWith("tarvelin-cli: no se puede abrir el registro «" + m_folder->path() + "»: "),
        "no reason given");
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
    QVERIFY(!QFileInfo::exists(log()));
}

// A profile naming a driver this machine does not have: the Spanish message with the drivers there
// are, the driver manager's words after it, exit 1, nothing sent.
void tst_ConsoleRun::driverNotInstalled()
{
    QFile file(m_folder->filePath(QStringLiteral("Sim.cfp")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Corvath S.L.]\nConnection=Driver={Oracle in OraClient19Home1};Dbq=//dbhost:1521/ORCLPDB1;Uid=scott\n");
    file.close();
    QProcess process;
    start(process, {QStringLiteral("Sim")});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 1);
    const QString description
        = QStringLiteral("El controlador ODBC «Oracle in OraClient19Home1» que indica el perfil no está instalado "
                         "para este programa de 64 bits; los instalados son: «Simulador Oracle». El gestor de "
                         "controladores dice: Can't open lib 'Oracle in OraClient19Home1' : file not found");
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()), "Error 3790: " + description + "\n");
    QCOMPARE(texts(process.readAllStandardOutput()).mid(0, 3),
        QStringList({"Conectando...", "Procesando...", description}));
}

QTEST_GUILESS_MAIN(tst_ConsoleRun)
#include "tst_ConsoleRun.moc"
