#pragma once

#include "RunObserver.h"
#include "RunTexts.h"
#include "TarvelinError.h"

#include <QList>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>

#include <functional>

// What a run told and asked, in order, with the question answered from a script.
struct RecordingObserver : RunObserver
{
    // "info:<text>", "ask" (the online question), "error:Error <n>: <description>",
    // "failed:<index>|<partition>|Error <n>: <description>" (a statement a run went on past).
    QStringList journal;
    QList<bool> answers; // for the online question, taken in order; asking with none left fails the test
    // Called with each entry as it is made: it may cancel the run, or throw to make the call fail.
    std::function<void(const QString&)> onCall;

    void ShowInfo(const QString& text) override { record(QStringLiteral("info:") + text); }
    bool goOnLockingTables() override
    {
        record(QStringLiteral("ask"));
        if (answers.isEmpty()) {
            QTest::qFail("the online question was asked with no answer left", __FILE__, __LINE__);
            return false;
        }
        return answers.takeFirst();
    }
    void showError(const TarvelinError& error) override
    {
        record(QStringLiteral("error:") + RunTexts::errorMessage(error.number(), error.description()));
    }

    void statementFailed(const OracleSql::RebuildTarget& target, const TarvelinError& error) override
    {
        record(QStringLiteral("failed:%1|%2|").arg(target.index, target.part())
            + RunTexts::errorMessage(error.number(), error.description()));
    }

    // The status texts only, without their prefix.
    QStringList statuses() const
    {
        QStringList texts;
        for (const QString& entry : journal) {
            if (entry.startsWith(QLatin1String("info:")))
                texts << entry.mid(5);
        }
        return texts;
    }
    QStringList errors() const { return journal.filter(QRegularExpression(QStringLiteral("^error:"))); }
    QString status() const { return statuses().value(statuses().size() - 1); }

private:
    void record(const QString& entry)
    {
        journal << entry;
        if (onCall)
            onCall(entry);
    }
};
