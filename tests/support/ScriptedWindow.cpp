#include "ScriptedWindow.h"

#include <QCoreApplication>
#include <QTest>

void ScriptedWindow::hideReindexar()
{
    record(QStringLiteral("hideReindexar"));
    reindexarShown = false;
}

void ScriptedWindow::showReindexar()
{
    record(QStringLiteral("showReindexar"));
    reindexarShown = true;
}

void ScriptedWindow::showCancelar()
{
    record(QStringLiteral("showCancelar"));
    cancelarShown = true;
}

void ScriptedWindow::hideCancelar()
{
    record(QStringLiteral("hideCancelar"));
    cancelarShown = false;
}

void ScriptedWindow::setOnLineValue(int value)
{
    record(QStringLiteral("onLine=%1").arg(value));
    onLine = value;
}

void ScriptedWindow::postCancelClick()
{
    QMetaObject::invokeMethod(
        &m_thread,
        [this] {
            if (cancelarShown)
                cancelClicked();
        },
        Qt::QueuedConnection);
}

void ScriptedWindow::ShowInfo(const QString& text)
{
    record(QStringLiteral("info:") + text);
    status = text;
    QCoreApplication::processEvents();
}

void ScriptedWindow::cancelClicked()
{
    bCancel = true;
    hideCancelar();
    ShowInfo(QStringLiteral("Cancelando..."));
}

bool ScriptedWindow::askYesNo(const QString& title, const QString& prompt)
{
    record(QStringLiteral("ask:") + title + u'|' + prompt);
    if (answers.isEmpty()) {
        QTest::qFail("askYesNo called with no scripted answer left", __FILE__, __LINE__);
        return false;
    }
    return answers.takeFirst();
}

void ScriptedWindow::showError(const QString& title, const QString& text)
{
    record(QStringLiteral("error:") + title + u'|' + text);
}

QStringList ScriptedWindow::statuses() const
{
    QStringList texts;
    for (const QString& entry : journal) {
        if (entry.startsWith(QLatin1String("info:")))
            texts << entry.mid(5);
    }
    return texts;
}

void ScriptedWindow::record(const QString& entry)
{
    journal << entry;
    if (onCall)
        onCall(entry);
}
