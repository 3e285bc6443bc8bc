// Texts of the resource modules filled in: placeholders, and the rules' units and meanings.
#pragma once

#include "field_rules.h"

#include <QString>
#include <QStringList>

#include <functional>

// String N of the loaded module; empty when it lacks it.
using ModuleStrings = std::function<QString(int)>;

// `text` with %1, %2, ... replaced by args in one pass, so that an argument holding "%2" stays
// as it is; a placeholder without an argument stays too.
QString fillArgs(const QString& text, const QStringList& args);

// A unit or meaning of the rules in the module's words, its numbers filled in; in English
// (FieldWord::english) without strings or where the module has no words for it.
QString fieldWordText(const FieldWord& word, const ModuleStrings& strings);
