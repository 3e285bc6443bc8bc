// Tests of the english and chinese resource modules and of the loader that serves them.
#include "controls.h"
#include "resource_module.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

namespace {

const QString kBundleDir = QStringLiteral(NORVEL_BUNDLE_DIR);
const QStringList kModules = {QStringLiteral("english"), QStringLiteral("chinese")};
const int kDialogs[] = {100, 102, 133, 145, 146, 147, 148, 149, 150, 151, 152, 153, 156};
const int kPages[] = {145, 146, 147, 148, 149, 150, 151, 152, 156};
const int kStrings[] = {101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 164, 165,
                        // the professional view
                        113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127,
                        128, 129, 130, 131, 132, 133, 134, 135, 136, 137, 138, 139, 140, 141, 142,
                        143, 144, 145, 146, 147, 148, 149, 150, 151, 152, 153, 154, 155, 156, 157,
                        158, 159, 160, 161, 162, 163, 166, 167, 168, 169, 170, 171, 172, 173, 174,
                        175, 176, 177, 178, 179,
                        // import mode
                        180, 181, 182, 183, 184, 185, 186, 187,
                        // words of the field table
                        188, 189, 190, 191, 192, 193, 194, 195, 196, 197, 198, 199, 200, 201, 202,
                        203, 204, 205, 206, 207, 208, 209, 210, 211, 212, 213, 214, 215, 216, 217,
                        218, 219, 220, 221, 222, 223, 224, 225, 226,
                        // help with serial ports below message 103
                        230, 231, 232, 233, 234, 235, 236, 237,
                        // the setting curves
                        260, 261, 262, 263, 264, 265, 266, 267, 268, 269, 270, 271, 272, 273, 274,
                        275, 276, 277, 278, 279, 280, 281, 282, 283, 284, 285, 286, 287, 288, 289,
                        290, 291, 292, 293, 294, 295, 296, 297, 298, 299};

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

const std::map<int, const char*> kEnglishStrings = {
    {101, "&About Norvel Controller..."},
    {102, "Cancel without saving any change? "},
    {103, "Can't connect to the controller! Please check:\r\n\r\n1. Controller is powered through "
          "PWR. \r\n2. RS232 cable is plugged in properly. "},
    {104, "Data reading error!"},
    {105, "Can't write to the controller! Please check:\r\n\r\n1. Controller is powered through "
          "PWR. \r\n2. RS232 cable is plugged in properly. "},
    {106, "Configuration Completed!\r\n\r\nPlease cycle controller power to activate "
          "configuration!\r\n\r\nClose this program?"},
    {107, "The configurable program is provided only for Norvel DVR-X series controller.For "
          "other series controller,please go to www.norvel-motion.example download "
          "corresponding version."},
    {108, "\"Control Mode\" have upgraded into \"Torque Mode\". Please click \"Finish\" button "
          "to write configuration into controller, then try new feature."},
    {109, "Please check that the PWM output of the controller matching the Hall order before "
          "changing to non-auto phase checking mode.Are you sure to  exit the Auto Phase Check "
          "mode?"},
    {110, "Warning:Prohibit doing any configuration in user program while running "
          "motor.\r\n\r\n1.Click \"Yes\" to continue if the motor is not running.\r\n2.Click "
          "\"No\" if the motor is running. Please reconnect user program after stopping motor."},
    {111, "The configuration program is provided only for Norvel PDM/PDR standard series "
          "controller! For other special versions,please connect OEM.  "},
    {112, "The configuration did not stick: %1 (byte %2) reads back as %3, written %4.\r\nWrite it "
          "again?"},
    {164, "Set RS232 port error!"},
    {165, "Step %d - Norvel DVR-X Series Controllers Configuration Program V4.6"},
};

const std::map<int, const char*> kChineseStrings = {
    {101, "关于诺维自控..."},
    {102, "确认退出？"},
    {103, "无法连接控制器。请检查：\r\n\r\n1.控制器是否打开；\r\n2.是否使用了诺维提供的RS232连接"
          "线；\r\n3.串口线是否连接正确。"},
    {104, "数据读取错误。"},
    {105, "向控制器写数据时出错。请检查：\r\n\r\n1.控制器是否打开。\r\n2.是否使用了诺维提供的连"
          "接线。\r\n3.串口线是否连接正确。"},
    {106, "配置成功。\r\n\r\n请手动关闭控制器后重新打开控制器使配置生效。\r\n\r\n是否关闭配置程"
          "序？"},
    {107, "该设置程序只能使用在诺维DVR-X系列控制器上，其他控制器请登陆www.norvel-motion."
          "example下载正确版本。 "},
    {108, "”控制模式“已升级为”转矩模式“，请点”完成“保存配置写入控制器。"},
    {109, "由自动对相选项切换到60/120度霍尔选项，请确保电机控制器电流输出线正确连接。确认切换出"
          "自动换相功能？"},
    {110, "警告：不允许在电机运转的情况下连接客户标定，更不允许修改参数！\r\n1.电机处于静止状态，"
          "请点击“是”进行参数设置；\r\n2.电机在转动，请点击“否”，关闭电机后再进行设置。"},
    {111, "该设置程序只能用在诺维标准版PDM/PDR控制器上，特殊版本请联系控制器供应商。"},
    {112, "配置没有保存到控制器中：%1（字节%2）读回的值为%3，写入的值为%4。\r\n是否重新写入？"},
    {164, "RS232设置错误。"},
    {165, "当前第%d步-诺维DVR-X系列控制器配置程序V4.6"},
};

QStringList texts(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list << utf8(item);
    return list;
}

QStringList comboItems(QWidget* dialog, int id)
{
    QStringList items;
    if (auto* combo = control<QComboBox>(dialog, id))
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
    return items;
}

// The numbered controls of a template: "id1030" gives 1030.
std::set<int> controlIds(QWidget* dialog)
{
    static const QRegularExpression numbered(QStringLiteral("^id(\\d+)$"));
    std::set<int> ids;
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        const auto match = numbered.match(w->objectName());
        if (match.hasMatch())
            ids.insert(match.captured(1).toInt());
    }
    return ids;
}

class ResourceModuleTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        for (const QString& name : kModules) {
            QString error;
            s_modules[name] = ResourceModule::load(name, &error, {kBundleDir});
            ASSERT_TRUE(s_modules[name]) << error.toStdString();
        }
    }
    static void TearDownTestSuite() { s_modules.clear(); }

    static const ResourceModule& module(const QString& name) { return *s_modules.at(name); }

    // The dialog, owned by the test; fails the test when it does not load.
    static std::unique_ptr<QWidget> dialog(const QString& name, int id)
    {
        QString error;
        std::unique_ptr<QWidget> w(module(name).loadDialog(id, nullptr, &error));
        EXPECT_TRUE(w) << name.toStdString() << " " << id << ": " << error.toStdString();
        return w;
    }

    static std::map<QString, std::unique_ptr<ResourceModule>> s_modules;
};

std::map<QString, std::unique_ptr<ResourceModule>> ResourceModuleTest::s_modules;

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

TEST_F(ResourceModuleTest, PopupsAreDialogsWithCaptionsAndPagesArePlainWidgets)
{
    const std::map<int, std::pair<const char*, const char*>> captions = {
        {100, {"About Norvel Controller", "关于诺维自控"}},
        {102, {"Norvel Controller", "诺维自控"}},
        {133,
         {"Norvel DVR-X Series Controllers Configurable Program",
          "诺维自控DVR-X系列控制器客户标定程序"}},
        {153, {"Upgrade", "升级"}},
    };
    for (const auto& [id, caption] : captions) {
        for (const QString& name : kModules) {
            auto w = dialog(name, id);
            ASSERT_TRUE(w);
            EXPECT_NE(qobject_cast<QDialog*>(w.get()), nullptr) << id;
            const char* expected =
                name == QLatin1String("english") ? caption.first : caption.second;
            EXPECT_EQ(w->windowTitle(), utf8(expected)) << id;
        }
    }
    for (int id : kPages) {
        for (const QString& name : kModules) {
            auto w = dialog(name, id);
            ASSERT_TRUE(w);
            EXPECT_EQ(qobject_cast<QDialog*>(w.get()), nullptr) << id;
        }
    }
    // The Upgrade dialog has no controls at all.
    auto upgrade = dialog(QStringLiteral("english"), 153);
    EXPECT_TRUE(upgrade->findChildren<QWidget*>().isEmpty());
}

TEST_F(ResourceModuleTest, ModulesCarryTheSameControlIdentifiersSaveTwo)
{
    for (int id : kDialogs) {
        auto en = dialog(QStringLiteral("english"), id);
        auto cn = dialog(QStringLiteral("chinese"), id);
        ASSERT_TRUE(en && cn);
        std::set<int> expected = controlIds(en.get());
        // The Chinese module leaves out the import-mode paragraph and an unused label.
        if (id == 145) {
            EXPECT_EQ(expected.erase(1022), 1u);
        }
        if (id == 148) {
            EXPECT_EQ(expected.erase(1036), 1u);
        }
        EXPECT_EQ(controlIds(cn.get()), expected) << id;
    }
}

TEST_F(ResourceModuleTest, ControlsHaveTheKindsThePagesLookFor)
{
    struct Kinds
    {
        std::vector<int> sliders, lists, editableCombos, edits, radios, buttons, groups;
    };
    const std::map<int, Kinds> kinds = {
        {102, {{}, {}, {}, {}, {}, {1, 1012}, {1005}}},
        {133, {{}, {}, {}, {}, {}, {1016, 1017, 1018, 1020, 1022, 1026, 1103}, {1027}}},
        {145, {{}, {}, {}, {}, {1014, 1015, 1019}, {}, {}}},
        {146,
         {{1030, 1032, 1033, 1034, 1035, 1094},
          {1031},
          {1110, 1111},
          {},
          {1037, 1038, 1123, 1124},
          {},
          {1005}}},
        {147, {{1035, 1062, 1065}, {1044, 1046, 1047}, {}, {}, {1024, 1025, 1113, 1114}, {}, {}}},
        {148,
         {{1084, 1035, 1085, 1037, 1086, 1132, 1087},
          {1140},
          {},
          {1125, 1126},
          {1082, 1083, 1088, 1089, 1090, 1091, 1092, 1093},
          {},
          {1122, 1139}}},
        {149,
         {{1094, 1045, 1043, 1079, 1080},
          {1081},
          {1112, 1113},
          {},
          {1016, 1017, 1018, 1019, 1020, 1021, 1022, 1023},
          {},
          {}}},
        {151,
         {{},
          {},
          {},
          {1127, 1137, 1138, 1139, 1140, 1141, 1142, 1143, 1128, 1145, 1146},
          {},
          {},
          {}}},
        {156,
         {{1058, 1092},
          {1085},
          {},
          {},
          {1090, 1091, 1097, 1098, 1099, 1100, 1101, 1102, 1119, 1120, 1127, 1128, 1129, 1126, 1104,
           1105},
          {},
          {}}},
    };
    for (const QString& name : kModules) {
        for (const auto& [id, k] : kinds) {
            auto w = dialog(name, id);
            ASSERT_TRUE(w);
            const std::string where = name.toStdString() + " " + std::to_string(id) + " ";
            for (int c : k.sliders) {
                auto* slider = control<QSlider>(w.get(), c);
                ASSERT_NE(slider, nullptr) << where << c;
                // A trackbar starts on 0..100 without tick marks.
                EXPECT_EQ(slider->orientation(), Qt::Horizontal) << where << c;
                EXPECT_EQ(slider->minimum(), 0) << where << c;
                EXPECT_EQ(slider->maximum(), 100) << where << c;
                EXPECT_EQ(slider->tickPosition(), QSlider::NoTicks) << where << c;
            }
            for (int c : k.lists) {
                auto* combo = control<QComboBox>(w.get(), c);
                ASSERT_NE(combo, nullptr) << where << c;
                EXPECT_FALSE(combo->isEditable()) << where << c;
            }
            for (int c : k.editableCombos) {
                auto* combo = control<QComboBox>(w.get(), c);
                ASSERT_NE(combo, nullptr) << where << c;
                EXPECT_TRUE(combo->isEditable()) << where << c;
            }
            for (int c : k.edits) {
                auto* edit = control<QLineEdit>(w.get(), c);
                ASSERT_NE(edit, nullptr) << where << c;
                EXPECT_TRUE(edit->alignment() & Qt::AlignRight) << where << c;
            }
            for (int c : k.radios)
                EXPECT_NE(control<QRadioButton>(w.get(), c), nullptr) << where << c;
            for (int c : k.buttons)
                EXPECT_NE(control<QPushButton>(w.get(), c), nullptr) << where << c;
            for (int c : k.groups)
                EXPECT_NE(control<QGroupBox>(w.get(), c), nullptr) << where << c;
        }
    }
    auto classic = dialog(QStringLiteral("english"), 102);
    EXPECT_NE(control<QTabWidget>(classic.get(), 1000), nullptr);
    EXPECT_TRUE(control<QPushButton>(classic.get(), 1)->isDefault());
    // The sorted steps lists insert new text in order.
    auto throttle = dialog(QStringLiteral("english"), 146);
    EXPECT_EQ(control<QComboBox>(throttle.get(), 1110)->insertPolicy(),
              QComboBox::InsertAlphabetically);
}

TEST_F(ResourceModuleTest, ComboListsHoldTheirItemsInOrder)
{
    const QString en = QStringLiteral("english");
    const QString cn = QStringLiteral("chinese");
    const QStringList starts = texts({"0%", "10%", "20%", "30%", "40%"});
    const QStringList ends = texts({"100%", "90%", "80%", "70%", "60%", "50%"});
    const QStringList sensors = texts({"禁用", "KTY83-122", "KTY84-130"});
    QStringList poles;
    for (int i = 0; i < 100; ++i)
        poles << QString::number(2 * (i + 1));
    const QStringList delays =
        texts({"0 sec.",   "0.1 sec.", "0.2 sec.", "0.3 sec.", "0.4 sec.", "0.5 sec.", "0.6 sec.",
               "0.7 sec.", "0.8 sec.", "0.9 sec.", "1  sec.",  "1.1 sec.", "1.2 sec.", "1.3 sec.",
               "1.4 sec.", "1.5 sec.", "1.6 sec.", "1.7 sec.", "1.8 sec.", "1.9 sec.", "2 sec."});

    auto p146 = dialog(en, 146);
    EXPECT_EQ(comboItems(p146.get(), 1031), texts({"0-5V ", "5-0V "}));
    EXPECT_EQ(comboItems(p146.get(), 1110), starts);
    EXPECT_EQ(comboItems(p146.get(), 1111), ends);
    auto p147 = dialog(en, 147);
    EXPECT_EQ(comboItems(p147.get(), 1044), delays);
    EXPECT_EQ(comboItems(p147.get(), 1046), texts({"60 degree", "120 degree"}));
    EXPECT_EQ(comboItems(p147.get(), 1047), texts({"Torque", "Balanced", "Speed2"}));
    auto p148 = dialog(en, 148);
    EXPECT_EQ(comboItems(p148.get(), 1140), sensors);
    auto p149 = dialog(en, 149);
    EXPECT_EQ(comboItems(p149.get(), 1081), texts({"No Used", "0-5V ", "5-0V "}));
    EXPECT_EQ(comboItems(p149.get(), 1112), starts);
    EXPECT_EQ(comboItems(p149.get(), 1113), ends);
    auto p156 = dialog(en, 156);
    EXPECT_EQ(comboItems(p156.get(), 1085), poles);

    // The Chinese lists have as many items, in the same meaning and order.
    auto c146 = dialog(cn, 146);
    EXPECT_EQ(comboItems(c146.get(), 1031), texts({"0-5V", "5-0V"}));
    EXPECT_EQ(comboItems(c146.get(), 1110), starts);
    EXPECT_EQ(comboItems(c146.get(), 1111), ends);
    auto c147 = dialog(cn, 147);
    const QStringList cnDelays = comboItems(c147.get(), 1044);
    ASSERT_EQ(cnDelays.size(), 21);
    EXPECT_EQ(cnDelays.first(), utf8("0秒"));
    EXPECT_EQ(cnDelays[10], utf8("1秒"));
    EXPECT_EQ(cnDelays.last(), utf8("2秒"));
    EXPECT_EQ(comboItems(c147.get(), 1046), texts({"60度", "120度"}));
    EXPECT_EQ(comboItems(c147.get(), 1047).size(), 3);
    auto c148 = dialog(cn, 148);
    EXPECT_EQ(comboItems(c148.get(), 1140), sensors);
    auto c149 = dialog(cn, 149);
    EXPECT_EQ(comboItems(c149.get(), 1081), texts({"不使用", "0-5V", "5-0V"}));
    EXPECT_EQ(comboItems(c149.get(), 1112), starts);
    EXPECT_EQ(comboItems(c149.get(), 1113), ends);
    auto c156 = dialog(cn, 156);
    EXPECT_EQ(comboItems(c156.get(), 1085), poles);

    // Nothing is selected by the lists themselves beyond the first item.
    EXPECT_EQ(control<QComboBox>(p147.get(), 1044)->currentIndex(), 0);
}

TEST_F(ResourceModuleTest, HiddenControlsStartHiddenAndTheOthersVisible)
{
    const std::map<int, std::set<int>> hiddenEnglish = {
        {102, {1, 1005, 1012, 1000}},    {133, {1027, 1022}}, {147, {1113, 1114}},
        {148, {1082, 1083, 1144, 1046}}, {156, {1104, 1105}},
    };
    std::map<int, std::set<int>> hiddenChinese = hiddenEnglish;
    // The hall phase sequence shows in the Chinese module only.
    hiddenChinese[148] = {1082, 1083};

    for (const QString& name : kModules) {
        const auto& hidden = name == QLatin1String("english") ? hiddenEnglish : hiddenChinese;
        for (int id : kDialogs) {
            auto w = dialog(name, id);
            ASSERT_TRUE(w);
            const auto it = hidden.find(id);
            for (int c : controlIds(w.get())) {
                const bool expectHidden = it != hidden.end() && it->second.count(c) > 0;
                EXPECT_EQ(control<QWidget>(w.get(), c)->isHidden(), expectHidden)
                    << name.toStdString() << " " << id << " control " << c;
            }
            // Once the dialog is shown, the hidden ones stay hidden.
            w->setAttribute(Qt::WA_DontShowOnScreen);
            w->show();
            if (it != hidden.end()) {
                for (int c : it->second)
                    EXPECT_FALSE(control<QWidget>(w.get(), c)->isVisible()) << id << " " << c;
            }
        }
    }
    // Statics without identifier that the templates hide.
    for (const QString& name : kModules) {
        auto j1939 = dialog(name, 151);
        auto motor = dialog(name, 156);
        int hiddenLabels = 0;
        for (auto* label : j1939->findChildren<QLabel*>())
            hiddenLabels += label->text() == QLatin1String("7") && label->isHidden();
        for (auto* label : motor->findChildren<QLabel*>())
            hiddenLabels +=
                label->objectName().startsWith(QLatin1String("static_")) && label->isHidden();
        EXPECT_EQ(hiddenLabels, 2) << name.toStdString();
    }
}

TEST_F(ResourceModuleTest, RadioPairsAreIndependentGroupsStartingUnchecked)
{
    for (const QString& name : kModules) {
        for (int id : kDialogs) {
            auto w = dialog(name, id);
            ASSERT_TRUE(w);
            const auto radios = w->findChildren<QRadioButton*>();
            QSet<QButtonGroup*> groups;
            for (QRadioButton* radio : radios) {
                EXPECT_FALSE(radio->isChecked()) << id;
                ASSERT_NE(radio->group(), nullptr)
                    << id << " " << radio->objectName().toStdString();
                EXPECT_TRUE(radio->group()->exclusive());
                groups.insert(radio->group());
            }
            for (QButtonGroup* group : groups) {
                // The run-mode choice is one group of three; every other group is a pair.
                EXPECT_EQ(group->buttons().size(), id == 145 ? 3 : 2)
                    << id << " " << group->objectName().toStdString();
            }
            // Checking a button in one group leaves the buttons checked in the others alone.
            std::map<QButtonGroup*, QAbstractButton*> picked;
            for (QButtonGroup* group : groups) {
                picked[group] = group->buttons().last();
                picked[group]->setChecked(true);
                for (const auto& [other, chosen] : picked)
                    EXPECT_EQ(other->checkedButton(), chosen) << id;
            }
            int checked = 0;
            for (QButtonGroup* group : groups)
                checked += group->checkedButton() != nullptr;
            EXPECT_EQ(checked, groups.size()) << id;
        }
    }
    auto page = dialog(QStringLiteral("english"), 146);
    auto* footEnable = control<QRadioButton>(page.get(), 1037);
    auto* forwardEnable = control<QRadioButton>(page.get(), 1123);
    footEnable->setChecked(true);
    forwardEnable->setChecked(true);
    EXPECT_TRUE(footEnable->isChecked()); // another pair: not cleared
    control<QRadioButton>(page.get(), 1038)->setChecked(true);
    EXPECT_FALSE(footEnable->isChecked()); // its own pair: cleared
}

TEST(Controls, LookUpByIdentifierAndKindToleratingAbsence)
{
    QWidget root;
    auto* slider = new QSlider(&root);
    slider->setObjectName(controlName(1030));
    EXPECT_EQ(controlName(1030), QStringLiteral("id1030"));
    EXPECT_EQ(control<QSlider>(&root, 1030), slider);
    EXPECT_EQ(control<QWidget>(&root, 1030), slider);
    EXPECT_EQ(control<QComboBox>(&root, 1030), nullptr); // another kind
    EXPECT_EQ(control<QSlider>(&root, 1031), nullptr);   // absent
    EXPECT_EQ(control<QSlider>(nullptr, 1030), nullptr); // no dialog at all
}

TEST(Controls, APairCanBeClearedAndSetExactly)
{
    QWidget root;
    auto* enable = new QRadioButton(&root);
    auto* disable = new QRadioButton(&root);
    enable->setObjectName(controlName(1088));
    disable->setObjectName(controlName(1089));
    QButtonGroup pair(&root);
    pair.addButton(enable);
    pair.addButton(disable);

    setButtonChecked(&root, 1088, true);
    EXPECT_TRUE(isButtonChecked(&root, 1088));
    // Plain Qt refuses to uncheck the checked button of an exclusive group; the helper does it.
    setButtonChecked(&root, 1088, false);
    EXPECT_FALSE(isButtonChecked(&root, 1088));
    EXPECT_FALSE(isButtonChecked(&root, 1089));
    EXPECT_TRUE(pair.exclusive());
    setButtonChecked(&root, 1089, true);
    setButtonChecked(&root, 1088, true);
    EXPECT_FALSE(isButtonChecked(&root, 1089));
    setButtonChecked(&root, 4242, true); // absent: ignored
    EXPECT_FALSE(isButtonChecked(&root, 4242));
}

TEST_F(ResourceModuleTest, PagesFitInsideTheFramesPageArea)
{
    for (const QString& name : kModules) {
        auto frame = dialog(name, 133);
        ASSERT_TRUE(frame);
        const QSize area = control<QGroupBox>(frame.get(), 1027)->size();
        for (int id : kPages) {
            auto page = dialog(name, id);
            ASSERT_TRUE(page);
            for (QWidget* w : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (w->isHidden())
                    continue;
                EXPECT_TRUE(QRect(QPoint(0, 0), area).contains(w->geometry()))
                    << name.toStdString() << " " << id << " " << w->objectName().toStdString();
            }
        }
    }
}

TEST_F(ResourceModuleTest, PagesInsideTheFrameKeepTheModuleFont)
{
    // An application font far from the modules' 8 points shows any control that loses it.
    const QFont saved = QApplication::font();
    QFont big = saved;
    big.setPointSize(14);
    QApplication::setFont(big);
    for (const QString& name : kModules) {
        QDialog window;
        QWidget* frame = module(name).loadDialog(133, &window);
        ASSERT_NE(frame, nullptr);
        frame->setWindowFlags(Qt::Widget);
        auto* holder = new QWidget; // the page object, as the wizard makes it
        QWidget* page = module(name).loadDialog(146, holder);
        ASSERT_NE(page, nullptr);
        holder->setParent(frame);
        window.setAttribute(Qt::WA_DontShowOnScreen);
        window.show();
        holder->show();
        QCoreApplication::processEvents();
        for (int id : {1054, 1123}) {
            const QFont font = control<QWidget>(page, id)->font();
            EXPECT_EQ(font.pointSize(), 8) << name.toStdString() << " " << id;
            if (name == QLatin1String("chinese")) {
                EXPECT_EQ(font.family(), QStringLiteral("Noto Sans CJK SC"));
            }
        }
        EXPECT_EQ(control<QWidget>(frame, 1016)->font().pointSize(), 8) << name.toStdString();
    }
    QApplication::setFont(saved);
}

TEST_F(ResourceModuleTest, FrameShowsTheModuleBitmapsUncropped)
{
    for (const QString& name : kModules) {
        auto frame = dialog(name, 133);
        ASSERT_TRUE(frame);
        QLabel* banner = nullptr;
        QLabel* side = nullptr;
        for (auto* label : frame->findChildren<QLabel*>()) {
            if (label->pixmap().size() == QSize(700, 70))
                banner = label;
            else if (label->pixmap().width() == 150)
                side = label;
        }
        ASSERT_NE(banner, nullptr) << name.toStdString();
        ASSERT_NE(side, nullptr) << name.toStdString();
        EXPECT_TRUE(banner->hasScaledContents()); // stretched across the top strip
        EXPECT_EQ(banner->pos(), QPoint(0, 0));
        EXPECT_GE(side->width(), side->pixmap().width());
        EXPECT_GE(side->height(), side->pixmap().height());
        EXPECT_EQ(side->pixmap().size(), module(name).bitmap(166).size());
        EXPECT_LE(side->geometry().right(), control<QGroupBox>(frame.get(), 1027)->x());
    }
}

TEST_F(ResourceModuleTest, MenuBarCarriesTheCommands)
{
    const auto en = module(QStringLiteral("english")).menu(129);
    ASSERT_EQ(en.size(), 3);
    EXPECT_EQ(en[0].text, QStringLiteral("&Settings"));
    ASSERT_EQ(en[0].items.size(), 1);
    EXPECT_EQ(en[0].items[0].text, QStringLiteral("E&xit"));
    EXPECT_EQ(en[0].items[0].command, 32772);
    EXPECT_EQ(en[1].text, QStringLiteral("&Tools"));
    EXPECT_EQ(en[1].command, 32774);
    EXPECT_TRUE(en[1].items.isEmpty());
    EXPECT_EQ(en[2].text, QStringLiteral("&Help"));
    ASSERT_EQ(en[2].items.size(), 1);
    EXPECT_EQ(en[2].items[0].text, QStringLiteral("&About"));
    EXPECT_EQ(en[2].items[0].command, 32771);

    const auto cn = module(QStringLiteral("chinese")).menu(129);
    ASSERT_EQ(cn.size(), 3);
    EXPECT_EQ(cn[0].text, utf8("设置(&S)"));
    EXPECT_EQ(cn[0].items.value(0).text, utf8("退出(&E)"));
    EXPECT_EQ(cn[0].items.value(0).command, 32772);
    EXPECT_EQ(cn[1].text, utf8("工具(&T)"));
    EXPECT_EQ(cn[1].command, 32774);
    EXPECT_EQ(cn[2].text, utf8("帮助(&H)"));
    EXPECT_EQ(cn[2].items.value(0).text, utf8("关于(&A)"));
    EXPECT_EQ(cn[2].items.value(0).command, 32771);

    std::unique_ptr<QMenuBar> bar(module(QStringLiteral("english")).createMenuBar(129));
    const auto top = bar->actions();
    ASSERT_EQ(top.size(), 3);
    ASSERT_NE(top[0]->menu(), nullptr);
    EXPECT_EQ(top[0]->menu()->actions().value(0)->data().toInt(), 32772);
    EXPECT_EQ(top[1]->menu(), nullptr);
    EXPECT_EQ(top[1]->data().toInt(), 32774);
    EXPECT_EQ(top[2]->menu()->actions().value(0)->data().toInt(), 32771);
    // Dialog 102 names the menu it carries.
    auto classic = dialog(QStringLiteral("english"), 102);
    EXPECT_EQ(classic->property("menuId").toInt(), 129);
}

TEST_F(ResourceModuleTest, VersionRecordsNameTheProgram)
{
    const QJsonObject en = module(QStringLiteral("english")).version();
    const QJsonObject cn = module(QStringLiteral("chinese")).version();
    for (const QJsonObject& v : {en, cn}) {
        EXPECT_EQ(v.value(QStringLiteral("fileVersion")).toString(), QStringLiteral("4.1.0.0"));
        EXPECT_EQ(v.value(QStringLiteral("productVersion")).toString(), QStringLiteral("4.1.0.0"));
    }
    const QJsonObject es = en.value(QStringLiteral("strings")).toObject();
    const QString product =
        QStringLiteral("Norvel PDM/PDR Series Controllers Configurable Program");
    EXPECT_EQ(en.value(QStringLiteral("codePage")).toString(), QStringLiteral("040904b0"));
    EXPECT_EQ(es.value(QStringLiteral("FileDescription")).toString(), product);
    EXPECT_EQ(es.value(QStringLiteral("InternalName")).toString(), product);
    EXPECT_EQ(es.value(QStringLiteral("ProductName")).toString(), product);
    EXPECT_EQ(es.value(QStringLiteral("FileVersion")).toString(), QStringLiteral("4, 1, 0, 0"));
    EXPECT_EQ(es.value(QStringLiteral("ProductVersion")).toString(), QStringLiteral("4, 1, 0, 0"));

    const QJsonObject cs = cn.value(QStringLiteral("strings")).toObject();
    EXPECT_EQ(cn.value(QStringLiteral("codePage")).toString(), QStringLiteral("080404b0"));
    EXPECT_EQ(cs.value(QStringLiteral("FileDescription")).toString(),
              utf8("诺维控制PDM/PDR系列控制器配置程序"));
    EXPECT_EQ(cs.value(QStringLiteral("InternalName")).toString(),
              utf8("诺维PDM系列控制器用户配置程序"));
    EXPECT_EQ(cs.value(QStringLiteral("ProductName")).toString(),
              utf8("诺维控制PDM系列控制器配置程序"));
    EXPECT_EQ(cs.value(QStringLiteral("FileVersion")).toString(), QStringLiteral("4, 1, 0, 0"));
    EXPECT_EQ(cs.value(QStringLiteral("ProductVersion")).toString(), QStringLiteral("4, 5, 0, 0"));
}

} // namespace
