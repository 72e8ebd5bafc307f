#include "frmTarvelin.h"

#include "AutoSizeLabel.h"
#include "DatabaseThread.h"
#include "MessageBoxPrompter.h"
#include "RunTexts.h"
#include "StarPasswordStyle.h"
#include "WindowAccessible.h"
#include "WrappingCheckBox.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <utility>
#include <vector>

// The resources live in a static library: nothing would pull them into the
// program unless they are registered by name.
static void registerResources()
{
    [[maybe_unused]] static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
}

namespace {

enum class Kind { Label, ComboBox, TextBox, CheckBox, CommandButton };

enum class Setting {
    None,
    FixedSize, // label keeps the size given
    AutoSize, // label sizes itself to its text, on one line
    DropDownList, // text only chosen from the list, never typed
    PasswordEntry // every character shown as "*"
};

struct ControlRow
{
    const char* name;
    Kind kind;
    const char* text;
    int left, top, width, height; // twips, from the client area's top-left corner
    int tab; // position in the tab order
    bool shown;
    Setting setting;
};

// The controls in creation order.
// clang-format off
constexpr ControlRow controlTable[] = {
    // name           kind                 text               left   top  width height tab shown  other
    { "chkOnLine",    Kind::CheckBox,      "En línea",        3360, 1200,   855,  735,  9, true,  Setting::None },
    { "cmdCancelar",  Kind::CommandButton, "Cancelar",        4440, 1800,  2655,  495,  8, false, Setting::None },
    { "cmdReindexar", Kind::CommandButton, "Reindexar ahora", 4440,  960,  2655,  615,  6, true,  Setting::None },
    { "Text1",        Kind::TextBox,       "",                 120, 1680,  2895,  285,  5, false, Setting::PasswordEntry },
    { "txtUser",      Kind::TextBox,       "Admin",            120, 1080,  2895,  285,  4, false, Setting::None },
    { "cmbBase",      Kind::ComboBox,      "",                 120,  360,  7215,  315,  1, true,  Setting::DropDownList },
    { "lblInfo",      Kind::Label,         "",                 120, 2160,    45,  195,  7, true,  Setting::AutoSize },
    { "Label3",       Kind::Label,         "Contraseña",       120, 1440,   810,  195,  3, false, Setting::AutoSize },
    { "Label2",       Kind::Label,         "Usuario",          120,  840,   540,  195,  2, false, Setting::AutoSize },
    { "Label1",       Kind::Label,         "Base de Datos",    120,  120,  6015,  255,  0, true,  Setting::FixedSize },
};
// clang-format on

// Profiles are the files "<name>.cfp" of the program folder; the list shows
// each file's name without those four characters, whatever their case.
const QString profilePattern = QStringLiteral("*.cfp");
constexpr qsizetype profileExtensionLength = 4;
// The list is sorted by name regardless of case, each name once.
constexpr qint32 sortByName = FileFinder::On;
constexpr qint32 ignoreCase = FileFinder::On;
constexpr qint32 dropDuplicates = FileFinder::On;

constexpr int clientWidthTwips = 7410;
constexpr int clientHeightTwips = 2445;

// 15 twips to a pixel at 96 DPI; Qt scales device-independent pixels on
// denser screens.
constexpr int pixels(int twips)
{
    return twips / 15;
}

QWidget* createControl(const ControlRow& row, QWidget* parent)
{
    const QString text = QString::fromUtf8(row.text);
    QWidget* control = nullptr;
    switch (row.kind) {
    case Kind::Label: {
        QLabel* label
            = row.setting == Setting::AutoSize ? new AutoSizeLabel(text, parent) : new QLabel(text, parent);
        label->setWordWrap(false);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setFocusPolicy(Qt::NoFocus);
        control = label;
        break;
    }
    case Kind::ComboBox: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(row.setting != Setting::DropDownList);
        control = combo;
        break;
    }
    case Kind::TextBox: {
        auto* edit = new QLineEdit(text, parent);
        if (row.setting == Setting::PasswordEntry) {
            // Styles pick their own mask (often a bullet); the field shows "*".
            auto* style = new StarPasswordStyle(QApplication::style()->name());
            style->setParent(edit);
            edit->setStyle(style);
            edit->setEchoMode(QLineEdit::Password);
        }
        control = edit;
        break;
    }
    case Kind::CheckBox:
        control = new WrappingCheckBox(text, parent);
        break;
    case Kind::CommandButton:
        control = new QPushButton(text, parent);
        break;
    }
    control->setObjectName(QString::fromLatin1(row.name));
    control->setGeometry(pixels(row.left), pixels(row.top), pixels(row.width), pixels(row.height));
    control->setVisible(row.shown);
    // Labels lie beneath the other controls, so a long status text never
    // covers a button or takes its clicks.
    if (row.kind == Kind::Label)
        control->lower();
    return control;
}

// The classic dialog size: every caption fits the box the table gives it.
QFont dialogFont()
{
    QFont font = QApplication::font();
    font.setPointSize(8);
    return font;
}

} // namespace

frmTarvelin::frmTarvelin(frmTarvelin::Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
{
    if (!m_services.prompter)
        m_services.prompter = std::make_shared<MessageBoxPrompter>();

    [[maybe_unused]] static const bool accessibleInstalled = [] {
        QAccessible::installFactory(&windowAccessibleFactory);
        return true;
    }();
    setObjectName(QStringLiteral("frmTarvelin"));
    setWindowTitle(ProgramIdentity::applicationTitle());
    setWindowIcon(programIcon());
    setFont(dialogFont());
    setFixedSize(pixels(clientWidthTwips), pixels(clientHeightTwips));

    createControls();
    connect(cmdCancelar, &QPushButton::clicked, this, &frmTarvelin::cmdCancelar_Click);
    connect(cmdReindexar, &QPushButton::clicked, this, &frmTarvelin::cmdReindexar_Click);

    Form_Load();
}

// Only a test or the end of the process destroys the window during a run: that run is asked to
// stop, and what it says from then on goes nowhere.
frmTarvelin::~frmTarvelin()
{
    if (m_running)
        bCancel->request();
}

void frmTarvelin::createControls()
{
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (const ControlRow& row : controlTable) {
        QWidget* control = createControl(row, this);
        if (control->focusPolicy() != Qt::NoFocus)
            tabOrder.emplace_back(row.tab, control);
    }
    std::sort(
        tabOrder.begin(), tabOrder.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);

    const auto child = [this]<typename T>(T*& member, const char* name) {
        member = findChild<T*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
        Q_ASSERT(member);
    };
    child(chkOnLine, "chkOnLine");
    child(cmdCancelar, "cmdCancelar");
    child(cmdReindexar, "cmdReindexar");
    child(Text1, "Text1");
    child(txtUser, "txtUser");
    child(cmbBase, "cmbBase");
    child(lblInfo, "lblInfo");
    child(Label3, "Label3");
    child(Label2, "Label2");
    child(Label1, "Label1");

    // Nothing ties the caption to the list, so a screen reader would announce an unnamed
    // list while no profile is chosen.
    cmbBase->setAccessibleName(Label1->text());

    // The first control in the tab order that takes focus.
    tabOrder.front().second->setFocus();
}

QIcon frmTarvelin::programIcon()
{
    registerResources();
    QIcon icon;
    for (const int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/tarvelin-%1.png").arg(size), QSize(size, size));
    return icon;
}

// A run's calls, made on the database thread, carried to the window's thread by the application
// object, which outlives the window. A window gone by then hears nothing and answers "No".
class WindowRunObserver : public RunObserver
{
public:
    explicit WindowRunObserver(frmTarvelin* window)
        : m_window(window)
    { }

    void ShowInfo(const QString& text) override
    {
        post([text](frmTarvelin& window) { window.ShowInfo(text); });
    }
    bool goOnLockingTables() override
    {
        bool yes = false;
        ask([&yes](frmTarvelin& window) { yes = window.goOnLockingTables(); });
        return yes;
    }
    void showError(const TarvelinError& error) override
    {
        ask([&error](frmTarvelin& window) { window.showError(error); });
    }
    void ended()
    {
        post([](frmTarvelin& window) { window.endRun(); });
    }

private:
    template <typename Call> void post(Call call)
    {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [window = m_window, call] {
                if (window)
                    call(*window);
            },
            Qt::QueuedConnection);
    }
    // The run waits for the answer; the window's thread waits for nothing.
    template <typename Call> void ask(Call call)
    {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [window = m_window, &call] {
                if (window)
                    call(*window);
            },
            Qt::BlockingQueuedConnection);
    }

    QPointer<frmTarvelin> m_window; // looked at on the window's thread only
};

void frmTarvelin::cmdReindexar_Click()
{
    // Hidden for the whole run; this only keeps a click already on its way from starting another.
    if (m_running)
        return;
    // A run started from the keyboard keeps the keyboard on the button that stops it: hidden with
    // the focus, "Reindexar ahora" would hand it on to "En línea", where Space would tick the box
    // instead of cancelling.
    const bool fromKeyboard = cmdReindexar->hasFocus();
    cmdReindexar->hide();
    cmdCancelar->show();
    if (fromKeyboard)
        cmdCancelar->setFocus(Qt::OtherFocusReason);
    m_running = true;

    RunRequest request;
    request.profileName = cmbBase->currentText();
    request.programFolder = m_services.programFolder();
    request.online = chkOnLine->isChecked();
    try {
        request.vendorName = ProgramIdentity::companyName();
    } catch (const TarvelinError& error) {
        // Windows reads it from the executable's version information: without it there is no run.
        showError(error);
        ShowInfo(error.description());
        endRun();
        return;
    }
    bCancel = std::make_shared<CancelToken>();
    DatabaseThread::post([request, cancel = bCancel, newConnection = m_services.newConnection,
                             observer = WindowRunObserver(this)]() mutable {
        ReindexRun::execute(request, *cancel, observer, newConnection);
        observer.ended();
    });
}

void frmTarvelin::cmdCancelar_Click()
{
    // The flag comes first: the request counts even if what follows fails.
    bCancel->request();
    cmdCancelar->hide();
    ShowInfo(RunTexts::cancelling());
}

void frmTarvelin::ShowInfo(const QString& text)
{
    lblInfo->showText(text);
}

bool frmTarvelin::goOnLockingTables()
{
    chkOnLine->setChecked(false);
    return m_services.prompter->askYesNo(
        this, RunTexts::onlineUnavailable(), RunTexts::onlineUnavailableQuestion());
}

void frmTarvelin::showError(const TarvelinError& error)
{
    m_services.prompter->showMessage(this, ProgramIdentity::applicationTitle(),
        RunTexts::errorMessage(error.number(), error.description()));
}

void frmTarvelin::endRun()
{
    m_running = false;
    cmdReindexar->show();
    // The keyboard goes back the way it came.
    const bool hadFocus = cmdCancelar->hasFocus();
    cmdCancelar->hide();
    if (hadFocus)
        cmdReindexar->setFocus(Qt::OtherFocusReason);
    emit runEnded();
    if (m_closeWhenIdle)
        close();
}

void frmTarvelin::closeEvent(QCloseEvent* event)
{
    if (!m_running) {
        event->accept();
        return;
    }
    // The run stops after the statement under way, which is never broken off; then the window closes.
    event->ignore();
    m_closeWhenIdle = true;
    if (!bCancel->requested())
        cmdCancelar_Click();
}

void frmTarvelin::Form_Load()
{
    // Any failure leaves the list as far as it got; the window opens all the same.
    try {
        const QString folder = m_services.programFolder();
        FileFinder& finder = m_services.fileFinder();
        QStringList files;
        if (!finder.FindFiles(files, folder, profilePattern))
            return;
        finder.ArrangeList(files, sortByName, ignoreCase, dropDuplicates);
        for (const QString& file : std::as_const(files)) {
            // A name too short to end in ".cfp" ends the listing like any other failure.
            if (file.size() < profileExtensionLength)
                return;
            const bool firstEntry = cmbBase->count() == 0;
            cmbBase->addItem(file.left(file.size() - profileExtensionLength));
            // QComboBox selects the entry it gets into an empty list, and only
            // that one; the list starts with none selected.
            if (firstEntry)
                cmbBase->setCurrentIndex(-1);
        }
    } catch (...) { }
}
