#pragma once

#include "FaultPlan.h"
#include "FaultyConnection.h"
#include "ReindexRun.h"
#include "ScriptedWindow.h"
#include "StubProfile.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// A run's platform with doubles: a profile that answers as `profile` says, a real database layer
// behind planned faults, and fixed identity values. The counters, when given, count the objects
// the run creates.
inline RunPlatform stubbedPlatform(std::shared_ptr<StubProfileAnswers> profile,
    std::shared_ptr<FaultPlan> plan, const QString& folder, int* profilesCreated = nullptr,
    int* connectionsCreated = nullptr)
{
    return RunPlatform {
        [profile, profilesCreated] {
            if (profilesCreated)
                ++*profilesCreated;
            return std::make_unique<StubProfile>(profile);
        },
        [plan, connectionsCreated] {
            if (connectionsCreated)
                ++*connectionsCreated;
            return std::make_unique<FaultyConnection>(plan);
        },
        [] { return QStringLiteral("Corvath S.L."); },
        [folder] { return folder; },
    };
}

// One run against the simulated Oracle server, in process: a scripted window,
// a profile that yields the given connection string, and a real database layer
// behind planned faults, reaching the server through Qt's ODBC driver and the
// driver manager (Driver={Simulador Oracle}).
struct RunFixture
{
    ScriptedWindow window;
    std::shared_ptr<FaultPlan> plan = std::make_shared<FaultPlan>();
    std::shared_ptr<StubProfileAnswers> profile = std::make_shared<StubProfileAnswers>();
    int connectionsCreated = 0;
    int profilesCreated = 0;

    explicit RunFixture(const QString& simulatorConfig = QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C"))
    {
        window.base = QStringLiteral("Prod");
        profile->connectionString = QStringLiteral("Driver={Simulador Oracle};") + simulatorConfig;
    }

    RunPlatform platform()
    {
        return stubbedPlatform(
            profile, plan, QStringLiteral("/opt/tarvelin"), &profilesCreated, &connectionsCreated);
    }

    void run() { ReindexRun(window, platform()).execute(); }

    QStringList rebuilds() const
    {
        QStringList alters;
        for (const QString& sql : plan->statements) {
            if (sql.startsWith(QLatin1String("ALTER INDEX")))
                alters << sql;
        }
        return alters;
    }

    bool idle() const { return window.reindexarShown && !window.cancelarShown; }

    // "Schema=<file>" for the simulated server, the file holding these lines (its format:
    // orasim/README.md), in a folder that lasts as long as the suite.
    static QString schema(const QString& lines)
    {
        static QTemporaryDir folder;
        static int files = 0;
        const QString path = folder.filePath(QStringLiteral("schema-%1.txt").arg(++files));
        QFile file(path);
        if (!folder.isValid() || !file.open(QIODevice::WriteOnly) || file.write(lines.toUtf8()) < 0)
            qFatal("cannot write the schema file %s", qPrintable(path));
        return QStringLiteral("Schema={%1}").arg(path);
    }
};
