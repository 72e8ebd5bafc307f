#include "ChildCase.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace ChildCase {

namespace {
const QString Marker = QStringLiteral("TARVELIN_CHILD_CASE");
}

bool inChild()
{
    return qEnvironmentVariableIsSet(qPrintable(Marker));
}

bool rerun(const QStringList& wrapper, QProcessEnvironment environment, QString* output)
{
    QString testCase = QString::fromLatin1(QTest::currentTestFunction());
    if (const char* tag = QTest::currentDataTag())
        testCase += u':' + QString::fromUtf8(tag);

    QStringList command = wrapper;
    command << QCoreApplication::applicationFilePath() << testCase;
    environment.insert(Marker, QStringLiteral("1"));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(command.takeFirst(), command);
    const bool finished = child.waitForFinished(60000);
    *output = QStringLiteral("in a child: %1\n").arg(testCase) + QString::fromLocal8Bit(child.readAll());
    if (!finished || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return false;
    // The case must have run there: passed, and nothing skipped or failed.
    static const QRegularExpression totals(QStringLiteral("Totals: \\d+ passed, 0 failed, 0 skipped"));
    const QString passed = QStringLiteral("PASS   : %1::%2")
                               .arg(QString::fromLatin1(QTest::testObject()->metaObject()->className()),
                                   QString::fromLatin1(QTest::currentTestFunction()));
    return totals.match(*output).hasMatch() && output->contains(passed);
}

} // namespace ChildCase
