#pragma once

#include "FaultPlan.h"
#include "FaultyConnection.h"
#include "LogLines.h"
#include "RecordingObserver.h"
#include "ReindexRun.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>

// One run against the simulated Oracle server, in process and on the calling thread: a real
// profile in a throwaway program folder, whose connection string reaches the server through Qt's
// ODBC driver and the driver manager (Driver={Simulador Oracle}), the real database layer behind
// planned faults, and an observer that records.
struct RunFixture
{
    QTemporaryDir folder;
    RunRequest request;
    CancelToken cancel;
    RecordingObserver observer;
    std::shared_ptr<FaultPlan> plan = std::make_shared<FaultPlan>();
    RunOutcome outcome;
    int connectionsMade = 0;

    // The profile Prod, reaching the server configured so.
    explicit RunFixture(const QString& simulatorConfig = QStringLiteral("Indexes=IDX_A,IDX_B,IDX_C"))
    {
        request.profileName = QStringLiteral("Prod");
        request.programFolder = folder.path();
        request.vendorName = QStringLiteral("Corvath S.L.");
        writeProfile(QStringLiteral("Prod"), simulatorConfig);
    }

    // <name>.cfp reaching the server configured so, which logs to serverLog(); owner-only, as a
    // profile with a password must be.
    void writeProfile(const QString& name, const QString& simulatorConfig, const QByteArray& moreLines = {},
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner)
    {
        writeFile(name + QStringLiteral(".cfp"),
            "[Corvath S.L.]\nConnection=Driver={Simulador Oracle};" + simulatorConfig.toUtf8() + ";Log={"
                + logPath().toUtf8() + "}\n" + moreLines,
            permissions);
    }
    void writeFile(const QString& name, const QByteArray& text,
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner)
    {
        QFile file(folder.filePath(name));
        if (!folder.isValid() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(text) != text.size() || !file.setPermissions(permissions))
            qFatal("cannot write %s", qPrintable(file.fileName()));
    }

    void run()
    {
        outcome = ReindexRun::execute(request, cancel, observer, [this] {
            ++connectionsMade;
            return std::make_unique<FaultyConnection>(plan);
        });
    }

    QString logPath() const { return folder.filePath(QStringLiteral("server.log")); }
    // Everything the server saw: "CONNECT", "EXEC <time-out> <statement>", "DISCONNECT"...; none
    // when no session was opened.
    QStringList serverLog() const { return QFile::exists(logPath()) ? logLines(logPath()) : QStringList(); }

    QStringList rebuilds() const
    {
        return plan->statements.filter(QRegularExpression(QStringLiteral("^ALTER INDEX")));
    }

    // "Schema=<file>" for the simulated server, the file holding these lines (its format:
    // orasim/README.md), in a folder that lasts as long as the suite.
    static QString schema(const QString& lines)
    {
        static QTemporaryDir schemas;
        static int files = 0;
        const QString path = schemas.filePath(QStringLiteral("schema-%1.txt").arg(++files));
        QFile file(path);
        if (!schemas.isValid() || !file.open(QIODevice::WriteOnly) || file.write(lines.toUtf8()) < 0)
            qFatal("cannot write the schema file %s", qPrintable(path));
        return QStringLiteral("Schema={%1}").arg(path);
    }
};
