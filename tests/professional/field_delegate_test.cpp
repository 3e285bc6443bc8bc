// The professional view's editors and its name filter.
#include "field_delegate.h"
#include "field_filter_model.h"
#include "professional_support.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QStyleOptionViewItem>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class FieldDelegateTest : public ::testing::Test
{
protected:
    void SetUp() override { load(model, presetBlock(QStringLiteral("full"))); }

    QModelIndex valueIndex(Field f) const
    {
        const int row = model.rowOf(f);
        EXPECT_GE(row, 0) << fieldDef(f).name;
        return model.index(row, FieldTableModel::ValueColumn);
    }

    QWidget* editorFor(Field f) { return editorAt(valueIndex(f)); }
    QWidget* editorAt(const QModelIndex& index)
    {
        QWidget* editor = delegate.createEditor(&parent, QStyleOptionViewItem(), index);
        if (editor)
            delegate.setEditorData(editor, index);
        return editor;
    }

    QList<int> itemValues(const QComboBox* combo) const
    {
        QList<int> values;
        for (int i = 0; i < combo->count(); ++i)
            values.append(combo->itemData(i).toInt());
        return values;
    }

    QWidget parent;
    FieldTableModel model;
    FieldDelegate delegate;
};

TEST_F(FieldDelegateTest, NumberEntriesSpanTheValidValuesInTheirSteps)
{
    struct Expect
    {
        Field field;
        int min;
        int max;
        int step;
    };
    for (const Expect& e :
         {Expect{Field::ThrottleUpDownRate, 10, 200, 10}, Expect{Field::MotorPoles, 2, 200, 2},
          Expect{Field::ThrottleStartPosition, 0, 80, 2},
          Expect{Field::MaxMotorCurrent, 20, 100, 1},
          Expect{Field::OverVoltage, 18, 90, 1}, // the 72 V class
          Expect{Field::PreferredAddress, 0, 253, 1}, Expect{Field::IdentityNumber, 0, 2097151, 1},
          Expect{Field::ArbitraryAddressCapable, 0, 1, 1}}) {
        SCOPED_TRACE(fieldDef(e.field).name);
        auto* spin = qobject_cast<QSpinBox*>(editorFor(e.field));
        ASSERT_NE(spin, nullptr);
        EXPECT_EQ(spin->minimum(), e.min);
        EXPECT_EQ(spin->maximum(), e.max);
        EXPECT_EQ(spin->singleStep(), e.step);
        EXPECT_EQ(spin->value(), int(model.block().get(e.field)));
    }
}

TEST_F(FieldDelegateTest, FieldsWithFewValuesGetAList)
{
    struct Expect
    {
        Field field;
        QList<int> values;
    };
    for (const Expect& e : {Expect{Field::ThrottleSensorType, {1, 2, 3}},
                            Expect{Field::BrakeSensorType, {0, 1, 2, 3}},
                            Expect{Field::MotorTemperatureSensor, {0, 1, 2}},
                            Expect{Field::HallSensorType, {60, 120}},
                            Expect{Field::ControlMode, {1, 3}}, Expect{Field::SpeedMode, {0, 2}}}) {
        SCOPED_TRACE(fieldDef(e.field).name);
        auto* combo = qobject_cast<QComboBox*>(editorFor(e.field));
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(itemValues(combo), e.values);
        EXPECT_EQ(combo->currentData().toInt(), int(model.block().get(e.field)));
        for (int i = 0; i < combo->count(); ++i)
            EXPECT_FALSE(combo->itemText(i).isEmpty());
    }
    auto* control = qobject_cast<QComboBox*>(editorFor(Field::ControlMode));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->itemText(control->findData(3)), QStringLiteral("3: Torque"));
    auto* hall = qobject_cast<QComboBox*>(editorFor(Field::HallSensorType));
    ASSERT_NE(hall, nullptr);
    EXPECT_EQ(hall->itemText(hall->findData(60)), QStringLiteral("60 degrees"));

    // Older software offers two throttle sensors under other names.
    load(model, presetBlock(QStringLiteral("legacy")));
    auto* throttle = qobject_cast<QComboBox*>(editorFor(Field::ThrottleSensorType));
    ASSERT_NE(throttle, nullptr);
    EXPECT_EQ(itemValues(throttle), QList<int>({1, 2}));
}

TEST_F(FieldDelegateTest, FlagsAndFixedFieldsGetNoEditor)
{
    EXPECT_EQ(editorFor(Field::BoostFunction), nullptr);     // a check box in the cell
    EXPECT_EQ(editorFor(Field::ControlModeCopy), nullptr);   // follows ControlMode
    EXPECT_EQ(editorFor(Field::HallPhaseSequence), nullptr); // measured by the controller
    EXPECT_EQ(editorAt(model.index(0, FieldTableModel::NameColumn)), nullptr);
}

TEST_F(FieldDelegateTest, ANumberEntryWritesThroughTheModelsChecks)
{
    const ConfigBlock before = model.block();
    ModelRecorder recorder(model);

    auto* rate = qobject_cast<QSpinBox*>(editorFor(Field::ThrottleUpDownRate));
    ASSERT_NE(rate, nullptr);
    rate->setValue(15); // inside min..max, off the step
    delegate.setModelData(rate, &model, valueIndex(Field::ThrottleUpDownRate));
    EXPECT_EQ(recorder.refused, QList<Field>{Field::ThrottleUpDownRate});

    auto* address = qobject_cast<QSpinBox*>(editorFor(Field::PreferredAddress));
    ASSERT_NE(address, nullptr);
    address->setValue(200); // in the gap between the spans
    delegate.setModelData(address, &model, valueIndex(Field::PreferredAddress));
    EXPECT_EQ(model.block(), before);

    address->setValue(250);
    delegate.setModelData(address, &model, valueIndex(Field::PreferredAddress));
    EXPECT_EQ(model.block().get(Field::PreferredAddress), 250u);

    // Typed text not yet committed by the spin box counts as well.
    auto* text = rate->findChild<QLineEdit*>();
    ASSERT_NE(text, nullptr);
    text->setText(QStringLiteral("120"));
    delegate.setModelData(rate, &model, valueIndex(Field::ThrottleUpDownRate));
    EXPECT_EQ(model.block().get(Field::ThrottleUpDownRate), 120u);
}

TEST_F(FieldDelegateTest, AListWritesThroughTheModelsCouplings)
{
    load(model, [] {
        ConfigBlock b = presetBlock(QStringLiteral("full"));
        b.setFlag(Field::EconomyFunction, true);
        b.set(Field::BrakeSensorType, 0);
        return b;
    }());
    ModelRecorder recorder(model);
    auto* brake = qobject_cast<QComboBox*>(editorFor(Field::BrakeSensorType));
    ASSERT_NE(brake, nullptr);
    brake->setCurrentIndex(brake->findData(2));
    delegate.setModelData(brake, &model, valueIndex(Field::BrakeSensorType));
    EXPECT_EQ(model.block().get(Field::BrakeSensorType), 2u);
    EXPECT_FALSE(model.block().flag(Field::EconomyFunction));
    EXPECT_EQ(recorder.adjustedFields(), QList<Field>{Field::EconomyFunction});
}

TEST_F(FieldDelegateTest, AStoredValueTheListLacksSelectsNothingAndIsKept)
{
    load(model, presetBlock(QStringLiteral("legacy"))); // control mode 2
    const ConfigBlock before = model.block();
    auto* mode = qobject_cast<QComboBox*>(editorFor(Field::ControlMode));
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->currentIndex(), -1);
    delegate.setModelData(mode, &model, valueIndex(Field::ControlMode));
    EXPECT_EQ(model.block(), before);
}

TEST_F(FieldDelegateTest, EditorsWorkThroughTheFilter)
{
    FieldFilterModel filter;
    filter.setSourceModel(&model);
    filter.setNameFilter(QStringLiteral("poles"));
    ASSERT_EQ(filter.rowCount(), 1);
    const QModelIndex index = filter.index(0, FieldTableModel::ValueColumn);
    auto* poles = qobject_cast<QSpinBox*>(editorAt(index));
    ASSERT_NE(poles, nullptr);
    EXPECT_EQ(poles->singleStep(), 2);
    poles->setValue(12);
    delegate.setModelData(poles, &filter, index);
    EXPECT_EQ(model.block().get(Field::MotorPoles), 12u);
}

// --- Name filter ------------------------------------------------------------------------------

QStringList filteredNames(const FieldFilterModel& filter)
{
    QStringList names;
    for (int row = 0; row < filter.rowCount(); ++row)
        names << filter.index(row, FieldTableModel::NameColumn).data().toString();
    return names;
}

TEST(FieldFilterModel, FindsFieldsByPartOfTheirNameIgnoringCase)
{
    FieldTableModel model;
    load(model, presetBlock(QStringLiteral("full")));
    FieldFilterModel filter;
    filter.setSourceModel(&model);

    filter.setNameFilter(QStringLiteral("MOTORPOLES"));
    EXPECT_EQ(filteredNames(filter), QStringList{QStringLiteral("MotorPoles")});

    filter.setNameFilter(QStringLiteral("  switch "));
    EXPECT_EQ(filteredNames(filter),
              QStringList({QStringLiteral("FootSwitch"), QStringLiteral("ForwardSwitch"),
                           QStringLiteral("BrakeSwitch"),
                           QStringLiteral("RegenCurrentByBrakeSwitchOn")}));

    filter.setNameFilter(QStringLiteral("throttle"));
    QStringList expected;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QString name = QString::fromLatin1(fieldDef(model.field(row)).name);
        if (name.contains(QLatin1String("throttle"), Qt::CaseInsensitive))
            expected << name;
    }
    EXPECT_GE(expected.size(), 4);
    EXPECT_EQ(filteredNames(filter), expected);

    // The page label and the meaning are found as well, in the module's words.
    model.setTexts(moduleTexts(QStringLiteral("chinese")));
    filter.setNameFilter(QStringLiteral("欠压"));
    EXPECT_EQ(filteredNames(filter), QStringList{QStringLiteral("UnderVoltage")});
    filter.setNameFilter(moduleTexts(QStringLiteral("chinese")).text(ViewTexts::TorqueMode));
    EXPECT_EQ(filteredNames(filter),
              QStringList({QStringLiteral("ControlModeCopy"), QStringLiteral("ControlMode")}));

    filter.setNameFilter(QStringLiteral("no such field"));
    EXPECT_EQ(filter.rowCount(), 0);
    filter.setNameFilter(QString());
    EXPECT_EQ(filter.rowCount(), model.rowCount());
}

TEST(FieldFilterModel, KeepsFilteringAfterTheModelIsReloaded)
{
    FieldTableModel model;
    load(model, presetBlock(QStringLiteral("full")));
    FieldFilterModel filter;
    filter.setSourceModel(&model);
    filter.setNameFilter(QStringLiteral("preferred"));
    EXPECT_EQ(filter.rowCount(), 1);
    load(model, presetBlock(QStringLiteral("can"))); // no J1939 fields
    EXPECT_EQ(filter.rowCount(), 0);
    filter.setNameFilter(QStringLiteral("sendid"));
    EXPECT_EQ(filteredNames(filter), QStringList{QStringLiteral("SendId")});
}

} // namespace
