// (e) The database layer executing 1,000 statements against the PostgreSQL
//     test bed (tests/support/pg/testbed.sh) through psqlODBC, against psql -f with the
//     same statements over the same route (TCP, password log-in, same role).
//
//   bench_pg_layer [--statements=1000] [--reps=11]     (needs the TARVELIN_PG_* variables)

#include "BenchSetup.h"
#include "Connection.h"
#include "Measure.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

using Measure::seconds;

struct TestBed
{
    QString connection; // ODBC, without password
    QString password, user, database, port, psql;

    static TestBed fromEnvironment()
    {
        TestBed bed {qEnvironmentVariable("TARVELIN_PG_CONNECTION"),
            qEnvironmentVariable("TARVELIN_PG_PASSWORD"), qEnvironmentVariable("TARVELIN_PG_USER"),
            qEnvironmentVariable("TARVELIN_PG_DATABASE"), qEnvironmentVariable("TARVELIN_PG_PORT"),
            qEnvironmentVariable("TARVELIN_PG_PSQL").section(u' ', 0, 0, QString::SectionSkipEmpty)};
        return bed;
    }
    bool complete() const
    {
        return !connection.isEmpty() && !password.isEmpty() && !user.isEmpty() && !database.isEmpty()
            && !port.isEmpty() && !psql.isEmpty();
    }
    // As the profile library writes it: the password in braces, "}" doubled.
    QString connectionWithPassword() const
    {
        QString escaped = password;
        escaped.replace(QStringLiteral("}"), QStringLiteral("}}"));
        return QStringLiteral("Provider=QODBC;%1;PWD={%2}").arg(connection, escaped);
    }
};

// The test bed's indexes, quoted, for statements of either kind below.
QStringList indexNames(const TestBed& bed)
{
    Connection connection;
    connection.Open(bed.connectionWithPassword(), QString(), QString(), Connection::adOptionUnspecified);
    const auto rows = connection.Execute(
        QStringLiteral("SELECT indexname FROM pg_indexes WHERE schemaname = current_schema() ORDER BY 1"),
        Connection::adCmdText);
    QStringList names;
    for (; !rows->Eof(); rows->MoveNext()) {
        QString name = rows->Fields(QStringLiteral("indexname")).toString();
        name.replace(u'"', QStringLiteral("\"\""));
        names.append(u'"' + name + u'"');
    }
    connection.Close();
    if (names.isEmpty())
        Measure::fail(QStringLiteral("the test bed's schema has no index"));
    return names;
}

// count statements made from the pattern, "%1" standing for an index name.
QStringList statements(const QStringList& names, const QString& pattern, int count)
{
    QStringList result;
    for (int i = 0; i < count; ++i)
        result.append(pattern.arg(names.at(i % names.size())));
    return result;
}

struct LayerTimes
{
    double open = 0, statements = 0, close = 0;
};

LayerTimes timedLayer(const TestBed& bed, const QStringList& sql)
{
    LayerTimes times;
    Connection connection;
    times.open = seconds([&] {
        connection.Open(bed.connectionWithPassword(), QString(), QString(), Connection::adOptionUnspecified);
        connection.setCommandTimeout(0); // as a run sets it
    });
    times.statements = seconds([&] {
        for (const QString& statement : sql)
            connection.Execute(statement, Connection::adCmdText);
    });
    times.close = seconds([&] { connection.Close(); });
    return times;
}

double timedPsql(const TestBed& bed, const QString& file)
{
    QProcess psql;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PGPASSWORD"), bed.password);
    // psqlODBC does not ask for TLS either; the test bed offers none.
    environment.insert(QStringLiteral("PGSSLMODE"), QStringLiteral("disable"));
    psql.setProcessEnvironment(environment);
    psql.setProcessChannelMode(QProcess::ForwardedChannels);
    const QStringList arguments {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
        QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
        QStringLiteral("-p"), bed.port, QStringLiteral("-U"), bed.user, QStringLiteral("-d"), bed.database,
        QStringLiteral("-f"), file};
    const double elapsed = seconds([&] {
        psql.start(bed.psql, arguments);
        psql.waitForFinished(-1);
    });
    if (psql.exitStatus() != QProcess::NormalExit || psql.exitCode() != 0)
        Measure::fail(QStringLiteral("psql failed on %1").arg(file));
    return elapsed;
}

void writeFile(const QString& path, const QStringList& sql)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        Measure::fail(QStringLiteral("cannot write %1").arg(path));
    for (const QString& statement : sql)
        file.write((statement + QStringLiteral(";\n")).toUtf8());
}

void figure(const TestBed& bed, const QString& id, const QString& kind, const QStringList& sql, int reps)
{
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("statements.sql"));
    const QString empty = dir.filePath(QStringLiteral("empty.sql"));
    writeFile(script, sql);
    writeFile(empty, {});
    std::printf(
        "%s the layer vs psql -f against the PostgreSQL test bed: %lld statements like \"%s\", %d reps\n",
        qPrintable(id), static_cast<long long>(sql.size()), qPrintable(sql.front()), reps);
    std::fflush(stdout);

    // Loads the ODBC driver and warms the server's caches before anything is timed.
    timedLayer(bed, sql);
    timedPsql(bed, script);

    std::vector<double> open, layer, close, session, psqlFull, psqlEmpty, psqlStatements;
    for (int rep = 0; rep < reps; ++rep) {
        const auto measureLayer = [&] {
            const LayerTimes t = timedLayer(bed, sql);
            open.push_back(t.open);
            layer.push_back(t.statements);
            close.push_back(t.close);
            session.push_back(t.open + t.statements + t.close);
        };
        const auto measurePsql = [&] {
            psqlFull.push_back(timedPsql(bed, script));
            psqlEmpty.push_back(timedPsql(bed, empty));
            psqlStatements.push_back(psqlFull.back() - psqlEmpty.back());
        };
        if (rep % 2 == 0) {
            measureLayer();
            measurePsql();
        } else {
            measurePsql();
            measureLayer();
        }
    }
    const int count = static_cast<int>(sql.size());
    const QString ms = QStringLiteral("ms");
    Measure::printSeries(QStringLiteral("layer: %1 statements").arg(count), layer, 1e3, ms, 1);
    Measure::printSeries(QStringLiteral("layer: open"), open, 1e3, ms, 1);
    Measure::printSeries(QStringLiteral("layer: close"), close, 1e3, ms, 1);
    Measure::printSeries(QStringLiteral("layer: open + statements + close"), session, 1e3, ms, 1);
    Measure::printSeries(QStringLiteral("psql -f, whole process"), psqlFull, 1e3, ms, 1);
    Measure::printSeries(QStringLiteral("psql -f of an empty file"), psqlEmpty, 1e3, ms, 1);
    Measure::printSeries(QStringLiteral("psql: statements (difference per rep)"), psqlStatements, 1e3, ms, 1);
    const double l = Measure::median(layer), p = Measure::median(psqlStatements);
    const double s = Measure::median(session), pf = Measure::median(psqlFull);
    std::printf("    whole session, layer in process / psql process: %.3fx\n", s / pf);
    // The least disturbed repetitions, for a shared machine whose load moves the medians.
    std::printf("    statements, fastest repetition of each: %.3fx\n",
        *std::min_element(layer.begin(), layer.end())
            / *std::min_element(psqlStatements.begin(), psqlStatements.end()));
    const double ratio = l / p;
    Measure::printFigure(id, QStringLiteral("layer / psql -f, %1 %2 on PostgreSQL").arg(count).arg(kind),
        QStringLiteral("%1x").arg(ratio, 0, 'f', 3),
        QStringLiteral("layer %1 ms, psql %2 ms (%3 us vs %4 us per statement)")
            .arg(l * 1e3, 0, 'f', 1)
            .arg(p * 1e3, 0, 'f', 1)
            .arg(l / count * 1e6, 0, 'f', 1)
            .arg(p / count * 1e6, 0, 'f', 1),
        QStringLiteral("<= 1.05x"), ratio <= 1.05);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = BenchSetup::intOption(argc, argv, "statements", 1000);
    const int reps = BenchSetup::intOption(argc, argv, "reps", 11);

    const TestBed bed = TestBed::fromEnvironment();
    if (!bed.complete()) {
        std::printf(
            "(e) skipped: no PostgreSQL test bed (start one with tests/support/pg/testbed.sh, source its env)\n");
        std::printf("FIGURE (e) | layer vs psql -f | skipped | no test bed | target <= 1.05x | SKIPPED\n");
        return 0;
    }
    const QStringList names = indexNames(bed);
    // Light DDL, so that the client's share shows: 90 is already a B-tree's
    // fill factor, yet each statement locks the index and rewrites its catalog
    // row in a transaction of its own.
    figure(bed, QStringLiteral("(e)"), QStringLiteral("ALTER INDEX ... SET (fillfactor = 90)"),
        statements(names, QStringLiteral("ALTER INDEX %1 SET (fillfactor = 90)"), count), reps);
    // The rebuild itself, on the test bed's small tables.
    figure(bed, QStringLiteral("(e, reindex)"), QStringLiteral("REINDEX INDEX"),
        statements(names, QStringLiteral("REINDEX INDEX %1"), count), reps);
    return 0;
}
