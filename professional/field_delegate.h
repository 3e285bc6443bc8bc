// Editors of the professional view's value column: a list or a number entry that fits the field.
#pragma once

#include <QStyledItemDelegate>

// Works on FieldTableModel's roles, so any proxy may sit between the view and the model.
// Flags need no editor: the view toggles their check box through the model.
class FieldDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // A QComboBox for fields with few values (see fieldChoices), otherwise a QSpinBox over the
    // valid values' min..max stepping by their span's step. Values in a gap between spans are
    // left to the model to refuse.
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    // Writes through the model's setData, so its checks and couplings apply; a refused value
    // leaves the field as it was.
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
};
