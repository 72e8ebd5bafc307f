#include "ProfileLock.h"

#include "ErrorNumbers.h"
#include "TarvelinError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace {

// Seen by every run of this machine: the temporary folder is shared by all users on Unix, but is
// each user's own on Windows, where ProgramData is shared instead.
QString lockFolder()
{
#ifdef Q_OS_WIN
    const QString shared = qEnvironmentVariable("ProgramData");
    if (!shared.isEmpty() && QDir(shared).mkpath(QStringLiteral("Tarvelin")))
        return QDir(shared).filePath(QStringLiteral("Tarvelin"));
#endif
    return QDir::tempPath();
}

} // namespace

QString ProfileLock::lockFilePath(const QString& profilePath)
{
    const QFileInfo file(profilePath);
    QString path = file.canonicalFilePath().isEmpty() ? file.absoluteFilePath() : file.canonicalFilePath();
#ifdef Q_OS_WIN
    path = path.toCaseFolded(); // one file, however its name is written
#endif
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QDir(lockFolder())
        .filePath(QStringLiteral("tarvelin-%1.lock").arg(QString::fromLatin1(hash.left(24))));
}

ProfileLock::ProfileLock(const QString& profileName, const QString& profilePath)
    : m_file(std::make_unique<QLockFile>(lockFilePath(profilePath)))
{
    // Held for as long as a run takes, hours perhaps: only a holder that no longer runs makes it stale.
    m_file->setStaleLockTime(0);
    if (m_file->tryLock(0))
        return;
    // A folder where no lock can be made must not stop the night's run: it goes on without one.
    if (m_file->error() != QLockFile::LockFailedError)
        return;
    qint64 pid = 0;
    QString host;
    QString program;
    m_file->getLockInfo(&pid, &host, &program);
    throw TarvelinError(ErrorNumber::ProfileInUse,
        QStringLiteral("El perfil %1 ya se está reindexando en otra ejecución (%2, proceso %3 en %4); "
                       "espere a que termine")
            .arg(profileName, program.isEmpty() ? QStringLiteral("programa desconocido") : program,
                QString::number(pid), host));
}

ProfileLock::~ProfileLock() = default;
