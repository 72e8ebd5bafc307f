// (a) A whole run through the real window against the same statements sent
//     through the same database layer with no window and a bare label update
//     per index (the floor), and with no window at all, at DelayMs=10.
// (b) What a run costs per index at DelayMs=0, against the floor of a status
//     update: a bare label whose text is set before pending events are served;
//     beside it, what a hand-over to the database thread and back costs.
// (h) The longest time the window's thread goes without serving its events
//     during a run of rebuilds that take 2 seconds each.
//
//   bench_window_run [a|b|h] [--indexes=1000] [--delay-ms=10] [--reps=7] [--overhead-reps=15]
//                    [--stall-reps=3]

#include "AutoSizeLabel.h"
#include "BareRun.h"
#include "BenchSetup.h"
#include "BenchWindow.h"
#include "DatabaseThread.h"
#include "Measure.h"
#include "frmTarvelin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QSemaphore>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

using Measure::seconds;

const QString statusPrefix = QStringLiteral("Reindexando: ");

double timedWindowRun(const QString& connectionString)
{
    BenchWindow bench(connectionString);
    return seconds([&] { bench.clickReindexar(); });
}

double timedBareRun(
    const QString& connectionString, int indexes, const std::function<void(const QString&)>& perIndex = {})
{
    int rebuilt = 0;
    const double elapsed = seconds([&] { rebuilt = bareRun(connectionString, perIndex); });
    if (rebuilt != indexes)
        Measure::fail(QStringLiteral("the bare loop rebuilt %1 of %2 indexes").arg(rebuilt).arg(indexes));
    return elapsed;
}

QStringList statusTexts(int indexes)
{
    QStringList texts;
    texts.reserve(indexes);
    for (int i = 1; i <= indexes; ++i)
        texts.append(statusPrefix + QStringLiteral("IDX_%1").arg(i, 6, 10, QLatin1Char('0')));
    return texts;
}

// The least a status update can cost: a label in a window of the same size and
// font as the program's, its text set, then the pending events served.
class FloorLabel
{
public:
    FloorLabel()
    {
        QFont font = QApplication::font();
        font.setPointSize(8);
        m_host.setFont(font);
        m_host.setFixedSize(494, 163); // the program's client area: 7410 x 2445 twips
        m_label = new QLabel(&m_host);
        m_label->setGeometry(8, 144, 478, 13);
        m_host.show();
        if (!QTest::qWaitForWindowExposed(&m_host))
            Measure::fail(QStringLiteral("the floor window was never exposed"));
    }

    void show(const QString& text)
    {
        m_label->setText(text);
        QCoreApplication::processEvents();
    }

    double timedUpdates(const QStringList& texts)
    {
        return seconds([&] {
            for (const QString& text : texts)
                show(text);
        });
    }

private:
    QWidget m_host;
    QLabel* m_label = nullptr;
};

void warmUp()
{
    // Loads the ODBC drivers, fonts and styles before anything is timed.
    const QString small = BenchSetup::simulatorConnection(20, 0);
    bareRun(small);
    BenchWindow(small).clickReindexar();
}

void figureA(int indexes, int delayMs, int reps)
{
    const QString connection = BenchSetup::simulatorConnection(indexes, delayMs);
    std::printf("(a) whole run through the window vs the bare layer loop: %d indexes, DelayMs=%d, %d reps\n",
        indexes, delayMs, reps);
    std::fflush(stdout);
    FloorLabel floorLabel;
    const auto floorUpdate = [&](const QString& name) { floorLabel.show(statusPrefix + name); };
    std::vector<double> window, bare, bareWithLabel;
    for (int rep = 0; rep < reps; ++rep) {
        // Alternating the order keeps a drift of the machine out of the ratio.
        if (rep % 2 == 0) {
            window.push_back(timedWindowRun(connection));
            bare.push_back(timedBareRun(connection, indexes));
            bareWithLabel.push_back(timedBareRun(connection, indexes, floorUpdate));
        } else {
            bareWithLabel.push_back(timedBareRun(connection, indexes, floorUpdate));
            bare.push_back(timedBareRun(connection, indexes));
            window.push_back(timedWindowRun(connection));
        }
    }
    Measure::printSeries(QStringLiteral("run through the window"), window, 1.0, QStringLiteral("s"), 3);
    Measure::printSeries(QStringLiteral("bare layer loop"), bare, 1.0, QStringLiteral("s"), 3);
    Measure::printSeries(QStringLiteral("bare loop + floor label update per index"), bareWithLabel, 1.0,
        QStringLiteral("s"), 3);
    const double w = Measure::median(window), b = Measure::median(bare), l = Measure::median(bareWithLabel);
    std::printf("    per index over the bare loop: the window %.1f us, a bare label update %.1f us\n",
        (w - b) / indexes * 1e6, (l - b) / indexes * 1e6);
    const Measure::Ratio labelFloor = Measure::pairedRatio(bareWithLabel, bare);
    std::printf(
        "    bare loop + floor label / bare loop: %s\n", qPrintable(Measure::describe(labelFloor, 4)));
    const QString absolute = QStringLiteral("window %1 s, bare loop + label %2 s, bare loop %3 s")
                                 .arg(w, 0, 'f', 3)
                                 .arg(l, 0, 'f', 3)
                                 .arg(b, 0, 'f', 3);
    // A run must repaint its status line once per index; the floor that can be
    // asked of it is the bare loop with a bare label update per index.
    const Measure::Ratio vsFloor = Measure::pairedRatio(window, bareWithLabel);
    Measure::printFigure(QStringLiteral("(a)"),
        QStringLiteral("run through the window / bare loop + label update, %1 indexes, DelayMs=%2")
            .arg(indexes)
            .arg(delayMs),
        Measure::describe(vsFloor, 4), absolute, QStringLiteral("<= 1.005x"), vsFloor.median <= 1.005);
    const Measure::Ratio vsBare = Measure::pairedRatio(window, bare);
    Measure::printFigure(QStringLiteral("(a, bare loop)"),
        QStringLiteral("run through the window / bare layer loop, %1 indexes, DelayMs=%2")
            .arg(indexes)
            .arg(delayMs),
        Measure::describe(vsBare, 4), QStringLiteral("the label alone %1x").arg(labelFloor.median, 0, 'f', 4),
        QStringLiteral("<= 1.01x (former target)"), vsBare.median <= 1.01);
}

void figureB(int indexes, int reps)
{
    const QString connection = BenchSetup::simulatorConnection(indexes, 0);
    const QStringList texts = statusTexts(indexes);
    std::printf(
        "(b) cost per index at DelayMs=0 vs the status-update floor: %d indexes, %d reps\n", indexes, reps);
    std::fflush(stdout);
    FloorLabel floorLabel;
    std::vector<double> window, bare, floor, showInfo;
    for (int rep = 0; rep < reps; ++rep) {
        BenchWindow bench(connection);
        const auto measureWindow
            = [&] { window.push_back(seconds([&] { bench.clickReindexar(); }) / indexes); };
        const auto measureBare = [&] { bare.push_back(timedBareRun(connection, indexes) / indexes); };
        const auto measureFloor = [&] { floor.push_back(floorLabel.timedUpdates(texts) / indexes); };
        // The program's own status line alone, without a run: its text set, the events served.
        const auto measureShowInfo = [&] {
            BenchWindow idle(connection);
            auto* status = idle.window().findChild<AutoSizeLabel*>(QStringLiteral("lblInfo"));
            showInfo.push_back(seconds([&] {
                for (const QString& text : texts) {
                    status->showText(text);
                    QCoreApplication::processEvents();
                }
            }) / indexes);
        };
        if (rep % 2 == 0) {
            measureFloor();
            measureWindow();
            measureBare();
            measureShowInfo();
        } else {
            measureShowInfo();
            measureBare();
            measureWindow();
            measureFloor();
        }
    }
    Measure::printSeries(
        QStringLiteral("run through the window, per index"), window, 1e6, QStringLiteral("us"), 1);
    Measure::printSeries(QStringLiteral("bare layer loop, per index"), bare, 1e6, QStringLiteral("us"), 1);
    Measure::printSeries(
        QStringLiteral("floor: setText + processEvents"), floor, 1e6, QStringLiteral("us"), 1);
    Measure::printSeries(
        QStringLiteral("ShowInfo alone, per update"), showInfo, 1e6, QStringLiteral("us"), 1);
    const double w = Measure::median(window), b = Measure::median(bare), f = Measure::median(floor);
    const double s = Measure::median(showInfo);
    std::printf("    window and run beyond the layer: %.1f us per index (%.2fx the floor)\n", (w - b) * 1e6,
        (w - b) / f);
    std::printf("    ShowInfo alone: %.2fx the floor\n", s / f);
    // Work handed to the database thread, and word of its end handed back: an empty call costs
    // just the two hand-overs, each a thread woken up.
    std::vector<double> handOver;
    for (int rep = 0; rep < reps; ++rep) {
        constexpr int calls = 2000;
        QSemaphore done;
        handOver.push_back(seconds([&] {
            for (int i = 0; i < calls; ++i) {
                DatabaseThread::post([&done] { done.release(); });
                done.acquire();
            }
        }) / calls);
    }
    Measure::printSeries(
        QStringLiteral("hand-over to the database thread and back"), handOver, 1e6, QStringLiteral("us"), 1);
    const Measure::Ratio ratio = Measure::pairedRatio(window, floor);
    Measure::printFigure(QStringLiteral("(b)"),
        QStringLiteral("whole run per index at DelayMs=0 / status-update floor, %1 indexes").arg(indexes),
        Measure::describe(ratio, 2),
        QStringLiteral("run %1 us, floor %2 us, layer alone %3 us, hand-over %4 us per index")
            .arg(w * 1e6, 0, 'f', 1)
            .arg(f * 1e6, 0, 'f', 1)
            .arg(b * 1e6, 0, 'f', 1)
            .arg(Measure::median(handOver) * 1e6, 0, 'f', 1),
        QStringLiteral("reported, no target"), true);
}

// A timer asks the window's thread to tick every 5 ms while the run waits for the server; the
// longest time between two ticks is the longest the window went without serving anything.
void figureStall(int reps)
{
    const int delayMs = 2000;
    const QString connection = BenchSetup::simulatorConnection(3, delayMs);
    std::printf(
        "(h) longest time the window's thread serves no event, a run of 3 rebuilds of %d ms, %d reps\n",
        delayMs, reps);
    std::fflush(stdout);
    std::vector<double> stalls;
    for (int rep = 0; rep < reps; ++rep) {
        BenchWindow bench(connection);
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(5);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        clock.start();
        tick.start();
        const double elapsed = seconds([&] { bench.clickReindexar(); });
        tick.stop();
        if (elapsed < 3.0 * delayMs / 1000.0)
            Measure::fail(QStringLiteral("the run took %1 s, less than its rebuilds").arg(elapsed));
        stalls.push_back(double(longest) / 1e6);
    }
    Measure::printSeries(
        QStringLiteral("longest gap between 5 ms ticks"), stalls, 1.0, QStringLiteral("ms"), 1);
    const double worst = *std::max_element(stalls.begin(), stalls.end());
    Measure::printFigure(QStringLiteral("(h)"),
        QStringLiteral("longest time the window serves no event during %1 ms rebuilds").arg(delayMs),
        QStringLiteral("%1 ms").arg(Measure::median(stalls), 0, 'f', 1),
        QStringLiteral("worst of %1 runs %2 ms, each run %3 ms of rebuilds")
            .arg(reps)
            .arg(worst, 0, 'f', 1)
            .arg(3 * delayMs),
        QStringLiteral("<= 50 ms"), Measure::median(stalls) <= 50.0);
}

} // namespace

int main(int argc, char** argv)
{
    BenchSetup::beforeApplication();
    QApplication app(argc, argv);

    const int indexes = BenchSetup::intOption(argc, argv, "indexes", 1000);
    const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : "";
    const auto wanted = [only](const char* figure) { return !*only || std::strcmp(only, figure) == 0; };

    warmUp();
    if (wanted("a"))
        figureA(indexes, BenchSetup::intOption(argc, argv, "delay-ms", 10),
            BenchSetup::intOption(argc, argv, "reps", 7));
    if (wanted("b"))
        figureB(indexes, BenchSetup::intOption(argc, argv, "overhead-reps", 15));
    if (wanted("h"))
        figureStall(BenchSetup::intOption(argc, argv, "stall-reps", 3));
    return 0;
}
