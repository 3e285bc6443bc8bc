// What the tool does with a controller it has read: serve it, refuse it, or convert its legacy
// control mode first. One decision for every front end.
#pragma once

#include "config_block.h"

struct OpenDecision
{
    enum class Verdict
    {
        Served,
        UnsupportedSeries, // a model prefix the tool does not serve
        SpecialVersion,    // a special version (option bit 7)
    };
    Verdict verdict = Verdict::Served;
    // The controller still holds the legacy control mode, which its software now reads as
    // torque mode; convertLegacyControlMode() makes that explicit.
    bool legacyControlMode = false;

    bool served() const { return verdict == Verdict::Served; }
    // The message that tells the user of a refusal (107, 111), or 0 when served.
    int refusalMessage() const;
};

OpenDecision decideOpen(const ConfigBlock& block);

// Converts the legacy control mode 2 (in both copies) to torque mode with speed mode 0, as the
// controller's newer software expects; true when it did (message 108 tells the user).
bool convertLegacyControlMode(ConfigBlock& block);
