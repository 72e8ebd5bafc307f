#include "BenchWindow.h"

#include "Measure.h"
#include "frmTarvelin.h"

#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

BenchWindow::BenchWindow(const QString& connectionString)
    : m_prompter(std::make_shared<RecordingPrompter>())
{
    QFile profile(m_folder.filePath(QStringLiteral("Bench.cfp")));
    const QByteArray text = "[Corvath S.L.]\nConnection=" + connectionString.toUtf8() + "\n";
    if (!m_folder.isValid() || !profile.open(QIODevice::WriteOnly) || profile.write(text) != text.size())
        Measure::fail(QStringLiteral("cannot write the profile"));
    profile.close();

    const QString folder = m_folder.path();
    frmTarvelin::Services services;
    services.programFolder = [folder] { return folder; };
    services.prompter = m_prompter;
    m_window = std::make_unique<frmTarvelin>(services);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        Measure::fail(QStringLiteral("the window was never exposed"));
    auto* base = m_window->findChild<QComboBox*>(QStringLiteral("cmbBase"));
    if (base->count() != 1)
        Measure::fail(QStringLiteral("the profile list does not hold the one profile"));
    base->setCurrentIndex(0);
}

BenchWindow::~BenchWindow() = default;

void BenchWindow::clickReindexar()
{
    QEventLoop untilTheEnd;
    QObject::connect(m_window.get(), &frmTarvelin::runEnded, &untilTheEnd, &QEventLoop::quit);
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdReindexar")), Qt::LeftButton);
    untilTheEnd.exec();
    const QString status = m_window->findChild<QLabel*>(QStringLiteral("lblInfo"))->text();
    if (status != QLatin1String("Terminado") || !m_prompter->asked.isEmpty())
        Measure::fail(
            QStringLiteral("the run ended with \"%1\" %2")
                .arg(status, m_prompter->asked.isEmpty() ? QString() : m_prompter->asked.first().text));
}
