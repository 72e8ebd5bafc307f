#pragma once

#include "CancelToken.h"
#include "FileFinder.h"
#include "ProgramIdentity.h"
#include "Prompter.h"
#include "ReindexRun.h"

#include <QIcon>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class AutoSizeLabel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TarvelinError;

// Where the window gets what lies outside it; tests replace any of these.
// Declared outside the window so that "Services services = {}" can default it.
struct frmTarvelinServices
{
    std::function<FileFinder&()> fileFinder = &FileFinder::instance;
    std::function<QString()> programFolder = &ProgramIdentity::programFolder;
    std::shared_ptr<Prompter> prompter; // null: real message boxes
    ReindexRun::ConnectionFactory newConnection = &ReindexRun::realConnection;
};

// The program's only window: the profile list, "En línea", the two buttons and the status line
// through which a run reports. A run goes on the database thread; this window's thread never
// waits for it.
class frmTarvelin : public QWidget
{
    Q_OBJECT

public:
    using Services = frmTarvelinServices;

    explicit frmTarvelin(frmTarvelin::Services services = {}, QWidget* parent = nullptr);
    ~frmTarvelin() override;

    // The icon of the window and of the program's message boxes.
    static QIcon programIcon();

public slots:
    void cmdCancelar_Click();
    void cmdReindexar_Click();

public:
    // Fills the profile list; runs once, at the end of construction.
    void Form_Load();

signals:
    // A run is over and "Reindexar ahora" is back.
    void runEnded();

protected:
    // Closing during a run cancels it; the window closes when the run has ended.
    void closeEvent(QCloseEvent* event) override;

private:
    // What a run asks of the window, called on the window's thread.
    friend class WindowRunObserver;
    void ShowInfo(const QString& text);
    bool goOnLockingTables();
    void showError(const TarvelinError& error);
    void endRun();

    void createControls();

    Services m_services;
    // The cancel request of the current (or last) run, shared with the run on the database thread.
    std::shared_ptr<CancelToken> bCancel = std::make_shared<CancelToken>();
    bool m_running = false;
    bool m_closeWhenIdle = false;

    QCheckBox* chkOnLine = nullptr;
    QPushButton* cmdCancelar = nullptr;
    QPushButton* cmdReindexar = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* txtUser = nullptr;
    QComboBox* cmbBase = nullptr;
    AutoSizeLabel* lblInfo = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
};
