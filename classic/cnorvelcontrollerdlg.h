// Classic main dialog: menu bar, the controller labels, a tab control and the About box.
#pragma once

#include <QColor>
#include <QDialog>
#include <QIcon>
#include <QString>

class QAction;
class QMenuBar;
class QTabWidget;
class ResourceModule;

// A main-window style dialog outside the wizard. Its menu bar offers Exit, Tools and About;
// Exit closes the dialog with the accept result, About opens the About box. The hidden
// controls of its template (OK, the "Controller" group, Test Wizard, the tab control) stay
// hidden; Test Wizard, Tools and the tabs have no action of their own.
class CNorvelControllerDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kTemplateId = 102;
    static constexpr int kMenuId = 129;
    static constexpr int kIconId = 159;
    // The system menu's About command; the low four bits of a system command carry no meaning.
    static constexpr int kSysCommandAbout = 0x0010;
    static constexpr int kSysCommandMask = 0xFFF0;

    enum ControlId
    {
        IdOk = 1,
        IdTab = 1000,
        IdTestWizard = 1012,
    };
    enum CommandId
    {
        IdAbout = 32771,
        IdExit = 32772,
        IdTools = 32774,
    };

    // Background of the dialog and its controls.
    static QColor backgroundColor() { return QColor(247, 246, 245); }

    explicit CNorvelControllerDlg(const ResourceModule& resources, QWidget* parent = nullptr);

    // False when the template could not be loaded (the reason is in error()).
    bool isValid() const { return m_form != nullptr; }
    QString error() const { return m_error; }

    QWidget* form() const { return m_form; }
    QTabWidget* tabControl() const { return m_tab; }
    QMenuBar* menuBar() const { return m_menuBar; }
    // The menu bar's action for a menu command (IdAbout, IdExit, IdTools), or null.
    QAction* commandAction(int command) const;
    QIcon icon() const { return m_icon; }

    // Menu and button commands.
    void OnCommand(int id);
    // A system command; returns false when it is left to the default handling.
    bool onSysCommand(int id);
    // Exchanges the data once more and closes with the accept result.
    void OnOK();

    // The tab items go into the first dialog of the process only; this makes the next dialog
    // count as the first again (for tests that need a fresh process state).
    static void resetTabItemsPending() { s_tabItemsPending = true; }

private:
    void OnInitDialog();
    void DoDataExchange();
    void OnAboutbox();
    void OnSelchangeTab(int index);

    const ResourceModule& m_resources;
    QWidget* m_form = nullptr;
    QString m_error;
    QMenuBar* m_menuBar = nullptr;
    QTabWidget* m_tab = nullptr;
    QIcon m_icon;

    static inline bool s_tabItemsPending = true;
};
