// Finish page: tells the user to press Finish; owns no field of the block.
#pragma once

#include "page.h"

class CStep6 : public Page
{
    Q_OBJECT
public:
    using Page::Page;
    static constexpr int kTemplateId = 150;

    void load() override {}
    bool store() override { return true; }
};
