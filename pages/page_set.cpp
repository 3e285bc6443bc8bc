// Which pages the wizard shows for a controller, in order, and the factory that builds them.
#include "page_set.h"

#include "cstep2.h"
#include "cstep3.h"
#include "cstep4.h"
#include "cstep5.h"
#include "cstep6.h"
#include "cstep7.h"
#include "field_rules.h"
#include "v0204.h"

bool hasRegenerationPage(const ConfigBlock& block)
{
    return ControllerIdentity::of(block).hasRegeneration();
}

QList<PagePlan> planPages(const ConfigBlock& block)
{
    const ControllerIdentity id = ControllerIdentity::of(block);
    QList<PagePlan> plan;
    plan.append({PageKind::CStep2, 146});
    plan.append({PageKind::CStep3, 147});
    if (id.versionAtLeast(SoftwareVersions::kMotorPage))
        plan.append({PageKind::V0204, 156});
    if (id.hasRegeneration())
        plan.append({PageKind::CStep5, 149});
    plan.append({PageKind::CStep4, 148});
    if (id.j1939Variant())
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
