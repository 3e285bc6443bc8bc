// Settings the controller accepts one by one but cannot work with together as meant: pairs
// whose order or distance the pages assume without enforcing it.
#pragma once

#include "config_block.h"

#include <QList>
#include <QString>

#include <cstdint>

struct ImplausiblePair
{
    enum class Rule
    {
        // The under-voltage cut-back starts at 110 % of UnderVoltage, the over-voltage one at
        // 95 % of OverVoltage: where the first reaches the second, no voltage runs freely.
        VoltageCutBacksOverlap,
        // Output resumes at or above the temperature at which it stops: it never stops.
        ResumeNotBelowStop,
    };
    Rule rule;
    Field first;
    std::uint32_t firstValue;
    Field second;
    std::uint32_t secondValue;
};

// Every rule the block breaks, over the fields its controller uses.
QList<ImplausiblePair> implausiblePairs(const ConfigBlock& block);
// Only the rules `after` breaks that `before` did not: what an edit brought in.
QList<ImplausiblePair> newImplausiblePairs(const ConfigBlock& before, const ConfigBlock& after);
// "UnderVoltage 86 V and OverVoltage 84 V: the under-voltage cut-back (110 % of UnderVoltage)
// reaches into the over-voltage cut-back (95 % of OverVoltage)", for norvelctl.
QString implausibleText(const ImplausiblePair& pair);
