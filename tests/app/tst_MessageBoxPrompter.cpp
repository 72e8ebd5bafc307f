#include "MessageBoxPrompter.h"
#include "ModalBox.h"

#include <QTest>

using ModalBox::clicking;

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

    ModalBox::Seen seen;
    ModalBox::whenItOpens(seen, clicking(press));
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
    ModalBox::Seen seen;
    ModalBox::whenItOpens(seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    MessageBoxPrompter prompter;
    QVERIFY(!prompter.askYesNo(nullptr, QStringLiteral("Tarvelin"), QStringLiteral("¿Continuar?")));
    QVERIFY(seen.opened);
}

void tst_MessageBoxPrompter::showMessage()
{
    ModalBox::Seen seen;
    ModalBox::whenItOpens(seen, clicking(QStringLiteral("Aceptar")));
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
    ModalBox::Seen seen;
    ModalBox::whenItOpens(seen, clicking(QStringLiteral("Aceptar")));
    MessageBoxPrompter prompter;
    prompter.showMessage(nullptr, QString(), QStringLiteral("Terminado"));
    QVERIFY(seen.opened);
    QCOMPARE(seen.title, QStringLiteral("Tarvelin"));
}

QTEST_MAIN(tst_MessageBoxPrompter)
#include "tst_MessageBoxPrompter.moc"
