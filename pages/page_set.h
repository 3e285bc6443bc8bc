// Which pages the wizard shows for a controller, in order, and the factory that builds them.
#pragma once

#include "config_block.h"

#include <QList>

#include <memory>

class Page;
class Prompter;

enum class PageKind
{
    CStep2,
    CStep3,
    V0204,
    CStep5,
    CStep4,
    CStep7,
    CStep6
};

struct PagePlan
{
    PageKind kind;
    int templateId;
};

// The pages for this controller's model and software version, in wizard order.
QList<PagePlan> planPages(const ConfigBlock& block);
// True when the controller has regeneration and so gets the regeneration page.
bool hasRegenerationPage(const ConfigBlock& block);

// A new page object of that class, or nullptr when the program has no such page class.
std::unique_ptr<Page> createPage(PageKind kind, ConfigBlock& block, Prompter* prompter);
