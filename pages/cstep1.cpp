// Run-mode page: the welcome page on which the user picks guide, professional or import mode.
#include "cstep1.h"

#include <QAbstractButton>

void CStep1::bindControls()
{
    // Each click records its mode, also a click on the button that is already checked.
    const std::pair<int, std::uint8_t> modes[] = {
        {IdGuideMode, kGuideMode},
        {IdProfessionalMode, kProfessionalMode},
        {IdImportMode, kImportMode},
    };
    for (const auto& [id, mode] : modes) {
        if (auto* button = control<QAbstractButton>(id)) {
            const std::uint8_t value = mode;
            connect(button, &QAbstractButton::clicked, this, [value] { s_runMode = value; });
        }
    }
}
