// The professional view's table model: rows, values, refusals, couplings and changed rows.
#include "professional_support.h"
#include "test_resources.h"

#include <QBrush>
#include <QFont>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// Sets a field through setData as a view does: check state for flags, a number otherwise.
bool edit(FieldTableModel& model, Field f, std::int64_t value)
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

bool editableCell(const FieldTableModel& model, int row)
{
    const Qt::ItemFlags flags = model.flags(model.index(row, FieldTableModel::ValueColumn));
    return flags.testAnyFlags(Qt::ItemIsEditable | Qt::ItemIsUserCheckable);
}

// A valid value other than the current one, preferring the ends of the range.
std::int64_t otherValidValue(const FieldRules& rules, const ConfigBlock& block, Field f)
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
QList<Field> couplingsOf(Field f)
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
ConfigBlock fullWith(std::initializer_list<std::pair<Field, std::uint32_t>> values)
{
    ConfigBlock b = presetBlock(QStringLiteral("full"));
    for (const auto& [f, v] : values)
        b.set(f, v);
    return b;
}

void expectNoCouplingErrors(const FieldTableModel& model)
{
    EXPECT_EQ(model.rules().couplingErrors(model.controllerBlock(), model.block()), QStringList());
}

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

// --- Couplings --------------------------------------------------------------------------------

TEST(FieldTableModelCouplings, BoostOnTurnsEconomyOffAndClearsTheBrakeSensor)
{
    const ConfigBlock controller =
        fullWith({{Field::EconomyFunction, 1}, {Field::BrakeSensorType, 0}});
    FieldTableModel model;
    load(model, controller);
    ModelRecorder recorder(model);

    ASSERT_TRUE(edit(model, Field::BoostFunction, 1));
    EXPECT_TRUE(model.block().flag(Field::BoostFunction));
    EXPECT_FALSE(model.block().flag(Field::EconomyFunction));
    EXPECT_EQ(recorder.adjustedFields(), QList<Field>{Field::EconomyFunction});
    const QString reason = recorder.reasonFor(Field::EconomyFunction);
    EXPECT_TRUE(reason.contains(QLatin1String("EconomyFunction")) &&
                reason.contains(QLatin1String("BoostFunction")))
        << reason.toStdString();
    EXPECT_TRUE(recorder.changedRows.contains(Field::EconomyFunction));
    expectNoCouplingErrors(model);

    // With a brake sensor fitted, Boost takes the brake input from it.
    load(model, presetBlock(QStringLiteral("full"))); // BrakeSensorType 1
    recorder.clear();
    ASSERT_TRUE(edit(model, Field::BoostFunction, 1));
    EXPECT_EQ(model.block().get(Field::BrakeSensorType), 0u);
    EXPECT_EQ(recorder.adjustedFields(), QList<Field>{Field::BrakeSensorType});
    EXPECT_TRUE(
        recorder.reasonFor(Field::BrakeSensorType).contains(QLatin1String("BoostFunction")));
    EXPECT_TRUE(recorder.changedRows.contains(Field::BrakeSensorType));
    expectNoCouplingErrors(model);
}

TEST(FieldTableModelCouplings, EconomyOnTurnsBoostOffAndClearsTheBrakeSensor)
{
    FieldTableModel model;
    load(model, fullWith({{Field::BoostFunction, 1}, {Field::BrakeSensorType, 2}}));
    ModelRecorder recorder(model);

    ASSERT_TRUE(edit(model, Field::EconomyFunction, 1));
    EXPECT_TRUE(model.block().flag(Field::EconomyFunction));
    EXPECT_FALSE(model.block().flag(Field::BoostFunction));
    EXPECT_EQ(model.block().get(Field::BrakeSensorType), 0u);
    EXPECT_EQ(recorder.adjustedFields(),
              QList<Field>({Field::BoostFunction, Field::BrakeSensorType}));
    EXPECT_TRUE(
        recorder.reasonFor(Field::BoostFunction).contains(QLatin1String("EconomyFunction")));
    EXPECT_TRUE(
        recorder.reasonFor(Field::BrakeSensorType).contains(QLatin1String("EconomyFunction")));
    expectNoCouplingErrors(model);
}

TEST(FieldTableModelCouplings, ABrakeSensorTurnsBoostAndEconomyOff)
{
    FieldTableModel model;
    load(model, fullWith({{Field::BoostFunction, 1}, {Field::BrakeSensorType, 0}}));
    ModelRecorder recorder(model);

    ASSERT_TRUE(edit(model, Field::BrakeSensorType, 3));
    EXPECT_EQ(model.block().get(Field::BrakeSensorType), 3u);
    EXPECT_FALSE(model.block().flag(Field::BoostFunction));
    EXPECT_EQ(recorder.adjustedFields(), QList<Field>{Field::BoostFunction}); // Economy was off
    const QString reason = recorder.reasonFor(Field::BoostFunction);
    EXPECT_TRUE(reason.contains(QLatin1String("BoostFunction")) &&
                reason.contains(QLatin1String("BrakeSensorType")))
        << reason.toStdString();
    expectNoCouplingErrors(model);

    // Back to no sensor: the functions stay as they are.
    recorder.clear();
    ASSERT_TRUE(edit(model, Field::BrakeSensorType, 0));
    EXPECT_TRUE(recorder.adjusted.isEmpty());
    EXPECT_FALSE(model.block().flag(Field::BoostFunction));
}

TEST(FieldTableModelCouplings, BoostLeavesTheBrakeSensorAloneWhereTheControllerHasNone)
{
    // The full preset without regeneration: Boost is there, the brake sensor type is not used,
    // its byte keeps what the controller holds.
    ConfigBlock controller = presetBlock(QStringLiteral("full"));
    controller.setByte(fieldDef(Field::ModelNumber).offset + 4, '0');
    ASSERT_FALSE(FieldRules(controller).used(Field::BrakeSensorType));
    ASSERT_EQ(controller.get(Field::BrakeSensorType), 1u);
    FieldTableModel model;
    load(model, controller);
    ModelRecorder recorder(model);

    ASSERT_TRUE(edit(model, Field::BoostFunction, 1));
    EXPECT_EQ(model.block().get(Field::BrakeSensorType), 1u);
    EXPECT_TRUE(recorder.adjusted.isEmpty());
    expectNoCouplingErrors(model);
}

TEST(FieldTableModelCouplings, ForwardSwitchTurnsTheFootSwitchOffAndLocksIt)
{
    FieldTableModel model;
    load(model, presetBlock(QStringLiteral("full"))); // foot switch on, forward switch off
    ModelRecorder recorder(model);
    const int footRow = model.rowOf(Field::FootSwitch);
    ASSERT_TRUE(editableCell(model, footRow));

    ASSERT_TRUE(edit(model, Field::ForwardSwitch, 1));
    EXPECT_FALSE(model.block().flag(Field::FootSwitch));
    EXPECT_EQ(recorder.adjustedFields(), QList<Field>{Field::FootSwitch});
    const QString reason = recorder.reasonFor(Field::FootSwitch);
    EXPECT_TRUE(reason.contains(QLatin1String("FootSwitch")) &&
                reason.contains(QLatin1String("ForwardSwitch")))
        << reason.toStdString();
    EXPECT_TRUE(recorder.changedRows.contains(Field::FootSwitch));
    EXPECT_FALSE(editableCell(model, footRow));
    expectNoCouplingErrors(model);

    recorder.clear();
    EXPECT_FALSE(edit(model, Field::FootSwitch, 1));
    EXPECT_EQ(recorder.refused, QList<Field>{Field::FootSwitch});
    EXPECT_FALSE(model.block().flag(Field::FootSwitch));

    // Forward switch off again: the foot switch is free, and stays off until chosen.
    recorder.clear();
    ASSERT_TRUE(edit(model, Field::ForwardSwitch, 0));
    EXPECT_TRUE(recorder.changedRows.contains(Field::FootSwitch));
    EXPECT_TRUE(editableCell(model, footRow));
    EXPECT_FALSE(model.block().flag(Field::FootSwitch));
    EXPECT_TRUE(edit(model, Field::FootSwitch, 1));
    EXPECT_EQ(model.block(), model.controllerBlock());
}

TEST(FieldTableModelCouplings, ControlModeAlsoWritesItsCopy)
{
    FieldTableModel model;
    load(model, presetBlock(QStringLiteral("full"))); // torque in both
    ModelRecorder recorder(model);

    ASSERT_TRUE(edit(model, Field::ControlMode, 1));
    EXPECT_EQ(model.block().get(Field::ControlModeCopy), 1u);
    EXPECT_EQ(recorder.adjustedFields(), QList<Field>{Field::ControlModeCopy});
    EXPECT_TRUE(recorder.reasonFor(Field::ControlModeCopy).contains(QLatin1String("ControlMode")));
    EXPECT_TRUE(recorder.changedRows.contains(Field::ControlModeCopy));
    EXPECT_EQ(model.changedFields(), QList<Field>({Field::ControlModeCopy, Field::ControlMode}));

    // A controller whose copy disagrees gets it put right when the mode is stored again.
    load(model, fullWith({{Field::ControlModeCopy, 1}}));
    recorder.clear();
    ASSERT_TRUE(edit(model, Field::ControlMode, 3));
    EXPECT_EQ(model.block().get(Field::ControlModeCopy), 3u);
    EXPECT_EQ(recorder.adjustedFields(), QList<Field>{Field::ControlModeCopy});

    // The old mode 2 of the legacy preset: choosing a mode writes both.
    load(model, presetBlock(QStringLiteral("legacy")));
    ASSERT_TRUE(edit(model, Field::ControlMode, 3));
    EXPECT_EQ(model.block().get(Field::ControlMode), 3u);
    EXPECT_EQ(model.block().get(Field::ControlModeCopy), 3u);
}

TEST(FieldTableModelCouplings, AConflictTheControllerHoldsIsLeftAloneUntilOneOfItsFieldsIsEdited)
{
    // Both functions on with a brake sensor: a state the wizard would never write.
    const ConfigBlock controller = fullWith({{Field::BoostFunction, 1},
                                             {Field::EconomyFunction, 1},
                                             {Field::BrakeSensorType, 2},
                                             {Field::ForwardSwitch, 1},
                                             {Field::FootSwitch, 1}});
    FieldTableModel model;
    load(model, controller);
    ModelRecorder recorder(model);
    EXPECT_FALSE(editableCell(model, model.rowOf(Field::FootSwitch)));

    ASSERT_TRUE(edit(model, Field::MaxMotorCurrent, 90));
    EXPECT_TRUE(recorder.adjusted.isEmpty());
    expectNoCouplingErrors(model);

    // Boost off leaves Economy against the sensor: the sensor wins, as on the regeneration page.
    recorder.clear();
    ASSERT_TRUE(edit(model, Field::BoostFunction, 0));
    EXPECT_FALSE(model.block().flag(Field::EconomyFunction));
    EXPECT_EQ(model.block().get(Field::BrakeSensorType), 2u);
    EXPECT_EQ(recorder.adjustedFields(), QList<Field>{Field::EconomyFunction});
    expectNoCouplingErrors(model);

    // Forward switch off and on again settles the foot switch too.
    ASSERT_TRUE(edit(model, Field::ForwardSwitch, 0));
    ASSERT_TRUE(edit(model, Field::FootSwitch, 1));
    ASSERT_TRUE(edit(model, Field::ForwardSwitch, 1));
    EXPECT_FALSE(model.block().flag(Field::FootSwitch));
    expectNoCouplingErrors(model);
}

TEST(FieldTableModelCouplings, ChoosingBoostAgainSettlesAConflictTheControllerHolds)
{
    // Boost and Economy both on with a sensor: left alone until Boost is chosen again, which
    // applies its couplings as the motor page's store does.
    FieldTableModel model;
    load(model, fullWith({{Field::BoostFunction, 1}, {Field::EconomyFunction, 1}}));
    ModelRecorder recorder(model);
    ASSERT_TRUE(model.setData(
        model.index(model.rowOf(Field::BoostFunction), FieldTableModel::ValueColumn), true));
    EXPECT_TRUE(model.block().flag(Field::BoostFunction));
    EXPECT_FALSE(model.block().flag(Field::EconomyFunction));
    EXPECT_EQ(model.block().get(Field::BrakeSensorType), 0u);
    EXPECT_EQ(recorder.adjustedFields(),
              QList<Field>({Field::EconomyFunction, Field::BrakeSensorType}));
    EXPECT_TRUE(recorder.changedRows.contains(Field::EconomyFunction));
    expectNoCouplingErrors(model);
}

TEST(FieldTableModelCouplings, EveryEditSequenceOnTheCoupledFieldsLeavesNoCouplingError)
{
    // Every pair of edits of the coupled fields from a few controller states.
    const QList<std::pair<Field, std::int64_t>> edits = {
        {Field::BoostFunction, 0},   {Field::BoostFunction, 1},   {Field::EconomyFunction, 0},
        {Field::EconomyFunction, 1}, {Field::BrakeSensorType, 0}, {Field::BrakeSensorType, 3},
        {Field::ForwardSwitch, 0},   {Field::ForwardSwitch, 1},   {Field::FootSwitch, 1},
    };
    const QList<ConfigBlock> controllers = {
        presetBlock(QStringLiteral("full")),
        fullWith({{Field::BoostFunction, 1}, {Field::EconomyFunction, 1}}),
        fullWith({{Field::EconomyFunction, 1}, {Field::BrakeSensorType, 3}}),
        fullWith({{Field::ForwardSwitch, 1}, {Field::FootSwitch, 1}}),
    };
    FieldTableModel model;
    for (const ConfigBlock& controller : controllers) {
        for (const auto& first : edits) {
            for (const auto& second : edits) {
                load(model, controller);
                edit(model, first.first, first.second);
                edit(model, second.first, second.second);
                SCOPED_TRACE(std::string(fieldDef(first.first).name) + " then " +
                             fieldDef(second.first).name);
                expectNoCouplingErrors(model);
            }
        }
    }
}

// --- Changed rows -----------------------------------------------------------------------------

TEST(FieldTableModelChanges, ChangedRowsAreMarkedAndGoAwayWhenEditedBack)
{
    FieldTableModel model;
    load(model, presetBlock(QStringLiteral("full")));
    const int row = model.rowOf(Field::MaxMotorCurrent);
    const QModelIndex name = model.index(row, FieldTableModel::NameColumn);

    ASSERT_TRUE(edit(model, Field::MaxMotorCurrent, 80));
    EXPECT_TRUE(model.isChanged(row));
    EXPECT_TRUE(name.data(FieldTableModel::ChangedRole).toBool());
    EXPECT_TRUE(name.data(Qt::FontRole).value<QFont>().bold());
    EXPECT_TRUE(name.data(Qt::BackgroundRole).canConvert<QBrush>());
    EXPECT_TRUE(name.data(Qt::ForegroundRole).canConvert<QBrush>());
    EXPECT_EQ(model.changedFields(), QList<Field>{Field::MaxMotorCurrent});
    // The controller column keeps what the controller holds.
    EXPECT_EQ(model.index(row, FieldTableModel::ControllerColumn).data().toString(),
              QStringLiteral("100"));

    ASSERT_TRUE(edit(model, Field::Smooth, 0));
    EXPECT_EQ(model.changedFields(), QList<Field>({Field::MaxMotorCurrent, Field::Smooth}));

    ASSERT_TRUE(edit(model, Field::MaxMotorCurrent, 100));
    EXPECT_FALSE(model.isChanged(row));
    EXPECT_FALSE(name.data(FieldTableModel::ChangedRole).toBool());
    EXPECT_FALSE(name.data(Qt::FontRole).isValid());
    EXPECT_FALSE(name.data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(model.changedFields(), QList<Field>{Field::Smooth});

    ASSERT_TRUE(edit(model, Field::Smooth, 1));
    EXPECT_TRUE(model.changedFields().isEmpty());
}

TEST(FieldTableModelChanges, FieldsACouplingAdjustsCountAsChanged)
{
    FieldTableModel model;
    load(model, presetBlock(QStringLiteral("full")));
    ASSERT_TRUE(edit(model, Field::BoostFunction, 1));
    EXPECT_EQ(model.changedFields(), QList<Field>({Field::BoostFunction, Field::BrakeSensorType}));
}

TEST(FieldTableModelChanges, ResetToControllerDropsEveryEdit)
{
    const ConfigBlock controller = presetBlock(QStringLiteral("full"));
    FieldTableModel model;
    load(model, controller);
    ASSERT_TRUE(edit(model, Field::MaxMotorCurrent, 80));
    ASSERT_TRUE(edit(model, Field::ForwardSwitch, 1));
    ModelRecorder recorder(model);

    model.resetToController();
    EXPECT_EQ(model.block(), controller);
    EXPECT_TRUE(model.changedFields().isEmpty());
    EXPECT_TRUE(recorder.changedRows.contains(Field::MaxMotorCurrent));
    EXPECT_TRUE(editableCell(model, model.rowOf(Field::FootSwitch)));

    // An edited block given with the controller's: its differences show at once.
    ConfigBlock edited = controller;
    edited.set(Field::StartupDelay, 9);
    model.setBlocks(edited, controller);
    EXPECT_EQ(model.changedFields(), QList<Field>{Field::StartupDelay});
}

TEST(FieldTableModelChanges, NewBlocksOfTheSameRowsChangeCellsInPlaceOthersReset)
{
    // In place, a view keeps its current cell and scroll position across a write or a read.
    const ConfigBlock full = presetBlock(QStringLiteral("full"));
    FieldTableModel model;
    load(model, full);
    int resets = 0, changes = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&resets] { ++resets; });
    QObject::connect(&model, &QAbstractItemModel::dataChanged, [&changes] { ++changes; });

    ConfigBlock edited = full;
    edited.set(Field::MaxMotorCurrent, 90);
    model.setBlocks(edited, full);
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(model.changedFields(), QList<Field>{Field::MaxMotorCurrent});

    const ConfigBlock basic = presetBlock(QStringLiteral("basic"));
    ASSERT_NE(tableFields(FieldRules(basic)), tableFields(FieldRules(full)));
    model.setBlocks(basic, basic);
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(model.rowCount(), tableFields(FieldRules(basic)).size());
}

} // namespace

// --- Words -------------------------------------------------------------------------------------

TEST(FieldTableModelWords, TheChineseModuleSaysEveryUnitMeaningAndFlagInItsOwnWords)
{
    const ResourceModule& cn = testModule(QStringLiteral("chinese"));
    const ViewTexts texts([&cn](int id) { return cn.string(id); });
    // An English word left over; sensor and thermistor names ("0-5V", "KTY84-130") are no words.
    const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    const auto english = [&word](const QString& text) {
        QString rest = text;
        rest.remove(QRegularExpression(QStringLiteral("KTY\\d")));
        return word.match(rest).hasMatch();
    };
    for (const QString& preset : presetNames()) {
        SCOPED_TRACE(preset.toStdString());
        ConfigBlock block = presetBlock(preset);
        FieldTableModel model;
        model.setTexts(texts);
        load(model, block);
        for (int row = 0; row < model.rowCount(); ++row) {
            const Field f = model.field(row);
            SCOPED_TRACE(fieldDef(f).name);
            const QString unit = model.index(row, FieldTableModel::UnitColumn).data().toString();
            EXPECT_FALSE(english(unit)) << unit.toStdString();
            EXPECT_FALSE(
                english(model.index(row, FieldTableModel::ControllerColumn).data().toString()));
            // Every value a list offers, and the meaning of every valid value.
            for (const FieldChoice& c : fieldChoices(model.rules(), f, texts))
                EXPECT_FALSE(english(c.text)) << c.text.toStdString();
            const ValidValues valid = model.rules().valid(f);
            if (fieldDef(f).kind != FieldKind::Number || valid.isEmpty())
                continue;
            for (const ValidValues::Span& s : valid.spans())
                // Named values are few; wide spans (CAN identifiers) are numbers only.
                for (std::int64_t v = s.min; v <= std::min(s.max, s.min + 255 * s.step);
                     v += s.step) {
                    const QString meaning =
                        texts.word(model.rules().meaningWord(f, static_cast<std::uint32_t>(v)));
                    EXPECT_FALSE(english(meaning)) << v << " " << meaning.toStdString();
                }
            const QString tip =
                model.index(row, FieldTableModel::ValueColumn).data(Qt::ToolTipRole).toString();
            EXPECT_FALSE(tip.contains(QLatin1String("Valid")) ||
                         tip.contains(QLatin1String("even")))
                << tip.toStdString();
        }
    }
}

TEST(FieldTableModelWords, ReasonsAndRefusalsComeInTheModulesWordsAndNameTheField)
{
    const ResourceModule& cn = testModule(QStringLiteral("chinese"));
    const ViewTexts texts([&cn](int id) { return cn.string(id); });
    FieldTableModel model;
    model.setTexts(texts);
    const ConfigBlock block = presetBlock(QStringLiteral("full"));
    load(model, block);
    EXPECT_EQ(model.headerData(FieldTableModel::MeaningColumn, Qt::Horizontal).toString(),
              cn.string(ViewTexts::MeaningColumn));

    QStringList adjusted, refused;
    QObject::connect(&model, &FieldTableModel::valueAdjusted,
                     [&adjusted](Field, const QString& reason) { adjusted.append(reason); });
    QObject::connect(&model, &FieldTableModel::editRefused,
                     [&refused](Field, const QString& reason) { refused.append(reason); });
    ASSERT_TRUE(model.setFieldValue(Field::BrakeSensorType, 1));
    ASSERT_TRUE(model.setFieldValue(Field::BoostFunction, 1));
    ASSERT_FALSE(adjusted.isEmpty());
    EXPECT_EQ(adjusted.last(),
              cn.string(ViewTexts::BrakeSensorClearedReason).arg(QStringLiteral("BoostFunction")));
    EXPECT_FALSE(model.setFieldValue(Field::MaxMotorCurrent, 100000));
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused.first().startsWith(QStringLiteral("MaxMotorCurrent")));
    EXPECT_TRUE(refused.first().contains(cn.string(ViewTexts::InvalidRefusal)
                                             .section(QStringLiteral("%2"), 0, 0)
                                             .remove(QStringLiteral("%1"))));
}
