// What the resource module tests share: the identifiers the program asks for and both modules
// loaded.
#pragma once

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

inline QString utf8(const char* text)
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

inline QStringList texts(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list << utf8(item);
    return list;
}

inline QStringList comboItems(QWidget* dialog, int id)
{
    QStringList items;
    if (auto* combo = control<QComboBox>(dialog, id))
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
    return items;
}

// The numbered controls of a template: "id1030" gives 1030.
inline std::set<int> controlIds(QWidget* dialog)
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

inline std::map<QString, std::unique_ptr<ResourceModule>> ResourceModuleTest::s_modules;
