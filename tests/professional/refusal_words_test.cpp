// Every kind of document refusal arises where it should, and the window says each in the words
// of both modules with every placeholder filled.
#include "config_document.h"
#include "configuration_file.h"
#include "professional_support.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using K = DocumentError;

QList<DocumentError> parsed(const QByteArray& json)
{
    QList<DocumentError> errors;
    ConfigDocument::parse(json, &errors);
    return errors;
}

QByteArray document(const QByteArray& rest)
{
    return R"({"format": "norvel-configuration", "version": 1)" + rest + "}";
}

QByteArray identity(const QByteArray& prefix, const QByteArray& options)
{
    return R"(, "controller": {"prefix": ")" + prefix + R"(", "number": "48200", "options": ")" +
           options + R"(", "variant": "J", "software": "0405"})";
}

QList<DocumentError> applied(const QByteArray& fields, const ConfigBlock& onto,
                             const QByteArray& controller = {}, const QStringList& only = {})
{
    QList<DocumentError> errors;
    ConfigBlock result;
    const ConfigDocument doc =
        ConfigDocument::parse(document(controller + R"(, "fields": {)" + fields + "}"), &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.value(0).message.toStdString();
    ApplyOptions options;
    options.only = only;
    applyDocument(doc, onto, options, &result, &errors);
    return errors;
}

TEST(RefusalWords, EachKindArisesAndIsSaidWholeInBothModules)
{
    const ConfigBlock full = presetBlock(QStringLiteral("full"));
    const ConfigBlock basic = presetBlock(QStringLiteral("basic"));
    QTemporaryDir dir;
    const QString large = dir.filePath(QStringLiteral("large.json"));
    {
        QFile f(large);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray((1 << 20) + 1, ' '));
    }
    QList<DocumentError> tooLarge;
    QString ioError;
    ConfigurationFile::read(large, nullptr, &ioError, &tooLarge);
    QList<DocumentError> twice;
    documentFromAssignments({QStringLiteral("Abs=true"), QStringLiteral("Abs=false")}, &twice);
    QList<DocumentError> notAssignment;
    documentFromAssignments({QStringLiteral("Abs")}, &notAssignment);

    // A field some preset shows but does not let change, given another value.
    QByteArray fixed;
    ConfigBlock fixedOn;
    for (const QString& preset : presetNames()) {
        const ConfigBlock block = presetBlock(preset);
        const FieldRules rules(block);
        for (Field f : rules.usedFields()) {
            const FieldDef& def = fieldDef(f);
            if (fixed.isEmpty() && !rules.writable(f) && f != Field::ControlModeCopy &&
                (def.kind == FieldKind::Flag || def.kind == FieldKind::Number)) {
                fixed = '"' + QByteArray(def.name) + "\": " +
                        (def.kind == FieldKind::Flag ? QByteArray(block.flag(f) ? "false" : "true")
                                                     : QByteArray::number(block.get(f) ^ 1));
                fixedOn = block;
            }
        }
    }
    ASSERT_FALSE(fixed.isEmpty());

    const std::pair<QList<DocumentError>, K::Kind> cases[] = {
        {parsed("{"), K::NotJson},
        {parsed("[]"), K::NotObject},
        {parsed(R"({"format": "other", "version": 1})"), K::WrongFormat},
        {parsed(document("").replace("\"version\": 1", "\"version\": 0")), K::BadVersion},
        {parsed(document("").replace("\"version\": 1", "\"version\": 9")), K::NewerVersion},
        {parsed(document(R"(, "controller": [1])")), K::ControllerNotObject},
        {parsed(document(R"(, "fields": 1)")), K::FieldsNotObject},
        {parsed(document(identity("DVR", "4"))), K::BadIdentityHex},
        {parsed(document(identity("DV", "41"))), K::BadIdentityText},
        {parsed(document(R"(, "fields": {"Nope": 1})")), K::NoSuchField},
        {parsed(document(R"(, "fields": {"ControlModeCopy": 1})")), K::Derived},
        {parsed(document(R"(, "fields": {"SerialNumber": 1})")), K::ReadFromController},
        {parsed(document(R"(, "fields": {"Abs": 1})")), K::NotBoolean},
        {parsed(document(R"(, "fields": {"MaxMotorCurrent": "60"})")), K::NotNumber},
        {parsed(document(R"(, "fields": {"MaxMotorCurrent": 2.5})")), K::NotWhole},
        {parsed(document(R"(, "fields": {"MaxMotorCurrent": 999})")), K::OutOfWidth},
        {applied(R"("MaxMotorCurrent": 60)", full, identity("DVR", "41")), K::OtherController},
        {applied(R"("MaxMotorCurrent": 60)", full, {}, {QStringLiteral("Abs")}), K::NotNamed},
        {applied(R"("Abs": true)", basic), K::NotUsed},
        {applied(fixed, fixedOn), K::Fixed},
        {applied(R"("MaxMotorCurrent": 10)", full), K::OutOfRange},
        {applied(R"("BoostFunction": true, "EconomyFunction": true, "BrakeSensorType": 0)", full),
         K::SharedBrakeInput},
        {applied(R"("BoostFunction": true, "BrakeSensorType": 1)", full), K::BrakeInputTaken},
        {applied(R"("ForwardSwitch": true, "FootSwitch": true)", full), K::FootSwitchWithForward},
        {notAssignment, K::NotAssignment},
        {twice, K::AssignedTwice},
        {tooLarge, K::FileTooLarge},
    };
    const QRegularExpression placeholder(QStringLiteral("%\\d"));
    for (const QString module : {"english", "chinese"}) {
        const ViewTexts texts = moduleTexts(module);
        for (const auto& [errors, kind] : cases) {
            SCOPED_TRACE(module.toStdString() + " kind " + std::to_string(kind));
            ASSERT_FALSE(errors.isEmpty());
            EXPECT_EQ(errors.first().kind, kind) << errors.first().message.toStdString();
            const QString said = texts.refusal(errors.first());
            EXPECT_FALSE(said.isEmpty());
            EXPECT_FALSE(said.contains(placeholder)) << said.toStdString();
            // The field a refusal concerns is named in every language.
            const QString field = errors.first().field;
            if (!field.isEmpty() && field != QLatin1String("controller")) {
                EXPECT_TRUE(said.contains(errors.first().field)) << said.toStdString();
            }
        }
    }
}

} // namespace
