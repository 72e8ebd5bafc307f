#include "ReindexRun.h"

#include "ConnectionProfile.h"
#include "ErrorNumbers.h"
#include "OracleSql.h"
#include "ProfileLock.h"
#include "RunTexts.h"

#include <exception>

namespace {

TarvelinError currentExceptionAsError()
{
    try {
        throw;
    } catch (const TarvelinError& error) {
        return error;
    } catch (const std::exception& error) {
        return TarvelinError(ErrorNumber::Unexpected, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        return TarvelinError(ErrorNumber::Unexpected, QStringLiteral("Error inesperado"));
    }
}

// Oracle's "feature not enabled", which is how a server without online index rebuilds refuses
// ONLINE. Only the start of the description counts, as Oracle writes it (case-sensitive), so that
// another error that merely mentions the code is not taken for it.
bool isOnlineUnavailable(const TarvelinError& error)
{
    return error.description().startsWith(QLatin1String("ORA-00439"));
}

// The session is gone: end-of-file on the channel, not connected, lost contact, not logged on,
// idle too long. Every later statement would fail the same way.
bool lostTheSession(const TarvelinError& error)
{
    switch (error.number()) {
    case 3113:
    case 3114:
    case 3135:
    case 1012:
    case 2396:
        return true;
    default:
        return false;
    }
}

// What the current row asks to rebuild.
OracleSql::RebuildTarget currentTarget(const Recordset& rows)
{
    return {rows.Fields(QStringLiteral("index_name")).toString(),
        rows.Fields(QStringLiteral("partition_name")).toString(),
        rows.Fields(QStringLiteral("subpartition_name")).toString()};
}

// One rebuild statement with its one fallback: a server that cannot rebuild online refuses ONLINE
// (ORA-00439), and the user may go on without it, for this statement and every later one. False
// when the answer is "No".
bool rebuild(
    Connection& connection, const OracleSql::RebuildTarget& target, QString& sOnLine, RunObserver& observer)
{
    try {
        connection.Execute(OracleSql::rebuildStatement(target, sOnLine));
        return true;
    } catch (const TarvelinError& error) {
        // ORA-00439 names any option the server lacks: only ONLINE can be done without.
        if (sOnLine.isEmpty() || !isOnlineUnavailable(error))
            throw;
    }
    observer.ShowInfo(RunTexts::onlineUnavailable());
    if (!observer.goOnLockingTables())
        return false;
    sOnLine.clear();
    connection.Execute(OracleSql::rebuildStatement(target, sOnLine));
    return true;
}

} // namespace

namespace ReindexRun {

std::unique_ptr<Connection> realConnection()
{
    return std::make_unique<Connection>();
}

RunOutcome execute(const RunRequest& request, const CancelToken& cancel, RunObserver& observer,
    const ConnectionFactory& newConnection)
{
    using End = RunOutcome::End;
    // Released when the run ends, whichever way it ends: the list first, then the connection,
    // which closes itself if it is still open, then the profile's lock.
    std::unique_ptr<ProfileLock> lock;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<Recordset> indexList;
    RunOutcome outcome;
    const auto ending = [&outcome](End end) {
        outcome.end = end;
        return outcome;
    };
    try {
        if (request.profileName.trimmed().isEmpty()) {
            observer.ShowInfo(RunTexts::selectDatabase());
            return ending(End::NoProfile);
        }
        observer.ShowInfo(RunTexts::connecting());
        ConnectionProfile profile;
        if (!profile.LoadProfile(request.vendorName, request.programFolder, request.profileName)) {
            observer.ShowInfo(RunTexts::selectDatabase());
            return ending(End::NoProfile);
        }
        // Before anything reaches the server.
        lock = std::make_unique<ProfileLock>(request.profileName, profile.filePath());
        observer.ShowInfo(RunTexts::processing());
        const QString connectionString = profile.GetConnectionString(request.vendorName, true);
        connection = newConnection();
        connection->Open(connectionString);
        if (const std::optional<int> lockWait
            = request.lockWaitSeconds ? request.lockWaitSeconds : profile.lockWaitSeconds())
            connection->Execute(OracleSql::lockWaitStatement(*lockWait));
        indexList = connection->Execute(OracleSql::indexListQuery());
        outcome.targets = int(indexList->rowCount());

        QString sOnLine = request.online ? QStringLiteral(" ONLINE") : QString();
        bool pastTheDeadline = false;
        for (; !indexList->Eof(); indexList->MoveNext()) {
            if (cancel.requested())
                break;
            pastTheDeadline = request.deadline.isValid() && QDateTime::currentDateTime() >= request.deadline;
            if (pastTheDeadline)
                break;
            const OracleSql::RebuildTarget target = currentTarget(*indexList);
            observer.ShowInfo(RunTexts::rebuilding(target.index, target.part()));
            try {
                if (!rebuild(*connection, target, sOnLine, observer))
                    return ending(End::OnlineRefused);
                ++outcome.rebuilt;
            } catch (const TarvelinError& error) {
                ++outcome.failed;
                if (!request.keepGoing || lostTheSession(error))
                    throw;
                observer.statementFailed(target, error);
            }
        }
        indexList->Close();
        connection->Close();
        if (pastTheDeadline) {
            observer.ShowInfo(RunTexts::deadlineReached(outcome.notSent()));
            return ending(End::DeadlineReached);
        }
        const bool cancelled = cancel.requested();
        observer.ShowInfo(cancelled ? RunTexts::cancelled() : RunTexts::finished());
        return ending(cancelled ? End::Cancelled : End::Finished);
    } catch (...) {
        const TarvelinError error = currentExceptionAsError();
        // The error box, then its description in the status line. Should even that fail, the
        // run still ends and lets go of what it holds.
        try {
            observer.showError(error);
            observer.ShowInfo(error.description());
        } catch (...) { }
        outcome.error = error;
        return ending(End::Failed);
    }
}

} // namespace ReindexRun
