// The field rules: which fields a controller uses and may write, and their valid values.
#include "field_rules.h"

#include <gtest/gtest.h>
