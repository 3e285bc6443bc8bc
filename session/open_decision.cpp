// What the tool does with a controller it has read: serve it, refuse it, or convert its legacy
// control mode first.
#include "open_decision.h"

#include "field_couplings.h"
#include "field_encodings.h"
#include "message_ids.h"

namespace {

const char* const kAcceptedSeries[] = {"PDT", "PDR", "DVR"};
constexpr std::uint8_t kSpecialVersionBit = 0x80;

} // namespace

int OpenDecision::refusalMessage() const
{
    switch (verdict) {
    case Verdict::UnsupportedSeries:
        return MessageIds::UnsupportedSeries;
    case Verdict::SpecialVersion:
        return MessageIds::SpecialVersion;
    case Verdict::Served:
        break;
    }
    return 0;
}

OpenDecision decideOpen(const ConfigBlock& block)
{
    OpenDecision decision;
    const QByteArray prefix = block.raw(Field::ModelPrefix);
    bool accepted = false;
    for (const char* series : kAcceptedSeries)
        accepted = accepted || prefix == QByteArray(series);
    if (!accepted)
        decision.verdict = OpenDecision::Verdict::UnsupportedSeries;
    else if (block.at(Field::ModelOptions) & kSpecialVersionBit)
        decision.verdict = OpenDecision::Verdict::SpecialVersion;
    decision.legacyControlMode = block.get(Field::ControlMode) == ControlModeCode::kLegacy &&
                                 block.get(Field::ControlModeCopy) == ControlModeCode::kLegacy;
    return decision;
}

bool convertLegacyControlMode(ConfigBlock& block)
{
    if (!decideOpen(block).legacyControlMode)
        return false;
    block.set(Field::SpeedMode, SpeedModeCode::kOff);
    setWithDerived(block, Field::ControlMode, ControlModeCode::kTorque);
    return true;
}
