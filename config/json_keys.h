// Keys that a JSON object names twice: QJsonDocument silently keeps one of them.
#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

struct JsonDuplicate
{
    QString object; // the top-level key that holds the object; empty for the top level
    QString key;

    bool operator==(const JsonDuplicate& o) const { return object == o.object && key == o.key; }
};

// The keys named more than once in the top-level object of `json`, and in the objects that
// the top-level keys in `nested` hold: each once, in order of appearance. Meant for text that
// QJsonDocument has accepted; anything else yields what was found so far.
QList<JsonDuplicate> duplicateJsonKeys(const QByteArray& json, const QStringList& nested);
