// The question Write asks before settings that do not work together go to the controller.
#pragma once

#include "plausibility.h"

#include <QString>

#include <functional>

// The question naming each pair with its values (message 301, a line per pair from 302, 303),
// from the loaded resource module's strings.
QString implausibleQuestion(const QList<ImplausiblePair>& pairs,
                            const std::function<QString(int)>& strings);
