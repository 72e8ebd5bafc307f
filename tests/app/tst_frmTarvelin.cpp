#include "AutoSizeLabel.h"
#include "FakeFileFinder.h"
#include "RecordingPrompter.h"
#include "frmTarvelin.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTest>

#include <memory>

class tst_frmTarvelin : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void window();
    void controls_data();
    void controls();
    void layoutAsTheUserSeesIt();
    void initialState();
    void captionsFitTheirBoxes_data();
    void captionsFitTheirBoxes();
    void onLineCaptionFitsItsBox();
    void onLineCaptionIsNotCutAtTheEdge();
    void onLineAnswersClicksAnywhereInItsBox_data();
    void onLineAnswersClicksAnywhereInItsBox();
    void passwordEcho();
    void focusStartsOnProfileList();
    void tabOrder_data();
    void tabOrder();
    void tabOrderIncludesHiddenFieldsInTheirPlace();

    void emptyTextEmptiesTheStatus();
    void statusGrowsToTheRightOnOneLine_data();
    void statusGrowsToTheRightOnOneLine();
    void longStatusIsCutAtTheWindowEdge();
    void longStatusLeavesCancelClickable();

private:
    template <typename T> T* control(const char* name) const
    {
        return m_window->findChild<T*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    }
    void showAndActivate();
    // The buttons as a run shows them, and a text in the status line as a run's ShowInfo sets it
    // (whole runs: tst_WindowRun).
    void showRunningButtons()
    {
        control<QPushButton>("cmdReindexar")->hide();
        control<QPushButton>("cmdCancelar")->show();
    }
    void showStatus(const QString& text) { control<AutoSizeLabel>("lblInfo")->showText(text); }

    std::unique_ptr<FakeFileFinder> m_finder;
    std::shared_ptr<RecordingPrompter> m_prompter;
    std::unique_ptr<frmTarvelin> m_window;
};

void tst_frmTarvelin::init()
{
    m_finder = std::make_unique<FakeFileFinder>();
    m_finder->found = {QStringLiteral("Prod.cfp"), QStringLiteral("Test.cfp")};
    m_prompter = std::make_shared<RecordingPrompter>();
    frmTarvelin::Services services;
    services.fileFinder = [this]() -> FileFinder& { return *m_finder; };
    services.programFolder = [] { return QStringLiteral("/nowhere"); };
    services.prompter = m_prompter;
    m_window = std::make_unique<frmTarvelin>(services);
}

void tst_frmTarvelin::cleanup()
{
    m_window.reset();
    m_prompter.reset();
    m_finder.reset();
}

void tst_frmTarvelin::showAndActivate()
{
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void tst_frmTarvelin::window()
{
    QCOMPARE(m_window->objectName(), QStringLiteral("frmTarvelin"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tarvelin"));
    QCOMPARE(m_window->size(), QSize(494, 163));
    QCOMPARE(m_window->minimumSize(), QSize(494, 163));
    QCOMPARE(m_window->maximumSize(), QSize(494, 163));
    QVERIFY(m_window->findChildren<QMenuBar*>().isEmpty());
    QCOMPARE(m_window->font().pointSize(), 8);

    const QList<QSize> sizes = m_window->windowIcon().availableSizes();
    QVERIFY2(sizes.contains(QSize(16, 16)), "16x16 icon image");
    QVERIFY2(sizes.contains(QSize(32, 32)), "32x32 icon image");
    QVERIFY2(sizes.contains(QSize(48, 48)), "48x48 icon image");
    QVERIFY(!m_window->windowIcon().pixmap(QSize(48, 48)).isNull());

    // The ten controls, nothing more.
    QCOMPARE(m_window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 10);
}

void tst_frmTarvelin::controls_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("shown");

    const auto row = [](const char* name, const char* className, const QString& text, bool shown) {
        QTest::newRow(name) << QString::fromLatin1(className) << text << shown;
    };
    row("Label1", "QLabel", QStringLiteral("Base de Datos"), true);
    row("cmbBase", "QComboBox", QString(), true);
    row("Label2", "QLabel", QStringLiteral("Usuario"), false);
    row("txtUser", "QLineEdit", QStringLiteral("Admin"), false);
    row("Label3", "QLabel", QStringLiteral("Contraseña"), false);
    row("Text1", "QLineEdit", QString(), false);
    row("cmdReindexar", "QPushButton", QStringLiteral("Reindexar ahora"), true);
    row("chkOnLine", "QCheckBox", QStringLiteral("En línea"), true);
    row("cmdCancelar", "QPushButton", QStringLiteral("Cancelar"), false);
    row("lblInfo", "QLabel", QString(), true);
}

void tst_frmTarvelin::controls()
{
    QFETCH(QString, className);
    QFETCH(QString, text);
    QFETCH(bool, shown);

    QWidget* widget = control<QWidget>(QTest::currentDataTag());
    QVERIFY2(widget, "control exists with that objectName");
    QVERIFY(widget->inherits(className.toLatin1().constData()));
    QCOMPARE(widget->isVisibleTo(m_window.get()), shown);

    QString actual;
    if (auto* label = qobject_cast<QLabel*>(widget))
        actual = label->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        actual = button->text();
    else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        actual = edit->text();
    else if (auto* combo = qobject_cast<QComboBox*>(widget))
        actual = combo->currentText();
    QCOMPARE(actual, text);
}

// Where a user finds each control: the database caption and list, the user and password
// fields with their captions and the status line down the left, the list across the window,
// the two buttons stacked on the right with "En línea" to their left; every control inside the
// window, nothing over what a user clicks.
void tst_frmTarvelin::layoutAsTheUserSeesIt()
{
    const QRect window = m_window->rect();
    const auto at = [this](const char* name) { return control<QWidget>(name)->geometry(); };
    const QList<const char*> all {"Label1", "cmbBase", "Label2", "txtUser", "Label3", "Text1", "cmdReindexar",
        "chkOnLine", "cmdCancelar", "lblInfo"};
    for (const char* name : all) {
        QVERIFY2(window.contains(at(name)), name);
        QVERIFY2(at(name).width() > 0 && at(name).height() > 0, name);
        // Nothing lies over the buttons or the check box, the things a user clicks beside the list.
        for (const char* target : {"cmdReindexar", "cmdCancelar", "chkOnLine"}) {
            QVERIFY2(qstrcmp(name, target) == 0 || !at(name).intersects(at(target)),
                qPrintable(QStringLiteral("%1 over %2").arg(name, target)));
        }
    }

    // The left column, top to bottom, on one left edge.
    const QList<const char*> column {"Label1", "cmbBase", "Label2", "txtUser", "Label3", "Text1", "lblInfo"};
    for (qsizetype i = 0; i < column.size(); ++i) {
        QCOMPARE(at(column.at(i)).left(), at("Label1").left());
        if (i > 0)
            QVERIFY2(at(column.at(i - 1)).center().y() < at(column.at(i)).top(), column.at(i));
    }
    QVERIFY(at("Label1").left() > 0);
    // The list runs across the window; the status line is the last thing in it.
    QVERIFY(at("cmbBase").width() > window.width() * 9 / 10);
    // ...below everything else, so that a long text runs under nothing but "Cancelar"'s foot.
    for (const char* name : all) {
        if (qstrcmp(name, "lblInfo") != 0 && qstrcmp(name, "cmdCancelar") != 0)
            QVERIFY2(at(name).bottom() < at("lblInfo").top(), name);
    }

    // The buttons, one above the other, the same width, at the right; "En línea" between the
    // fields and the buttons, level with them.
    QCOMPARE(at("cmdCancelar").left(), at("cmdReindexar").left());
    QCOMPARE(at("cmdCancelar").width(), at("cmdReindexar").width());
    QVERIFY(at("cmdReindexar").bottom() < at("cmdCancelar").top());
    QVERIFY(at("cmdReindexar").left() > window.width() / 2);
    QVERIFY(at("txtUser").right() < at("chkOnLine").left());
    QVERIFY(at("chkOnLine").right() < at("cmdReindexar").left());
    QVERIFY(at("chkOnLine").top() < at("cmdCancelar").bottom());
    QVERIFY(at("chkOnLine").bottom() > at("cmdReindexar").top());
}

void tst_frmTarvelin::initialState()
{
    const auto children = m_window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children)
        QVERIFY2(child->isEnabled(), qPrintable(child->objectName()));
    for (const char* name : {"Label1", "Label2", "Label3", "lblInfo"})
        QCOMPARE(control<QLabel>(name)->focusPolicy(), Qt::NoFocus);

    auto* list = control<QComboBox>("cmbBase");
    QVERIFY(!list->isEditable());
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(list->currentText(), QString());
    QCOMPARE(control<QLabel>("lblInfo")->text(), QString());
    QVERIFY(m_prompter->asked.isEmpty());
}

void tst_frmTarvelin::captionsFitTheirBoxes_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("Label1") << QStringLiteral("Label1");
    QTest::newRow("cmdReindexar") << QStringLiteral("cmdReindexar");
    QTest::newRow("cmdCancelar") << QStringLiteral("cmdCancelar");
    QTest::newRow("cmbBase") << QStringLiteral("cmbBase");
}

void tst_frmTarvelin::captionsFitTheirBoxes()
{
    QFETCH(QString, name);
    QWidget* widget = control<QWidget>(name.toLatin1().constData());
    const QFontMetrics metrics(widget->font());
    QString text;
    if (auto* label = qobject_cast<QLabel*>(widget))
        text = label->text();
    else if (auto* button = qobject_cast<QPushButton*>(widget))
        text = button->text();
    else
        text = QStringLiteral("Copia.de.Prod"); // a typical profile name

    QVERIFY2(metrics.horizontalAdvance(text) <= widget->width(), qPrintable(text));
    QVERIFY2(metrics.height() <= widget->height(), qPrintable(text));
}

void tst_frmTarvelin::onLineCaptionFitsItsBox()
{
    // The caption may wrap, but every word must fit beside the tick box and
    // all lines must fit in the box's height.
    auto* box = control<QCheckBox>("chkOnLine");
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    const QRect contents = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    const QFontMetrics metrics(box->font());
    for (const QString& word : box->text().split(QLatin1Char(' ')))
        QVERIFY2(metrics.horizontalAdvance(word) <= contents.width(), qPrintable(word));
    const QRect needed
        = metrics.boundingRect(contents, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignVCenter, box->text());
    QVERIFY(needed.height() <= box->height());
    QVERIFY(contents.right() < box->width());
}

void tst_frmTarvelin::onLineCaptionIsNotCutAtTheEdge()
{
    // A caption cut by the box's edge leaves ink in its last columns; a whole
    // one (wrapped or not) ends before them.
    auto* box = control<QCheckBox>("chkOnLine");
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    const QImage image = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb background = image.pixel(image.width() - 1, 0);
    const auto isInk = [background](QRgb pixel) { return qAbs(qGray(pixel) - qGray(background)) > 60; };

    int inkPixels = 0;
    int inkAtTheEdge = 0;
    const int edge = image.width() - 3; // in device pixels
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (isInk(image.pixel(x, y))) {
                ++inkPixels;
                if (x >= edge)
                    ++inkAtTheEdge;
            }
        }
    }
    QVERIFY2(inkPixels > 0, "the caption is painted");
    QCOMPARE(inkAtTheEdge, 0);
}

void tst_frmTarvelin::onLineAnswersClicksAnywhereInItsBox_data()
{
    QTest::addColumn<QPointF>("share");
    // As a share of the box: its middle lower down (the wrapped second line), its corners.
    QTest::newRow("wrapped second line") << QPointF(0.5, 0.62);
    QTest::newRow("top left") << QPointF(0.01, 0.01);
    QTest::newRow("bottom right") << QPointF(0.97, 0.97);
}

void tst_frmTarvelin::onLineAnswersClicksAnywhereInItsBox()
{
    QFETCH(QPointF, share);
    auto* box = control<QCheckBox>("chkOnLine");
    const QPoint where(int(box->width() * share.x()), int(box->height() * share.y()));
    m_window->show();
    const bool before = box->isChecked();
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, where);
    QCOMPARE(box->isChecked(), !before);
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, where);
    QCOMPARE(box->isChecked(), before);
}

void tst_frmTarvelin::passwordEcho()
{
    auto* password = control<QLineEdit>("Text1");
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    password->setText(QStringLiteral("secreto"));
    QCOMPARE(password->displayText(), QStringLiteral("*******"));
    QCOMPARE(password->text(), QStringLiteral("secreto"));

    // The user name is shown as typed.
    QCOMPARE(control<QLineEdit>("txtUser")->echoMode(), QLineEdit::Normal);
}

void tst_frmTarvelin::focusStartsOnProfileList()
{
    showAndActivate();
    QCOMPARE(QApplication::focusWidget(), control<QWidget>("cmbBase"));
}

void tst_frmTarvelin::tabOrder_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("idle") << false << QStringList {"cmbBase", "cmdReindexar", "chkOnLine", "cmbBase"};
    QTest::newRow("running") << true << QStringList {"cmbBase", "cmdCancelar", "chkOnLine", "cmbBase"};
}

void tst_frmTarvelin::tabOrder()
{
    QFETCH(bool, running);
    QFETCH(QStringList, order);

    if (running)
        showRunningButtons();
    showAndActivate();
    QCOMPARE(QApplication::focusWidget()->objectName(), order.first());
    for (qsizetype i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), order.at(i));
    }
}

void tst_frmTarvelin::tabOrderIncludesHiddenFieldsInTheirPlace()
{
    // Were the hidden fields shown, they would take their places in the order.
    for (const char* name : {"txtUser", "Text1", "cmdCancelar", "Label2", "Label3"})
        control<QWidget>(name)->show();
    showAndActivate();
    const QStringList expected {"cmbBase", "txtUser", "Text1", "cmdReindexar", "cmdCancelar", "chkOnLine"};
    QStringList seen {QApplication::focusWidget()->objectName()};
    for (int i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(seen, expected);
}

void tst_frmTarvelin::emptyTextEmptiesTheStatus()
{
    auto* status = control<QLabel>("lblInfo");
    const QPoint place = status->pos();
    showStatus(QStringLiteral("Terminado"));
    const int withText = status->width();
    showStatus(QString());
    QCOMPARE(status->text(), QString());
    QVERIFY(status->width() < withText);
    QCOMPARE(status->pos(), place);
}

void tst_frmTarvelin::statusGrowsToTheRightOnOneLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("error") << QStringLiteral(
        "ORA-01031: privilegios insuficientes para reconstruir el índice "
        "en línea; se reconstruirá bloqueando la tabla");
    // Server texts are shown as they are, never read as markup.
    QTest::newRow("markup-like") << QStringLiteral(
        "ORA-00001: <b>unique</b> constraint (SCOTT.<PK_X>) violated");
}

void tst_frmTarvelin::statusGrowsToTheRightOnOneLine()
{
    QFETCH(QString, text);
    auto* status = control<QLabel>("lblInfo");
    const QPoint place = status->pos();
    showStatus(text);
    const QFontMetrics metrics(status->font());
    QCOMPARE(status->text(), text);
    QCOMPARE(status->pos(), place);
    QVERIFY(!status->wordWrap());
    QVERIFY(status->width() >= metrics.horizontalAdvance(text));
    QVERIFY(status->height() >= metrics.height());
    QVERIFY(status->height() < 2 * metrics.lineSpacing());
}

void tst_frmTarvelin::longStatusIsCutAtTheWindowEdge()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    auto* status = control<QLabel>("lblInfo");
    showStatus(QString(200, QLatin1Char('X')));
    QVERIFY(status->geometry().right() >= m_window->width());
    // What shows ends at the window's edge.
    QCOMPARE(status->visibleRegion().boundingRect().right(), m_window->width() - status->x() - 1);
}

void tst_frmTarvelin::longStatusLeavesCancelClickable()
{
    m_window->show();
    showRunningButtons();
    auto* cancelar = control<QPushButton>("cmdCancelar");
    showStatus(QString(200, QLatin1Char('X')));

    // The status line runs across the bottom of "Cancelar".
    const QPoint underStatus(cancelar->geometry().center().x(), control<QLabel>("lblInfo")->y() + 5);
    QVERIFY(cancelar->geometry().contains(underStatus));
    QVERIFY(control<QLabel>("lblInfo")->geometry().contains(underStatus));
    QCOMPARE(m_window->childAt(underStatus), cancelar);
}

QTEST_MAIN(tst_frmTarvelin)
#include "tst_frmTarvelin.moc"
