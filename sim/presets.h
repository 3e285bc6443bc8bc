// The simulator's presets: the controllers of the catalogue, by the same names.
#pragma once

#include "controller_catalogue.h"

inline QStringList presetNames()
{
    return catalogueNames();
}
inline QString defaultPresetName()
{
    return defaultCatalogueName();
}
inline QString presetSummary(const QString& name)
{
    return catalogueSummary(name);
}
inline bool presetImage(const QString& name, ConfigBlock* image, std::uint8_t* major,
                        std::uint8_t* minor)
{
    return catalogueImage(name, image, major, minor);
}
