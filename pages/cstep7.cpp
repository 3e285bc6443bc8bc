// J1939 page: the preferred address and the fields of the J1939 NAME, as decimal edits.
#include "cstep7.h"

#include "field_rules.h"
#include "prompter.h"

#include <QLineEdit>

#include <optional>

namespace {

struct J1939Field
{
    Field field;
    int editId;
    const char* message; // names the field's valid values
};

// In the order the fields are checked and stored.
constexpr J1939Field kFields[] = {
    {Field::PreferredAddress, 1127, "Preferred Address must between 0 and 127 or 248 and 253 "},
    {Field::ArbitraryAddressCapable, 1137, "Arbitrary Address Capable must between 0 and 1 "},
    {Field::IndustryGroup, 1138, "Industry Group must between 0 and 7 "},
    {Field::VehicleSystemInstance, 1139, "Vehicle System Instance must between 0 and 15 "},
    {Field::VehicleSystem, 1140, "Vehicle System must between 0 and 127 "},
    {Field::ReservedFields, 1141, "Reserved Fields must between 0 and 1 "},
    {Field::FunctionFields, 1142, "Function Fields must between 0 and 255 "},
    {Field::FunctionInstance, 1143, "Function Instance must between 0 and 31 "},
    {Field::EcuInstance, 1128, "ECU Instance must between 0 and 7 "},
    {Field::ManufacturerCode, 1145, "Manufacturer Code must between 0 and 2047 "},
    {Field::IdentityNumber, 1146, "Identity Number must between 0 and 2097151 "},
};

} // namespace

void CStep7::load()
{
    // Values are shown as the controller holds them, even outside their range; the multi-byte
    // fields are big-endian in the block.
    for (const J1939Field& f : kFields)
        setControlText(f.editId, QString::number(block().get(f.field)));
}

bool CStep7::store()
{
    const FieldRules rules(block());
    for (const J1939Field& f : kFields) {
        auto* edit = control<QLineEdit>(f.editId);
        if (edit == nullptr)
            continue;
        const std::optional<int> value = decimalValue(edit->text());
        if (!value || !rules.valid(f.field).contains(*value)) {
            // The fields before this one are stored; this one and those after keep their values.
            if (prompter())
                prompter()->tell(QString::fromLatin1(f.message), Prompter::Buttons::Ok,
                                 Prompter::Icon::None);
            edit->setFocus(Qt::OtherFocusReason);
            return false;
        }
        block().set(f.field, static_cast<std::uint32_t>(*value));
    }
    return true;
}
