// The norvelctl configuration tests' fixture: a simulated controller and its files.
#pragma once

#include "cli_fixture.h"
#include "config_document.h"
#include "field_rules.h"
#include "frame.h"
#include "presets.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

class CliConfigTest : public CliFixture
{
protected:
    // The document `export` gives for the controller.
    QByteArray exported(const SimServer* s)
    {
        const CliRun r = run(withPortOf(s, {"export"}));
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        return r.out.toUtf8();
    }
    // A document with some fields and identity entries replaced.
    static QByteArray edited(const QByteArray& json, const QJsonObject& fields,
                             const QJsonObject& controller = {})
    {
        QJsonObject root = QJsonDocument::fromJson(json).object();
        QJsonObject f = root.value("fields").toObject();
        for (auto it = fields.begin(); it != fields.end(); ++it)
            f.insert(it.key(), it.value());
        root.insert("fields", f);
        QJsonObject c = root.value("controller").toObject();
        for (auto it = controller.begin(); it != controller.end(); ++it)
            c.insert(it.key(), it.value());
        root.insert("controller", c);
        return QJsonDocument(root).toJson();
    }
    QString historyFolder() const { return QDir(dir.path()).filePath("history"); }
    int historyCount() const { return QDir(historyFolder()).entryList(QDir::Files).size(); }
};

// The line `show` prints for a field, or an empty string.
inline QString showLine(const QString& out, Field f)
{
    const QString start = QStringLiteral("  %1 ").arg(QLatin1String(fieldDef(f).name));
    for (const QString& line : out.split('\n'))
        if (line.startsWith(start))
            return line;
    return QString();
}
