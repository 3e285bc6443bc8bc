// Page 8: a blank page with its template, outside the wizard sequence; owns no field of the block.
#pragma once

#include "page.h"

class CStep8 : public Page
{
    Q_OBJECT
public:
    using Page::Page;
    static constexpr int kTemplateId = 152;

    void load() override {}
    bool store() override { return true; }
};
