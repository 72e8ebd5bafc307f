#include "ReindexRun.h"

#include "ErrorNumbers.h"
#include "OracleSql.h"
#include "ProgramIdentity.h"
#include "RunTexts.h"
#include "TarvelinError.h"

#include <array>
#include <exception>
#include <memory>
#include <optional>
#include <utility>

namespace {

// The steps of a run, in the order the user's click sets them going. Each one
// is a unit that the recovery can execute again as a whole when it fails.
enum class Step {
    HideReindexar, // 2
    ShowCancelar, // 3
    TestOnLine, // 4: test the check box
    SetOnLine, // 4: remember the ONLINE suffix
    ResetCancel, // 5
    TestProfileText, // 6
    ShowNoProfile, // 7
    ShowConnecting, // 8
    LoadProfile, // 9
    ShowProfileRejected, // 9: LoadProfile said no
    ShowProcessing, // 10
    OpenConnection, // 11: connection string and open, together
    SetTimeout, // 12
    QueryIndexes, // 13
    LoopTest, // 14
    CancelTest, // 15.1
    ShowIndex, // 15.2
    RebuildIndex, // 15.3
    MoveNext, // 15.4
    CloseIndexList, // 16
    CloseConnection, // 17
    ShowResult, // 18
    ReleaseIndexList, // 19.1: the end steps
    ReleaseConnection, // 19.2
    ShowReindexar, // 19.3
    HideCancelar, // 19.4
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

bool isOnlineUnavailable(const TarvelinError& error)
{
    // The description of an Oracle error starts with its code; the test is
    // deliberately case-sensitive, as Oracle always writes "ORA-".
    return error.description().left(9) == QLatin1String("ORA-00439");
}

} // namespace

struct ReindexRun::Private
{
    RunWindow& window;
    RunPlatform platform;

    QString sOnLine;
    std::unique_ptr<ConnectionProfile> profile;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<Recordset> indexList;

    Private(RunWindow& w, RunPlatform p)
        : window(w)
        , platform(std::move(p))
    { }

    Step run(Step step);
    std::optional<Step> recover(const TarvelinError& error, Step failed);
    void failSafe(const TarvelinError& error);

    ConnectionProfile& theProfile()
    {
        if (!profile)
            profile = platform.newProfile();
        return *profile;
    }
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
    QString currentIndexName() { return theIndexList().Fields(QStringLiteral("index_name")).toString(); }
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
    case Step::LoadProfile:
        // The profile name goes as shown, untrimmed: it names a file.
        return theProfile().LoadProfile(platform.vendorName(), platform.programFolder(), window.baseText())
            ? Step::ShowProcessing
            : Step::ShowProfileRejected;
    case Step::ShowProfileRejected:
        window.ShowInfo(RunTexts::selectDatabase());
        return firstEndStep;
    case Step::ShowProcessing:
        window.ShowInfo(RunTexts::processing());
        return Step::OpenConnection;
    case Step::OpenConnection: {
        const QString connectionString = theProfile().GetConnectionString(platform.vendorName(), true);
        theConnection().Open(connectionString, QString(), QString(), Connection::adOptionUnspecified);
        return Step::SetTimeout;
    }
    case Step::SetTimeout:
        theConnection().setCommandTimeout(0);
        return Step::QueryIndexes;
    case Step::QueryIndexes:
        indexList = theConnection().Execute(OracleSql::indexListQuery(), Connection::adCmdText);
        return Step::LoopTest;
    case Step::LoopTest:
        return theIndexList().Eof() ? Step::CloseIndexList : Step::CancelTest;
    case Step::CancelTest:
        return window.cancelRequested() ? Step::CloseIndexList : Step::ShowIndex;
    case Step::ShowIndex:
        window.ShowInfo(RunTexts::rebuilding(currentIndexName()));
        return Step::RebuildIndex;
    case Step::RebuildIndex:
        // Built afresh each time: the recovery may have dropped the ONLINE suffix.
        theConnection().Execute(
            OracleSql::rebuildStatement(currentIndexName(), sOnLine), Connection::adCmdText);
        return Step::MoveNext;
    case Step::MoveNext:
        theIndexList().MoveNext();
        return Step::LoopTest;
    case Step::CloseIndexList:
        theIndexList().Close();
        return Step::CloseConnection;
    case Step::CloseConnection:
        theConnection().Close();
        return Step::ShowResult;
    case Step::ShowResult:
        window.ShowInfo(window.cancelRequested() ? RunTexts::cancelled() : RunTexts::finished());
        return Step::ReleaseIndexList;
    case Step::ReleaseIndexList:
        indexList.reset();
        return Step::ReleaseConnection;
    case Step::ReleaseConnection:
        connection.reset(); // an open connection closes itself when released
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
    if (isOnlineUnavailable(error)) {
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
    connection.reset();
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
