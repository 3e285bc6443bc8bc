// Base of every wizard page: a template's widgets, and load/store between them and the block.
#pragma once

#include "config_block.h"
#include "controls.h"

#include <QWidget>

#include <optional>

class Prompter;
class QAbstractButton;
class QSlider;
class ValidValues;

// The number a user typed into a decimal edit box: leading blanks and one sign are skipped,
// the digits up to the first other character are taken, and text without digits gives 0.
// Empty when the number does not fit a signed 32-bit integer.
std::optional<int> decimalValue(const QString& text);

// Value label texts: "%d%%" of a percentage, and the reading of a Hall sensor that spans 1 V to
// 4 V over the percentage range, "%.1fV" as the C locale prints it (a point whatever the
// user's locale, and an exact tie such as 3.25 goes to the even digit).
QString percentText(int percent);
QString hallVoltText(int percent);

// Lets a slider span a field's valid values, where the block holds `scale` times the slider's
// position, then moves it to `position` (clamped into the span). A null slider is skipped.
void setSliderSpan(QSlider* slider, const ValidValues& valid, int position, int scale = 1);

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
    template <class T> T* control(int id) const { return ::control<T>(m_form, id); }
    static QString controlName(int id) { return ::controlName(id); }

    // Tolerant helpers: a control the module lacks is skipped.
    // Sets a radio button's check state exactly; a pair may end with neither button checked.
    void setChecked(int id, bool checked) const;
    // Checks Enable and unchecks Disable when `on`, the reverse otherwise.
    void setPair(int enableId, int disableId, bool on) const;
    // True only when the button exists and is checked.
    bool isChecked(int id) const;
    void setControlEnabled(int id, bool enabled) const;
    void setControlVisible(int id, bool visible) const;
    void setControlText(int id, const QString& text) const; // labels, buttons, group boxes, edits

protected:
    // Called by setForm() once the controls exist: find them, fill fixed lists, connect signals.
    virtual void bindControls() {}

    // Writes the flag from the pair's Enable button; a module without the button leaves it.
    void storeFlag(Field field, int enableId);

    ConfigBlock& block() { return m_block; }
    const ConfigBlock& block() const { return m_block; }
    Prompter* prompter() const { return m_prompter; }
    // Text `id` of the loaded module (line breaks as "\n"); empty without a prompter.
    QString text(int id) const;

private:
    ConfigBlock& m_block;
    Prompter* m_prompter;
    QWidget* m_form = nullptr;
};
