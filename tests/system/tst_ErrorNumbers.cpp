#include "Connection.h"
#include "ConnectionProfile.h"
#include "FakeSqlDriver.h"
#include "ProfileTestFolder.h"
#include "RaisedError.h"
#include "Recordset.h"
#include "RunFixture.h"
#include "StoredCredential.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <functional>
#include <stdexcept>

// The error numbers that README.md and docs/profiles.md promise, written here as the literals a
// reader finds there: each is raised by the situation the documents name, and each stands in
// them. A number that changes fails here until the documents change with it.
class tst_ErrorNumbers : public QObject
{
    Q_OBJECT

private slots:
    void documentedNumbers_data();
    void documentedNumbers();
};

namespace {

using Provoke = std::function<std::optional<TarvelinError>(const ProfileTestFolder&)>;

std::optional<TarvelinError> open(const QString& connectionString, qint32 options = -1)
{
    Connection cn;
    return raisedBy([&] { cn.Open(connectionString, QString(), QString(), options); });
}

std::optional<TarvelinError> executeOnFakeDriver(bool twice)
{
    FakeServer::reset();
    Connection cn;
    cn.Open(QStringLiteral("Provider=TVFAKE;"), QString(), QString(), -1);
    if (twice)
        return raisedBy([&] { cn.Open(QStringLiteral("Provider=TVFAKE;"), QString(), QString(), -1); });
    return raisedBy([&] { cn.Execute(QStringLiteral("ALTER INDEX IDX_A REBUILD"), Connection::adCmdText); });
}

std::optional<TarvelinError> loadProfile(
    const ProfileTestFolder& folder, const QByteArray& contents, QFile::Permissions permissions)
{
    if (!folder.write(QStringLiteral("Prod.cfp"), contents, permissions))
        return TarvelinError(0, QStringLiteral("the test could not write Prod.cfp"));
    ConnectionProfile profile;
    return raisedBy(
        [&] { profile.LoadProfile(ProfileTestFolder::Vendor, folder.path(), QStringLiteral("Prod")); });
}

Provoke profileWith(
    const QByteArray& contents, QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner)
{
    return [=](const ProfileTestFolder& folder) { return loadProfile(folder, contents, permissions); };
}

// A run's lookup of Prod's password: the profile names a credential that holds `secret`, or none.
std::optional<TarvelinError> storedPassword(const ProfileTestFolder& folder, const QByteArray& secret = {})
{
    StoredCredential credential;
    if (!secret.isEmpty() && !credential.storeBytes(secret))
        return TarvelinError(0, QStringLiteral("the test could not store the password"));
    if (!folder.write(QStringLiteral("Prod.cfp"),
            "[Corvath S.L.]\nConnection=DSN=x\nCredencial=" + credential.name().toUtf8() + "\n"))
        return TarvelinError(0, QStringLiteral("the test could not write Prod.cfp"));
    ConnectionProfile profile;
    return raisedBy([&] {
        profile.LoadProfile(ProfileTestFolder::Vendor, folder.path(), QStringLiteral("Prod"));
        profile.GetConnectionString(ProfileTestFolder::Vendor, true);
    });
}

// The run's own number: something that is no TarvelinError fails inside a run.
std::optional<TarvelinError> unexpectedFailureInARun()
{
    RunFixture f;
    f.window.onCall = [](const QString& entry) {
        if (entry == QLatin1String("info:Conectando..."))
            throw std::runtime_error("fallo");
    };
    f.run();
    for (const QString& entry : std::as_const(f.window.journal)) {
        const qsizetype at = entry.indexOf(QLatin1String("|Error "));
        if (entry.startsWith(QLatin1String("error:")) && at > 0) {
            const QString text = entry.mid(at + 7);
            return TarvelinError(text.left(text.indexOf(u':')).toInt(), text);
        }
    }
    return std::nullopt;
}

QString documents()
{
    QString text;
    for (const char* name : {"README.md", "docs/profiles.md"}) {
        QFile file(QStringLiteral(TARVELIN_SOURCE_DIR "/") + QLatin1String(name));
        if (file.open(QIODevice::ReadOnly))
            text += QString::fromUtf8(file.readAll());
    }
    return text;
}

} // namespace

Q_DECLARE_METATYPE(Provoke)

void tst_ErrorNumbers::documentedNumbers_data()
{
    QTest::addColumn<qint32>("number");
    QTest::addColumn<Provoke>("provoke");

    const QByteArray head = "[Corvath S.L.]\n";
    QTest::newRow("layer: option not accepted")
        << 3001 << Provoke([](auto&) { return open("Driver={x}", 5); });
    QTest::newRow("layer: past the last row") << 3021 << Provoke([](auto&) {
        Recordset rows({QStringLiteral("INDEX_NAME")}, {});
        return raisedBy([&] { rows.MoveNext(); });
    });
    QTest::newRow("layer: time-out the provider cannot keep")
        << 3251 << Provoke([](auto&) { return executeOnFakeDriver(false); });
    QTest::newRow("layer: no such column") << 3265 << Provoke([](auto&) {
        Recordset rows({QStringLiteral("INDEX_NAME")}, {QVariant(QStringLiteral("IDX_A"))});
        return raisedBy([&] { rows.Fields(QStringLiteral("OWNER")); });
    });
    QTest::newRow("layer: closed connection") << 3704 << Provoke([](auto&) {
        Connection cn;
        return raisedBy([&] { cn.Execute(QStringLiteral("SELECT 1"), Connection::adCmdText); });
    });
    QTest::newRow("layer: already open") << 3705 << Provoke([](auto&) { return executeOnFakeDriver(true); });
    QTest::newRow("layer: no such provider")
        << 3706 << Provoke([](auto&) { return open("Provider=NoSuchDriver;Driver={x}"); });
    QTest::newRow("layer: empty connection string") << 3709 << Provoke([](auto&) { return open(""); });
    QTest::newRow("layer: driver error without a number")
        << 3710 << Provoke([](auto&) { return open("Driver={Tarvelin: no such driver}"); });

    QTest::newRow("profile: unreadable") << -2147220991 << Provoke([](const ProfileTestFolder& folder) {
        QDir(folder.path()).mkdir(QStringLiteral("Prod.cfp"));
        ConnectionProfile profile;
        return raisedBy(
            [&] { profile.LoadProfile(ProfileTestFolder::Vendor, folder.path(), QStringLiteral("Prod")); });
    });
    QTest::newRow("profile: too large") << -2147220990 << profileWith(head + QByteArray(70000, '#'));
    QTest::newRow("profile: not UTF-8") << -2147220989 << profileWith(head + "Connection=\xff\n");
    QTest::newRow("profile: bad line") << -2147220988 << profileWith(head + "Connection\n");
    QTest::newRow("profile: unknown key") << -2147220987 << profileWith(head + "Usuario=scott\n");
    QTest::newRow("profile: no vendor section")
        << -2147220986 << profileWith("[Otra S.A.]\nConnection=DSN=x\n");
    QTest::newRow("profile: no Connection") << -2147220985 << profileWith(head + "Provider=QODBC\n");
    QTest::newRow("profile: password readable by others")
        << -2147220984
        << profileWith(head + "Connection=DSN=x\nPassword=tiger\n",
               QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    QTest::newRow("profile: none loaded") << -2147220983 << Provoke([](auto&) {
        ConnectionProfile profile;
        return raisedBy([&] { profile.GetConnectionString(ProfileTestFolder::Vendor, true); });
    });
    // The rows named "store: ..." read the throwaway keyring.
    QTest::newRow("store: credential not stored")
        << -2147220982 << Provoke([](const ProfileTestFolder& folder) { return storedPassword(folder); });
    QTest::newRow("store: no secret service")
        << -2147220981 << Provoke([](const ProfileTestFolder& folder) { return storedPassword(folder); });
    QTest::newRow("store: not a usable password")
        << -2147220980
        << Provoke([](const ProfileTestFolder& folder) { return storedPassword(folder, "ti\xFFger"); });
    QTest::newRow("profile: both Password and Credencial")
        << -2147220979 << profileWith(head + "Connection=DSN=x\nPassword=tiger\nCredencial=Prod\n");
    QTest::newRow("run: unexpected failure")
        << -2147418113 << Provoke([](auto&) { return unexpectedFailureInARun(); });
}

void tst_ErrorNumbers::documentedNumbers()
{
    QFETCH(qint32, number);
    QFETCH(Provoke, provoke);
    const QByteArray tag = QTest::currentDataTag();
    if (tag.startsWith("store: "))
        TV_NEED_CREDENTIAL_STORE();
    // The session bus is joined once per process.
    if (tag == "store: no secret service")
        TV_RUN_IN_CHILD(StoredCredential::runWithoutSecretService);
    ProfileTestFolder folder;
    QVERIFY(folder.isValid());

    const std::optional<TarvelinError> error = provoke(folder);
    QVERIFY2(error, "nothing was raised");
    QCOMPARE(error->number(), number);
    QVERIFY2(documents().contains(QString::number(number)),
        qPrintable(QStringLiteral("%1 is not in README.md nor in docs/profiles.md").arg(number)));
}

QTEST_GUILESS_MAIN(tst_ErrorNumbers)
#include "tst_ErrorNumbers.moc"
