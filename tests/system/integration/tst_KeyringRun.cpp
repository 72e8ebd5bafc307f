#include "ConnectionProfile.h"
#include "CredentialStore.h"
#include "ErrorNumbers.h"
#include "FaultyConnection.h"
#include "LogLines.h"
#include "ReindexRun.h"
#include "ScriptedWindow.h"
#include "StoredCredential.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Whole runs with the password in the system's credential store: the real
// profile library reads a profile file that names a credential and looks it up
// in the throwaway keyring of scripts/with-keyring.sh; the real layer logs on
// to the simulated Oracle server, which accepts only that password.
class tst_KeyringRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void storedPasswordLogsOn();
    void storeFailureIsARunError_data();
    void storeFailureIsARunError();
    void lookupServesNoEventOfTheProgram();

private:
    void writeProfile(const QString& simulatorConfig, const QString& credential);
    void run(ScriptedWindow& window);

    std::unique_ptr<QTemporaryDir> m_folder;
    std::shared_ptr<FaultPlan> m_plan;
    int m_connections = 0;
};

void tst_KeyringRun::initTestCase()
{
    TV_NEED_CREDENTIAL_STORE();
}

void tst_KeyringRun::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_plan = std::make_shared<FaultPlan>();
    m_connections = 0;
}

// Readable by anyone: the file holds no password, so the owner-only rule does not apply.
void tst_KeyringRun::writeProfile(const QString& simulatorConfig, const QString& credential)
{
    QFile file(m_folder->filePath("Prod.cfp"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(("[Corvath S.L.]\nConnection=Driver={Simulador Oracle};" + simulatorConfig + ";Log={"
        + m_folder->filePath("log") + "}\nCredencial=" + credential + "\n")
                   .toUtf8());
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
}

void tst_KeyringRun::run(ScriptedWindow& window)
{
    RunPlatform platform = RunPlatform::real();
    platform.programFolder = [dir = m_folder->path()] { return dir; };
    platform.newConnection = [this] {
        ++m_connections;
        return std::make_unique<FaultyConnection>(m_plan);
    };
    window.base = QStringLiteral("Prod");
    ReindexRun(window, platform).execute();
}

void tst_KeyringRun::storedPasswordLogsOn()
{
    StoredCredential credential;
    QVERIFY(credential.store(QStringLiteral("se;cr}et ñ")));
    writeProfile(QStringLiteral("Indexes=IDX_A,IDX_B;ExpectPwd={se;cr}}et ñ}"), credential.name());
    ScriptedWindow window;
    run(window);

    QCOMPARE(window.status, QStringLiteral("Terminado"));
    QVERIFY(window.journal.filter(QRegularExpression("^error:")).isEmpty());
    const QStringList log = logLines(m_folder->filePath("log"));
    QCOMPARE(log.value(0), QStringLiteral("CONNECT"));
    QCOMPARE(loggedStatements(m_folder->filePath("log")).mid(1),
        QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD"}));
    QVERIFY(!window.journal.join(u'\n').contains(QLatin1String("se;cr")));
}

void tst_KeyringRun::storeFailureIsARunError_data()
{
    QTest::addColumn<QString>("surroundings");
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("detail"); // after "El perfil Prod usa la credencial «<name>»"; a
                                         // trailing ": " is followed by the store's own words

    QTest::newRow("not stored") << "" << ErrorNumber::CredentialMissing
                                << ", que no está guardada en el llavero del sistema; guárdela con: "
                                   "secret-tool store --label='Tarvelin <name>' programa tarvelin "
                                   "credencial <name>";
    QTest::newRow("no secret service")
        << "no service" << ErrorNumber::CredentialStoreUnavailable
        << ", pero no hay ningún servicio de secretos (GNOME Keyring, KWallet) en esta sesión: ";
    QTest::newRow("keyring locked") << "locked" << ErrorNumber::CredentialStoreUnavailable
                                    << ", pero el llavero del sistema está bloqueado; desbloquéelo y "
                                       "vuelva a intentarlo";
}

void tst_KeyringRun::storeFailureIsARunError()
{
    QFETCH(QString, surroundings);
    QFETCH(qint32, number);
    QFETCH(QString, detail);
    // The session bus is joined once per process, and locking the shared keyring would fail the
    // suites that use it meanwhile: these rows run in a child.
    if (surroundings == "no service")
        TV_RUN_IN_CHILD(StoredCredential::runWithoutSecretService);
    if (surroundings == "locked")
        TV_RUN_IN_CHILD(StoredCredential::runInOwnKeyring);

    StoredCredential credential;
    if (surroundings == "locked") {
        QVERIFY(credential.store(QStringLiteral("tiger")));
        QVERIFY(StoredCredential::lockKeyring());
    }
    writeProfile(QStringLiteral("Indexes=IDX_A;ExpectPwd=tiger"), credential.name());
    ScriptedWindow window;
    run(window);

    // One box with the number and words, the words in the status line, the buttons back.
    const QString description = QStringLiteral("El perfil Prod usa la credencial «%1»").arg(credential.name())
        + QString(detail).replace(QStringLiteral("<name>"), credential.name());
    const QStringList errors = window.journal.filter(QRegularExpression("^error:"));
    QCOMPARE(errors.size(), 1);
    const QString shown = QStringLiteral("error:Tarvelin|Error %1: ").arg(number);
    QVERIFY2(errors.first().startsWith(shown), qPrintable(errors.first()));
    if (detail.endsWith(QLatin1String(": "))) {
        QVERIFY2(window.status.startsWith(description) && window.status.size() > description.size(),
            qPrintable(window.status));
    } else {
        QCOMPARE(window.status, description);
    }
    QCOMPARE(errors.first(), shown + window.status);
    QVERIFY(window.reindexarShown && !window.cancelarShown);
    // Stopped before a connection existed.
    QCOMPARE(m_connections, 0);
    QVERIFY(!QFile::exists(m_folder->filePath("log")));
}

void tst_KeyringRun::lookupServesNoEventOfTheProgram()
{
    StoredCredential credential;
    QVERIFY(credential.store(QStringLiteral("tiger")));
    bool served = false;
    QTimer::singleShot(0, this, [&served] { served = true; });

    QCOMPARE(CredentialStore::password(QStringLiteral("Prod"), credential.name()), QStringLiteral("tiger"));
    QVERIFY2(!served, "the lookup ran the program's event loop");
    // The event was there to be served.
    QCoreApplication::processEvents();
    QVERIFY(served);
}

QTEST_GUILESS_MAIN(tst_KeyringRun)
#include "tst_KeyringRun.moc"
