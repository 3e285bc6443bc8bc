// Shared pieces of the professional view's tests: preset blocks and a recorder of the model's
// signals.
#pragma once

#include "field_table_model.h"
#include "presets.h"
#include "test_resources.h"
#include "view_texts.h"

#include <QList>
#include <QSet>

#include <gtest/gtest.h>

inline size_t qHash(Field f, size_t seed = 0)
{
    return ::qHash(static_cast<int>(f), seed);
}

inline void PrintTo(Field f, std::ostream* os)
{
    *os << fieldDef(f).name;
}

// The image the simulator serves for `name`, version bytes included.
inline ConfigBlock presetBlock(const QString& name)
{
    ConfigBlock block;
    if (!presetImage(name, &block, nullptr, nullptr))
        ADD_FAILURE() << "no preset " << name.toStdString();
    return block;
}

// The view's texts and field labels from a built module.
inline ViewTexts moduleTexts(const QString& name = QStringLiteral("english"))
{
    const ResourceModule& module = testModule(name);
    ViewTexts texts([&module](int id) { return module.string(id); });
    const QHash<QString, QString> labels = module.fieldLabels();
    texts.labels = [labels](Field f) { return labels.value(QLatin1String(fieldDef(f).name)); };
    return texts;
}

// A model showing `controller` unedited, in the english module's words unless it has others.
inline void load(FieldTableModel& model, const ConfigBlock& controller)
{
    if (model.headerData(FieldTableModel::NameColumn, Qt::Horizontal).toString().isEmpty())
        model.setTexts(moduleTexts());
    model.setBlocks(controller, controller);
}

// The used fields outside the identity group, in the rules' order.
inline QList<Field> tableFields(const FieldRules& rules)
{
    QList<Field> fields;
    for (Field f : rules.usedFields())
        if (rules.rule(f).group != FieldGroup::Identity)
            fields.append(f);
    return fields;
}

// Everything the model reports while a test edits it.
struct ModelRecorder
{
    explicit ModelRecorder(FieldTableModel& model) : m_model(model)
    {
        QObject::connect(&model, &FieldTableModel::valueAdjusted,
                         [this](Field f, const QString& reason) {
                             adjusted.append({f, reason});
                         });
        QObject::connect(&model, &FieldTableModel::editRefused,
                         [this](Field f, const QString&) { refused.append(f); });
        QObject::connect(&model, &QAbstractItemModel::dataChanged,
                         [this](const QModelIndex& from, const QModelIndex& to) {
                             for (int row = from.row(); row <= to.row(); ++row)
                                 changedRows.insert(m_model.field(row));
                         });
    }

    void clear()
    {
        adjusted.clear();
        refused.clear();
        changedRows.clear();
    }

    QList<Field> adjustedFields() const
    {
        QList<Field> fields;
        for (const auto& a : adjusted)
            fields.append(a.first);
        return fields;
    }

    QString reasonFor(Field f) const
    {
        for (const auto& a : adjusted)
            if (a.first == f)
                return a.second;
        return {};
    }

    QList<std::pair<Field, QString>> adjusted;
    QList<Field> refused;
    QSet<Field> changedRows;

private:
    FieldTableModel& m_model;
};
