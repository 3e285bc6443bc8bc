// Named controller images for the simulator: one plausible configuration per kind of controller.
#pragma once

#include "config_block.h"

#include <QStringList>

#include <cstdint>

// basic, full, can, pdr, legacy, unsupported, special; the default is full.
QStringList presetNames();
QString defaultPresetName();
// One line per preset saying what it stands for, for --help.
QString presetSummary(const QString& name);
// Fills the image and the version the controller reports; false for an unknown name.
bool presetImage(const QString& name, ConfigBlock* image, std::uint8_t* major, std::uint8_t* minor);
