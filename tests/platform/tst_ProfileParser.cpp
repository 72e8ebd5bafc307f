// What a profile file may hold and the connection string it gives.
#include "ConnectionProfile.h"
#include "ErrorNumbers.h"
#include "ProfileTestFolder.h"
#include "RaisedError.h"
#include "TarvelinError.h"

#include <QTest>

namespace {

const QByteArray OracleOdbc = "Driver={Oracle 19 ODBC driver};Dbq=//dbhost:1521/ORCLPDB1;Uid=scott";
const QString OracleOdbcText = QString::fromLatin1(OracleOdbc);

} // namespace

class tst_ProfileParser : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void acceptedContents_data();
    void acceptedContents();
    void rejectedContents_data();
    void rejectedContents();

    void lockWait_data();
    void lockWait();
    void eachVendorGetsItsOwnSection();
    void sectionNameMustMatchTheVendorExactly();
    void reloadReplacesTheEarlierProfile();
    void notLoadedBeforeAnyLoad();
    void notLoadedAfterMissingFile();
    void notLoadedForAnotherVendor();

private:
    std::optional<ProfileTestFolder> m_folder;
};

void tst_ProfileParser::init()
{
    m_folder.emplace();
    QVERIFY(m_folder->isValid());
}

void tst_ProfileParser::acceptedContents_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("withPassword");
    QTest::addColumn<QString>("withoutPassword");

    const QString plain = QStringLiteral("Provider=QODBC;") + OracleOdbcText;
    const QString tiger = plain + QStringLiteral(";PWD={tiger}");

    QTest::newRow("documented example")
        << "[Corvath S.L.]\nProvider=QODBC\nConnection=" + OracleOdbc + "\nPassword=tiger\n"
        << tiger << plain;
    QTest::newRow("no newline at the end")
        << "[Corvath S.L.]\nConnection=" + OracleOdbc + "\nPassword=tiger" << tiger << plain;
    QTest::newRow("UTF-8 byte order mark") << "\xEF\xBB\xBF[Corvath S.L.]\nConnection=" + OracleOdbc
            + "\nPassword=tiger\n" << tiger << plain;
    QTest::newRow("CRLF line ends") << "[Corvath S.L.]\r\nConnection=" + OracleOdbc + "\r\nPassword=tiger\r\n"
                                    << tiger << plain;
    QTest::newRow("comment lines")
        << "# Producción\n  ; otra nota\n\t# tabulada\n[Corvath S.L.]\n# Usuario=scott\n; Password=otra\n"
           "Connection="
            + OracleOdbc + "\n   # más\nPassword=tiger\n"
        << tiger << plain;
    QTest::newRow("blank lines") << "\n\n   \n\t\n[Corvath S.L.]\n\nConnection=" + OracleOdbc
            + "\n \t \nPassword=tiger\n\n"
                                 << tiger << plain;
    QTest::newRow("keys in any case, blanks around keys and values")
        << "  [Corvath S.L.]  \n  PROVIDER = QOCI \n\tconnection\t=\t" + OracleOdbc
            + "\t \npassWORD =  tiger  \n"
        << QStringLiteral("Provider=QOCI;") + OracleOdbcText + QStringLiteral(";PWD={tiger}")
        << QStringLiteral("Provider=QOCI;") + OracleOdbcText;
    QTest::newRow("value holds = ; and braces")
        << QByteArray("[Corvath S.L.]\nConnection=Driver={Oracle 19 ODBC "
                      "driver};Dbq=//h:1521/S;Attr={a=b;c{d}}};X==y\n")
        << QStringLiteral(
               "Provider=QODBC;Driver={Oracle 19 ODBC driver};Dbq=//h:1521/S;Attr={a=b;c{d}}};X==y")
        << QStringLiteral(
               "Provider=QODBC;Driver={Oracle 19 ODBC driver};Dbq=//h:1521/S;Attr={a=b;c{d}}};X==y");
    QTest::newRow("trailing semicolons of Connection dropped") << "[Corvath S.L.]\nConnection=" + OracleOdbc
            + ";; \nPassword=tiger\n" << tiger << plain;
    QTest::newRow("closing braces of the password doubled")
        << "[Corvath S.L.]\nConnection=" + OracleOdbc + "\nPassword=a}b}}\n"
        << plain + QStringLiteral(";PWD={a}}b}}}}}") << plain;
    QTest::newRow("password holds ; = { and #")
        << "[Corvath S.L.]\nConnection=" + OracleOdbc + "\nPassword=p;w=d{x#y\n"
        << plain + QStringLiteral(";PWD={p;w=d{x#y}") << plain;
    QTest::newRow("inner blanks of the password kept")
        << "[Corvath S.L.]\nConnection=" + OracleOdbc + "\nPassword=dos  pa\tlabras\n"
        << plain + QStringLiteral(";PWD={dos  pa\tlabras}") << plain;
    QTest::newRow("non-ASCII password")
        << "[Corvath S.L.]\nConnection=" + OracleOdbc + "\nPassword=contraseña€\n"
        << plain + QStringLiteral(";PWD={contraseña€}") << plain;
    QTest::newRow("no password") << "[Corvath S.L.]\nConnection=" + OracleOdbc + "\n" << plain << plain;
    QTest::newRow("empty password means none") << "[Corvath S.L.]\nConnection=" + OracleOdbc
            + "\nPassword=  \n" << plain << plain;
    QTest::newRow("empty Credencial names none")
        << "[Corvath S.L.]\nConnection=" + OracleOdbc + "\nPassword=tiger\nCredencial= \n"
        << tiger << plain;
    QTest::newRow("other vendors' sections ignored, whatever their keys")
        << "[Otra S.A.]\nProvider=QPSQL\nConnection=Driver=x\nPassword=otra\nUsuario=\n[Corvath S.L.]\n"
           "Connection="
            + OracleOdbc + "\nPassword=tiger\n[Tercera]\nConnection=Driver=y\nColor=azul\n"
        << tiger << plain;
}

void tst_ProfileParser::acceptedContents()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, withPassword);
    QFETCH(QString, withoutPassword);

    QVERIFY(m_folder->write(QStringLiteral("Prod.cfp"), contents));
    ConnectionProfile profile;
    bool loaded = false;
    QString first;
    QString second;
    const auto error = raisedBy([&] {
        loaded = profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod"));
        first = profile.GetConnectionString(ProfileTestFolder::Vendor, true);
        second = profile.GetConnectionString(ProfileTestFolder::Vendor, false);
    });
    QVERIFY2(!error, error ? qPrintable(error->description()) : "");
    QVERIFY(loaded);
    QCOMPARE(first, withPassword);
    QCOMPARE(second, withoutPassword);
}

void tst_ProfileParser::rejectedContents_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description");

    const QByteArray head = "[Corvath S.L.]\nConnection=" + OracleOdbc + "\n";
    const QString invalid = QStringLiteral("El perfil Prod no es válido: ");

    QTest::newRow("byte that is never UTF-8")
        << head + "Password=ti\xFFger\n"
        << ErrorNumber::ProfileNotUtf8 << invalid + "línea 3: no es texto UTF-8";
    QTest::newRow("Windows-1252 text") << "# Producci\xF3n\n" + head << ErrorNumber::ProfileNotUtf8
                                       << invalid + "línea 1: no es texto UTF-8";
    QTest::newRow("overlong form") << head + "Password=\xC0\xAF\n"
                                   << ErrorNumber::ProfileNotUtf8 << invalid + "línea 3: no es texto UTF-8";
    QTest::newRow("overlong three-byte form")
        << head + "Password=\xE0\x80\xAF\n"
        << ErrorNumber::ProfileNotUtf8 << invalid + "línea 3: no es texto UTF-8";
    QTest::newRow("encoded surrogate")
        << head + "Password=\xED\xA0\x80\n"
        << ErrorNumber::ProfileNotUtf8 << invalid + "línea 3: no es texto UTF-8";
    QTest::newRow("above U+10FFFF") << head + "Password=\xF4\x90\x80\x80\n"
                                    << ErrorNumber::ProfileNotUtf8 << invalid + "línea 3: no es texto UTF-8";
    QTest::newRow("sequence cut at the end of the file")
        << head + "Password=\xE2\x82" << ErrorNumber::ProfileNotUtf8
        << invalid + "línea 3: no es texto UTF-8";
    QTest::newRow("binary with NUL bytes")
        << head + QByteArray("Pass\0word=x\n", 12) << ErrorNumber::ProfileSyntax
        << invalid + "línea 3: contiene caracteres de control";
    QTest::newRow("carriage return inside a line")
        << head + "Password=a\rb\n"
        << ErrorNumber::ProfileSyntax << invalid + "línea 3: contiene caracteres de control";
    QTest::newRow("DEL in a line") << head + "Password=tiger\x7F\n"
                                   << ErrorNumber::ProfileSyntax
                                   << invalid + "línea 3: contiene caracteres de control";
    QTest::newRow("empty file") << QByteArray() << ErrorNumber::ProfileNoVendorSection
                                << invalid + "no tiene la sección [Corvath S.L.]";
    QTest::newRow("another vendor only")
        << "[Otra S.A.]\nConnection=" + OracleOdbc + "\n"
        << ErrorNumber::ProfileNoVendorSection << invalid + "no tiene la sección [Corvath S.L.]";
    QTest::newRow("no Connection") << QByteArray("[Corvath S.L.]\nProvider=QODBC\nPassword=tiger\n")
                                   << ErrorNumber::ProfileNoConnection
                                   << invalid + "falta la clave Connection en la sección [Corvath S.L.]";
    QTest::newRow("Connection only in another vendor's section")
        << "[Corvath S.L.]\nPassword=tiger\n[Otra S.A.]\nConnection=" + OracleOdbc + "\n"
        << ErrorNumber::ProfileNoConnection
        << invalid + "falta la clave Connection en la sección [Corvath S.L.]";
    QTest::newRow("empty Connection")
        << QByteArray("[Corvath S.L.]\n\nConnection= ;\n") << ErrorNumber::ProfileNoConnection
        << invalid + "línea 3: Connection está vacía";
    QTest::newRow("unknown key") << head + "Password=tiger\nUsuario=scott\n"
                                 << ErrorNumber::ProfileUnknownKey
                                 << invalid
            + "línea 4: clave desconocida «Usuario» (se admiten Provider, Connection, Password, Credencial y "
              "EsperaBloqueo)";
    QTest::newRow("Password and Credencial") << head + "credencial=Prod\nPassword=tiger\n"
                                             << ErrorNumber::PasswordAndCredential
                                             << invalid
            + "línea 4: Password y Credencial no pueden ir juntas: la contraseña va en el perfil o en el "
              "almacén de credenciales del sistema, no en los dos";
    // A password inside the connection string is a password too, under any spelling of its key.
    QTest::newRow("Pwd in Connection and Credencial")
        << "[Corvath S.L.]\nConnection=" + OracleOdbc + ";Uid=scott;Pwd=tiger\nCredencial=Prod\n"
        << ErrorNumber::PasswordAndCredential
        << invalid
            + "línea 3: Connection ya lleva una contraseña (PWD o Password) y no puede ir con Credencial: la "
              "contraseña va en un solo sitio";
    QTest::newRow("braced password in Connection and Password")
        << "[Corvath S.L.]\nPassword=lion\nConnection=" + OracleOdbc + "; password = {se;cr}}et}\n"
        << ErrorNumber::PasswordAndCredential
        << invalid
            + "línea 3: Connection ya lleva una contraseña (PWD o Password) y no puede ir con Password: la "
              "contraseña va en un solo sitio";
    QTest::newRow("line without =") << head + "Password tiger\n"
                                    << ErrorNumber::ProfileSyntax
                                    << invalid
            + "línea 3: se esperaba clave=valor, [sección] o un comentario";
    QTest::newRow("line without = in another vendor's section")
        << head + "[Otra S.A.]\nConnection\n"
        << ErrorNumber::ProfileSyntax
        << invalid + "línea 4: se esperaba clave=valor, [sección] o un comentario";
    QTest::newRow("key missing") << head + " = tiger\n"
                                 << ErrorNumber::ProfileSyntax
                                 << invalid + "línea 3: falta el nombre de la clave antes de =";
    QTest::newRow("key before any section")
        << "Provider=QODBC\n" + head << ErrorNumber::ProfileSyntax
        << invalid + "línea 1: la clave Provider está fuera de toda [sección]";
    QTest::newRow("duplicate key, other case")
        << head + "Password=a\nconnection=Driver=x\n"
        << ErrorNumber::ProfileSyntax << invalid + "línea 4: la clave connection ya aparece en la línea 2";
    QTest::newRow("vendor section twice")
        << head + "[Otra S.A.]\n[Corvath S.L.]\nPassword=x\n"
        << ErrorNumber::ProfileSyntax
        << invalid + "línea 4: la sección [Corvath S.L.] ya empezó en la línea 1";
    QTest::newRow("section not closed")
        << "[Corvath S.L.\nConnection=" + OracleOdbc + "\n"
        << ErrorNumber::ProfileSyntax << invalid + "línea 1: se esperaba [nombre de la sección]";
    QTest::newRow("text after the section")
        << "[Corvath S.L.] # prod\nConnection=" + OracleOdbc + "\n"
        << ErrorNumber::ProfileSyntax << invalid + "línea 1: se esperaba [nombre de la sección]";
    QTest::newRow("section without a name") << "[]\n" + head << ErrorNumber::ProfileSyntax
                                            << invalid + "línea 1: se esperaba [nombre de la sección]";
    QTest::newRow("empty Provider") << head + "Provider=\n"
                                    << ErrorNumber::ProfileSyntax
                                    << invalid
            + "línea 3: Provider debe ser un nombre de controlador (letras, cifras y _), no «»";
    QTest::newRow("Provider that would end its attribute") << head + "Provider=QODBC;Driver=x\n"
                                                           << ErrorNumber::ProfileSyntax
                                                           << invalid
            + "línea 3: Provider debe ser un nombre de controlador (letras, cifras y _), no «QODBC;Driver=x»";
    QTest::newRow("provider inside Connection")
        << QByteArray("[Corvath S.L.]\nConnection=Provider=OraOLEDB.Oracle;Data Source=PROD\n")
        << ErrorNumber::ProfileSyntax
        << invalid + "línea 2: el proveedor se indica con la clave Provider, no dentro de Connection";
}

void tst_ProfileParser::rejectedContents()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, number);
    QFETCH(QString, description);

    // A good profile first: the failed load must not leave it in place.
    QVERIFY(m_folder->write(QStringLiteral("Good.cfp"), "[Corvath S.L.]\nConnection=" + OracleOdbc + "\n"));
    QVERIFY(m_folder->write(QStringLiteral("Prod.cfp"), contents));
    ConnectionProfile profile;
    QVERIFY(profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Good")));

    const auto error = raisedBy(
        [&] { profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod")); });
    QVERIFY2(error, "LoadProfile raised nothing");
    QCOMPARE(error->number(), number);
    QCOMPARE(error->description(), description);

    const auto after = raisedBy([&] { profile.GetConnectionString(ProfileTestFolder::Vendor, true); });
    QVERIFY2(after, "the profile loaded before is still in place");
    QCOMPARE(after->number(), ErrorNumber::ProfileNotLoaded);
}

// EsperaBloqueo: the seconds a rebuild waits for a table's lock, as Oracle takes them; anything
// else is refused with its line rather than read as some other wait.
void tst_ProfileParser::lockWait_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("seconds"); // -1: none given; -2: refused

    QTest::newRow("none") << QByteArray() << -1;
    QTest::newRow("not to wait") << QByteArray("EsperaBloqueo=0\n") << 0;
    QTest::newRow("half a minute, key in any case") << QByteArray("esperabloqueo = 30\n") << 30;
    QTest::newRow("Oracle's largest") << QByteArray("EsperaBloqueo=1000000\n") << 1000000;
    QTest::newRow("beyond it") << QByteArray("EsperaBloqueo=1000001\n") << -2;
    QTest::newRow("negative") << QByteArray("EsperaBloqueo=-1\n") << -2;
    QTest::newRow("with a unit") << QByteArray("EsperaBloqueo=30s\n") << -2;
    QTest::newRow("empty") << QByteArray("EsperaBloqueo=\n") << -2;
    QTest::newRow("with a sign") << QByteArray("EsperaBloqueo=+5\n") << -2;
}

void tst_ProfileParser::lockWait()
{
    QFETCH(QByteArray, line);
    QFETCH(int, seconds);
    QVERIFY(m_folder->write(
        QStringLiteral("Prod.cfp"), "[Corvath S.L.]\nConnection=" + OracleOdbc + "\n" + line));
    ConnectionProfile profile;
    const auto error = raisedBy(
        [&] { profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod")); });
    if (seconds == -2) {
        QVERIFY(error);
        QCOMPARE(error->number(), ErrorNumber::ProfileSyntax);
        QVERIFY2(error->description().startsWith(QStringLiteral(
                     "El perfil Prod no es válido: línea 3: EsperaBloqueo son los segundos que se espera el "
                     "bloqueo de una tabla, de 0 a 1000000, no «")),
            qPrintable(error->description()));
        return;
    }
    QVERIFY2(!error, error ? qPrintable(error->description()) : "");
    QCOMPARE(profile.lockWaitSeconds(), seconds < 0 ? std::nullopt : std::optional<int>(seconds));
}

void tst_ProfileParser::eachVendorGetsItsOwnSection()
{
    QVERIFY(m_folder->write(QStringLiteral("Prod.cfp"),
        "[Otra S.A.]\nProvider=QPSQL\nConnection=Driver={PostgreSQL Unicode};Server=db\nPassword=otra\n"
        "[Corvath S.L.]\nConnection="
            + OracleOdbc + "\nPassword=tiger\n"));

    ConnectionProfile ours;
    QVERIFY(ours.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod")));
    QCOMPARE(ours.GetConnectionString(ProfileTestFolder::Vendor, true),
        QStringLiteral("Provider=QODBC;") + OracleOdbcText + QStringLiteral(";PWD={tiger}"));

    ConnectionProfile theirs;
    QVERIFY(theirs.LoadProfile(QStringLiteral("Otra S.A."), m_folder->path(), QStringLiteral("Prod")));
    QCOMPARE(theirs.GetConnectionString(QStringLiteral("Otra S.A."), true),
        QStringLiteral("Provider=QPSQL;Driver={PostgreSQL Unicode};Server=db;PWD={otra}"));
}

void tst_ProfileParser::sectionNameMustMatchTheVendorExactly()
{
    const QByteArray body = "\nConnection=" + OracleOdbc + "\n";
    for (const QByteArray& header : {QByteArray("[corvath s.l.]"), QByteArray("[ Corvath S.L.]"),
             QByteArray("[Corvath S.L]"), QByteArray("[Corvath  S.L.]")}) {
        QVERIFY(m_folder->write(QStringLiteral("Prod.cfp"), header + body));
        ConnectionProfile profile;
        const auto error = raisedBy([&] {
            profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod"));
        });
        QVERIFY2(error, header.constData());
        QCOMPARE(error->number(), ErrorNumber::ProfileNoVendorSection);
    }
}

void tst_ProfileParser::reloadReplacesTheEarlierProfile()
{
    QVERIFY(
        m_folder->write(QStringLiteral("Prod.cfp"), "[Corvath S.L.]\nConnection=Driver=prod\nPassword=p\n"));
    QVERIFY(m_folder->write(QStringLiteral("Test.cfp"), "[Corvath S.L.]\nConnection=Driver=test\n"));
    ConnectionProfile profile;
    QVERIFY(profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod")));
    QVERIFY(profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Test")));
    QCOMPARE(profile.GetConnectionString(ProfileTestFolder::Vendor, true),
        QStringLiteral("Provider=QODBC;Driver=test"));
}

void tst_ProfileParser::notLoadedBeforeAnyLoad()
{
    ConnectionProfile profile;
    const auto error = raisedBy([&] { profile.GetConnectionString(ProfileTestFolder::Vendor, true); });
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::ProfileNotLoaded);
    QCOMPARE(error->description(), QStringLiteral("No hay ningún perfil cargado"));
}

void tst_ProfileParser::notLoadedAfterMissingFile()
{
    QVERIFY(m_folder->write(QStringLiteral("Prod.cfp"), "[Corvath S.L.]\nConnection=Driver=prod\n"));
    ConnectionProfile profile;
    QVERIFY(profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod")));
    QVERIFY(!profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Missing")));
    const auto error = raisedBy([&] { profile.GetConnectionString(ProfileTestFolder::Vendor, true); });
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::ProfileNotLoaded);
}

void tst_ProfileParser::notLoadedForAnotherVendor()
{
    QVERIFY(m_folder->write(QStringLiteral("Prod.cfp"),
        "[Corvath S.L.]\nConnection=Driver=prod\n[Otra S.A.]\nConnection=Driver=otra\n"));
    ConnectionProfile profile;
    QVERIFY(profile.LoadProfile(ProfileTestFolder::Vendor, m_folder->path(), QStringLiteral("Prod")));
    const auto error = raisedBy([&] { profile.GetConnectionString(QStringLiteral("Otra S.A."), true); });
    QVERIFY(error);
    QCOMPARE(error->number(), ErrorNumber::ProfileNotLoaded);
    QCOMPARE(error->description(),
        QStringLiteral("El perfil Prod está cargado para Corvath S.L., no para Otra S.A."));
    // The profile itself is still there for its own vendor.
    QCOMPARE(profile.GetConnectionString(ProfileTestFolder::Vendor, true),
        QStringLiteral("Provider=QODBC;Driver=prod"));
}

QTEST_GUILESS_MAIN(tst_ProfileParser)
#include "tst_ProfileParser.moc"
