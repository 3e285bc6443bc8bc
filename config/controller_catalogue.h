// The controllers the tool knows by name: model designation, software version and one
// plausible configuration image each. The professional view offers them for a file that names
// no controller; the simulator runs them as its presets.
#pragma once

#include "config_block.h"

#include <QStringList>

#include <cstdint>

// basic, full, can, pdr, legacy, unsupported, special; the default is full.
QStringList catalogueNames();
QString defaultCatalogueName();
// One line per controller saying what it stands for, for --help.
QString catalogueSummary(const QString& name);
// Fills the image and the version the controller reports; false for an unknown name.
bool catalogueImage(const QString& name, ConfigBlock* image, std::uint8_t* major,
                    std::uint8_t* minor);
// The image as a read of that controller delivers it: with the version it reports in its
// version bytes. False for an unknown name.
bool catalogueAsRead(const QString& name, ConfigBlock* block);
