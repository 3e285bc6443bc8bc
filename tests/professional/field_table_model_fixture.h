// What the table model's tests share: valid values to edit to, couplings to expect, blocks.
#pragma once

#include "professional_support.h"
#include "test_resources.h"

#include <QBrush>
#include <QFont>
#include <QRegularExpression>

#include <gtest/gtest.h>

// Sets a field through setData as a view does: check state for flags, a number otherwise.
inline bool edit(FieldTableModel& model, Field f, std::int64_t value)
{
    const int row = model.rowOf(f);
    if (row < 0) {
        ADD_FAILURE() << fieldDef(f).name << " has no row";
        return false;
    }
    const QModelIndex index = model.index(row, FieldTableModel::ValueColumn);
    if (fieldDef(f).kind == FieldKind::Flag)
        return model.setData(index, value ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    return model.setData(index, QVariant::fromValue<qlonglong>(value), Qt::EditRole);
}

inline bool editableCell(const FieldTableModel& model, int row)
{
    const Qt::ItemFlags flags = model.flags(model.index(row, FieldTableModel::ValueColumn));
    return flags.testAnyFlags(Qt::ItemIsEditable | Qt::ItemIsUserCheckable);
}

// A valid value other than the current one, preferring the ends of the range.
inline std::int64_t otherValidValue(const FieldRules& rules, const ConfigBlock& block, Field f)
{
    const ValidValues valid = rules.valid(f);
    const std::int64_t current = block.get(f);
    for (std::int64_t v : {valid.max(), valid.min()})
        if (v != current && valid.contains(v))
            return v;
    ADD_FAILURE() << fieldDef(f).name << " has a single valid value";
    return current;
}

// The fields an edit of `f` may adjust.
inline QList<Field> couplingsOf(Field f)
{
    switch (f) {
    case Field::BoostFunction:
        return {Field::EconomyFunction, Field::BrakeSensorType};
    case Field::EconomyFunction:
        return {Field::BoostFunction, Field::BrakeSensorType};
    case Field::BrakeSensorType:
        return {Field::BoostFunction, Field::EconomyFunction};
    case Field::ForwardSwitch:
        return {Field::FootSwitch};
    case Field::ControlMode:
        return {Field::ControlModeCopy};
    default:
        return {};
    }
}

// The full preset (0405, regeneration, J1939) with some fields changed, as the controller.
inline ConfigBlock fullWith(std::initializer_list<std::pair<Field, std::uint32_t>> values)
{
    ConfigBlock b = presetBlock(QStringLiteral("full"));
    for (const auto& [f, v] : values)
        b.set(f, v);
    return b;
}

inline void expectNoCouplingErrors(const FieldTableModel& model)
{
    EXPECT_EQ(model.rules().couplingErrors(model.controllerBlock(), model.block()), QStringList());
}
