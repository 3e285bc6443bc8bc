// norvelctl show, get and set.
#include "cli_config_fixture.h"

#include <gtest/gtest.h>

namespace {

TEST_F(CliConfigTest, ShowListsExactlyTheFieldsTheControllerUses)
{
    for (const char* name : {"basic", "full", "can", "pdr"}) {
        SCOPED_TRACE(name);
        const SimServer* s = startServer(preset(name));
        ASSERT_NE(s, nullptr);
        const CliRun r = run(withPortOf(s, {"show"}));
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const ConfigBlock block = controllerImageOf(s);
        EXPECT_TRUE(r.out.startsWith("Controller ")) << r.out.toStdString();
        EXPECT_TRUE(r.out.section('\n', 0, 0).contains(ControllerKey(block)));

        const FieldRules rules(block);
        int count = 0;
        const FieldDef* table = fieldTable(&count);
        for (int i = 0; i < count; ++i) {
            const Field f = table[i].field;
            // Identity fields are in the first line, not in lines of their own.
            const bool listed = rules.used(f) && rules.rule(f).group != FieldGroup::Identity;
            EXPECT_EQ(!showLine(r.out, f).isEmpty(), listed) << table[i].name;
        }
    }

    // The 0203 controller has no motor page; the 0405 one has.
    const SimServer* basic = startServer(preset("basic"));
    ASSERT_NE(basic, nullptr);
    const QString basicOut = run(withPortOf(basic, {"show"})).out;
    EXPECT_TRUE(showLine(basicOut, Field::MotorTopSpeed).isEmpty());
    EXPECT_TRUE(showLine(basicOut, Field::MotorPoles).isEmpty());
    const QString fullOut = run(withPort({"show"})).out;
    const QStringList topSpeed =
        showLine(fullOut, Field::MotorTopSpeed).split(' ', Qt::SkipEmptyParts);
    EXPECT_EQ(topSpeed.mid(0, 3), (QStringList{"MotorTopSpeed", "100", "%"}));
    EXPECT_TRUE(showLine(fullOut, Field::MotorTopSpeed).endsWith("valid 30..100"));
    // Fixed from 0403 on: shown, but not offered for change.
    EXPECT_TRUE(showLine(fullOut, Field::HalfSpeedInReverse).endsWith("fixed"));
    EXPECT_TRUE(showLine(fullOut, Field::ControlMode).contains("= Torque"));
}

TEST_F(CliConfigTest, ShowJsonIsTheControllersDocument)
{
    const CliRun r = run(withPort({"show", "--json"}));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QList<DocumentError> errors;
    const ConfigDocument doc = ConfigDocument::parse(r.out.toUtf8(), &errors);
    ASSERT_TRUE(errors.isEmpty()) << errors.first().message.toStdString();

    const ConfigBlock block = controllerImage();
    ASSERT_TRUE(doc.controller.has_value());
    EXPECT_TRUE(sameModelAndVersion(*doc.controller, block));
    EXPECT_EQ(doc.controller->raw(Field::SerialNumber), block.raw(Field::SerialNumber));
    const QList<Field> writable = FieldRules(block).writableFields();
    EXPECT_EQ(doc.fields.size(), writable.size());
    for (Field f : writable) {
        EXPECT_TRUE(doc.names(f)) << fieldDef(f).name;
        EXPECT_EQ(doc.value(f), block.get(f)) << fieldDef(f).name;
    }
    EXPECT_EQ(r.out.toUtf8(), exported(server));
}

TEST_F(CliConfigTest, GetPrintsTheFieldsInTheOrderAsked)
{
    const CliRun r =
        run(withPort({"get", "StartupDelay", "Regeneration", "MaxMotorCurrent", "SerialNumber"}));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "StartupDelay=5\nRegeneration=true\nMaxMotorCurrent=100\n"
                     "SerialNumber=12AB0002\n");
}

TEST_F(CliConfigTest, GetRefusesAnUnknownNameBeforeOpeningThePort)
{
    const CliRun r = run(withPort({"get", "MaxMotorCurrent", "MaxMotorCurent"}));
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("MaxMotorCurent")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(server->receivedFrames().empty());
    // Names are case-sensitive.
    EXPECT_EQ(run(withPort({"get", "maxmotorcurrent"})).code, 2);
    // A missing port does not turn the usage error into a link failure.
    EXPECT_EQ(run({"--port", dir.filePath("ttyNone"), "get", "Bogus"}).code, 2);
}

TEST_F(CliConfigTest, SetRefusesEveryAssignmentWhenOneIsBad)
{
    const ConfigBlock before = server->storedImage();
    const QList<QStringList> refused = {
        {"MaxMotorCurrent=80", "StartupDelay=99"},    // out of the valid values
        {"MaxMotorCurrent=80", "Bogus=1"},            // no such field
        {"MaxMotorCurrent=80", "StartupDelay=abc"},   // not a number
        {"MaxMotorCurrent=80", "StartupDelay=2.5"},   // not whole
        {"MaxMotorCurrent=80", "StartupDelay=-1"},    // negative
        {"MaxMotorCurrent=80", "Regeneration=1"},     // a flag takes true or false
        {"MaxMotorCurrent=80", "MaxMotorCurrent=90"}, // assigned twice
        {"MaxMotorCurrent=80", "StartupDelay"},       // no value
        {"MaxMotorCurrent=80", "SerialNumber=5"},     // never writable
        {"MaxMotorCurrent=80", "HallSensorType=90"},  // 60 or 120 only
        {"MaxMotorCurrent=80", "PreferredAddress=200"},
        // Both share the brake input.
        {"MaxMotorCurrent=80", "BoostFunction=true", "EconomyFunction=true"},
    };
    for (const QStringList& assignments : refused) {
        SCOPED_TRACE(assignments.join(' ').toStdString());
        const CliRun r = run(withPort(QStringList{"set"} + assignments + QStringList{"--yes"}));
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains("nothing written")) << r.err.toStdString();
        // The refusal names the culprit.
        EXPECT_TRUE(r.err.contains(assignments.last().section('=', 0, 0))) << r.err.toStdString();
    }
    EXPECT_EQ(server->commitCount(), 0);
    EXPECT_EQ(server->storedImage(), before);
    EXPECT_EQ(historyCount(), 0);
}

TEST_F(CliConfigTest, SetPrintsEachChangeAndWritesOnlyThoseFields)
{
    ConfigBlock expected = controllerImage();
    const CliRun r = run(withPort({"set", "StartupDelay=7", "MaxMotorCurrent=80",
                                   "Regeneration=false", "ControlMode=1", "--yes"}));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    // In the wizard's page order, whatever the order given; the copy of the control mode
    // changes with it.
    EXPECT_EQ(r.out, "MaxMotorCurrent: 100 -> 80\n"
                     "StartupDelay: 5 -> 7\n"
                     "ControlModeCopy: 3 -> 1\n"
                     "ControlMode: 3 -> 1\n"
                     "Regeneration: true -> false\n");
    EXPECT_TRUE(r.err.contains("verified")) << r.err.toStdString();
    EXPECT_EQ(server->commitCount(), 1);
    expected.set(Field::MaxMotorCurrent, 80);
    expected.set(Field::StartupDelay, 7);
    expected.setFlag(Field::Regeneration, false);
    expected.set(Field::ControlMode, 1);
    expected.set(Field::ControlModeCopy, 1); // the copy follows
    EXPECT_EQ(server->storedImage(), expected);
}

TEST_F(CliConfigTest, SetWritesNothingOnADryRunANoChangeOrANo)
{
    const ConfigBlock before = server->storedImage();

    const CliRun dry = run(withPort({"set", "MaxMotorCurrent=80", "--dry-run", "--yes"}));
    EXPECT_EQ(dry.code, 0) << dry.err.toStdString();
    EXPECT_EQ(dry.out, "MaxMotorCurrent: 100 -> 80\n");

    const CliRun same = run(withPort({"set", "MaxMotorCurrent=100", "Regeneration=true", "--yes"}));
    EXPECT_EQ(same.code, 0) << same.err.toStdString();
    EXPECT_TRUE(same.out.isEmpty()) << same.out.toStdString();

    for (const QString& answer : {QString("n\n"), QString("\n"), QString()}) {
        const CliRun no = run(withPort({"set", "MaxMotorCurrent=80"}), answer);
        EXPECT_EQ(no.code, 2);
        EXPECT_TRUE(no.err.contains("Is the motor stopped?")) << no.err.toStdString();
    }

    EXPECT_EQ(server->commitCount(), 0);
    EXPECT_EQ(server->frameCount(CMD_WRITE), 0);
    EXPECT_EQ(server->storedImage(), before);
    EXPECT_EQ(historyCount(), 0); // nothing written, so nothing backed up either

    const CliRun yes = run(withPort({"set", "MaxMotorCurrent=80"}), "y\n");
    EXPECT_EQ(yes.code, 0) << yes.err.toStdString();
    EXPECT_EQ(server->storedImage().get(Field::MaxMotorCurrent), 80u);
}

} // namespace
