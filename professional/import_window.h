// Import mode: the changes a configuration document makes to the connected controller, to be
// written with one click or left alone.
#pragma once

#include "config_block.h"
#include "view_texts.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <functional>

class ControllerAccess;
class QLabel;
class QPushButton;
class QTreeWidget;

class ImportWindow : public QDialog
{
    Q_OBJECT

public:
    // String N of the loaded resource module; empty when the module lacks it.
    using Strings = std::function<QString(int)>;
    // A field's label on the wizard's pages, in the module's words.
    using Labels = std::function<QString(Field)>;

    // `controller` is the controller's block as just read; `path` the document to apply.
    ImportWindow(ControllerAccess& access, const QString& path, const ConfigBlock& controller,
                 Strings strings, Labels labels = {}, QWidget* parent = nullptr);

    // After a verified write: true closes the window (the completion question). Without it
    // the window closes.
    std::function<bool()> askClose;
    // Settings that do not work together: true writes them anyway. Without it a message box
    // asks, No by default.
    std::function<bool(const QString&)> askImplausible;
    // A failed write's reason; without it a message box shows it.
    std::function<void(const QString&)> showError;

    bool canWrite() const;
    // The changes as "NAME: CONTROLLER -> FILE", in the wizard's order.
    QStringList changes() const;
    // The refusals as the window shows them, one a line, each naming its field.
    QStringList refusals() const { return m_refusals; }
    // What Write does: keep the backups, write, commit, verify.
    void write();
    // The controller's identity above the list: label and value, in order.
    QList<std::pair<QString, QString>> identityRows() const { return m_identity; }
    // The line below the list: refusals, nothing to write, or the verified write.
    QString statusText() const;
    // Cancel, or Close once the controller holds the file's values.
    QPushButton* cancelButton() const { return m_cancel; }

private:
    void load(const QString& path);

    ControllerAccess& m_access;
    ViewTexts m_texts;
    ConfigBlock m_controller;
    ConfigBlock m_next;
    QStringList m_refusals;
    QTreeWidget* m_list = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_write = nullptr;
    QPushButton* m_cancel = nullptr;
    QList<std::pair<QString, QString>> m_identity;
};
