// Configuration documents from NAME=VALUE assignments, as norvelctl set takes them.
#include "config_document.h"

#include <QJsonDocument>
#include <QJsonObject>

ConfigDocument documentFromAssignments(const QStringList& assignments, QList<DocumentError>* errors)
{
    QJsonObject fields;
    QList<DocumentError> found;
    for (const QString& a : assignments) {
        const int eq = a.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            found.append({a,
                          QStringLiteral("%1: not NAME=VALUE").arg(a),
                          DocumentError::NotAssignment,
                          {a}});
            continue;
        }
        const QString name = a.left(eq);
        const QString text = a.mid(eq + 1).trimmed();
        QJsonValue v;
        bool isInt = false;
        const qint64 n = text.toLongLong(&isInt);
        if (text == QLatin1String("true") || text == QLatin1String("false"))
            v = text == QLatin1String("true");
        else if (isInt)
            v = static_cast<double>(n);
        else if (bool isNumber = false; text.toDouble(&isNumber), isNumber)
            v = text.toDouble();
        else
            v = text;
        if (fields.contains(name))
            found.append({name,
                          QStringLiteral("%1: assigned twice").arg(name),
                          DocumentError::AssignedTwice,
                          {name}});
        fields.insert(name, v);
    }
    QJsonObject root;
    root.insert(QStringLiteral("format"), QLatin1String(ConfigDocument::kFormat));
    root.insert(QStringLiteral("version"), ConfigDocument::kFormatVersion);
    root.insert(QStringLiteral("fields"), fields);
    QList<DocumentError> parseErrors;
    ConfigDocument doc = ConfigDocument::parse(QJsonDocument(root).toJson(), &parseErrors);
    found += parseErrors;
    if (errors)
        *errors = found;
    if (!found.isEmpty())
        return {};
    // Keep the order the assignments were given in (JSON objects sort their keys).
    ConfigDocument ordered;
    for (const QString& a : assignments) {
        const FieldDef* def = fieldNamed(a.left(a.indexOf(QLatin1Char('='))));
        if (def && doc.names(def->field))
            ordered.fields.append({def->field, doc.value(def->field)});
    }
    return ordered;
}
