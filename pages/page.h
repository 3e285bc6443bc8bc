// Base of every wizard page: a template's widgets, and load/store between them and the block.
#pragma once

#include "config_block.h"

#include <QWidget>

class Prompter;
class QAbstractButton;

class Page : public QWidget
{
    Q_OBJECT
public:
    Page(ConfigBlock& block, Prompter* prompter, QWidget* parent = nullptr);

    // Takes the widget built from the page's template as the page's content and lets the page
    // find its controls. Called once, before the first load().
    void setForm(QWidget* form);
    QWidget* form() const { return m_form; }

    // Block into controls; the frame calls it each time the page becomes visible.
    virtual void load() = 0;
    // Controls into block; the frame calls it each time the page is hidden. Returns false when
    // a value was refused (the page has said why and put the focus on the field); the fields
    // before the refused one may already be stored.
    virtual bool store() = 0;

    // Control `id` of the template (object name "id<N>"), or nullptr when the loaded module
    // lacks it.
    template <class T>
    T* control(int id) const
    {
        return m_form ? m_form->findChild<T*>(controlName(id)) : nullptr;
    }
    static QString controlName(int id) { return QStringLiteral("id%1").arg(id); }

    // Tolerant helpers: a control the module lacks is skipped.
    // Sets a radio button's check state exactly; a pair may end with neither button checked.
    static void setButtonChecked(QAbstractButton* button, bool checked);
    void setChecked(int id, bool checked) const;
    // True only when the button exists and is checked.
    bool isChecked(int id) const;
    void setControlEnabled(int id, bool enabled) const;
    void setControlVisible(int id, bool visible) const;
    void setControlText(int id, const QString& text) const; // labels, buttons, group boxes, edits

protected:
    // Called by setForm() once the controls exist: find them, fill fixed lists, connect signals.
    virtual void bindControls() {}

    ConfigBlock& block() { return m_block; }
    const ConfigBlock& block() const { return m_block; }
    Prompter* prompter() const { return m_prompter; }

private:
    ConfigBlock& m_block;
    Prompter* m_prompter;
    QWidget* m_form = nullptr;
};
