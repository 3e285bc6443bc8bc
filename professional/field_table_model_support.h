// What the files of the professional view's table model share.
#pragma once

#include "config_fields.h"

#include <QString>

namespace FieldTableModelSupport {

inline QString name(Field f)
{
    return QString::fromLatin1(fieldDef(f).name);
}

} // namespace FieldTableModelSupport
