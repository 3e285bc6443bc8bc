// Finding a dialog's controls by numeric identifier, and radio helpers for Enable/Disable pairs.
#pragma once

#include <QAbstractButton>
#include <QButtonGroup>
#include <QString>
#include <QWidget>

// Control 1030 of a template is the child named "id1030".
inline QString controlName(int id)
{
    return QStringLiteral("id%1").arg(id);
}

// The control `id` of the given kind inside dialog, or null when the template lacks it (a
// module may leave a control out) or when it is of another kind.
template <class T> T* control(QWidget* dialog, int id)
{
    if (dialog == nullptr)
        return nullptr;
    return dialog->findChild<T*>(controlName(id));
}

// Sets a radio button's check state exactly. Unchecking the checked button of an exclusive
// group is refused by Qt, so the group's exclusivity is lifted for that one change; a pair may
// then have neither button checked. A null button is ignored.
inline void setButtonChecked(QAbstractButton* button, bool checked)
{
    if (button == nullptr || button->isChecked() == checked)
        return;
    QButtonGroup* group = button->group();
    const bool exclusive = group != nullptr && group->exclusive();
    const bool autoExclusive = button->autoExclusive();
    if (!checked) {
        if (exclusive)
            group->setExclusive(false);
        button->setAutoExclusive(false);
    }
    button->setChecked(checked);
    if (!checked) {
        button->setAutoExclusive(autoExclusive);
        if (exclusive)
            group->setExclusive(true);
    }
}

inline void setButtonChecked(QWidget* dialog, int id, bool checked)
{
    setButtonChecked(control<QAbstractButton>(dialog, id), checked);
}

// True only when the button exists and is checked.
inline bool isButtonChecked(QWidget* dialog, int id)
{
    const auto* button = control<QAbstractButton>(dialog, id);
    return button != nullptr && button->isChecked();
}
