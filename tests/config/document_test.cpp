// Configuration documents: round trips, strict reading, applying all or nothing, identity rules;
// and the backup history.
#include "backup_history.h"
#include "catalogue_block.h"
#include "config_document.h"
#include "presets.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QByteArray doc(const QByteArray& fields, const QByteArray& extra = QByteArray())
{
    return "{\"format\": \"norvel-configuration\", \"version\": 1" + extra + ", \"fields\": {" +
           fields + "}}";
}

// Applies JSON to a block; returns the refusals (empty on success) and the result.
QList<DocumentError> apply(const QByteArray& json, const ConfigBlock& current, ConfigBlock* out,
                           ApplyOptions options = {})
{
    QList<DocumentError> errors;
    const ConfigDocument d = ConfigDocument::parse(json, &errors);
    if (!errors.isEmpty())
        return errors;
    applyDocument(d, current, options, out, &errors);
    return errors;
}

TEST(ConfigDocument, EveryPresetRoundTripsThroughItsDocument)
{
    for (const QString& name : presetNames()) {
        const ConfigBlock block = catalogueBlock(name);
        const QByteArray json = ConfigDocument::of(block).toJson();
        QList<DocumentError> errors;
        const ConfigDocument back = ConfigDocument::parse(json, &errors);
        ASSERT_TRUE(errors.isEmpty())
            << name.toStdString() << ": " << errors.first().message.toStdString();
        ASSERT_TRUE(back.controller.has_value());
        EXPECT_TRUE(sameModelAndVersion(*back.controller, block));
        EXPECT_EQ(back.controller->raw(Field::SerialNumber), block.raw(Field::SerialNumber));
        EXPECT_EQ(back.fields.size(), FieldRules(block).writableFields().size());

        // Applying its own document changes nothing, even where a value is out of range.
        ConfigBlock result;
        ASSERT_TRUE(applyDocument(back, block, {}, &result, &errors)) << name.toStdString();
        EXPECT_EQ(result, block) << name.toStdString();
        // And the text is a fixed point.
        EXPECT_EQ(ConfigDocument::of(result).toJson(), json);
    }
}

TEST(ConfigDocument, TheDocumentHoldsOnlyWritableFieldsTheControllerUses)
{
    const ConfigBlock block = catalogueBlock("basic");
    const QByteArray json = ConfigDocument::of(block).toJson();
    EXPECT_TRUE(
        json.startsWith("{\n    \"format\": \"norvel-configuration\",\n    \"version\": 1"));
    for (const char* absent : {"\"SerialNumber\"", "\"Reserved", "\"HallPhaseSequence\"",
                               "\"ControlModeCopy\"", "\"MotorTopSpeed\""})
        EXPECT_FALSE(json.contains(absent)) << absent;
    EXPECT_TRUE(json.contains("\"MaxMotorCurrent\": "));
    EXPECT_TRUE(json.contains("\"FootSwitch\": "));
}

TEST(ConfigDocument, ReadingRefusesEachFaultNamingTheFieldAndWhatIsAllowed)
{
    struct Case
    {
        QByteArray json;
        QString field;
        QString says;
    };
    const Case cases[] = {
        {"{\"format\": \"norvel-configuration\",\n \"version\": 1,,}", "", "line 2, column"},
        {"[1, 2]", "", "not an object"},
        {"{\"format\": \"other\", \"version\": 1}", "", "\"norvel-configuration\""},
        {"{\"format\": \"norvel-configuration\", \"version\": 2}", "", "newer"},
        {doc("\"MaxMotorCurent\": 80"), "MaxMotorCurent", "no such field"},
        {doc("\"Abs\": 1"), "Abs", "true or false"},
        {doc("\"MaxMotorCurrent\": true"), "MaxMotorCurrent", "whole number"},
        {doc("\"MaxMotorCurrent\": \"80\""), "MaxMotorCurrent", "whole number"},
        {doc("\"MaxMotorCurrent\": 70.5"), "MaxMotorCurrent", "70.5 is not a whole number"},
        {doc("\"MaxMotorCurrent\": 256"), "MaxMotorCurrent", "out of range"},
        {doc("\"MaxMotorCurrent\": -1"), "MaxMotorCurrent", "out of range"},
        {doc("\"SerialNumber\": 5"), "SerialNumber", "not writable"},
        {doc("\"Reserved6\": 0"), "Reserved6", "not writable"},
        {doc("\"HallPhaseSequence\": 1"), "HallPhaseSequence", "not writable"},
        {doc("\"ControlModeCopy\": 3"), "ControlModeCopy", "follows ControlMode"},
        {doc("", ", \"controller\": {\"prefix\": \"DV\", \"number\": \"72401\", \"options\": "
                 "\"41\", \"variant\": \"J\", \"software\": \"0405\"}"),
         "controller", "controller.prefix"},
        {doc("", ", \"controller\": {\"prefix\": \"DVR\", \"number\": \"72401\", \"options\": "
                 "\"41\", \"variant\": \"J\", \"software\": \"0x05\"}"),
         "controller", "controller.software"},
    };
    QList<DocumentError> errors;
    for (const Case& c : cases) {
        ConfigDocument::parse(c.json, &errors);
        ASSERT_EQ(errors.size(), 1) << c.json.constData();
        EXPECT_EQ(errors.first().field, c.field) << c.json.constData();
        EXPECT_TRUE(errors.first().message.contains(c.says))
            << c.json.constData() << " -> " << errors.first().message.toStdString();
    }
    // A name is compared whole: one with a NUL inside is no field, not the field before it.
    ConfigDocument::parse(doc("\"MaxMotorCurrent\\u0000Copy\": 80"), &errors);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().message.contains("no such field"));

    // Every fault is reported, not only the first; other top-level keys are ignored.
    ConfigDocument::parse(doc("\"Abs\": 1, \"Foo\": 2, \"MaxMotorCurrent\": 80",
                              ", \"comment\": \"approved batch 7\""),
                          &errors);
    EXPECT_EQ(errors.size(), 2);
}

TEST(ConfigDocument, ApplyingIsAllOrNothingAndChecksThisControllersRules)
{
    const ConfigBlock full = catalogueBlock("full"); // 0405, J1939, regeneration
    ConfigBlock out = full;

    // A partial document without identity changes only what it names.
    EXPECT_TRUE(apply(doc("\"MaxMotorCurrent\": 60, \"ControlMode\": 1"), full, &out).isEmpty());
    EXPECT_EQ(out.get(Field::MaxMotorCurrent), 60u);
    EXPECT_EQ(out.get(Field::ControlModeCopy), 1u) << "the copy follows the control mode";
    ConfigBlock expected = full;
    expected.set(Field::MaxMotorCurrent, 60);
    expected.set(Field::ControlMode, 1);
    expected.set(Field::ControlModeCopy, 1);
    EXPECT_EQ(out, expected);

    struct Case
    {
        QByteArray fields;
        QString field;
        QString says;
    };
    const Case refused[] = {
        {"\"MaxMotorCurrent\": 10", "MaxMotorCurrent", "allowed: 20..100"},
        {"\"PreferredAddress\": 200", "PreferredAddress", "0..127 or 248..253"},
        {"\"MotorPoles\": 7", "MotorPoles", "even 2..200"},
        {"\"SendId\": 5", "SendId", "does not use"},
        {"\"HalfSpeedInReverse\": true", "HalfSpeedInReverse", "fixed"},
    };
    for (const Case& c : refused) {
        ConfigBlock untouched = full;
        const QList<DocumentError> errors =
            apply(doc(c.fields + ", \"MaxBatteryCurrent\": 30"), full, &untouched);
        ASSERT_EQ(errors.size(), 1) << c.fields.constData();
        EXPECT_EQ(errors.first().field, c.field);
        EXPECT_TRUE(errors.first().message.contains(c.says))
            << errors.first().message.toStdString();
        EXPECT_EQ(untouched, full) << "nothing is applied when one field is refused";
    }
    // Boost and Economy never both on.
    EXPECT_EQ(
        apply(doc("\"BoostFunction\": true, \"EconomyFunction\": true, \"BrakeSensorType\": 0"),
              full, &out)
            .size(),
        1);

    // A value the controller already holds is no change, even out of range.
    ConfigBlock odd = full;
    odd.set(Field::MaxMotorCurrent, 5);
    EXPECT_TRUE(apply(doc("\"MaxMotorCurrent\": 5"), odd, &out).isEmpty());
    EXPECT_EQ(out, odd);

    // --only applies the fields named, and must name fields of the document.
    ApplyOptions only;
    only.only = {"MaxBatteryCurrent"};
    EXPECT_TRUE(apply(doc("\"MaxMotorCurrent\": 10, \"MaxBatteryCurrent\": 30"), full, &out, only)
                    .isEmpty());
    EXPECT_EQ(out.get(Field::MaxBatteryCurrent), 30u);
    EXPECT_EQ(out.get(Field::MaxMotorCurrent), full.get(Field::MaxMotorCurrent));
    only.only = {"Abs"};
    EXPECT_EQ(apply(doc("\"MaxMotorCurrent\": 60"), full, &out, only).size(), 1);
}

TEST(ConfigDocument, AnotherModelOrVersionIsRefusedUnlessForcedButAnotherSerialIsFine)
{
    const ConfigBlock full = catalogueBlock("full");
    ConfigDocument d = ConfigDocument::of(full);
    d.fields = {{Field::MaxMotorCurrent, 60}};

    ConfigBlock batchMate = full;
    batchMate.set(Field::SerialNumber, 0x01020304);
    ConfigBlock out;
    QList<DocumentError> errors;
    EXPECT_TRUE(applyDocument(d, batchMate, {}, &out, &errors));
    EXPECT_EQ(out.get(Field::SerialNumber), 0x01020304u) << "the serial number is never written";
    EXPECT_EQ(out.get(Field::MaxMotorCurrent), 60u);

    for (const auto& [offset, value] :
         {std::pair{67, '6'}, std::pair{84, '\x04'}, std::pair{107, 'C'}, std::pair{72, '\x00'}}) {
        ConfigBlock other = full;
        other.setByte(offset, static_cast<std::uint8_t>(value));
        EXPECT_FALSE(applyDocument(d, other, {}, &out, &errors)) << offset;
        ASSERT_FALSE(errors.isEmpty());
        EXPECT_EQ(errors.first().field, "controller");
        EXPECT_TRUE(errors.first().message.contains("--force"));
        ApplyOptions force;
        force.force = true;
        EXPECT_TRUE(applyDocument(d, other, force, &out, &errors)) << offset;
    }
}

TEST(ConfigDocument, AssignmentsBecomeADocumentInTheOrderGiven)
{
    QList<DocumentError> errors;
    const ConfigDocument d =
        documentFromAssignments({"StartupDelay=7", "Abs=true", "MaxMotorCurrent=80"}, &errors);
    ASSERT_TRUE(errors.isEmpty());
    ASSERT_EQ(d.fields.size(), 3);
    EXPECT_EQ(d.fields[0].first, Field::StartupDelay);
    EXPECT_EQ(d.fields[1].second, 1u);
    EXPECT_FALSE(d.controller.has_value());

    for (const char* bad : {"MaxMotorCurrent", "=5", "MaxMotorCurrent=8x", "Abs=1",
                            "MaxMotorCurrent=70.5", "Nope=1"}) {
        documentFromAssignments({bad}, &errors);
        EXPECT_EQ(errors.size(), 1) << bad;
    }
    documentFromAssignments({"Abs=true", "Abs=false"}, &errors);
    EXPECT_EQ(errors.size(), 1) << "a field assigned twice";
}

TEST(ConfigDocument, AKeyGivenTwiceIsRefusedNamingIt)
{
    const std::pair<QByteArray, const char*> cases[] = {
        {doc("\"MaxMotorCurrent\": 60, \"MaxMotorCurrent\": 90"), "MaxMotorCurrent"},
        {doc("\"MaxMotorCurrent\": 60, \"Max\\u004dotorCurrent\": 90"), "MaxMotorCurrent"},
        {doc("\"Abs\": true", ", \"fields\": {\"MaxMotorCurrent\": 60}"), "fields"},
        {doc("", ", \"controller\": {\"prefix\": \"DVR\", \"prefix\": \"DVX\"}"), "prefix"},
        {doc("", ", \"version\": 1"), "version"},
    };
    for (const auto& [json, name] : cases) {
        QList<DocumentError> errors;
        ConfigDocument::parse(json, &errors);
        const bool named = std::any_of(errors.begin(), errors.end(), [&](const DocumentError& e) {
            return e.field == QLatin1String(name) && e.message.contains("twice");
        });
        EXPECT_TRUE(named) << json.constData();
    }
    // Keys the reader does not read may repeat; equal keys in different objects are no repeat.
    QList<DocumentError> errors;
    ConfigDocument::parse(doc("\"Abs\": true", ", \"note\": 1, \"note\": {\"Abs\": 2}"), &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.value(0).message.toStdString();
}

TEST(ConfigDocument, DifferencesNameTheFieldAndTheFirstDifferingByte)
{
    const ConfigBlock a = catalogueBlock("full");
    ConfigBlock b = a;
    b.setFlag(Field::Abs, !a.flag(Field::Abs));
    b.set(Field::IdentityNumber, 77);
    const QList<FieldChange> changes = diffBlocks(a, b, FieldRules(a));
    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(changeText(changes[0]), QString("Abs: %1 -> %2")
                                          .arg(a.flag(Field::Abs) ? "true" : "false",
                                               b.flag(Field::Abs) ? "true" : "false"));
    EXPECT_EQ(changes[1].after, "77");

    Field field = Field::Count_;
    EXPECT_EQ(firstDifference(a, b, &field), fieldDef(Field::Abs).offset);
    EXPECT_EQ(field, Field::Abs) << "the flag whose bit differs, not its byte's first flag";
    EXPECT_EQ(firstDifference(a, a), -1);
}

TEST(BackupHistory, EveryWriteKeepsItsOwnCompleteImageAndTheListFindsThem)
{
    QTemporaryDir dir;
    const ConfigBlock image = catalogueBlock("full");
    const BackupHistory history(dir.path());
    const QDateTime when = QDateTime::fromString("2026-12-08T09:45:12.123Z", Qt::ISODateWithMs);
    QString first, second;
    ASSERT_TRUE(history.save(image, &first, nullptr, when));
    ConfigBlock changed = image;
    changed.set(Field::MaxMotorCurrent, 21);
    ASSERT_TRUE(history.save(changed, &second, nullptr, when)) << "the same millisecond";
    EXPECT_NE(first, second);
    EXPECT_TRUE(first.endsWith("/history/" + ControllerKey(image) + "-20261208T094512.123Z.n"))
        << first.toStdString();

    QFile f(second);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), changed.toByteArray());

    // The first-connection image sits beside the history; other files are not backups.
    QFile firstImage(dir.filePath(ControllerKey(image) + "N.n"));
    ASSERT_TRUE(firstImage.open(QIODevice::WriteOnly));
    firstImage.write(image.toByteArray());
    firstImage.close();
    QFile stray(dir.filePath("notes.txt"));
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.close();

    const QList<BackupEntry> entries = history.list();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_TRUE(entries[0].first);
    EXPECT_FALSE(entries[1].first);
    EXPECT_EQ(entries[1].key, ControllerKey(image));
    EXPECT_EQ(entries[1].time, when);
    EXPECT_EQ(entries[1].path, first) << "saved within one millisecond, listed in saving order";
    EXPECT_EQ(entries[2].path, second);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "no temporary file left";

    EXPECT_FALSE(BackupHistory(dir.filePath("notes.txt")).save(image)) << "a file, not a folder";
}

} // namespace

TEST(BackupHistory, AnInstalledProgramsFolderIsNeverTheBackupFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A build folder: the program's own writable folder keeps the images.
    const QString build = dir.filePath("build/bin");
    ASSERT_TRUE(QDir().mkpath(build));
    EXPECT_EQ(BackupHistory::directory(QString(), build), build);
    // An unpacked or installed tree: the modules beside bin/ mark it as installed.
    const QString prefix = dir.filePath("root/usr2");
    ASSERT_TRUE(QDir().mkpath(prefix + "/bin"));
    ASSERT_TRUE(QDir().mkpath(prefix + "/share/norvel-controller"));
    EXPECT_TRUE(BackupHistory::isInstalledProgramFolder(prefix + "/bin"));
    EXPECT_NE(BackupHistory::directory(QString(), prefix + "/bin"), prefix + "/bin");
    EXPECT_TRUE(BackupHistory::isInstalledProgramFolder("/usr/bin"));
    EXPECT_FALSE(BackupHistory::isInstalledProgramFolder(build));
    // A folder asked for is always taken.
    EXPECT_EQ(BackupHistory::directory(prefix + "/bin", prefix + "/bin"), prefix + "/bin");
}
