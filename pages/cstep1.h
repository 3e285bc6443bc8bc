// Run-mode page: the welcome page on which the user picks guide, professional or import mode.
#pragma once

#include "page.h"

#include <cstdint>

// The page owns no field of the block; its only state is the run mode, one value for the whole
// process. Nothing in the program consults the run mode yet: the page records the choice for
// whatever places the page in front of the wizard sequence.
class CStep1 : public Page
{
    Q_OBJECT
public:
    using Page::Page;
    static constexpr int kTemplateId = 145;

    enum ControlId
    {
        IdGuideMode = 1014,
        IdProfessionalMode = 1015,
        IdImportMode = 1019,
    };
    // Values of the run mode; kNoRunMode until the user clicks one of the three buttons.
    enum : std::uint8_t
    {
        kNoRunMode = 0,
        kGuideMode = 1,
        kProfessionalMode = 2,
        kImportMode = 3,
    };

    // The mode last clicked on any run-mode page of this process.
    static std::uint8_t RunMode() { return s_runMode; }
    // Back to "no choice", as at program start (for tests that need a fresh process state).
    static void resetRunMode() { s_runMode = kNoRunMode; }

    void load() override {}
    bool store() override { return true; }

protected:
    void bindControls() override;

private:
    static inline std::uint8_t s_runMode = kNoRunMode;
};
