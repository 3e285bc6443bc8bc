// The built resource modules, loaded once per test process.
#pragma once

#include "resource_module.h"

#include <QString>

#include <gtest/gtest.h>

#include <map>
#include <memory>

// NORVEL_BUNDLE_DIR is the build folder that holds english.rcc and chinese.rcc.
inline const ResourceModule& testModule(const QString& name = QStringLiteral("english"))
{
    static std::map<QString, std::unique_ptr<ResourceModule>> modules;
    auto& slot = modules[name];
    if (!slot) {
        QString error;
        slot = ResourceModule::load(name, &error, {QStringLiteral(NORVEL_BUNDLE_DIR)});
        if (!slot) {
            ADD_FAILURE() << error.toStdString();
            std::abort();
        }
    }
    return *slot;
}
