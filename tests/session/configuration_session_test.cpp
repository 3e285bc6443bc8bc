// One configuration being edited, without a window: where it came from, what it knows, and the
// marks the window shows.
#include "catalogue_block.h"
#include "configuration_session.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ConfigurationSessionTest : public ::testing::Test
{
protected:
    ConfigurationSessionTest()
    {
        QObject::connect(&session, &ConfigurationSession::changed, [this] { ++changes; });
    }

    QString write(const QString& name, const QByteArray& content)
    {
        const QString path = dir.filePath(name);
        QString error;
        EXPECT_TRUE(ConfigurationFile::write(path, content, &error)) << error.toStdString();
        return path;
    }
    // A document naming only `fields`, with or without the controller part.
    QString document(const QString& name, const QList<std::pair<Field, std::uint32_t>>& fields,
                     const std::optional<ConfigBlock>& controller = std::nullopt)
    {
        ConfigDocument doc;
        doc.controller = controller;
        for (const auto& [f, v] : fields)
            doc.fields.append({f, v});
        return write(name, ConfigurationFile::content(doc));
    }

    QTemporaryDir dir;
    ConfigurationSession session;
    int changes = 0;
    const ConfigBlock full = catalogueBlock(QStringLiteral("full"));
};

TEST_F(ConfigurationSessionTest, ADocumentWithoutControllerKnowsOnlyItsFieldsUntilConnect)
{
    const QString path = document(QStringLiteral("batch.json"), {{Field::MaxMotorCurrent, 70}});
    ASSERT_TRUE(ConfigurationSession::needsIdentity(path));
    EXPECT_EQ(session.startOffline(path, std::nullopt).kind,
              ConfigurationSession::Refusal::Kind::NeedsIdentity);
    EXPECT_EQ(session.filePath(), path); // named after the file, empty

    ASSERT_FALSE(session.startOffline(path, full));
    EXPECT_TRUE(session.origin().assumedIdentity);
    EXPECT_EQ(session.knownFields(), QList<Field>{Field::MaxMotorCurrent});
    ConfigBlock edited = session.edited();
    edited.set(Field::StartupDelay, 9);
    session.edit(edited);
    EXPECT_EQ(session.knownFields(), QList<Field>({Field::MaxMotorCurrent, Field::StartupDelay}));
    const ConfigDocument doc = session.document();
    EXPECT_FALSE(doc.controller); // the identity was only assumed
    EXPECT_EQ(doc.fields.size(), 2);

    // Connect carries the two fields over onto what the controller holds.
    ConfigBlock controller = full;
    controller.set(Field::LowAccel, full.get(Field::LowAccel) == 1 ? 2 : 1);
    ASSERT_FALSE(session.connect(controller));
    EXPECT_TRUE(session.isOnline());
    EXPECT_FALSE(session.knownFields());
    EXPECT_EQ(session.changedFields(), QList<Field>({Field::MaxMotorCurrent, Field::StartupDelay}));
    EXPECT_EQ(session.edited().get(Field::LowAccel), controller.get(Field::LowAccel));
    EXPECT_EQ(session.filePath(), path);
}

TEST_F(ConfigurationSessionTest, ARefusedFileOrImageChangesNothing)
{
    ConfigBlock basic = catalogueBlock(QStringLiteral("basic"));
    const struct
    {
        const char* what;
        QString path;
        ConfigurationSession::Refusal::Kind kind;
    } cases[] = {
        {"missing", dir.filePath(QStringLiteral("none.json")),
         ConfigurationSession::Refusal::Kind::CannotOpen},
        {"garbage", write(QStringLiteral("junk.json"), "{ not json"),
         ConfigurationSession::Refusal::Kind::NotConfiguration},
        {"not for this controller",
         document(QStringLiteral("volts.json"), {{Field::OverVoltage, 120}}),
         ConfigurationSession::Refusal::Kind::NotApplied},
        {"another model", write(QStringLiteral("basic.bin"), basic.toByteArray()),
         ConfigurationSession::Refusal::Kind::OtherController},
    };
    session.startOnline(full);
    ConfigBlock edited = full;
    edited.set(Field::StartupDelay, 9);
    session.edit(edited);
    const ConfigurationSession::State before = session.state();
    const int changesBefore = changes;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(session.openFile(c.path).kind, c.kind);
        EXPECT_EQ(session.edited(), before.edited);
        EXPECT_EQ(session.filePath(), before.origin.filePath);
    }
    EXPECT_EQ(session.restoreImage(basic).kind,
              ConfigurationSession::Refusal::Kind::OtherController);
    EXPECT_EQ(changes, changesBefore);
}

TEST_F(ConfigurationSessionTest, MarksFollowEditsSavesWritesReadsAndUndo)
{
    session.startOnline(full);
    const ConfigurationSession::State start = session.state();
    ConfigBlock edited = full;
    edited.set(Field::StartupDelay, 9);
    session.edit(edited);
    struct Marks
    {
        bool unsaved, modified, differs;
    };
    const auto expect = [this](const char* step, Marks m) {
        SCOPED_TRACE(step);
        EXPECT_EQ(session.hasUnsavedChanges(), m.unsaved);
        EXPECT_EQ(session.isModifiedSinceSaved(), m.modified);
        EXPECT_EQ(session.differsFromController(), m.differs);
    };
    expect("edited", {true, true, true});

    const QString path = dir.filePath(QStringLiteral("saved.json"));
    session.saved(path, session.document());
    expect("saved", {false, false, true});
    EXPECT_EQ(session.saveFormat(), ConfigurationFile::Format::Document);

    // Undo online brings back the edits, never another controller block.
    session.restore(start);
    EXPECT_EQ(session.edited(), full);
    session.restore({edited, ConfigBlock(), session.origin(), edited});
    EXPECT_EQ(session.controller(), full);

    session.written();
    expect("written", {false, false, false});
    EXPECT_EQ(session.controller(), edited);

    session.read(full);
    expect("read", {false, false, false});
    EXPECT_TRUE(session.filePath().isEmpty());
    EXPECT_FALSE(session.saveFormat());
    // Nothing opened: Save As offers the model and serial number in the home folder.
    const QString suggested = session.suggestedPath(ConfigurationFile::Format::Image, dir.path());
    EXPECT_TRUE(suggested.startsWith(dir.path() + QLatin1Char('/')));
    EXPECT_TRUE(suggested.endsWith(QLatin1String(".bin")));
}

} // namespace
