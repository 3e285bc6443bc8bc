// The professional view's table model: couplings, changed rows and the modules' words.
#include "field_table_model_fixture.h"

#include <gtest/gtest.h>

namespace {

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
