// A controller image of the catalogue as a read delivers it: the version bytes the controller
// reports through identification filled in.
#pragma once

#include "config_fields.h"
#include "controller_catalogue.h"

#include <QString>

#include <gtest/gtest.h>

inline ConfigBlock catalogueBlock(const QString& name)
{
    ConfigBlock block;
    std::uint8_t major = 0, minor = 0;
    EXPECT_TRUE(catalogueImage(name, &block, &major, &minor)) << name.toStdString();
    block.setByte(fieldDef(Field::SoftwareVersion).offset, major);
    block.setByte(fieldDef(Field::SoftwareVersion).offset + 1, minor);
    return block;
}
