// The resource modules: loading them, their identifiers and string tables, and their errors.
#include "resource_module_fixture.h"

#include <gtest/gtest.h>

namespace {

TEST_F(ResourceModuleTest, EveryIdentifierTheProgramAsksForExistsInBothModules)
{
    for (const QString& name : kModules) {
        SCOPED_TRACE(name.toStdString());
        const ResourceModule& m = module(name);
        for (int id : kDialogs) {
            EXPECT_TRUE(m.hasDialog(id)) << id;
            EXPECT_TRUE(dialog(name, id));
        }
        for (int id : kStrings)
            EXPECT_FALSE(m.string(id).isEmpty()) << id;
        EXPECT_EQ(m.bitmap(165).size(), QSize(700, 70));
        EXPECT_EQ(m.bitmap(166).size(),
                  name == QLatin1String("english") ? QSize(150, 360) : QSize(150, 281));
        EXPECT_FALSE(m.icon(159).isNull());
        EXPECT_EQ(m.icon(159).pixmap(48, 48).size(), QSize(48, 48));
        EXPECT_EQ(m.menu(129).size(), 3);
        EXPECT_FALSE(m.version().isEmpty());
    }
}

// Each field a page shows has the label that page gives it, in the module's words, without the
// footnote mark; a byte two labels share gets both.
TEST_F(ResourceModuleTest, FieldLabelsAreThePagesLabelsOfTheirFields)
{
    const struct
    {
        const char* field;
        const char* english;
        const char* chinese;
    } cases[] = {
        {"FootSwitch", "Foot Switch", "脚踏开关"},
        {"UnderVoltage", "Under Voltage", "欠压值"},
        {"HallPhaseSequence", "Hall Order", "霍尔相序"},
        {"ThrottleStartEndSteps",
         "Throttle effective starting position / Throttle effective ending "
         "position",
         "油门有效起始位置 / 油门有效终止位置"},
        {"PreferredAddress", "Preferred Address", "首选地址"},
        {"SerialNumber", "", ""},
    };
    const QHash<QString, QString> en = module("english").fieldLabels();
    const QHash<QString, QString> cn = module("chinese").fieldLabels();
    for (const auto& c : cases) {
        EXPECT_EQ(en.value(c.field), QString::fromUtf8(c.english)) << c.field;
        EXPECT_EQ(cn.value(c.field), QString::fromUtf8(c.chinese)) << c.field;
    }
    // Both modules label the same fields.
    EXPECT_EQ(QSet<QString>(en.keyBegin(), en.keyEnd()), QSet<QString>(cn.keyBegin(), cn.keyEnd()));
    EXPECT_GE(en.size(), 60);
}

TEST_F(ResourceModuleTest, BothModulesLoadSideBySideEachWithItsOwnTexts)
{
    const ResourceModule& en = module(QStringLiteral("english"));
    const ResourceModule& cn = module(QStringLiteral("chinese"));
    EXPECT_EQ(en.name(), QStringLiteral("english"));
    EXPECT_EQ(cn.name(), QStringLiteral("chinese"));
    EXPECT_NE(en.root(), cn.root());
    EXPECT_EQ(QFileInfo(en.fileName()).fileName(), QStringLiteral("english.rcc"));
    EXPECT_EQ(en.string(104), QStringLiteral("Data reading error!"));
    EXPECT_EQ(cn.string(104), utf8("数据读取错误。"));

    auto en133 = dialog(QStringLiteral("english"), 133);
    auto cn133 = dialog(QStringLiteral("chinese"), 133);
    ASSERT_TRUE(en133 && cn133);
    EXPECT_EQ(control<QPushButton>(en133.get(), 1017)->text(), QStringLiteral("&Cancel"));
    EXPECT_EQ(control<QPushButton>(cn133.get(), 1017)->text(), utf8("取消(&C)"));
}

TEST_F(ResourceModuleTest, ASecondLoadOfTheSameModuleSurvivesTheFirstBeingFreed)
{
    QString error;
    auto first = ResourceModule::load(QStringLiteral("english"), &error, {kBundleDir});
    auto second = ResourceModule::load(QStringLiteral("english"), &error, {kBundleDir});
    ASSERT_TRUE(first && second) << error.toStdString();
    first.reset();
    EXPECT_EQ(second->string(104), QStringLiteral("Data reading error!"));
    std::unique_ptr<QWidget> page(second->loadDialog(146, nullptr, &error));
    EXPECT_TRUE(page) << error.toStdString();
}

TEST_F(ResourceModuleTest, StringTablesMatchTheTextsExactly)
{
    const ResourceModule& en = module(QStringLiteral("english"));
    const ResourceModule& cn = module(QStringLiteral("chinese"));
    for (const auto& [id, text] : kEnglishStrings)
        EXPECT_EQ(en.string(id), utf8(text)) << id;
    for (const auto& [id, text] : kChineseStrings)
        EXPECT_EQ(cn.string(id), utf8(text)) << id;
    // Line breaks are CR LF pairs, as the message boxes expect them.
    EXPECT_TRUE(en.string(103).contains(QStringLiteral("check:\r\n\r\n1.")));
    // The web-site message names the maker's host, and the caption takes the step number.
    for (const QString& name : kModules) {
        EXPECT_TRUE(module(name).string(107).contains(QLatin1String(kMakerHost)));
        EXPECT_TRUE(module(name).string(165).contains(QStringLiteral("%d")));
        // The read-back message takes the field, its byte and both values.
        for (const char* marker : {"%1", "%2", "%3", "%4"})
            EXPECT_TRUE(module(name).string(112).contains(QLatin1String(marker))) << marker;
    }
    EXPECT_EQ(QString::fromLatin1(kSupportUrl),
              QStringLiteral("http://") + kMakerHost + QLatin1String(kSupportPath));
}

TEST_F(ResourceModuleTest, MissingResourcesGiveEmptyValuesAndAnError)
{
    const ResourceModule& en = module(QStringLiteral("english"));
    EXPECT_TRUE(en.string(999).isNull());
    EXPECT_TRUE(en.bitmap(999).isNull());
    EXPECT_TRUE(en.icon(999).isNull());
    EXPECT_TRUE(en.menu(999).isEmpty());
    EXPECT_TRUE(en.version().value(QStringLiteral("strings")).isObject());
    EXPECT_FALSE(en.hasDialog(999));
    QString error;
    EXPECT_EQ(en.loadDialog(999, nullptr, &error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("999"))) << error.toStdString();
    EXPECT_EQ(en.loadDialog(999, nullptr), nullptr); // no error slot: still no crash
}

TEST(ResourceModuleLoad, MissingModuleNamesTheFileAndEveryFolderSearched)
{
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    const QString absent = empty.filePath(QStringLiteral("absent"));
    QString error;
    EXPECT_EQ(ResourceModule::load(QStringLiteral("english"), &error, {empty.path(), absent}),
              nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("english.rcc"))) << error.toStdString();
    EXPECT_TRUE(error.contains(empty.path())) << error.toStdString();
    EXPECT_TRUE(error.contains(absent)) << error.toStdString();

    // Without folders the program's own folder, the data folder of the tree it is installed in
    // and the configured data folder are searched.
    const QStringList defaults = ResourceModule::defaultSearchDirs();
    ASSERT_EQ(defaults.size(), 3);
    EXPECT_EQ(defaults.first(), QCoreApplication::applicationDirPath());
    EXPECT_EQ(defaults[1], QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                           QStringLiteral("/../share/norvel-controller")));
    error.clear();
    EXPECT_EQ(ResourceModule::load(QStringLiteral("klingon"), &error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("klingon.rcc")));
    for (const QString& dir : defaults)
        EXPECT_TRUE(error.contains(dir)) << error.toStdString();
    EXPECT_EQ(ResourceModule::load(QStringLiteral("klingon"), nullptr), nullptr);
}

TEST(ResourceModuleLoad, DefaultSearchFindsTheBundlesBesideTheProgram)
{
    // Tests are built into the same folder as the program and the bundles.
    QString error;
    auto module = ResourceModule::load(QStringLiteral("chinese"), &error);
    ASSERT_TRUE(module) << error.toStdString();
    EXPECT_EQ(QFileInfo(module->fileName()).absolutePath(),
              QFileInfo(QCoreApplication::applicationDirPath()).absoluteFilePath());
}

TEST(ResourceModuleLoad, RefusesNamesThatAreNotPlainFileNames)
{
    for (const char* name : {"", "../english", "bin/english", "english.rcc", "a b"}) {
        QString error;
        EXPECT_EQ(ResourceModule::load(QString::fromUtf8(name), &error, {kBundleDir}), nullptr)
            << name;
        EXPECT_FALSE(error.isEmpty()) << name;
    }
}

TEST(ResourceModuleLoad, BrokenBundlesAreErrorsNotCrashes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile junk(dir.filePath(QStringLiteral("english.rcc")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("this is no resource bundle");
    junk.close();
    QString error;
    EXPECT_EQ(ResourceModule::load(QStringLiteral("english"), &error, {dir.path()}), nullptr);
    EXPECT_TRUE(error.contains(junk.fileName())) << error.toStdString();

    // A valid bundle without a string table is not a resource module either.
    error.clear();
    EXPECT_EQ(ResourceModule::load(QStringLiteral("notamodule"), &error,
                                   {QStringLiteral(NORVEL_TEST_DATA_DIR)}),
              nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("not a resource module"))) << error.toStdString();
}

} // namespace
