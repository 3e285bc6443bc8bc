// Which pages the wizard shows for a controller, in order, and the factory that builds them.
#include "page_set.h"

#include "cstep2.h"
#include "cstep3.h"
#include "cstep4.h"
#include "cstep5.h"
#include "cstep6.h"
#include "cstep7.h"
#include "v0204.h"

bool hasRegenerationPage(const ConfigBlock& block)
{
    // The fifth model character is '1' on controllers with regeneration.
    return block.at(Field::ModelNumber, 4) == '1';
}

QList<PagePlan> planPages(const ConfigBlock& block)
{
    QList<PagePlan> plan;
    plan.append({PageKind::CStep2, 146});
    plan.append({PageKind::CStep3, 147});
    if (block.versionAtLeast(2, 4))
        plan.append({PageKind::V0204, 156});
    if (hasRegenerationPage(block))
        plan.append({PageKind::CStep5, 149});
    plan.append({PageKind::CStep4, 148});
    if (block.at(Field::ModelVariant) == 'J')
        plan.append({PageKind::CStep7, 151});
    plan.append({PageKind::CStep6, CStep6::kTemplateId});
    return plan;
}

std::unique_ptr<Page> createPage(PageKind kind, ConfigBlock& block, Prompter* prompter)
{
    switch (kind) {
    case PageKind::CStep2:
        return std::make_unique<CStep2>(block, prompter);
    case PageKind::CStep3:
        return std::make_unique<CStep3>(block, prompter);
    case PageKind::V0204:
        return std::make_unique<V0204>(block, prompter);
    case PageKind::CStep5:
        return std::make_unique<CStep5>(block, prompter);
    case PageKind::CStep4:
        return std::make_unique<CStep4>(block, prompter);
    case PageKind::CStep7:
        return std::make_unique<CStep7>(block, prompter);
    case PageKind::CStep6:
        return std::make_unique<CStep6>(block, prompter);
    default:
        return nullptr; // page class not part of this build
    }
}
