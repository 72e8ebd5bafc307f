#include "MessageBoxPrompter.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// What the open box showed, read while it was open.
struct Seen
{
    bool opened = false;
    QString title;
    QString text;
    QStringList buttons;
    QString defaultButton;
    QMessageBox::Icon icon = QMessageBox::Information;
    bool iconPixmapEmpty = false;
    bool modal = false;
};

// The box's text as shown, and read by a screen reader: markup Qt renders is gone from it.
QString shownText(const QMessageBox* box)
{
    for (QLabel* label : box->findChildren<QLabel*>()) {
        if (label->text() == box->text())
            return QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
    }
    return QString();
}

// Once the box is up, notes what it shows and hands it to answer, which closes it.
void whenTheBoxOpens(Seen& seen, std::function<void(QMessageBox*)> answer)
{
    auto* poll = new QTimer;
    poll->setInterval(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        seen.opened = true;
        seen.title = box->windowTitle();
        seen.text = shownText(box);
        for (QAbstractButton* button : box->buttons())
            seen.buttons << button->text();
        seen.defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        seen.icon = box->icon();
        seen.iconPixmapEmpty = box->iconPixmap().isNull();
        seen.modal = box->isModal();
        answer(box);
    });
    poll->start();
}

QAbstractButton* buttonReading(QMessageBox* box, const QString& text)
{
    for (QAbstractButton* button : box->buttons())
        if (button->text() == text)
            return button;
    return nullptr;
}

void click(QMessageBox* box, const QString& text)
{
    if (QAbstractButton* button = buttonReading(box, text))
        button->click();
    else
        box->done(-1); // let the test see what was missing instead of hanging
}

} // namespace

class tst_MessageBoxPrompter : public QObject
{
    Q_OBJECT

private slots:
    void askYesNo_data();
    void askYesNo();
    void escapeAnswersNo();
    void showMessage();
    void boxWithoutTitleTakesTheApplicationTitle();
};

void tst_MessageBoxPrompter::askYesNo_data()
{
    QTest::addColumn<QString>("press");
    QTest::addColumn<bool>("answer");
    QTest::newRow("Sí") << QStringLiteral("Sí") << true;
    QTest::newRow("No") << QStringLiteral("No") << false;
}

void tst_MessageBoxPrompter::askYesNo()
{
    QFETCH(QString, press);
    QFETCH(bool, answer);

    Seen seen;
    whenTheBoxOpens(seen, [press](QMessageBox* box) { click(box, press); });
    MessageBoxPrompter prompter;
    const bool result
        = prompter.askYesNo(nullptr, QStringLiteral("Reindexar"), QStringLiteral("¿Continuar?"));

    QVERIFY(seen.opened);
    QCOMPARE(seen.title, QStringLiteral("Reindexar"));
    QCOMPARE(seen.text, QStringLiteral("¿Continuar?"));
    QCOMPARE(seen.buttons, (QStringList {QStringLiteral("Sí"), QStringLiteral("No")}));
    QCOMPARE(seen.defaultButton, QStringLiteral("Sí"));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QVERIFY(seen.iconPixmapEmpty);
    QVERIFY(seen.modal);
    QCOMPARE(result, answer);
}

void tst_MessageBoxPrompter::escapeAnswersNo()
{
    Seen seen;
    whenTheBoxOpens(seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    MessageBoxPrompter prompter;
    QVERIFY(!prompter.askYesNo(nullptr, QStringLiteral("Tarvelin"), QStringLiteral("¿Continuar?")));
    QVERIFY(seen.opened);
}

void tst_MessageBoxPrompter::showMessage()
{
    Seen seen;
    whenTheBoxOpens(seen, [](QMessageBox* box) { click(box, QStringLiteral("Aceptar")); });
    MessageBoxPrompter prompter;
    // Server texts may look like markup; they are shown as written.
    const QString text = QStringLiteral("ORA-01418: el índice \"<B>X</B>\" no existe");
    prompter.showMessage(nullptr, QStringLiteral("Tarvelin"), text);

    QVERIFY(seen.opened);
    QCOMPARE(seen.title, QStringLiteral("Tarvelin"));
    QCOMPARE(seen.text, text);
    QCOMPARE(seen.buttons, QStringList {QStringLiteral("Aceptar")});
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QVERIFY(seen.iconPixmapEmpty);
    QVERIFY(seen.modal);
}

void tst_MessageBoxPrompter::boxWithoutTitleTakesTheApplicationTitle()
{
    Seen seen;
    whenTheBoxOpens(seen, [](QMessageBox* box) { click(box, QStringLiteral("Aceptar")); });
    MessageBoxPrompter prompter;
    prompter.showMessage(nullptr, QString(), QStringLiteral("Terminado"));
    QVERIFY(seen.opened);
    QCOMPARE(seen.title, QStringLiteral("Tarvelin"));
}

QTEST_MAIN(tst_MessageBoxPrompter)
#include "tst_MessageBoxPrompter.moc"
