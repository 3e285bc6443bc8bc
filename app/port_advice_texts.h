// The port help below message 103, in the words of the loaded resource module.
#pragma once

#include "port_help.h"

class Prompter;

// The module's text for each kind of advice.
int portAdviceStringId(PortAdvice::Kind kind);

// A heading and one paragraph per piece of advice, a blank line between them, each the module's
// text with the names filled in; empty without advice.
QString portAdviceDetails(const QList<PortAdvice>& advice, const Prompter& prompter);
