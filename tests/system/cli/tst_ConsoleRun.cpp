#include "LogLines.h"
#include "OracleSql.h"
#include "StoredCredential.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

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

private:
    // Sim.cfp: its connection string reaches the simulated server configured so, logging to log().
    void writeProfile(const QString& server, const QByteArray& moreLines = {},
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner);
    void start(QProcess& process, const QStringList& arguments);
    QString log() const { return m_folder->filePath(QStringLiteral("server.log")); }
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

    const QString query = QStringLiteral("EXEC 0 ") + OracleSql::indexListQuery();
    const QStringList start {"Conectando...", "Procesando..."};
    const QString usageHint = QStringLiteral("Pruebe «tarvelin-cli --help» para más información.\n");

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
                   "EXEC 0 ALTER INDEX ZONAS_PK REBUILD", "DISCONNECT"});
    const QStringList refusedStart = start
        + QStringList({"Reindexando: IDX_A", "No se puede reindexar en línea",
            "¿Desea reindexar bloqueando las tablas? No"});
    // The connection is released with the run, which ends its session.
    const QStringList refusedLog {"CONNECT", query, "EXEC 0 ALTER INDEX IDX_A REBUILD ONLINE", "DISCONNECT"};
    QTest::newRow("online refused, parar by default")
        << QStringList({"-e", "Sim"}) << QStringLiteral("Indexes=IDX_A,IDX_B;Online=0") << 0600 << 3
        << refusedStart << "" << refusedLog;
    QTest::newRow("online refused, parar")
        << QStringList({"Sim", "--en-linea", "--si-no-en-linea=parar"})
        << QStringLiteral("Indexes=IDX_A,IDX_B;Online=0") << 0600 << 3 << refusedStart << "" << refusedLog;
    QTest::newRow("a rebuild fails")
        << QStringList({"Sim"}) << QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C;Fail=IDX_B:1502") << 0600 << 1
        << start
            + QStringList({"Reindexando: IDX_A", "Reindexando: IDX_B",
                "ORA-01502: index 'IDX_B' or partition of such index is in unusable state"})
        << "Error 1502: ORA-01502: index 'IDX_B' or partition of such index is in unusable state\n"
        << QStringList({"CONNECT", query, "EXEC 0 ALTER INDEX IDX_A REBUILD",
               "EXEC 0 ALTER INDEX IDX_B REBUILD", "DISCONNECT"});
    QTest::newRow("a wrong password")
        << QStringList({"Sim"}) << QStringLiteral("Indexes=IDX_A;ExpectPwd=tiger;PWD=lion") << 0600 << 1
        << start + QStringList({"ORA-01017: invalid username/password; logon denied"})
        << "Error 1017: ORA-01017: invalid username/password; logon denied\n"
        << QStringList({"CONNECT REFUSED"});
    // A password pasted inside the connection string, in a file others may read: refused before
    // anything reaches the server.
    const QString refusal = QStringLiteral("El perfil Sim contiene una contraseña y otros usuarios pueden "
                                           "leerlo; restrinja sus permisos con: chmod 600 "
                                           "Sim.cfp");
    QTest::newRow("Pwd= in a profile others may read")
        << QStringList({"Sim"}) << QStringLiteral("Indexes=IDX_A;Uid=scott;Pwd=tiger") << 0644 << 1
        << QStringList({"Conectando...", refusal}) << "Error -2147220984: " + refusal + "\n"
        << QStringList();
    QTest::newRow("no such profile") << QStringList({"Nada"}) << QStringLiteral("Indexes=IDX_A") << 0600 << 64
                                     << QStringList(
                                            {"Conectando...", "Seleccione la base de datos a reindexar"})
                                     << "tarvelin-cli: no hay ningún perfil «Nada» (Nada.cfp) en %1\n"
                                     << QStringList();
    QTest::newRow("a blank profile name") << QStringList({"  "}) << QString() << 0600 << 64
                                          << QStringList({"Seleccione la base de datos a reindexar"})
                                          << "tarvelin-cli: no hay ningún perfil «  » (  .cfp) en %1\n"
                                          << QStringList();
    // Usage errors print nothing on standard output and reach no server.
    QTest::newRow("no profile") << QStringList() << QStringLiteral("Indexes=IDX_A") << 0600 << 64
                                << QStringList() << "tarvelin-cli: falta el perfil\n" + usageHint
                                << QStringList();
    QTest::newRow("two profiles") << QStringList({"Sim", "Otro"}) << QStringLiteral("Indexes=IDX_A") << 0600
                                  << 64 << QStringList()
                                  << "tarvelin-cli: un solo perfil por ejecución, no 2\n" + usageHint
                                  << QStringList();
    QTest::newRow("an unknown option")
        << QStringList({"--online", "Sim"}) << QStringLiteral("Indexes=IDX_A") << 0600 << 64 << QStringList()
        << "tarvelin-cli: opción desconocida: --online\n" + usageHint << QStringList();
    QTest::newRow("an answer that is neither")
        << QStringList({"--si-no-en-linea=si", "Sim"}) << QStringLiteral("Indexes=IDX_A") << 0600 << 64
        << QStringList() << "tarvelin-cli: --si-no-en-linea es bloquear o parar, no «si»\n" + usageHint
        << QStringList();
    QTest::newRow("an answer missing")
        << QStringList({"Sim", "--si-no-en-linea"}) << QStringLiteral("Indexes=IDX_A") << 0600 << 64
        << QStringList() << "tarvelin-cli: falta el valor de --si-no-en-linea\n" + usageHint << QStringList();
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
    QCOMPARE(texts(process.readAllStandardOutput()), printed);
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
    for (const char* status : {"  0   Terminado", "  1   ", "  2   cancelada", "  3   ", "  64  "})
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
    QCOMPARE(
        printed.mid(printed.size() - 3), QStringList({"Reindexando: IDX_C", "Cancelando...", "Cancelado"}));
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

QTEST_GUILESS_MAIN(tst_ConsoleRun)
#include "tst_ConsoleRun.moc"
