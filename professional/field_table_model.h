// Table model of the professional view: every field the controller uses, editable in place.
#pragma once

#include "config_block.h"
#include "field_couplings.h"
#include "field_rules.h"
#include "view_texts.h"

#include <QAbstractTableModel>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// One entry of a field with few values: the stored value and how a list shows it.
struct FieldChoice
{
    int value = 0;
    QString text;

    bool operator==(const FieldChoice& o) const { return value == o.value && text == o.text; }
};

Q_DECLARE_METATYPE(Field)
Q_DECLARE_METATYPE(ValidValues)
Q_DECLARE_METATYPE(FieldChoice)

// The values a list can offer for a numeric field, in ascending order; empty where a number
// entry fits better. A field qualifies with at most a handful of values that are either all
// named by the rules ("Torque") or spaced apart (60 or 120 degrees).
QList<FieldChoice> fieldChoices(const FieldRules& rules, Field f,
                                const ViewTexts& texts = ViewTexts());

class FieldTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        NameColumn,
        LabelColumn, // the label the wizard's page gives the field
        ValueColumn,
        UnitColumn,
        MeaningColumn,
        ControllerColumn,
        BackupColumn,
        ColumnCount
    };

    enum Role
    {
        FieldRole = Qt::UserRole + 1, // Field of the row
        GroupRole,                    // FieldGroup of the row, as int
        GroupNameRole,                // fieldGroupName of the row's group
        ChangedRole,                  // bool: the edited value differs from the controller's
        ValidValuesRole,              // ValidValues of the row's field
        ChoicesRole,                  // QList<FieldChoice>, empty where a number entry fits
    };

    explicit FieldTableModel(QObject* parent = nullptr);

    // The block being edited and the controller's block as last read. The rows follow the
    // edited block's identity; where they stay the same, the cells change in place (the view
    // keeps its current cell and scroll position), otherwise the model is reset.
    void setBlocks(const ConfigBlock& edited, const ConfigBlock& controller);
    // The first-connection image for the backup column; nullopt leaves the column empty.
    void setBackup(std::optional<ConfigBlock> backup);
    // Drops every edit: the edited block becomes the controller's.
    void resetToController();
    // The words of headings, units, meanings, tooltips and reasons; English by default.
    void setTexts(const ViewTexts& texts);

    const ConfigBlock& block() const { return m_edited; }
    const ConfigBlock& controllerBlock() const { return m_controller; }
    const std::optional<ConfigBlock>& backup() const { return m_backup; }
    const FieldRules& rules() const { return m_rules; }

    Field field(int row) const { return m_fields.at(row); }
    FieldGroup group(int row) const { return m_rules.rule(field(row)).group; }
    int rowOf(Field f) const { return static_cast<int>(m_fields.indexOf(f)); }
    // True where the edited value differs from the controller's.
    bool isChanged(int row) const;
    QList<Field> changedFields() const;
    // Whether the table accepts a new value for the field now: writable by the rules, and not
    // held by another field (the foot switch while the forward switch is on).
    bool isEditable(Field f) const;

    // Sets a field as an editor does: refused (false, editRefused) when the field is not
    // editable or the value not valid; otherwise written together with the fields the
    // couplings adjust.
    bool setFieldValue(Field f, std::int64_t value);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Value column only: Qt::CheckStateRole (or a bool in Qt::EditRole) for flags, a whole
    // number in Qt::EditRole for numbers.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // A coupling changed `field` after an edit of another field; `reason` says why.
    void valueAdjusted(Field field, const QString& reason);
    // An edit of `field` was refused; `reason` says why.
    void editRefused(Field field, const QString& reason);
    // An edit of `field` changed the edited block (with its couplings); `before` as it was.
    void blockEdited(const ConfigBlock& before, Field field);

private:
    struct Adjustment
    {
        Field field;
        QString reason;
    };

    void rebuildRows();
    bool refuse(Field f, const QString& reason);
    void applyCouplings(Field edited, QList<Adjustment>* adjustments);
    void settleCouplings(Field edited, QList<Adjustment>* adjustments);
    void adjust(Field f, std::uint32_t value, const QString& reason,
                QList<Adjustment>* adjustments);
    bool differsFromController(const QList<Field>& fields) const;
    void emitRowChanged(Field f);
    QVariant valueData(Field f, int role) const;
    QVariant rowMark(int row, int role) const;
    // A value for the controller and backup columns: flags in the view's words.
    QString flagText(const ConfigBlock& block, Field f) const;
    // Why a coupling changed a field, in the view's words.
    QString sharedInputReason(Field turnedOff) const;
    QString brakeSensorClearedReason(Field function) const;
    QString functionOffReason(Field function, std::uint32_t sensorType) const;
    QString footSwitchReason() const;
    QString couplingReason(const FieldCoupling& coupling) const;

    ConfigBlock m_edited;
    ConfigBlock m_controller;
    std::optional<ConfigBlock> m_backup;
    FieldRules m_rules{ControllerIdentity()};
    QList<Field> m_fields;
    ViewTexts m_texts;
};
