// Editors of the professional view's value column: a list or a number entry that fits the field.
#include "field_delegate.h"

#include "field_table_model.h"

#include <QComboBox>
#include <QSpinBox>

#include <algorithm>
#include <limits>

namespace {

int clampToInt(std::int64_t v)
{
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

// The step every span shares, or 1 when they differ.
int commonStep(const ValidValues& valid)
{
    std::int64_t step = 0;
    for (const ValidValues::Span& s : valid.spans()) {
        if (step != 0 && s.step != step)
            return 1;
        step = s.step;
    }
    return step > 0 ? clampToInt(step) : 1;
}

} // namespace

QWidget* FieldDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                                     const QModelIndex& index) const
{
    if (index.column() != FieldTableModel::ValueColumn || !(index.flags() & Qt::ItemIsEditable) ||
        !index.data(FieldTableModel::FieldRole).canConvert<Field>())
        return nullptr; // the model takes nothing there
    const Field f = index.data(FieldTableModel::FieldRole).value<Field>();
    if (fieldDef(f).kind != FieldKind::Number)
        return nullptr;

    const ValidValues valid = index.data(FieldTableModel::ValidValuesRole).value<ValidValues>();
    const auto choices = index.data(FieldTableModel::ChoicesRole).value<QList<FieldChoice>>();
    if (!choices.isEmpty()) {
        auto* combo = new QComboBox(parent);
        for (const FieldChoice& c : choices)
            combo->addItem(c.text, c.value);
        combo->setToolTip(index.data(Qt::ToolTipRole).toString());
        return combo;
    }
    auto* spin = new QSpinBox(parent);
    spin->setRange(clampToInt(valid.min()), clampToInt(valid.max()));
    spin->setSingleStep(commonStep(valid));
    spin->setToolTip(index.data(Qt::ToolTipRole).toString());
    return spin;
}

void FieldDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const QVariant value = index.data(Qt::EditRole);
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        // A stored value the list does not hold (an old control mode) selects nothing.
        combo->setCurrentIndex(combo->findData(value.toInt()));
        return;
    }
    if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
        spin->setValue(value.toInt());
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void FieldDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                 const QModelIndex& index) const
{
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        if (combo->currentIndex() >= 0) // nothing chosen: the stored value stays
            model->setData(index, combo->currentData(), Qt::EditRole);
        return;
    }
    if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
        spin->interpretText();
        model->setData(index, spin->value(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}
