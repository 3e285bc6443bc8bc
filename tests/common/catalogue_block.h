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
    EXPECT_TRUE(catalogueAsRead(name, &block)) << name.toStdString();
    return block;
}
