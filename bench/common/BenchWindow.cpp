#include "BenchWindow.h"

#include "Measure.h"
#include "StubProfile.h"
#include "frmTarvelin.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

BenchWindow::BenchWindow(const QString& connectionString)
    : m_prompter(std::make_shared<RecordingPrompter>())
{
    if (!m_folder.isValid()
        || !QFile(m_folder.filePath(QStringLiteral("Bench.cfp"))).open(QIODevice::WriteOnly))
        Measure::fail(QStringLiteral("cannot create the profile folder"));

    const QString folder = m_folder.path();
    frmTarvelin::Services services;
    services.programFolder = [folder] { return folder; };
    services.prompter = m_prompter;
    auto profile = std::make_shared<StubProfileAnswers>();
    profile->connectionString = connectionString;
    services.runPlatform.newProfile = [profile] { return std::make_unique<StubProfile>(profile); };
    services.runPlatform.programFolder = [folder] { return folder; };
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
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdReindexar")), Qt::LeftButton);
    const QString status = m_window->findChild<QLabel*>(QStringLiteral("lblInfo"))->text();
    if (status != QLatin1String("Terminado") || !m_prompter->asked.isEmpty())
        Measure::fail(
            QStringLiteral("the run ended with \"%1\" %2")
                .arg(status, m_prompter->asked.isEmpty() ? QString() : m_prompter->asked.first().text));
}
