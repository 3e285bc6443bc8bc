// The wizard frame: page list, step caption, buttons (wizird.cpp), and the connect, read and
// write flow (wizird_flow.cpp).
#pragma once

#include "config_block.h"
#include "controller_session.h"
#include "page_set.h"
#include "prompter.h"

#include <QDialog>
#include <QRect>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class Link;
class LinkWorker;
class ProgressSink;
class Page;
class QPushButton;
class ResourceModule;

struct WizirdOptions
{
    QStringList ports; // explicit devices; empty = search the candidate ports
    QString backupDir; // where the controller backup file is kept
    // Help; QDesktopServices when empty. False when no browser could be started.
    std::function<bool(const QUrl&)> openUrl;
    // Builds the page objects; the program's own page classes when empty.
    std::function<std::unique_ptr<Page>(PageKind, ConfigBlock&, Prompter*)> pageFactory;
};

class Wizird : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kTemplateId = 133;
    enum ButtonId
    {
        IdHelp = 1020,
        IdUpgrade = 1022,
        IdDefault = 1103,
        IdCancel = 1017,
        IdPrevious = 1018,
        IdNext = 1016,
        IdFinish = 1026,
        IdGuideContent = 1027,
    };
    enum class ButtonState
    {
        First = 0,
        Middle = 1,
        Last = 2
    };

    Wizird(const ResourceModule& resources, ConfigBlock& block, LinkWorker& link,
           Prompter& prompter, WizirdOptions options, QWidget* parent = nullptr);
    ~Wizird() override;

    // False when the template could not be loaded (the reason is in error()).
    bool isValid() const { return m_form != nullptr; }
    QString error() const { return m_error; }

    // Connects, reads, saves the backup, builds the pages and shows page 1. Returns false when
    // the frame ended instead (refusal, failure or the user's answer).
    bool OnInitDialog();
    int exec() override;
    // Escape and the window's close box act as the Cancel button: its question first.
    // Ignored while a transfer runs: the controller must not be left half-written.
    void reject() override;

    void ShowPage(int n);
    void UpdateButtons(ButtonState kind);

    void OnNext();
    void OnPrevious();
    void OnFinish();
    void OnDefault();
    void OnCancelButton();
    void OnHelpButton();
    void OnUpgrade() {}

    int pageCount() const { return m_pageCount; }
    int currentPage() const { return m_currentPage; }
    Page* page(int n) const; // 1-based
    bool isPageShown(int n) const;
    QRect pageRect() const { return m_pageRect; }
    QPushButton* button(int id) const;
    QString controllerKey() const { return m_key; }
    QString backupPath() const { return m_backupPath; }
    // Whether the frame ended during OnInitDialog, and with which result.
    bool endedEarly() const { return m_endedEarly; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct PageNode
    {
        int id = 0;
        Page* page = nullptr;
        bool shown = false;
    };

    // The page frame (wizird.cpp).
    void AddPage(std::unique_ptr<Page> page, int templateId);
    // Walks the pages like ShowPage; returns false, and leaves the pages as they were, when the
    // page being left refused a value (unless refusals are ignored).
    bool showPageChecked(int n, bool ignoreRefusal);
    void setPageShown(PageNode& node, bool shown, bool* refused);
    void end(int result);
    void setStepCaption(int n);
    // Tab runs through the shown page's controls in reading order, then the frame's buttons.
    void updateTabOrder();

    // The connect, read and write flow (wizird_flow.cpp).
    void saveBackup();
    enum class WriteResult
    {
        Verified,  // committed, and the controller reads back what was written
        Failed,    // an exchange of the write or of the read-back went unanswered
        NotStored, // committed, but a field reads back otherwise
    };
    // Writes the block, commits it and reads it back, all behind one progress dialog. On
    // NotStored, *mismatch is the message that names the field which did not stick.
    WriteResult writeController(QString* mismatch);
    bool runTransfer(const QString& label, const std::function<bool(Link&, ProgressSink&)>& job);
    TransferRunner transferRunner();

    const ResourceModule& m_resources;
    ConfigBlock& m_block;
    LinkWorker& m_link;
    Prompter& m_prompter;
    WizirdOptions m_options;
    QWidget* m_form = nullptr;
    QString m_error;

    QRect m_pageRect;
    int m_pageCount = 0;
    int m_currentPage = 0;
    std::vector<PageNode> m_pages;
    QString m_key;
    ConfigBlock m_controllerImage; // the controller's image as last read or written
    QString m_backupPath;
    bool m_endedEarly = false;
    bool m_transferring = false;
};
