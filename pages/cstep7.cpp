// J1939 page: the preferred address and the fields of the J1939 NAME, as decimal edits.
#include "cstep7.h"

#include "field_rules.h"
#include "message_ids.h"
#include "prompter.h"

#include <QLineEdit>

#include <optional>

namespace {

struct J1939Field
{
    Field field;
    int editId;
    int message; // names the field's valid values
};

// In the order the fields are checked and stored.
constexpr J1939Field kFields[] = {
    {Field::PreferredAddress, 1127, MessageIds::PreferredAddressRange},
    {Field::ArbitraryAddressCapable, 1137, MessageIds::ArbitraryAddressRange},
    {Field::IndustryGroup, 1138, MessageIds::IndustryGroupRange},
    {Field::VehicleSystemInstance, 1139, MessageIds::VehicleSystemInstanceRange},
    {Field::VehicleSystem, 1140, MessageIds::VehicleSystemRange},
    {Field::ReservedFields, 1141, MessageIds::ReservedFieldsRange},
    {Field::FunctionFields, 1142, MessageIds::FunctionFieldsRange},
    {Field::FunctionInstance, 1143, MessageIds::FunctionInstanceRange},
    {Field::EcuInstance, 1128, MessageIds::EcuInstanceRange},
    {Field::ManufacturerCode, 1145, MessageIds::ManufacturerCodeRange},
    {Field::IdentityNumber, 1146, MessageIds::IdentityNumberRange},
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
                prompter()->tell(text(f.message), Prompter::Buttons::Ok, Prompter::Icon::None);
            edit->setFocus(Qt::OtherFocusReason);
            return false;
        }
        block().set(f.field, static_cast<std::uint32_t>(*value));
    }
    return true;
}
