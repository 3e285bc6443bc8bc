// Tests of the temperature, CAN and smooth page: block in, controls, block out.
#include "cstep4.h"
#include "page_harness.h"
#include "scripted_prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr int kSendIdEdit = 1125;
constexpr int kReceiveIdEdit = 1126;
const QString kSendIdMessage = QStringLiteral("Send ID must between 0 and 2047 ");
const QString kReceiveIdMessage = QStringLiteral("Receive ID must between 0 and 2047 ");

// The fifteen controls that Smooth shows and hides.
const int kSmoothingControls[] = {1041, 1085, 1133, 1042, 1037, 1134, 1043, 1086,
                                  1135, 1044, 1132, 1136, 1045, 1087, 1137};

// A controller of that version and variant with in-range values on this page; every other
// byte keeps the harness's pattern, so that a stray write shows up.
ConfigBlock controller(int major, int minor, char variant)
{
    ConfigBlock b = blockWithVersion(major, minor);
    b.set(Field::ModelVariant, static_cast<std::uint8_t>(variant));
    b.set(Field::MotorTemperatureSensor, 1);
    b.set(Field::StopOutputTemperature, 110);
    b.set(Field::ResumeOutputTemperature, 90);
    b.set(Field::SendId, 0x181);
    b.set(Field::ReceiveId, 0x201);
    b.set(Field::InflectionPoint, 15);
    b.set(Field::LowAccel, 20);
    b.set(Field::LowDecel, 21);
    b.set(Field::HighAccel, 60);
    b.set(Field::HighDecel, 61);
    b.setFlag(Field::Smooth, true);
    return b;
}

template <class T> T* ctl(const Page& page, int id)
{
    T* c = page.control<T>(id);
    EXPECT_NE(c, nullptr) << "control " << id;
    return c;
}

QStringList items(const QComboBox* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

TEST(CStep4, ShowThenHideChangesNothingInEveryVersionVariantAndModule)
{
    for (const char* module : {"english", "chinese"}) {
        for (const auto& [major, minor] : {std::pair{4, 3}, {4, 4}, {4, 5}, {2, 3}, {5, 0}}) {
            for (char variant : {'C', 'J', 'A'}) {
                for (std::uint8_t bits45 : {0x00, 0xFF, 0x0D, 0x72}) {
                    ConfigBlock block = controller(major, minor, variant);
                    block.setByte(fieldDef(Field::Smooth).offset, bits45);
                    const ConfigBlock before = block;
                    ScriptedPrompter prompter;
                    auto page = makePage<CStep4>(block, CStep4::kTemplateId, &prompter, module);
                    page->load();
                    EXPECT_TRUE(page->store());
                    EXPECT_EQ(block, before) << module << " " << major << "." << minor << " "
                                             << variant << " " << int(bits45) << "\n"
                                             << blockDiff(before, block);
                    EXPECT_TRUE(prompter.told.isEmpty());
                }
            }
        }
    }
}

TEST(CStep4, ControlsFollowVersionAndVariant)
{
    struct Case
    {
        int major, minor;
        char variant;
        QStringList sensorItems;
        bool smoothing, identification, can;
    };
    const QStringList thermistors{"Disable", "KTY83-122", "KTY84-130"};
    const QStringList onOff{"Disable", "Enable"};
    const Case cases[] = {
        {4, 3, 'C', onOff, false, false, true},
        {4, 4, 'A', thermistors, true, false, false},
        {4, 5, 'C', thermistors, true, true, true},
        {4, 5, 'J', thermistors, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor << " " << c.variant);
        for (const char* module : {"english", "chinese"}) {
            ConfigBlock block = controller(c.major, c.minor, c.variant);
            auto page = makePage<CStep4>(block, CStep4::kTemplateId, nullptr, module);
            page->load();
            // The module's own list is replaced by the program's English items.
            EXPECT_EQ(items(ctl<QComboBox>(*page, 1140)), c.sensorItems);
            EXPECT_EQ(ctl<QComboBox>(*page, 1140)->currentIndex(), 1);
            for (int id : {1139, 1138, 1088, 1089})
                EXPECT_EQ(ctl<QWidget>(*page, id)->isHidden(), !c.smoothing) << id;
            for (int id : {1141, 1090, 1091, 1142, 1092, 1093})
                EXPECT_EQ(ctl<QWidget>(*page, id)->isHidden(), !c.identification) << id;
            for (int id : {1123, 1124, kSendIdEdit, kReceiveIdEdit})
                EXPECT_EQ(ctl<QWidget>(*page, id)->isHidden(), !c.can) << id;
            EXPECT_FALSE(ctl<QWidget>(*page, 1122)->isHidden()); // the CAN group box stays
            for (int id : kSmoothingControls)
                EXPECT_EQ(ctl<QWidget>(*page, id)->isHidden(), !c.smoothing) << id;
            if (c.can) {
                EXPECT_EQ(ctl<QLineEdit>(*page, kSendIdEdit)->text(), "385");
                EXPECT_EQ(ctl<QLineEdit>(*page, kReceiveIdEdit)->text(), "513");
            }
            EXPECT_EQ(ctl<QLabel>(*page, 1039)->text(), "110C");
            EXPECT_EQ(ctl<QLabel>(*page, 1040)->text(), "90C");
            EXPECT_EQ(ctl<QLabel>(*page, 1041)->text(), "15");
            EXPECT_EQ(ctl<QLabel>(*page, 1045)->text(), "61");
        }
    }
}

TEST(CStep4, HallPhaseSequenceShowsAsDigitsFrom0405AndLeavesVisibilityToTheModule)
{
    for (const char* module : {"english", "chinese"}) {
        ConfigBlock block = controller(4, 5, 'A');
        const int at = fieldDef(Field::HallPhaseSequence).offset;
        const std::uint8_t sequence[] = {1, 5, 4, 6, 2, 3};
        for (int i = 0; i < 6; ++i)
            block.setByte(at + i, sequence[i]);
        auto page = makePage<CStep4>(block, CStep4::kTemplateId, nullptr, module);
        const bool hiddenInTemplate = ctl<QLabel>(*page, 1046)->isHidden();
        page->load();
        EXPECT_EQ(ctl<QLabel>(*page, 1046)->text(), "154623");
        EXPECT_EQ(ctl<QLabel>(*page, 1046)->isHidden(), hiddenInTemplate);
        EXPECT_EQ(hiddenInTemplate, QString(module) == "english");

        // A byte that wraps to code 0 ends the text.
        block.setByte(at + 2, 0xD0);
        page->load();
        EXPECT_EQ(ctl<QLabel>(*page, 1046)->text(), "15");

        // Older software has no sequence to show.
        ConfigBlock older = controller(4, 4, 'A');
        for (int i = 0; i < 6; ++i)
            older.setByte(at + i, sequence[i]);
        auto olderPage = makePage<CStep4>(older, CStep4::kTemplateId, nullptr, module);
        olderPage->load();
        EXPECT_EQ(ctl<QLabel>(*olderPage, 1046)->text(), "");
    }
}

// One block-in, block-out case: prepare the block, act on the page as a user would, and name
// the bytes the store is expected to change.
struct EditCase
{
    const char* name;
    int major, minor;
    char variant;
    std::function<void(ConfigBlock&)> before;
    std::function<void(Page&)> act;
    std::function<void(ConfigBlock&)> expect;
};

void slide(Page& page, int id, int value)
{
    ctl<QSlider>(page, id)->setValue(value);
}

// Page Up or Page Down on a slider (or a click on its groove), `steps` times.
void page(Page& page, int id, int steps)
{
    for (int i = 0; i < qAbs(steps); ++i)
        ctl<QSlider>(page, id)->triggerAction(steps > 0 ? QAbstractSlider::SliderPageStepAdd
                                                        : QAbstractSlider::SliderPageStepSub);
}

void click(Page& page, int id)
{
    ctl<QRadioButton>(page, id)->click();
}

TEST(CStep4, StoresWhatTheUserChose)
{
    const int byte45 = fieldDef(Field::Smooth).offset;
    const EditCase cases[] = {
        {"temperatures and sensor on 0403; smoothing and options never stored", 4, 3, 'A',
         [&](ConfigBlock& b) { b.setByte(byte45, 0x0D); },
         [](Page& p) {
             ctl<QComboBox>(p, 1140)->setCurrentIndex(0);
             slide(p, 1084, 150);
             slide(p, 1035, 60);
             slide(p, 1085, 30);
             slide(p, 1037, 200);
             click(p, 1089);
             click(p, 1091);
         },
         [](ConfigBlock& b) {
             b.set(Field::MotorTemperatureSensor, 0);
             b.set(Field::StopOutputTemperature, 150);
             b.set(Field::ResumeOutputTemperature, 60);
         }},
        {"thermistor KTY84-130 on 0404; options hidden and their bits untouched", 4, 4, 'A',
         [&](ConfigBlock& b) { b.setByte(byte45, 0x81); },
         [](Page& p) {
             ctl<QComboBox>(p, 1140)->setCurrentIndex(2);
             click(p, 1090);
             click(p, 1092);
             slide(p, 1087, 255);
         },
         [](ConfigBlock& b) {
             b.set(Field::MotorTemperatureSensor, 2);
             b.set(Field::HighDecel, 255);
         }},
        {"Auto_Identify on and Identify_Rev off on 0405", 4, 5, 'A',
         [&](ConfigBlock& b) { b.setByte(byte45, 0x85); },
         [](Page& p) {
             click(p, 1090);
             click(p, 1093);
         },
         [&](ConfigBlock& b) { b.setByte(byte45, 0x89); }},
        {"Smooth disabled: bit cleared, smoothing bytes kept although the sliders moved", 4, 5, 'A',
         [&](ConfigBlock& b) { b.setByte(byte45, 0xFF); },
         [](Page& p) {
             slide(p, 1085, 5);
             slide(p, 1086, 1);
             click(p, 1089);
         },
         [&](ConfigBlock& b) { b.setByte(byte45, 0xFE); }},
        {"Smooth enabled: all five sliders stored", 4, 4, 'A',
         [&](ConfigBlock& b) { b.setByte(byte45, 0x00); },
         [](Page& p) {
             click(p, 1088);
             slide(p, 1085, 30);
             slide(p, 1037, 1);
             slide(p, 1086, 2);
             slide(p, 1132, 254);
             slide(p, 1087, 3);
         },
         [&](ConfigBlock& b) {
             b.setByte(byte45, 0x01);
             for (auto [f, v] : {std::pair{Field::InflectionPoint, 30},
                                 {Field::LowAccel, 1},
                                 {Field::LowDecel, 2},
                                 {Field::HighAccel, 254},
                                 {Field::HighDecel, 3}})
                 b.set(f, static_cast<std::uint32_t>(v));
         }},
        {"a page step moves a fifth of each slider's range", 4, 4, 'A', [](ConfigBlock&) {},
         [](Page& p) {
             page(p, 1084, 1); // 60..170: 22
             page(p, 1035, -1);
             page(p, 1085, 1); // 5..30: 5
             page(p, 1037, 2); // 1..255: 50
             page(p, 1086, 1);
             page(p, 1132, 1);
             page(p, 1087, -1);
         },
         [](ConfigBlock& b) {
             for (auto [f, v] : {std::pair{Field::StopOutputTemperature, 110 + 22},
                                 {Field::ResumeOutputTemperature, 90 - 22},
                                 {Field::InflectionPoint, 15 + 5},
                                 {Field::LowAccel, 20 + 100},
                                 {Field::LowDecel, 21 + 50},
                                 {Field::HighAccel, 60 + 50},
                                 {Field::HighDecel, 61 - 50}})
                 b.set(f, static_cast<std::uint32_t>(v));
         }},
        {"sensor value 7 loads as item 1 and is stored as 1", 4, 5, 'A',
         [](ConfigBlock& b) { b.set(Field::MotorTemperatureSensor, 7); }, [](Page&) {},
         [](ConfigBlock& b) { b.set(Field::MotorTemperatureSensor, 1); }},
        {"thermistor value 2 on 0403 has no item and stays", 4, 3, 'A',
         [](ConfigBlock& b) { b.set(Field::MotorTemperatureSensor, 2); }, [](Page&) {},
         [](ConfigBlock&) {}},
        {"temperatures out of range are clamped on load and stored clamped", 4, 5, 'A',
         [](ConfigBlock& b) {
             b.set(Field::StopOutputTemperature, 200);
             b.set(Field::ResumeOutputTemperature, 10);
         },
         [](Page&) {},
         [](ConfigBlock& b) {
             b.set(Field::StopOutputTemperature, 170);
             b.set(Field::ResumeOutputTemperature, 60);
         }},
        {"smoothing bytes out of range are stored clamped only while Smooth is on", 4, 4, 'A',
         [&](ConfigBlock& b) {
             b.set(Field::InflectionPoint, 40);
             b.set(Field::LowAccel, 0);
         },
         [](Page&) {},
         [](ConfigBlock& b) {
             b.set(Field::InflectionPoint, 30);
             b.set(Field::LowAccel, 1);
         }},
        {"CAN identifiers typed on variant C", 4, 5, 'C', [](ConfigBlock&) {},
         [](Page& p) {
             ctl<QLineEdit>(p, kSendIdEdit)->setText("2047");
             ctl<QLineEdit>(p, kReceiveIdEdit)->setText("  +7");
         },
         [](ConfigBlock& b) {
             b.set(Field::SendId, 2047);
             b.set(Field::ReceiveId, 7);
         }},
        {"CAN identifiers of another variant are never written", 4, 5, 'J',
         [](ConfigBlock& b) {
             b.set(Field::SendId, 0xFFFF);
             b.set(Field::ReceiveId, 0xFFFF);
         },
         [](Page& p) { ctl<QLineEdit>(p, kSendIdEdit)->setText("5"); }, [](ConfigBlock&) {}},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigBlock block = controller(c.major, c.minor, c.variant);
        c.before(block);
        ConfigBlock expected = block;
        c.expect(expected);
        ScriptedPrompter prompter;
        auto page = makePage<CStep4>(block, CStep4::kTemplateId, &prompter);
        page->load();
        c.act(*page);
        EXPECT_TRUE(page->store());
        EXPECT_EQ(block, expected) << blockDiff(expected, block);
        EXPECT_TRUE(prompter.told.isEmpty());
    }
}

TEST(CStep4, SmoothButtonsShowAndHideTheSlidersAtTheirLoadedPositions)
{
    ConfigBlock block = controller(4, 4, 'A');
    block.setFlag(Field::Smooth, false);
    auto page = makePage<CStep4>(block, CStep4::kTemplateId);
    page->load();
    for (int id : kSmoothingControls)
        EXPECT_TRUE(ctl<QWidget>(*page, id)->isHidden()) << id;
    EXPECT_TRUE(page->isChecked(1089));

    click(*page, 1088);
    for (int id : kSmoothingControls)
        EXPECT_FALSE(ctl<QWidget>(*page, id)->isHidden()) << id;
    EXPECT_TRUE(page->isChecked(1088));
    EXPECT_FALSE(page->isChecked(1089));
    EXPECT_EQ(ctl<QSlider>(*page, 1085)->value(), 15);
    EXPECT_EQ(ctl<QSlider>(*page, 1132)->value(), 60);
    EXPECT_EQ(ctl<QLabel>(*page, 1044)->text(), "60");
    EXPECT_EQ(block.get(Field::Smooth), 0u); // the buttons do not touch the block

    slide(*page, 1132, 77);
    EXPECT_EQ(ctl<QLabel>(*page, 1044)->text(), "77");

    click(*page, 1089);
    for (int id : kSmoothingControls)
        EXPECT_TRUE(ctl<QWidget>(*page, id)->isHidden()) << id;
}

TEST(CStep4, CanIdentifierTextsConvertOrAreRefused)
{
    struct Case
    {
        const char* text;
        int stored; // -1: refused
    };
    const Case cases[] = {
        {"2047", 2047},      {"0", 0},         {"2048", -1},       {"-1", -1},
        {"12abc", 12},       {"", 0},          {"abc", 0},         {"  -0", 0},
        {"+-5", 0},          {"\t 300 ", 300}, {"4294967297", -1}, {"99999999999999999999", -1},
        {"-2147483648", -1},
    };
    for (const Case& c : cases) {
        for (int editId : {kSendIdEdit, kReceiveIdEdit}) {
            SCOPED_TRACE(testing::Message() << '"' << c.text << "\" in " << editId);
            ConfigBlock block = controller(4, 5, 'C');
            ConfigBlock expected = block;
            ScriptedPrompter prompter;
            auto page = makePage<CStep4>(block, CStep4::kTemplateId, &prompter);
            page->load();
            ctl<QLineEdit>(*page, editId)->setText(QString::fromUtf8(c.text));
            const Field field = editId == kSendIdEdit ? Field::SendId : Field::ReceiveId;
            if (c.stored >= 0) {
                EXPECT_TRUE(page->store());
                expected.set(field, static_cast<std::uint32_t>(c.stored));
                EXPECT_TRUE(prompter.told.isEmpty());
            } else {
                EXPECT_FALSE(page->store());
                EXPECT_EQ(prompter.told,
                          QStringList{editId == kSendIdEdit ? kSendIdMessage : kReceiveIdMessage});
            }
            EXPECT_EQ(block, expected) << blockDiff(expected, block);
        }
    }
    EXPECT_EQ(decimalValue("2147483647"), 2147483647);
    EXPECT_EQ(decimalValue("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(decimalValue("2147483648"), std::nullopt);
    EXPECT_EQ(decimalValue(" - 5"), 0);
}

TEST(CStep4, RefusedIdentifierStopsTheStoreAndFocusesItsField)
{
    const int byte45 = fieldDef(Field::Smooth).offset;
    for (bool badSend : {true, false}) {
        SCOPED_TRACE(badSend ? "bad Send ID" : "bad Receive ID");
        ConfigBlock block = controller(4, 5, 'C');
        block.setByte(byte45, 0x00);
        const ConfigBlock before = block;
        ScriptedPrompter prompter;
        auto page = makePage<CStep4>(block, CStep4::kTemplateId, &prompter);
        page->show();
        QApplication::setActiveWindow(page.get());
        page->load();
        ctl<QComboBox>(*page, 1140)->setCurrentIndex(2);
        slide(*page, 1084, 120);
        ctl<QLineEdit>(*page, kSendIdEdit)->setText(badSend ? "3000" : "100");
        ctl<QLineEdit>(*page, kReceiveIdEdit)->setText("-4");
        click(*page, 1088);
        click(*page, 1090);
        slide(*page, 1085, 29);

        EXPECT_FALSE(page->store());
        ConfigBlock expected = before;
        expected.set(Field::MotorTemperatureSensor, 2);
        expected.set(Field::StopOutputTemperature, 120);
        if (!badSend)
            expected.set(Field::SendId, 100);
        EXPECT_EQ(block, expected) << blockDiff(expected, block);
        EXPECT_EQ(prompter.told, QStringList{badSend ? kSendIdMessage : kReceiveIdMessage});
        EXPECT_EQ(QApplication::focusWidget(),
                  ctl<QWidget>(*page, badSend ? kSendIdEdit : kReceiveIdEdit));
        // The user's text stays for correction.
        EXPECT_EQ(ctl<QLineEdit>(*page, kReceiveIdEdit)->text(), "-4");
    }
}

} // namespace
