// J1939 page: the preferred address and the fields of the J1939 NAME, as decimal edits.
#pragma once

#include "page.h"

class CStep7 : public Page
{
    Q_OBJECT
public:
    using Page::Page;
    static constexpr int kTemplateId = 151;

    void load() override;
    bool store() override;
};
