#include "MessageBoxPrompter.h"

#include "ProgramIdentity.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

// A box without a title of its own carries the application's.
void prepare(QMessageBox& box, const QString& title, const QString& text)
{
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(title.isEmpty() ? ProgramIdentity::applicationTitle() : title);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
}

} // namespace

bool MessageBoxPrompter::askYesNo(QWidget* parent, const QString& title, const QString& prompt)
{
    QMessageBox box(parent);
    prepare(box, title, prompt);
    // Set explicitly: the translated standard texts carry mnemonics ("&Sí").
    QPushButton* yes = box.addButton(QStringLiteral("Sí"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void MessageBoxPrompter::showMessage(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(parent);
    prepare(box, title, text);
    QPushButton* ok = box.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}
