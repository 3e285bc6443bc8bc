// Why a unit passed or failed, in the few English words the station prints and the record
// keeps (the same words whatever the language of the station window).
#pragma once

#include "unit_import.h"

#include <QString>

QString unitReasonText(const UnitImportOutcome& outcome);
