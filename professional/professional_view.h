// The professional view: every field of one configuration in an editable table, with the
// controller and file actions around it.
#pragma once

#include "config_block.h"
#include "config_document.h"
#include "configuration_file.h"
#include "configuration_session.h"
#include "view_texts.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class ControllerAccess;
class QKeyEvent;
class CurvePanel;
class FieldFilterModel;
class FieldTableModel;
class QAction;
class QKeySequence;
class QLabel;
class QLineEdit;
class QTableView;
class QMenu;
class QUndoStack;

// The questions and choices the view puts to the user. Members left empty use message
// boxes and file dialogs; tests answer them directly.
struct ProfessionalPrompts
{
    enum class CloseAnswer
    {
        Save,
        Discard,
        Cancel
    };

    // A Yes/No question; true for Yes.
    std::function<bool(const QString& text)> question;
    // A Yes/No question whose safe answer, and default, is No.
    std::function<bool(const QString& text)> cautiousQuestion;
    // Save, Discard or Cancel, before closing with changes neither written nor saved.
    std::function<CloseAnswer(const QString& text)> closeQuestion;
    // A notice or an error.
    std::function<void(const QString& text)> message;
    // A file to open; empty when cancelled. `filters` as QFileDialog takes them (";;").
    std::function<QString(const QString& caption, const QString& filters)> openFileName;
    // A file to save to and the filter chosen; empty when cancelled.
    std::function<QString(const QString& caption, const QString& filters, QString* chosenFilter)>
        saveFileName;
    // One of `items`, or -1 when cancelled.
    std::function<int(const QString& caption, const QStringList& items)> choose;
};

struct ProfessionalViewOptions
{
    // String N of the loaded resource module, empty when it lacks it.
    std::function<QString(int)> strings;
    // A field's label on the wizard's pages in the module's words; unset: no labels.
    std::function<QString(Field)> labels;
    // The backup folder; Compare offers its images of this controller. Empty: files only.
    QString backupDir;
    ProfessionalPrompts prompts;
};

class ProfessionalView : public QMainWindow
{
    Q_OBJECT

public:
    enum class Action
    {
        Read,
        Write,
        Connect,
        Open,
        SaveAs,
        Compare,
        Restore,
        Close,
        Save,
        Undo,
        Redo,
        Find,
    };

    // Online: `controller` was just read through `access`.
    ProfessionalView(ControllerAccess* access, const ConfigBlock& controller,
                     ProfessionalViewOptions options = {}, QWidget* parent = nullptr);
    // Offline: a configuration document or a 128-byte image. A document without a controller
    // part is shown for `identity` (the caller's choice of controller); without one it is
    // refused. Check isValid().
    ProfessionalView(ControllerAccess* access, const QString& path,
                     const std::optional<ConfigBlock>& identity,
                     ProfessionalViewOptions options = {}, QWidget* parent = nullptr);
    ~ProfessionalView() override;

    // True for a readable document without a controller part: it needs an identity to be
    // opened offline.
    static bool needsIdentity(const QString& path)
    {
        return ConfigurationSession::needsIdentity(path);
    }

    // False when the offline file could not be opened; errorString() says why.
    bool isValid() const { return m_valid; }
    QString errorString() const { return m_error; }

    // Online: the edited block belongs to the connected controller.
    bool isOnline() const { return m_session->isOnline(); }
    // The configuration shown: the controller's, the edited and the saved, and its file.
    const ConfigurationSession& session() const { return *m_session; }
    const FieldTableModel& model() const { return *m_model; }
    ConfigBlock editedBlock() const;
    // The controller's image as last read or written; offline, the file as opened or saved.
    ConfigBlock controllerBlock() const;
    // Changes that are neither written into the controller nor saved in a file.
    bool hasUnsavedChanges() const;
    // Changes since the configuration was read, opened or last saved (the title's mark).
    bool isModifiedSinceSaved() const;
    // Online: the edited configuration differs from what the controller holds.
    bool differsFromController() const;
    // The file the configuration came from or was last saved in; empty when none.
    QString filePath() const { return m_session->filePath(); }
    // The files opened or saved lately, newest first (kept between runs).
    static QStringList recentFiles();
    QMenu* recentMenu() const { return m_recentMenu; }
    // Controller > Port: "Search all ports" and the ports the access lists; the choice is
    // remembered between runs.
    QMenu* portMenu() const { return m_portMenu; }
    QUndoStack* undoStack() const { return m_undo; }

    QAction* action(Action a) const { return m_actions.value(static_cast<int>(a)); }
    // The message in the status bar: the last adjustment, refusal or outcome of an action.
    QString statusText() const;
    QTableView* table() const { return m_table; }
    QLineEdit* filterEdit() const { return m_filterEdit; }
    // The curve of the selected field's group, beside the table.
    CurvePanel* curvePanel() const { return m_curves; }
    // The identity as shown at the top: label and value, in order.
    QList<std::pair<QString, QString>> identityRows() const;

    // What the actions do; each returns true when it changed or wrote something.
    bool readController();
    bool writeController();
    bool connectController();
    bool openFile(const QString& path);
    bool saveAs(const QString& path, ConfigurationFile::Format format);
    // Saves to the file the configuration came from; Save As where there is none.
    bool save();
    // Opens the comparison window (a child of this one) and returns the differing fields.
    QList<FieldChange> compareWithFile(const QString& path, bool* ok = nullptr);
    QList<FieldChange> compareWithImage(const ConfigBlock& image, const QString& name);
    bool restoreFirstBackup();
    // The file name Save As offers: beside the opened file, or in the home folder after the
    // controller's model and serial number.
    QString suggestedPath(ConfigurationFile::Format format) const;
    // Edits one field as the table would (its checks and couplings); false when refused.
    bool editField(Field f, std::int64_t value);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ProfessionalView(ControllerAccess* access, ProfessionalViewOptions options, QWidget* parent);
    void build();
    void buildActions();
    QAction* createAction(Action a, int textId, int tipId, const QKeySequence& shortcut);
    // Shows the session's configuration anew (after an edit in the table only the window).
    void showSession();
    void updateWindow();
    void updateTitle();
    void updateActions();
    // Draws the curve of the current row's group anew.
    void updateCurve();
    bool controllerReady() const;

    bool triggerOpen();
    // Before the configuration is replaced or the window closes: Save, Discard or Cancel.
    // True when it may go on.
    bool settleUnsavedChanges(int questionId);
    void rememberRecent(const QString& path);
    void updateRecentMenu();
    void updatePortMenu();
    // Empty: search every port.
    void choosePort(const QString& port);
    using State = ConfigurationSession::State;
    using Refusal = ConfigurationSession::Refusal;
    // Records the change from `before` to the session's state as one step of Undo.
    void recordStep(const State& before, const QString& name);
    // Why a file, document or image named `source` was not taken, in the module's words.
    QString refusalText(const Refusal& refusal, const QString& source) const;
    // F2 or typing on a row edits its value, whichever column is current.
    bool redirectToValue(QKeyEvent* key);
    void takeOver(const ConfigurationSide& other, const QString& name);
    bool triggerSaveAs();
    bool triggerCompare();
    // Ends an edit in progress, so that an action sees the value being typed.
    void commitEdit();
    QList<FieldChange> showComparison(const ConfigurationSide& other, const QString& name);

    void setStatus(const QString& text);
    bool ask(const QString& text);
    void tell(const QString& text);
    QString text(int id) const { return m_texts.text(id); }
    QString plainActionText(int id) const;

    ControllerAccess* m_access = nullptr;
    ProfessionalViewOptions m_options;
    ViewTexts m_texts;
    ConfigurationSession* m_session = nullptr;
    FieldTableModel* m_model = nullptr;
    FieldFilterModel* m_filter = nullptr;
    QTableView* m_table = nullptr;
    QLineEdit* m_filterEdit = nullptr;
    CurvePanel* m_curves = nullptr;
    class QSplitter* m_splitter = nullptr;
    QList<QLabel*> m_identityNames;
    QList<QLabel*> m_identityValues;
    QLabel* m_status = nullptr;
    QHash<int, QAction*> m_actions;
    QUndoStack* m_undo = nullptr;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_portMenu = nullptr;
    // An edit in the table is going into the session: the table shows it already.
    bool m_editing = false;
    QList<std::pair<QString, QString>> m_identityRows;
    // Reasons the model gave for the edit now in progress.
    QStringList m_editReasons;

    bool m_valid = true;
    QString m_error;
    // The rows changed: the columns fit their contents again.
    bool m_rowsChanged = true;
};
