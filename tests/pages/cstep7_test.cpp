// Tests of the J1939 page: block in, edit texts, block out, and the refusal of out-of-range values.
#include "cstep7.h"
#include "page_harness.h"
#include "scripted_prompter.h"

#include <QApplication>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

struct FieldCase
{
    Field field;
    int editId;
    int max;
    const char* message;
};

// In the order the page checks them.
const FieldCase kFields[] = {
    {Field::PreferredAddress, 1127, 253,
     "Preferred Address must between 0 and 127 or 248 and 253 "},
    {Field::ArbitraryAddressCapable, 1137, 1, "Arbitrary Address Capable must between 0 and 1 "},
    {Field::IndustryGroup, 1138, 7, "Industry Group must between 0 and 7 "},
    {Field::VehicleSystemInstance, 1139, 15, "Vehicle System Instance must between 0 and 15 "},
    {Field::VehicleSystem, 1140, 127, "Vehicle System must between 0 and 127 "},
    {Field::ReservedFields, 1141, 1, "Reserved Fields must between 0 and 1 "},
    {Field::FunctionFields, 1142, 255, "Function Fields must between 0 and 255 "},
    {Field::FunctionInstance, 1143, 31, "Function Instance must between 0 and 31 "},
    {Field::EcuInstance, 1128, 7, "ECU Instance must between 0 and 7 "},
    {Field::ManufacturerCode, 1145, 2047, "Manufacturer Code must between 0 and 2047 "},
    {Field::IdentityNumber, 1146, 2097151, "Identity Number must between 0 and 2097151 "},
};

// A J1939 controller with in-range identity fields; the other bytes keep the harness pattern.
ConfigBlock controller()
{
    ConfigBlock b = blockWithVersion(4, 5);
    b.set(Field::ModelVariant, 'J');
    const std::uint32_t values[] = {100, 1, 2, 3, 4, 0, 130, 5, 6, 1234, 0x1234};
    for (std::size_t i = 0; i < std::size(kFields); ++i)
        b.set(kFields[i].field, values[i]);
    return b;
}

QLineEdit* edit(const Page& page, int id)
{
    auto* e = page.control<QLineEdit>(id);
    EXPECT_NE(e, nullptr) << id;
    return e;
}

TEST(CStep7, LoadShowsTheBlockAsItStandsAndAnUnchangedStoreWritesNothing)
{
    for (const char* module : {"english", "chinese"}) {
        SCOPED_TRACE(module);
        ConfigBlock block = controller();
        const ConfigBlock before = block;
        ScriptedPrompter prompter;
        auto page = makePage<CStep7>(block, CStep7::kTemplateId, &prompter, module);
        page->load();
        const char* shown[] = {"100", "1", "2", "3", "4", "0", "130", "5", "6", "1234", "4660"};
        for (std::size_t i = 0; i < std::size(kFields); ++i)
            EXPECT_EQ(edit(*page, kFields[i].editId)->text(), shown[i]);
        EXPECT_TRUE(page->store());
        EXPECT_EQ(block, before) << blockDiff(before, block);
        EXPECT_TRUE(prompter.told.isEmpty());

        // Out-of-range bytes show as they are; wide fields read big-endian.
        block.set(Field::ArbitraryAddressCapable, 5);
        block.set(Field::ManufacturerCode, 0xFFFF);
        block.set(Field::IdentityNumber, 0xABCDEF);
        page->load();
        EXPECT_EQ(edit(*page, 1137)->text(), "5");
        EXPECT_EQ(edit(*page, 1145)->text(), "65535");
        EXPECT_EQ(edit(*page, 1146)->text(), "11259375");
    }
}

TEST(CStep7, EveryFieldStoresItsLimitsAndRefusesBeyondThem)
{
    for (const FieldCase& f : kFields) {
        SCOPED_TRACE(f.message);
        for (int value : {0, f.max, f.max + 1, -1}) {
            ConfigBlock block = controller();
            ConfigBlock expected = block;
            ScriptedPrompter prompter;
            auto page = makePage<CStep7>(block, CStep7::kTemplateId, &prompter);
            page->load();
            edit(*page, f.editId)->setText(QString::number(value));
            const bool accepted = value >= 0 && value <= f.max;
            EXPECT_EQ(page->store(), accepted) << value;
            if (accepted) {
                expected.set(f.field, static_cast<std::uint32_t>(value));
                EXPECT_TRUE(prompter.told.isEmpty());
            } else {
                EXPECT_EQ(prompter.told, QStringList{f.message});
                // A plain OK box, without an icon.
                EXPECT_EQ(prompter.toldIcons.value(0), Prompter::Icon::None);
            }
            EXPECT_EQ(block, expected) << value << "\n" << blockDiff(expected, block);
        }
    }
}

TEST(CStep7, TextsConvertAsDecimalNumbers)
{
    struct Case
    {
        int editId;
        const char* text;
        std::vector<std::uint8_t> bytes; // the field's bytes after the store; empty: refused
    };
    const Case cases[] = {
        {1127, "127", {127}},        {1127, "128", {}},
        {1127, "247", {}},           {1127, "248", {248}},
        {1127, "253", {253}},        {1127, "254", {}},
        {1127, "255", {}},           {1127, "-1", {}},
        {1127, "12abc", {12}},       {1127, "", {0}},
        {1127, "  +9", {9}},         {1127, "x12", {0}},
        {1127, "4294967297", {}}, // wraps to 1 in 32 bits, and must not be taken for 1
        {1127, "-4294967295", {}},   {1146, "2097151", {0x1F, 0xFF, 0xFF}},
        {1146, "2097152", {}},       {1146, "65536", {0x01, 0x00, 0x00}},
        {1146, "99999999999", {}},   {1145, "2047", {0x07, 0xFF}},
        {1145, "256", {0x01, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" in " << c.editId);
        ConfigBlock block = controller();
        ConfigBlock expected = block;
        ScriptedPrompter prompter;
        auto page = makePage<CStep7>(block, CStep7::kTemplateId, &prompter);
        page->load();
        edit(*page, c.editId)->setText(QString::fromUtf8(c.text));
        const bool accepted = !c.bytes.empty();
        EXPECT_EQ(page->store(), accepted);
        if (accepted) {
            const Field field = c.editId == 1127   ? Field::PreferredAddress
                                : c.editId == 1146 ? Field::IdentityNumber
                                                   : Field::ManufacturerCode;
            for (std::size_t i = 0; i < c.bytes.size(); ++i)
                expected.setByte(fieldDef(field).offset + static_cast<int>(i), c.bytes[i]);
        }
        EXPECT_EQ(block, expected) << blockDiff(expected, block);
        EXPECT_EQ(prompter.told.size(), accepted ? 0 : 1);
    }
}

TEST(CStep7, RefusalStoresTheFieldsBeforeItKeepsTheRestAndFocusesTheField)
{
    ConfigBlock block = controller();
    const ConfigBlock before = block;
    ScriptedPrompter prompter;
    auto page = makePage<CStep7>(block, CStep7::kTemplateId, &prompter);
    page->show();
    QApplication::setActiveWindow(page.get());
    page->load();
    // Every field changed; the third is out of range, and so is the fourth.
    const char* texts[] = {"250", "0", "8", "99", "5", "1", "7", "8", "1", "17", "18"};
    for (std::size_t i = 0; i < std::size(kFields); ++i)
        edit(*page, kFields[i].editId)->setText(texts[i]);

    EXPECT_FALSE(page->store());
    ConfigBlock expected = before;
    expected.set(Field::PreferredAddress, 250);
    expected.set(Field::ArbitraryAddressCapable, 0);
    EXPECT_EQ(block, expected) << blockDiff(expected, block);
    EXPECT_EQ(prompter.told, QStringList{"Industry Group must between 0 and 7 "});
    EXPECT_EQ(QApplication::focusWidget(), edit(*page, 1138));
    EXPECT_EQ(edit(*page, 1138)->text(), "8"); // the user's text stays for correction

    // Once corrected, everything is stored, each field in its own bytes only.
    edit(*page, 1138)->setText("7");
    edit(*page, 1139)->setText("15");
    prompter.told.clear();
    EXPECT_TRUE(page->store());
    EXPECT_TRUE(prompter.told.isEmpty());
    const std::uint32_t values[] = {250, 0, 7, 15, 5, 1, 7, 8, 1, 17, 18};
    for (std::size_t i = 0; i < std::size(kFields); ++i)
        expected.set(kFields[i].field, values[i]);
    EXPECT_EQ(block, expected) << blockDiff(expected, block);
}

} // namespace
