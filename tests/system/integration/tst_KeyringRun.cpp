#include "CredentialStore.h"
#include "ErrorNumbers.h"
#include "RunFixture.h"
#include "StoredCredential.h"

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
    void storedPasswordLogsOn();
    void storeFailureIsARunError_data();
    void storeFailureIsARunError();
    void lookupServesNoEventOfTheProgram();

private:
    // Prod.cfp names the credential and holds no password, so anyone may read it.
    static void writeProfile(RunFixture& f, const QString& simulatorConfig, const QString& credential)
    {
        f.writeProfile(QStringLiteral("Prod"), simulatorConfig, "Credencial=" + credential.toUtf8() + "\n",
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
};

void tst_KeyringRun::initTestCase()
{
    TV_NEED_CREDENTIAL_STORE();
}

void tst_KeyringRun::storedPasswordLogsOn()
{
    StoredCredential credential;
    QVERIFY(credential.store(QStringLiteral("se;cr}et ñ")));
    RunFixture f;
    writeProfile(f, QStringLiteral("Indexes=IDX_A,IDX_B;ExpectPwd={se;cr}}et ñ}"), credential.name());
    f.run();

    QCOMPARE(f.outcome.end, RunOutcome::End::Finished);
    QCOMPARE(f.serverLog().value(0), QStringLiteral("CONNECT"));
    QCOMPARE(f.rebuilds(), QStringList({"ALTER INDEX IDX_A REBUILD", "ALTER INDEX IDX_B REBUILD"}));
    QVERIFY(!f.observer.journal.join(u'\n').contains(QLatin1String("se;cr")));
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
    RunFixture f;
    writeProfile(f, QStringLiteral("Indexes=IDX_A;ExpectPwd=tiger"), credential.name());
    f.run();

    // One box with the number and words, then the words in the status line.
    const QString description = QStringLiteral("El perfil Prod usa la credencial «%1»").arg(credential.name())
        + QString(detail).replace(QStringLiteral("<name>"), credential.name());
    const QStringList errors = f.observer.errors();
    QCOMPARE(errors.size(), 1);
    const QString shown = QStringLiteral("error:Error %1: ").arg(number);
    QVERIFY2(errors.first().startsWith(shown), qPrintable(errors.first()));
    const QString status = f.observer.status();
    if (detail.endsWith(QLatin1String(": "))) {
        QVERIFY2(status.startsWith(description) && status.size() > description.size(), qPrintable(status));
    } else {
        QCOMPARE(status, description);
    }
    QCOMPARE(errors.first(), shown + status);
    QCOMPARE(f.outcome.end, RunOutcome::End::Failed);
    // Stopped before a connection existed.
    QCOMPARE(f.connectionsMade, 0);
    QVERIFY(f.serverLog().isEmpty());
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
