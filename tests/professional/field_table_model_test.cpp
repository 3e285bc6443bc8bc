// The professional view's table model: rows and values, refusals and accepted edits.
#include "field_table_model_fixture.h"

#include <gtest/gtest.h>

namespace {

// --- Rows and values --------------------------------------------------------------------------

TEST(FieldTableModelRows, EveryPresetShowsItsUsedNonIdentityFieldsWithTheirValues)
{
    for (const QString& preset : presetNames()) {
        SCOPED_TRACE(preset.toStdString());
        const ConfigBlock block = presetBlock(preset);
        const FieldRules rules(block);
        FieldTableModel model;
        load(model, block);

        const QList<Field> expected = tableFields(rules);
        ASSERT_FALSE(expected.isEmpty());
        ASSERT_EQ(model.rowCount(), expected.size());
        EXPECT_EQ(model.columnCount(), int(FieldTableModel::ColumnCount));
        for (int row = 0; row < model.rowCount(); ++row) {
            const Field f = expected.at(row);
            SCOPED_TRACE(fieldDef(f).name);
            ASSERT_EQ(model.field(row), f);
            EXPECT_EQ(model.index(row, 0).data(FieldTableModel::FieldRole).value<Field>(), f);
            EXPECT_EQ(model.group(row), rules.rule(f).group);
            EXPECT_EQ(model.index(row, 3).data(FieldTableModel::GroupRole).toInt(),
                      int(rules.rule(f).group));
            EXPECT_EQ(model.index(row, 0).data(FieldTableModel::GroupNameRole).toString(),
                      QString::fromLatin1(fieldGroupName(rules.rule(f).group)));
            EXPECT_EQ(model.index(row, FieldTableModel::NameColumn).data().toString(),
                      QString::fromLatin1(fieldDef(f).name));
            EXPECT_EQ(model.index(row, FieldTableModel::UnitColumn).data().toString(),
                      FieldRules::unit(f));
            EXPECT_EQ(model.index(row, FieldTableModel::MeaningColumn).data().toString(),
                      rules.meaning(f, block.get(f)));
            EXPECT_EQ(model.index(row, FieldTableModel::ControllerColumn).data().toString(),
                      fieldValueText(block, f));
            EXPECT_FALSE(model.index(row, FieldTableModel::BackupColumn).data().isValid());

            const QModelIndex value = model.index(row, FieldTableModel::ValueColumn);
            switch (fieldDef(f).kind) {
            case FieldKind::Flag:
                EXPECT_EQ(value.data(Qt::CheckStateRole).toInt(),
                          block.flag(f) ? Qt::Checked : Qt::Unchecked);
                break;
            case FieldKind::Number:
                EXPECT_EQ(value.data(Qt::EditRole).typeId(), QMetaType::Int);
                EXPECT_EQ(value.data(Qt::EditRole).toLongLong(), std::int64_t(block.get(f)));
                EXPECT_FALSE(value.data(Qt::CheckStateRole).isValid());
                break;
            default:
                EXPECT_EQ(value.data().toString(), fieldValueText(block, f));
                break;
            }
            // No preset has the forward switch on, so nothing is locked by a coupling.
            EXPECT_EQ(editableCell(model, row), rules.writable(f));
            EXPECT_EQ(model.isEditable(f), rules.writable(f));
            for (int column : {FieldTableModel::NameColumn, FieldTableModel::UnitColumn,
                               FieldTableModel::MeaningColumn, FieldTableModel::ControllerColumn,
                               FieldTableModel::BackupColumn})
                EXPECT_FALSE(model.flags(model.index(row, column))
                                 .testAnyFlags(Qt::ItemIsEditable | Qt::ItemIsUserCheckable));
            EXPECT_FALSE(model.isChanged(row));
        }
        EXPECT_TRUE(model.changedFields().isEmpty());
    }
}

TEST(FieldTableModelRows, BackupColumnShowsTheBackupImageUntilItIsTakenAway)
{
    const ConfigBlock controller = presetBlock(QStringLiteral("full"));
    ConfigBlock backup = controller;
    backup.set(Field::MaxMotorCurrent, 60);
    backup.setFlag(Field::FootSwitch, false);
    FieldTableModel model;
    load(model, controller);
    ModelRecorder recorder(model);

    model.setBackup(backup);
    const auto backupText = [&](Field f) {
        return model.index(model.rowOf(f), FieldTableModel::BackupColumn).data().toString();
    };
    EXPECT_EQ(backupText(Field::MaxMotorCurrent), QStringLiteral("60"));
    EXPECT_EQ(backupText(Field::FootSwitch), QStringLiteral("false"));
    EXPECT_TRUE(recorder.changedRows.contains(Field::MaxMotorCurrent));
    // The backup is for comparison only: it marks nothing as changed.
    EXPECT_TRUE(model.changedFields().isEmpty());

    model.setBackup(std::nullopt);
    EXPECT_TRUE(backupText(Field::MaxMotorCurrent).isEmpty());
}

TEST(FieldTableModelRows, SetBlocksFollowsTheEditedBlocksIdentity)
{
    FieldTableModel model;
    load(model, presetBlock(QStringLiteral("full")));
    EXPECT_GE(model.rowOf(Field::PreferredAddress), 0);
    load(model, presetBlock(QStringLiteral("basic")));
    EXPECT_EQ(model.rowOf(Field::PreferredAddress), -1);
    EXPECT_EQ(model.rowOf(Field::BoostFunction), -1);
    EXPECT_GE(model.rowOf(Field::ThrottleStartEndSteps), 0);
    EXPECT_EQ(model.rowOf(Field::SerialNumber), -1); // identity is shown elsewhere
}

// --- Refusals ---------------------------------------------------------------------------------

TEST(FieldTableModelRefusals, EveryPresetRefusesOutOfRangeValuesAndFixedFields)
{
    for (const QString& preset : presetNames()) {
        SCOPED_TRACE(preset.toStdString());
        const ConfigBlock block = presetBlock(preset);
        FieldTableModel model;
        load(model, block);
        ModelRecorder recorder(model);
        for (int row = 0; row < model.rowCount(); ++row) {
            const Field f = model.field(row);
            SCOPED_TRACE(fieldDef(f).name);
            const QModelIndex value = model.index(row, FieldTableModel::ValueColumn);
            recorder.clear();
            if (!model.rules().writable(f)) {
                // Not even the value it holds can be written.
                if (fieldDef(f).kind == FieldKind::Flag)
                    EXPECT_FALSE(
                        model.setData(value, value.data(Qt::CheckStateRole), Qt::CheckStateRole));
                else
                    EXPECT_FALSE(model.setData(value, value.data(Qt::EditRole), Qt::EditRole));
                EXPECT_FALSE(model.setFieldValue(f, block.get(f)));
                EXPECT_EQ(recorder.refused, QList<Field>({f, f}));
            } else {
                const ValidValues valid = model.rules().valid(f);
                for (std::int64_t outside : {valid.min() - 1, valid.max() + 1})
                    EXPECT_FALSE(
                        model.setData(value, QVariant::fromValue<qlonglong>(outside), Qt::EditRole))
                        << outside;
                EXPECT_EQ(recorder.refused, QList<Field>({f, f}));
            }
            EXPECT_EQ(model.block(), block);
            EXPECT_TRUE(recorder.changedRows.isEmpty());
            EXPECT_TRUE(recorder.adjusted.isEmpty());
        }
    }
}

TEST(FieldTableModelRefusals, ValuesOffTheStepOrInTheGapAreRefused)
{
    const ConfigBlock block = presetBlock(QStringLiteral("full"));
    FieldTableModel model;
    load(model, block);

    EXPECT_FALSE(edit(model, Field::ThrottleUpDownRate, 15));
    EXPECT_FALSE(edit(model, Field::MotorPoles, 7));
    EXPECT_FALSE(edit(model, Field::HallSensorType, 90));
    EXPECT_FALSE(edit(model, Field::ControlMode, 2)); // the old mode is converted, never chosen
    EXPECT_FALSE(edit(model, Field::ThrottleStartPosition, 21));
    for (std::int64_t gap : {128, 200, 247})
        EXPECT_FALSE(edit(model, Field::PreferredAddress, gap)) << gap;
    EXPECT_EQ(model.block(), block);

    for (std::int64_t ok : {127, 248, 253})
        EXPECT_TRUE(edit(model, Field::PreferredAddress, ok)) << ok;
    EXPECT_EQ(model.block().get(Field::PreferredAddress), 253u);
}

TEST(FieldTableModelRefusals, ValuesThatAreNoWholeNumberOrNoStateAreRefused)
{
    const ConfigBlock block = presetBlock(QStringLiteral("full"));
    FieldTableModel model;
    load(model, block);
    const QModelIndex current =
        model.index(model.rowOf(Field::MaxMotorCurrent), FieldTableModel::ValueColumn);
    const QModelIndex boost =
        model.index(model.rowOf(Field::BoostFunction), FieldTableModel::ValueColumn);

    EXPECT_FALSE(model.setData(current, QStringLiteral("eighty"), Qt::EditRole));
    EXPECT_FALSE(model.setData(current, 80.5, Qt::EditRole));
    EXPECT_FALSE(model.setData(current, true, Qt::EditRole));
    EXPECT_FALSE(model.setData(current, QVariant(), Qt::EditRole));
    EXPECT_FALSE(model.setData(current, 80, Qt::DisplayRole));
    EXPECT_FALSE(model.setData(boost, Qt::PartiallyChecked, Qt::CheckStateRole));
    EXPECT_FALSE(model.setData(boost, 2, Qt::EditRole));
    // Cells outside the value column take nothing.
    EXPECT_FALSE(model.setData(model.index(current.row(), FieldTableModel::NameColumn), 80));
    EXPECT_FALSE(model.setData(model.index(current.row(), FieldTableModel::ControllerColumn), 80));
    EXPECT_EQ(model.block(), block);

    // Whole numbers in any form are taken.
    EXPECT_TRUE(model.setData(current, QStringLiteral(" 80 "), Qt::EditRole));
    EXPECT_EQ(model.block().get(Field::MaxMotorCurrent), 80u);
    EXPECT_TRUE(model.setData(current, 70.0, Qt::EditRole));
    EXPECT_EQ(model.block().get(Field::MaxMotorCurrent), 70u);
    EXPECT_TRUE(model.setData(boost, true, Qt::EditRole));
    EXPECT_TRUE(model.block().flag(Field::BoostFunction));
}

TEST(FieldTableModelRefusals, FieldsTheControllerShowsFixedAreRefused)
{
    // PDR, variant A: the pole count and Half Speed are shown, not written.
    const ConfigBlock pdr = presetBlock(QStringLiteral("pdr"));
    FieldTableModel model;
    load(model, pdr);
    EXPECT_FALSE(edit(model, Field::MotorPoles, 10));
    EXPECT_FALSE(edit(model, Field::HalfSpeedInReverse, 1));
    EXPECT_FALSE(edit(model, Field::ControlModeCopy, 1));
    EXPECT_FALSE(model.setFieldValue(Field::SerialNumber, 1)); // identity: no row at all
    EXPECT_EQ(model.block(), pdr);
}

// --- Accepted edits ---------------------------------------------------------------------------

TEST(FieldTableModelEdits, AnAcceptedEditChangesOnlyThatFieldAndWhatItsCouplingsAdjust)
{
    for (const QString& preset : presetNames()) {
        SCOPED_TRACE(preset.toStdString());
        const ConfigBlock block = presetBlock(preset);
        FieldTableModel model;
        load(model, block);
        ModelRecorder recorder(model);
        for (int row = 0; row < model.rowCount(); ++row) {
            const Field f = model.field(row);
            if (!model.rules().writable(f))
                continue;
            SCOPED_TRACE(fieldDef(f).name);
            model.resetToController();
            recorder.clear();

            const std::int64_t v = otherValidValue(model.rules(), block, f);
            ASSERT_TRUE(edit(model, f, v));
            const ConfigBlock after = model.block();
            ConfigBlock expected = block;
            expected.set(f, static_cast<std::uint32_t>(v));
            for (Field adjusted : recorder.adjustedFields()) {
                EXPECT_TRUE(couplingsOf(f).contains(adjusted)) << fieldDef(adjusted).name;
                expected.set(adjusted, after.get(adjusted));
            }
            EXPECT_EQ(after, expected);
            EXPECT_TRUE(recorder.refused.isEmpty());
            EXPECT_TRUE(recorder.changedRows.contains(f));
            EXPECT_TRUE(model.changedFields().contains(f));
            if (f == Field::ControlMode) {
                EXPECT_EQ(after.get(Field::ControlModeCopy), after.get(Field::ControlMode));
            }
            expectNoCouplingErrors(model);
        }
    }
}

TEST(FieldTableModelEdits, MeaningFollowsTheValue)
{
    FieldTableModel model;
    load(model, presetBlock(QStringLiteral("full")));
    ModelRecorder recorder(model);
    const auto meaning = [&](Field f) {
        return model.index(model.rowOf(f), FieldTableModel::MeaningColumn).data().toString();
    };

    ASSERT_TRUE(edit(model, Field::StartupDelay, 7));
    EXPECT_EQ(meaning(Field::StartupDelay), QStringLiteral("0.7 s"));
    EXPECT_TRUE(recorder.changedRows.contains(Field::StartupDelay));
    ASSERT_TRUE(edit(model, Field::BrakeSensorType, 2));
    EXPECT_EQ(meaning(Field::BrakeSensorType), QStringLiteral("1-4V"));
    ASSERT_TRUE(edit(model, Field::ControlMode, 1));
    EXPECT_EQ(meaning(Field::ControlMode), QStringLiteral("Balanced"));
    EXPECT_EQ(meaning(Field::ControlModeCopy), QStringLiteral("Balanced"));
}

} // namespace
