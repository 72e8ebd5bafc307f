#include "Connection.h"
#include "ConnectionProfile.h"
#include "ProfileLock.h"
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
// reader finds there: each is raised by the situation the documents name, and each stands in a
// row of their tables that says what it means. A number that changes, or moves to another row,
// fails here until the documents change with it.
class tst_ErrorNumbers : public QObject
{
    Q_OBJECT

private slots:
    void documentedNumbers_data();
    void documentedNumbers();
};

namespace {

using Provoke = std::function<std::optional<TarvelinError>(const ProfileTestFolder&)>;

std::optional<TarvelinError> open(const QString& connectionString)
{
    Connection cn;
    return raisedBy([&] { cn.Open(connectionString); });
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
    f.observer.onCall = [](const QString& entry) {
        if (entry == QLatin1String("info:Conectando..."))
            throw std::runtime_error("fallo");
    };
    f.run();
    return f.outcome.error;
}

// The documents' table rows that start with this number: "| <number> | ... |".
QStringList documentedRows(qint32 number)
{
    QStringList rows;
    for (const char* name : {"README.md", "docs/profiles.md"}) {
        QFile file(QStringLiteral(TARVELIN_SOURCE_DIR "/") + QLatin1String(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
            const QStringList cells = line.split(u'|');
            if (cells.size() > 2 && cells.at(0).isEmpty() && cells.at(1).trimmed() == QString::number(number))
                rows << line;
        }
    }
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Provoke)

void tst_ErrorNumbers::documentedNumbers_data()
{
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("meaning"); // what the number's row in the documents says
    QTest::addColumn<Provoke>("provoke");

    const QByteArray head = "[Corvath S.L.]\n";
    QTest::newRow("layer: past the last row")
        << 3021 << QStringLiteral("past the last row") << Provoke([](auto&) {
               Recordset rows({QStringLiteral("INDEX_NAME")}, {});
               return raisedBy([&] { rows.MoveNext(); });
           });
    QTest::newRow("layer: no such column")
        << 3265 << QStringLiteral("no column of that name") << Provoke([](auto&) {
               Recordset rows({QStringLiteral("INDEX_NAME")}, {QVariant(QStringLiteral("IDX_A"))});
               return raisedBy([&] { rows.Fields(QStringLiteral("OWNER")); });
           });
    QTest::newRow("layer: no such provider")
        << 3706 << QStringLiteral("names no Qt SQL driver")
        << Provoke([](auto&) { return open("Provider=NoSuchDriver;Driver={x}"); });
    QTest::newRow("layer: empty connection string")
        << 3709 << QStringLiteral("empty connection string") << Provoke([](auto&) { return open(""); });
    QTest::newRow("layer: ODBC driver not installed")
        << 3790 << QStringLiteral("`Driver=` names an ODBC driver the driver manager does not have")
        << Provoke([](auto&) { return open("Driver={Tarvelin: no such driver}"); });
    QTest::newRow("layer: driver error without a number")
        << 3710 << QStringLiteral("without giving a native number")
        << Provoke([](auto&) { return open("Driver={/nonexistent/libtarvelin-nada.so}"); });

    QTest::newRow("profile: unreadable")
        << -2147220991 << QStringLiteral("The file cannot be read")
        << Provoke([](const ProfileTestFolder& folder) {
               QDir(folder.path()).mkdir(QStringLiteral("Prod.cfp"));
               ConnectionProfile profile;
               return raisedBy([&] {
                   profile.LoadProfile(ProfileTestFolder::Vendor, folder.path(), QStringLiteral("Prod"));
               });
           });
    QTest::newRow("profile: too large")
        << -2147220990 << QStringLiteral("Larger than 64 KiB") << profileWith(head + QByteArray(70000, '#'));
    QTest::newRow("profile: not UTF-8")
        << -2147220989 << QStringLiteral("Not UTF-8 text") << profileWith(head + "Connection=\xff\n");
    QTest::newRow("profile: bad line") << -2147220988 << QStringLiteral("A line that is not understood")
                                       << profileWith(head + "Connection\n");
    QTest::newRow("profile: unknown key")
        << -2147220987 << QStringLiteral("Unknown key") << profileWith(head + "Usuario=scott\n");
    QTest::newRow("profile: no vendor section") << -2147220986 << QStringLiteral("No section for the vendor")
                                                << profileWith("[Otra S.A.]\nConnection=DSN=x\n");
    QTest::newRow("profile: no Connection")
        << -2147220985 << QStringLiteral("No connection string") << profileWith(head + "Provider=QODBC\n");
    QTest::newRow("profile: password readable by others")
        << -2147220984 << QStringLiteral("Password readable by others")
        << profileWith(head + "Connection=DSN=x\nPassword=tiger\n",
               QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    QTest::newRow("profile: none loaded")
        << -2147220983 << QStringLiteral("No profile loaded") << Provoke([](auto&) {
               ConnectionProfile profile;
               return raisedBy([&] { profile.GetConnectionString(ProfileTestFolder::Vendor, true); });
           });
    // The rows named "store: ..." read the throwaway keyring.
    QTest::newRow("store: credential not stored")
        << -2147220982 << QStringLiteral("names a password the store does not hold")
        << Provoke([](const ProfileTestFolder& folder) { return storedPassword(folder); });
    QTest::newRow("store: no secret service")
        << -2147220981 << QStringLiteral("No credential store to ask")
        << Provoke([](const ProfileTestFolder& folder) { return storedPassword(folder); });
    QTest::newRow("store: not a usable password")
        << -2147220980 << QStringLiteral("no usable password")
        << Provoke([](const ProfileTestFolder& folder) { return storedPassword(folder, "ti\xFFger"); });
    QTest::newRow("profile: two passwords")
        << -2147220979 << QStringLiteral("Two passwords: `Password` and `Credencial`")
        << profileWith(head + "Connection=DSN=x\nPassword=tiger\nCredencial=Prod\n");
    QTest::newRow("profile: PWD in Connection beside Credencial")
        << -2147220979 << QStringLiteral("a `PWD`/`Password` attribute in `Connection` beside either")
        << profileWith(head + "Connection=DSN=x;Uid=scott;Pwd=tiger\nCredencial=Prod\n");
    QTest::newRow("profile: in use")
        << -2147220978 << QStringLiteral("Another run of the profile is under way")
        << Provoke([](const ProfileTestFolder& folder) {
               if (!folder.write(QStringLiteral("Prod.cfp"), "[Corvath S.L.]\nConnection=DSN=x\n"))
                   return std::optional<TarvelinError>(
                       TarvelinError(0, QStringLiteral("the test could not write Prod.cfp")));
               const QString path = QDir(folder.path()).filePath(QStringLiteral("Prod.cfp"));
               const ProfileLock first(QStringLiteral("Prod"), path);
               return raisedBy([&] { ProfileLock second(QStringLiteral("Prod"), path); });
           });
    QTest::newRow("run: unexpected failure")
        << -2147418113 << QStringLiteral("an unexpected failure inside the program")
        << Provoke([](auto&) { return unexpectedFailureInARun(); });
}

void tst_ErrorNumbers::documentedNumbers()
{
    QFETCH(qint32, number);
    QFETCH(QString, meaning);
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
    const QStringList rows = documentedRows(number);
    QVERIFY2(!rows.filter(meaning).isEmpty(),
        qPrintable(QStringLiteral("no row of README.md or docs/profiles.md gives %1 as «%2»: %3")
                       .arg(number)
                       .arg(meaning, rows.join(u'\n'))));
}

QTEST_GUILESS_MAIN(tst_ErrorNumbers)
#include "tst_ErrorNumbers.moc"
