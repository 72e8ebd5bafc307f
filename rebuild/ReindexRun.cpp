#include "ReindexRun.h"

#include "DatabaseThread.h"
#include "ErrorNumbers.h"
#include "OracleSql.h"
#include "ProgramIdentity.h"
#include "RunTexts.h"
#include "TarvelinError.h"

#include <exception>
#include <memory>
#include <optional>
#include <utility>

namespace {

// A run is a table of steps. Each step is one unit of work (show a text, open
// the connection, rebuild one index or partition...) that either completes or
// raises an error, and names the step that comes next. When a step fails, the recovery
// decides: it may execute the failed step again from its beginning, with
// everything it reads read afresh (only the online rebuild that the server
// refused is retried, without ONLINE); otherwise the run goes to the end steps,
// which release the index list and the connection and give the buttons back,
// as every run does when it finishes.
enum class Step {
    HideReindexar, // the run has started: "Reindexar ahora" goes away...
    ShowCancelar, // ...and "Cancelar" takes its place
    TestOnLine, // is "En línea" ticked?
    SetOnLine, // then every rebuild gets the ONLINE suffix
    ResetCancel, // a cancel from an earlier run does not count
    TestProfileText, // is a profile chosen at all?
    ShowNoProfile, // no: ask for one and end
    ShowConnecting,
    LoadProfile, // the profile library reads the chosen profile
    ShowProfileRejected, // the library has no such profile: ask for one and end
    ShowProcessing,
    OpenConnection, // the profile's connection string, then the open, as one unit
    SetTimeout, // a rebuild takes as long as it takes: no time-out
    QueryIndexes, // what there is to rebuild, a row per statement, all read at once
    LoopTest, // any index (or partition) left?
    CancelTest, // the user asked to stop: no further index or partition is started
    ShowIndex, // name the index (and partition) about to be rebuilt, and serve the window
    RebuildIndex, // ALTER INDEX ... REBUILD [PARTITION ...], until the server is done
    MoveNext,
    CloseIndexList, // the loop is over, normally or cancelled
    CloseConnection,
    ShowResult, // "Cancelado" or "Terminado", whichever the cancel flag says
    ReleaseIndexList, // the end steps, reached from every road: let go of the rows...
    ReleaseConnection, // ...and of the connection (closing it if still open)...
    ShowReindexar, // ...and give the buttons back
    HideCancelar,
    Done,
};

constexpr Step firstEndStep = Step::ReleaseIndexList;

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

// Oracle's "feature not enabled", which is how a server without online index
// rebuilds refuses ONLINE.
const QLatin1String onlineUnavailableCode("ORA-00439");

bool isOnlineUnavailable(const TarvelinError& error)
{
    // The description of an Oracle error starts with its code, "ORA-" and five
    // digits; only that start counts, so another error that merely mentions the
    // code is not taken for it. Case-sensitive, as Oracle always writes "ORA-".
    return error.description().left(onlineUnavailableCode.size()) == onlineUnavailableCode;
}

} // namespace

struct ReindexRun::Private
{
    RunWindow& window;
    RunPlatform platform;
    // The profile's connection string and every call on the connection, the connection's own
    // making and destruction included, run there; the rows it returns are read here, held in
    // memory. The destructor lets go of the connection there too.
    DatabaseThread database;

    QString sOnLine;
    std::unique_ptr<ConnectionProfile> profile;
    std::unique_ptr<Connection> connection; // made, used and destroyed on the database thread only
    std::unique_ptr<Recordset> indexList;

    Private(RunWindow& w, RunPlatform p)
        : window(w)
        , platform(std::move(p))
    { }
    ~Private()
    {
        try {
            releaseConnection();
        } catch (...) { }
    }

    void releaseConnection()
    {
        if (connection) // set and reset on the database thread, by calls that have returned
            database.call([this] { connection.reset(); }); // an open connection closes itself when released
    }

    Step run(Step step);
    std::optional<Step> recover(const TarvelinError& error, Step failed);
    void failSafe(const TarvelinError& error);

    ConnectionProfile& theProfile()
    {
        if (!profile)
            profile = platform.newProfile();
        return *profile;
    }
    // Only on the database thread.
    Connection& theConnection()
    {
        if (!connection)
            connection = platform.newConnection();
        return *connection;
    }
    Recordset& theIndexList()
    {
        if (!indexList)
            throw TarvelinError(
                ErrorNumber::ObjectClosed, QStringLiteral("La lista de índices no está abierta"));
        return *indexList;
    }
    // What the current row asks to rebuild, read from the row afresh each time.
    OracleSql::RebuildTarget currentTarget()
    {
        const Recordset& rows = theIndexList();
        return {rows.Fields(QStringLiteral("index_name")).toString(),
            rows.Fields(QStringLiteral("partition_name")).toString(),
            rows.Fields(QStringLiteral("subpartition_name")).toString()};
    }
};

// One entry per step: what it does and where the run goes next.
Step ReindexRun::Private::run(Step step)
{
    switch (step) {
    case Step::HideReindexar:
        window.hideReindexar();
        return Step::ShowCancelar;
    case Step::ShowCancelar:
        window.showCancelar();
        return Step::TestOnLine;
    case Step::TestOnLine:
        return window.onLineValue() == 1 ? Step::SetOnLine : Step::ResetCancel;
    case Step::SetOnLine:
        sOnLine = QStringLiteral(" ONLINE");
        return Step::ResetCancel;
    case Step::ResetCancel:
        window.resetCancel();
        return Step::TestProfileText;
    case Step::TestProfileText:
        return window.baseText().trimmed().isEmpty() ? Step::ShowNoProfile : Step::ShowConnecting;
    case Step::ShowNoProfile:
        window.ShowInfo(RunTexts::selectDatabase());
        return firstEndStep;
    case Step::ShowConnecting:
        window.ShowInfo(RunTexts::connecting());
        return Step::LoadProfile;
    case Step::LoadProfile: {
        // The profile name goes as shown, untrimmed: it names a file, which may be on a slow share.
        const QString vendor = platform.vendorName();
        const QString folder = platform.programFolder();
        const QString name = window.baseText();
        ConnectionProfile& loading = theProfile();
        return database.call([&] { return loading.LoadProfile(vendor, folder, name); })
            ? Step::ShowProcessing
            : Step::ShowProfileRejected;
    }
    case Step::ShowProfileRejected:
        window.ShowInfo(RunTexts::selectDatabase());
        return firstEndStep;
    case Step::ShowProcessing:
        window.ShowInfo(RunTexts::processing());
        return Step::OpenConnection;
    case Step::OpenConnection: {
        // The stored password may wait on the keyring's unlock prompt; the logon on the network.
        const QString vendor = platform.vendorName();
        ConnectionProfile& loaded = theProfile();
        database.call([&] {
            const QString connectionString = loaded.GetConnectionString(vendor, true);
            theConnection().Open(connectionString, QString(), QString(), Connection::adOptionUnspecified);
        });
        return Step::SetTimeout;
    }
    case Step::SetTimeout:
        database.call([this] { theConnection().setCommandTimeout(0); });
        return Step::QueryIndexes;
    case Step::QueryIndexes:
        indexList = database.call(
            [this] { return theConnection().Execute(OracleSql::indexListQuery(), Connection::adCmdText); });
        return Step::LoopTest;
    case Step::LoopTest:
        return theIndexList().Eof() ? Step::CloseIndexList : Step::CancelTest;
    case Step::CancelTest:
        return window.cancelRequested() ? Step::CloseIndexList : Step::ShowIndex;
    case Step::ShowIndex: {
        const OracleSql::RebuildTarget target = currentTarget();
        window.ShowInfo(RunTexts::rebuilding(target.index, target.part()));
        return Step::RebuildIndex;
    }
    case Step::RebuildIndex: {
        // Built afresh each time: the recovery may have dropped the ONLINE suffix. The window is
        // served while the server works; a cancel meanwhile counts before the next statement.
        const QString statement = OracleSql::rebuildStatement(currentTarget(), sOnLine);
        database.call([&] { theConnection().Execute(statement, Connection::adCmdText); });
        return Step::MoveNext;
    }
    case Step::MoveNext:
        theIndexList().MoveNext();
        return Step::LoopTest;
    case Step::CloseIndexList:
        theIndexList().Close();
        return Step::CloseConnection;
    case Step::CloseConnection:
        database.call([this] { theConnection().Close(); });
        return Step::ShowResult;
    case Step::ShowResult:
        window.ShowInfo(window.cancelRequested() ? RunTexts::cancelled() : RunTexts::finished());
        return Step::ReleaseIndexList;
    case Step::ReleaseIndexList:
        indexList.reset();
        return Step::ReleaseConnection;
    case Step::ReleaseConnection:
        releaseConnection();
        return Step::ShowReindexar;
    case Step::ShowReindexar:
        window.showReindexar();
        return Step::HideCancelar;
    case Step::HideCancelar:
        window.hideCancelar();
        return Step::Done;
    case Step::Done:
        break;
    }
    return Step::Done;
}

// The step to execute again, or nothing when the run is to end.
std::optional<Step> ReindexRun::Private::recover(const TarvelinError& error, Step failed)
{
    // ORA-00439 names any option the server lacks. Only a rebuild that asked for ONLINE can go
    // on without it; sending any other statement again would fail the same way for ever.
    if (isOnlineUnavailable(error) && failed == Step::RebuildIndex && !sOnLine.isEmpty()) {
        window.ShowInfo(RunTexts::onlineUnavailable());
        window.setOnLineValue(0);
        if (window.askYesNo(RunTexts::onlineUnavailable(), RunTexts::onlineUnavailableQuestion())) {
            sOnLine.clear();
            return failed;
        }
        return std::nullopt;
    }
    window.showError(
        ProgramIdentity::applicationTitle(), RunTexts::errorMessage(error.number(), error.description()));
    window.ShowInfo(error.description());
    return std::nullopt;
}

// Last resort when the recovery or the end steps fail themselves: nothing may
// escape the click handler, so say what happened, give the buttons back and let
// go of the database objects.
void ReindexRun::Private::failSafe(const TarvelinError& error)
{
    const auto attempt = [](auto&& action) {
        try {
            action();
        } catch (...) { }
    };
    attempt([&] {
        window.showError(
            ProgramIdentity::applicationTitle(), RunTexts::errorMessage(error.number(), error.description()));
    });
    indexList.reset();
    attempt([&] { releaseConnection(); });
    attempt([&] { window.showReindexar(); });
    attempt([&] { window.hideCancelar(); });
}

ReindexRun::ReindexRun(RunWindow& window, RunPlatform platform)
    : d(std::make_unique<Private>(window, std::move(platform)))
{ }

ReindexRun::~ReindexRun() = default;

void ReindexRun::execute()
{
    // The trap is armed until the recovery decides to give up; from then on a
    // failure (in the end steps or in the recovery itself) ends the run safely.
    bool trapArmed = true;
    Step step = Step::HideReindexar;
    while (step != Step::Done) {
        try {
            step = d->run(step);
        } catch (...) {
            const TarvelinError error = currentExceptionAsError();
            if (!trapArmed) {
                d->failSafe(error);
                return;
            }
            try {
                const std::optional<Step> retry = d->recover(error, step);
                trapArmed = retry.has_value();
                step = retry.value_or(firstEndStep);
            } catch (...) {
                d->failSafe(currentExceptionAsError());
                return;
            }
        }
    }
}
