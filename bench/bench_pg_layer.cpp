// (e) The database layer executing 1,000 statements against the PostgreSQL
//     test bed (tests/support/pg/testbed.sh) through psqlODBC, against psql with the
//     same statements over the same route (TCP, password log-in, same role),
//     the two clients taking turns block by block.
//
//   bench_pg_layer [--statements=1000] [--block=100] [--reps=21]   (needs the TARVELIN_PG_* variables)

#include "BenchSetup.h"
#include "Connection.h"
#include "Measure.h"
#include "TarvelinError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

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

// The test bed's indexes, quoted, for statements of either kind below: the ordinary ones (relkind
// 'i'), partitions' own among them. The index of a partitioned table as a whole (relkind 'I') takes
// no storage parameters and holds nothing of its own to rebuild.
QStringList indexNames(const TestBed& bed)
{
    Connection connection;
    connection.Open(bed.connectionWithPassword());
    const auto rows = connection.Execute(QStringLiteral(
        "SELECT c.relname AS indexname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
        "WHERE c.relkind = 'i' AND n.nspname = current_schema() ORDER BY 1"));
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

// psql reading statements from a pipe, one session kept open, so that a block
// of statements can be timed in it the way it is timed in the layer.
class PsqlSession
{
public:
    explicit PsqlSession(const TestBed& bed)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PGPASSWORD"), bed.password);
        // psqlODBC does not ask for TLS either; the test bed offers none.
        environment.insert(QStringLiteral("PGSSLMODE"), QStringLiteral("disable"));
        m_psql.setProcessEnvironment(environment);
        m_psql.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_psql.start(bed.psql,
            {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                QStringLiteral("-p"), bed.port, QStringLiteral("-U"), bed.user, QStringLiteral("-d"),
                bed.database});
        timedBlock({}); // logged on from here
    }
    ~PsqlSession()
    {
        m_psql.closeWriteChannel();
        m_psql.waitForFinished(-1);
    }

    // Sends the statements and waits until psql has run them all: it echoes a
    // marker line after the last one.
    double timedBlock(const QByteArray& script)
    {
        static const QByteArray marker = QByteArrayLiteral("tarvelin-bench-block-done");
        QElapsedTimer timer;
        timer.start();
        m_psql.write(script + "\\echo " + marker + '\n');
        m_psql.waitForBytesWritten(-1);
        for (;;) {
            while (m_psql.canReadLine()) {
                if (m_psql.readLine().trimmed() == marker)
                    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
            }
            if (!m_psql.waitForReadyRead(120000))
                Measure::fail(QStringLiteral("psql stopped: %1").arg(m_psql.errorString()));
        }
    }

private:
    QProcess m_psql;
};

QByteArray psqlScript(const QStringList& sql)
{
    QByteArray script;
    for (const QString& statement : sql)
        script += (statement + QStringLiteral(";\n")).toUtf8();
    return script;
}

// Each repetition opens a session in each client (untimed), then runs the
// statements block by block, a block in one client and the same block in the
// other right after it, the order alternating from block to block. Adjacent
// blocks see the same load on a shared machine, so their ratio keeps little
// of it.
void figure(const TestBed& bed, const QString& id, const QString& kind, const QStringList& sql, int blockSize,
    int reps)
{
    std::vector<QStringList> blocks;
    for (qsizetype first = 0; first < sql.size(); first += blockSize)
        blocks.push_back(sql.mid(first, blockSize));
    std::vector<QByteArray> scripts;
    for (const QStringList& block : blocks)
        scripts.push_back(psqlScript(block));
    std::printf("%s the layer vs psql, interleaved in blocks of %d statements, against the PostgreSQL test "
                "bed: %lld statements like \"%s\", %d reps\n",
        qPrintable(id), blockSize, static_cast<long long>(sql.size()), qPrintable(sql.front()), reps);
    std::fflush(stdout);

    std::vector<double> layerBlocks, psqlBlocks, layerTotals, psqlTotals;
    // The first repetition loads the ODBC driver and warms the server's caches; it is not counted.
    for (int rep = -1; rep < reps; ++rep) {
        Connection connection;
        connection.Open(bed.connectionWithPassword());
        PsqlSession psql(bed);
        double layerTotal = 0.0, psqlTotal = 0.0;
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            const auto measureLayer = [&] {
                const double elapsed = seconds([&] {
                    for (const QString& statement : blocks[b])
                        connection.Execute(statement);
                });
                layerTotal += elapsed;
                if (rep >= 0)
                    layerBlocks.push_back(elapsed);
            };
            const auto measurePsql = [&] {
                const double elapsed = psql.timedBlock(scripts[b]);
                psqlTotal += elapsed;
                if (rep >= 0)
                    psqlBlocks.push_back(elapsed);
            };
            if ((b + static_cast<std::size_t>(rep + 1)) % 2 == 0) {
                measureLayer();
                measurePsql();
            } else {
                measurePsql();
                measureLayer();
            }
        }
        connection.Close();
        if (rep >= 0) {
            layerTotals.push_back(layerTotal);
            psqlTotals.push_back(psqlTotal);
        }
    }
    const int count = static_cast<int>(sql.size());
    const QString ms = QStringLiteral("ms");
    Measure::printSeries(QStringLiteral("layer: %1 statements").arg(count), layerTotals, 1e3, ms, 1);
    Measure::printSeries(QStringLiteral("psql: %1 statements").arg(count), psqlTotals, 1e3, ms, 1);
    const Measure::Ratio byRepetition = Measure::pairedRatio(layerTotals, psqlTotals);
    std::printf("    by repetition (%d statements each): %s\n", count,
        qPrintable(Measure::describe(byRepetition, 3)));
    const Measure::Ratio byBlock = Measure::pairedRatio(layerBlocks, psqlBlocks);
    const double l = Measure::median(layerTotals), p = Measure::median(psqlTotals);
    Measure::printFigure(id,
        QStringLiteral("layer / psql, %1 %2 on PostgreSQL, block by block").arg(count).arg(kind),
        Measure::describe(byBlock, 3),
        QStringLiteral("layer %1 ms, psql %2 ms (%3 us vs %4 us per statement); by repetition %5")
            .arg(l * 1e3, 0, 'f', 1)
            .arg(p * 1e3, 0, 'f', 1)
            .arg(l / count * 1e6, 0, 'f', 1)
            .arg(p / count * 1e6, 0, 'f', 1)
            .arg(Measure::describe(byRepetition, 3)),
        QStringLiteral("<= 1.05x"), byBlock.median <= 1.05);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = BenchSetup::intOption(argc, argv, "statements", 1000);
    const int blockSize = BenchSetup::intOption(argc, argv, "block", 100);
    const int reps = BenchSetup::intOption(argc, argv, "reps", 21);

    const TestBed bed = TestBed::fromEnvironment();
    if (!bed.complete()) {
        std::printf("(e) skipped: no PostgreSQL test bed (start one with tests/support/pg/testbed.sh, source "
                    "its env)\n");
        std::printf("FIGURE (e) | layer vs psql | skipped | no test bed | target <= 1.05x | SKIPPED\n");
        return 0;
    }
    // A server's error ends that figure, reported as such, and the next one is measured all the same.
    const auto measured = [&](const QString& id, const QString& kind, const QString& pattern) {
        try {
            figure(bed, id, kind, statements(indexNames(bed), pattern, count), blockSize, reps);
            return true;
        } catch (const TarvelinError& error) {
            std::printf("FIGURE %s | layer vs psql, %s | failed | Error %d: %s | target <= 1.05x | FAILED\n",
                qPrintable(id), qPrintable(kind), error.number(), qPrintable(error.description()));
            std::fflush(stdout);
            return false;
        }
    };
    // Light DDL, so that the client's share shows: 90 is already a B-tree's
    // fill factor, yet each statement locks the index and rewrites its catalog
    // row in a transaction of its own.
    const bool light
        = measured(QStringLiteral("(e)"), QStringLiteral("ALTER INDEX ... SET (fillfactor = 90)"),
            QStringLiteral("ALTER INDEX %1 SET (fillfactor = 90)"));
    // The rebuild itself, on the test bed's small tables.
    const bool reindex = measured(
        QStringLiteral("(e, reindex)"), QStringLiteral("REINDEX INDEX"), QStringLiteral("REINDEX INDEX %1"));
    return light && reindex ? 0 : 1;
}
