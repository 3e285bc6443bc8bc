// The professional view window: the curve panel, closing, and the legacy control mode.
#include "professional_view_fixture.h"

#include <gtest/gtest.h>

namespace {

// --- The curve panel ---------------------------------------------------------------------------

// Makes the field's row the table's current one, as a click does.
void select(ProfessionalView& view, Field f)
{
    QAbstractItemModel* model = view.table()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, FieldTableModel::ValueColumn);
        if (index.data(FieldTableModel::FieldRole).value<Field>() == f) {
            view.table()->setCurrentIndex(index);
            return;
        }
    }
    ADD_FAILURE() << "no row for " << fieldDef(f).name;
}

TEST_F(ProfessionalViewTest, TheCurvePanelShowsTheSelectedGroupsCurveAsValuesChange)
{
    controller.backup = full;
    auto view = online();
    const CurvePanel& panel = *view->curvePanel();
    const auto kind = [&panel] {
        return panel.sheet() ? std::optional(panel.sheet()->curve.kind) : std::nullopt;
    };
    // Before a row is chosen: the first group's.
    EXPECT_EQ(kind(), CurveKind::Throttle);

    const std::pair<Field, std::optional<CurveKind>> rows[] = {
        {Field::MaxRegenCurrent, CurveKind::Regeneration},
        {Field::UnderVoltage, CurveKind::Voltage},
        {Field::MotorPoles, std::nullopt},
        {Field::StopOutputTemperature, CurveKind::Temperature},
        {Field::ThrottleSensorType, CurveKind::Throttle},
    };
    for (const auto& [field, expected] : rows) {
        SCOPED_TRACE(fieldDef(field).name);
        select(*view, field);
        EXPECT_EQ(kind(), expected);
    }
    select(*view, Field::MotorPoles);
    EXPECT_FALSE(panel.sheet().has_value());
    EXPECT_EQ(panel.toolTip(), panel.hint());

    // An edit redraws the curve at once; the first-connection image's curve appears behind
    // it as soon as the two differ, and goes when they agree again.
    select(*view, Field::MaxRegenCurrent);
    ASSERT_TRUE(panel.sheet());
    EXPECT_FALSE(panel.sheet()->drawsBackup());
    ASSERT_TRUE(edit(*view, Field::MaxRegenCurrent, 80));
    const QList<CurvePoint> points = panel.sheet()->curve.lines.value(0).points;
    ASSERT_FALSE(points.isEmpty());
    EXPECT_EQ(points.last().y, 40); // half of 80 % of the motor's current
    EXPECT_TRUE(panel.sheet()->drawsBackup());
    ASSERT_TRUE(edit(*view, Field::MaxRegenCurrent, full.get(Field::MaxRegenCurrent)));
    EXPECT_FALSE(panel.sheet()->drawsBackup());

    // A coupling's adjustment redraws too: Boost turns the brake sensor off.
    ASSERT_TRUE(edit(*view, Field::BoostFunction, Qt::Checked, Qt::CheckStateRole));
    select(*view, Field::BrakeSensorType);
    EXPECT_TRUE(panel.sheet()->curve.lines.isEmpty()) << "no brake sensor, no sensor line";
}

TEST_F(ProfessionalViewTest, TheCurvePanelDrawsOnlyWhatADocumentGivesValuesFor)
{
    controller.connected = false;
    const QString path =
        document(QStringLiteral("temps.json"), {QStringLiteral("StopOutputTemperature=120")});
    auto view = offline(path, full);
    ASSERT_TRUE(view->isValid()) << view->errorString().toStdString();
    select(*view, Field::StopOutputTemperature);
    const CurvePanel& panel = *view->curvePanel();
    ASSERT_TRUE(panel.sheet());
    EXPECT_EQ(panel.sheet()->curve.missing, QList<Field>{Field::ResumeOutputTemperature});
    // Once the other value is given, by an edit, the loop is drawn.
    ASSERT_TRUE(edit(*view, Field::ResumeOutputTemperature, 95));
    EXPECT_TRUE(panel.sheet()->curve.missing.isEmpty());
    EXPECT_EQ(panel.sheet()->curve.lines.size(), 2);
}

// --- Closing -----------------------------------------------------------------------------------

TEST_F(ProfessionalViewTest, ClosingWithUnsavedChangesAsksFirst)
{
    auto view = online();
    view->show();
    EXPECT_TRUE(view->close());
    EXPECT_TRUE(answers.closeQuestions.isEmpty());

    view->show();
    ASSERT_TRUE(edit(*view, Field::MaxMotorCurrent, 80));
    answers.closeAnswer = ProfessionalPrompts::CloseAnswer::Cancel;
    EXPECT_FALSE(view->close());
    EXPECT_EQ(answers.closeQuestions, QStringList{english(ViewTexts::CloseQuestion)});

    // Save, but the file dialog is cancelled: the window stays.
    answers.closeAnswer = ProfessionalPrompts::CloseAnswer::Save;
    EXPECT_FALSE(view->close());
    answers.savePath = dir.filePath(QStringLiteral("kept.json"));
    answers.saveFilter = english(ViewTexts::DocumentFilter);
    EXPECT_TRUE(view->close());
    EXPECT_TRUE(QFile::exists(answers.savePath));

    view->show();
    ASSERT_TRUE(edit(*view, Field::MaxMotorCurrent, 81));
    answers.closeAnswer = ProfessionalPrompts::CloseAnswer::Discard;
    EXPECT_TRUE(view->close());
    EXPECT_TRUE(controller.writes.isEmpty());
}

TEST_F(ProfessionalViewTest, TheLegacyControlModeConversionIsAnEditToWrite)
{
    ConfigBlock legacy = presetBlock("legacy");
    ASSERT_EQ(legacy.get(Field::ControlMode), 2u);
    FakeController old(legacy);
    ProfessionalView view(&old, legacy, options());
    // Torque mode replaces the legacy mode 2, which no list offers.
    EXPECT_TRUE(view.editField(Field::SpeedMode, 0));
    EXPECT_TRUE(view.editField(Field::ControlMode, 3));
    EXPECT_FALSE(view.editField(Field::ControlMode, 2));
    EXPECT_EQ(view.editedBlock().get(Field::ControlMode), 3u);
    EXPECT_EQ(view.editedBlock().get(Field::ControlModeCopy), 3u);
    EXPECT_EQ(view.controllerBlock(), legacy);
    EXPECT_TRUE(view.model().changedFields().contains(Field::ControlMode));
}

} // namespace
