#pragma once

#include "FileFinder.h"
#include "ProgramIdentity.h"
#include "Prompter.h"
#include "RunPlatform.h"
#include "RunWindow.h"

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

// Where the window gets what lies outside it; tests replace any of these.
// Declared outside the window so that "Services services = {}" can default it.
struct frmTarvelinServices
{
    std::function<FileFinder&()> fileFinder = &FileFinder::instance;
    std::function<QString()> programFolder = &ProgramIdentity::programFolder;
    std::shared_ptr<Prompter> prompter; // null: real message boxes
    RunPlatform runPlatform = RunPlatform::real();
};

// The program's only window: the profile list, "En línea", the two buttons and
// the status line through which a run reports.
class frmTarvelin : public QWidget, public RunWindow
{
    Q_OBJECT

public:
    using Services = frmTarvelinServices;

    explicit frmTarvelin(frmTarvelin::Services services = {}, QWidget* parent = nullptr);
    ~frmTarvelin() override;

    // The icon of the window and of the program's message boxes.
    static QIcon programIcon();

    // RunWindow
    void hideReindexar() override;
    void showReindexar() override;
    void showCancelar() override;
    void hideCancelar() override;
    QString baseText() const override;
    int onLineValue() const override;
    void setOnLineValue(int value) override;
    bool cancelRequested() const override;
    void resetCancel() override;
    void ShowInfo(const QString& text) override;
    bool askYesNo(const QString& title, const QString& prompt) override;
    void showError(const QString& title, const QString& text) override;

public slots:
    void cmdCancelar_Click();
    void cmdReindexar_Click();

public:
    // Fills the profile list; runs once, at the end of construction.
    void Form_Load();

protected:
    // Closing during a run cancels it; the window closes when the run has ended.
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();

    Services m_services;
    bool bCancel = false;
    bool m_running = false;
    bool m_closeWhenIdle = false;
    bool m_focusFollowsRun = false; // the run was started from "Reindexar ahora" with the focus on it

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
