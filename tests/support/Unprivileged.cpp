#include "Unprivileged.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace Unprivileged {

bool readsEverything()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

bool rerunCurrentCase(QString* output)
{
    QString testCase = QString::fromLatin1(QTest::currentTestFunction());
    if (const char* tag = QTest::currentDataTag())
        testCase += u':' + QString::fromUtf8(tag);

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Root's runtime folder and home are not nobody's to use.
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/tmp"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    // 65534 is nobody and nogroup on Debian; no supplementary groups either.
    child.start(QStringLiteral("setpriv"),
        {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
            QStringLiteral("--"), QCoreApplication::applicationFilePath(), testCase});
    const bool finished = child.waitForFinished(60000);
    *output = QStringLiteral("as nobody: %1\n").arg(testCase) + QString::fromLocal8Bit(child.readAll());
    if (!finished || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return false;
    // The case must have run there: passed, and nothing skipped or failed.
    static const QRegularExpression totals(QStringLiteral("Totals: \\d+ passed, 0 failed, 0 skipped"));
    const QString passed = QStringLiteral("PASS   : %1::%2")
                               .arg(QString::fromLatin1(QTest::testObject()->metaObject()->className()),
                                   QString::fromLatin1(QTest::currentTestFunction()));
    return totals.match(*output).hasMatch() && output->contains(passed);
}

} // namespace Unprivileged
