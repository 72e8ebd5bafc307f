#include "LaidOutOnceWindow.h"

#include "StaticTextLabel.h"

#include <QCoreApplication>
#include <QLabel>

LaidOutOnceWindow::LaidOutOnceWindow(frmTarvelin::Services services)
    : frmTarvelin(std::move(services))
{
    auto* original = findChild<QLabel*>(QStringLiteral("lblInfo"));
    original->setObjectName(QStringLiteral("lblInfoReplaced"));
    original->hide();
    m_status = new StaticTextLabel(this);
    // Found by the same name, so whoever reads the status line reads this one.
    m_status->setObjectName(QStringLiteral("lblInfo"));
    m_status->move(original->pos());
    m_status->lower();
    m_status->show();
}

void LaidOutOnceWindow::ShowInfo(const QString& text)
{
    m_status->showText(text);
    QCoreApplication::processEvents();
}
