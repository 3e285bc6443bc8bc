// Import mode: the change list, refusals that hold Write, and a write that goes through the
// controller access with what it should.
#include "config_document.h"
#include "controller_access.h"
#include "import_window.h"
#include "professional_support.h"
#include "test_resources.h"
#include "view_texts.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

// A controller that records what it was asked to write and can refuse.
class RecordingAccess : public ControllerAccess
{
public:
    bool isConnected() const override { return true; }
    QString portName() const override { return QStringLiteral("/dev/ttyTEST"); }
    bool connectController(QWidget*) override { return true; }
    bool read(QWidget*, ConfigBlock*, QString*) override { return false; }
    bool write(QWidget*, const ConfigBlock& current, const ConfigBlock& next,
               QString* error) override
    {
        writes.append({current, next});
        if (fail && error)
            *error = QStringLiteral("The configuration did not stick: Abs (byte 1)");
        return !fail;
    }
    std::optional<ConfigBlock> firstBackup(const ConfigBlock&) const override
    {
        return std::nullopt;
    }

    QList<std::pair<ConfigBlock, ConfigBlock>> writes;
    bool fail = false;
};

class ImportWindowTest : public ::testing::Test
{
protected:
    QString document(const QByteArray& fields, const QByteArray& controller = QByteArray())
    {
        const QString path = dir.filePath(QStringLiteral("batch%1.json").arg(++files));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{\"format\": \"norvel-configuration\", \"version\": 1" + controller +
                ", \"fields\": {" + fields + "}}");
        return path;
    }

    // The english module's texts, as import mode gives them.
    const ImportWindow::Strings english = [](int id) { return testModule().string(id); };
    QTemporaryDir dir;
    int files = 0;
    RecordingAccess access;
    const ConfigBlock full = presetBlock("full");
};

TEST_F(ImportWindowTest, ListsTheChangesAndWritesExactlyThem)
{
    ImportWindow window(access, document("\"MaxMotorCurrent\": 60, \"StartupDelay\": 5"), full,
                        english);
    EXPECT_TRUE(window.windowTitle().startsWith("Import - batch"));
    ASSERT_TRUE(window.canWrite());
    EXPECT_EQ(
        window.changes(),
        QStringList{QString("MaxMotorCurrent: %1 -> 60").arg(full.get(Field::MaxMotorCurrent))})
        << "StartupDelay is no change";

    int asked = 0;
    window.askClose = [&asked] {
        ++asked;
        return true;
    };
    window.write();
    ASSERT_EQ(access.writes.size(), 1);
    EXPECT_EQ(access.writes[0].first, full);
    ConfigBlock expected = full;
    expected.set(Field::MaxMotorCurrent, 60);
    EXPECT_EQ(access.writes[0].second, expected);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(ImportWindowTest, SettingsThatDoNotWorkTogetherAreNamedAndNoWritesNothing)
{
    ImportWindow window(access, document("\"UnderVoltage\": 86, \"OverVoltage\": 84"), full,
                        [](int id) { return testModule().string(id); });
    ASSERT_TRUE(window.canWrite());
    QStringList asked;
    bool yes = false;
    window.askImplausible = [&](const QString& text) {
        asked << text;
        return yes;
    };
    window.askClose = [] { return false; };
    window.write();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains("UnderVoltage 86 V")) << asked[0].toStdString();
    EXPECT_TRUE(asked[0].contains("OverVoltage 84 V")) << asked[0].toStdString();
    EXPECT_TRUE(access.writes.isEmpty());
    yes = true;
    window.write();
    EXPECT_EQ(access.writes.size(), 1);
}

TEST_F(ImportWindowTest, RefusalsNameTheFieldAndHoldWrite)
{
    const struct
    {
        QString path;
        QString names;
    } cases[] = {
        {document("\"MaxMotorCurrent\": 10"), "MaxMotorCurrent"},
        {document("\"Nope\": 1"), "Nope"},
        {document("\"MaxMotorCurrent\": 60",
                  ", \"controller\": {\"prefix\": \"DVR\", \"number\": \"48200\", \"options\": "
                  "\"41\", \"variant\": \"J\", \"software\": \"0405\"}"),
         "DVR48200J"},
        {dir.filePath("absent.json"), "absent.json"},
    };
    for (const auto& c : cases) {
        ImportWindow window(access, c.path, full, english);
        EXPECT_FALSE(window.canWrite()) << c.path.toStdString();
        ASSERT_FALSE(window.refusals().isEmpty());
        EXPECT_TRUE(window.refusals().join('\n').contains(c.names))
            << window.refusals().join('\n').toStdString();
        EXPECT_TRUE(window.changes().isEmpty());
        window.write();
    }
    EXPECT_TRUE(access.writes.isEmpty());

    ImportWindow same(access, document("\"StartupDelay\": 5"), full, english);
    EXPECT_FALSE(same.canWrite()) << "nothing to write";
    EXPECT_TRUE(same.refusals().isEmpty());
}

TEST_F(ImportWindowTest, AFailedWriteSaysWhyAndMayBeRetried)
{
    access.fail = true;
    ImportWindow window(access, document("\"Abs\": false"), full, english);
    QString shown;
    window.showError = [&shown](const QString& error) { shown = error; };
    window.write();
    EXPECT_TRUE(shown.contains("Abs (byte 1)"));
    EXPECT_TRUE(window.canWrite());
    EXPECT_NE(window.result(), QDialog::Accepted);
    access.fail = false;
    window.write();
    EXPECT_EQ(access.writes.size(), 2);
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(ImportWindowTest, ShowsWhichControllerAndAfterAVerifiedWriteWhatItHoldsNow)
{
    const auto strings = [](int id) { return testModule().string(id); };
    ImportWindow window(access, document("\"MaxMotorCurrent\": 60"), full, strings);
    const ViewTexts words(strings);
    const QList<std::pair<QString, QString>> identity = {
        {words.text(ViewTexts::ModelLabel), QStringLiteral("DVR72401")},
        {words.text(ViewTexts::SerialLabel), QStringLiteral("12AB0002")},
        {words.text(ViewTexts::SoftwareLabel), versionText(full)},
        {words.text(ViewTexts::PortLabel), QStringLiteral("/dev/ttyTEST")},
    };
    EXPECT_EQ(window.identityRows(), identity);
    auto* list = window.findChild<QTreeWidget*>();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->topLevelItemCount(), 1);
    const QTreeWidgetItem* row = list->topLevelItem(0);
    EXPECT_EQ(row->text(4), words.word(FieldRules::unitWord(Field::MaxMotorCurrent)));
    EXPECT_FALSE(row->text(4).isEmpty());
    EXPECT_EQ(row->text(5), words.word(FieldRules(full).meaningWord(Field::MaxMotorCurrent, 60)));

    const QString cancel = window.cancelButton()->text();
    window.askClose = [] { return false; }; // the technician stays to look
    window.write();
    EXPECT_EQ(window.statusText(), words.text(ViewTexts::ImportWrittenAndVerified));
    EXPECT_EQ(row->text(2), row->text(3)) << "the controller holds the file's value";
    EXPECT_EQ(window.cancelButton()->text(), words.text(ViewTexts::ImportCloseButton));
    EXPECT_NE(window.cancelButton()->text(), cancel);
    EXPECT_FALSE(window.canWrite());
}

TEST_F(ImportWindowTest, TextsComeFromTheModuleWhereItHasThem)
{
    const auto chinese = [](int id) {
        return id == ViewTexts::ImportTitlePrefix ? QStringLiteral("导入 - ") : QString();
    };
    ImportWindow window(access, document("\"Abs\": false"), full, chinese);
    EXPECT_TRUE(window.windowTitle().startsWith(QStringLiteral("导入 - batch")));
}

} // namespace
