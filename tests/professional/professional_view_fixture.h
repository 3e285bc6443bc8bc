// The professional view's test fixture: a fake controller, scripted answers and the window.
#pragma once

#include "backup_history.h"
#include "comparison_dialog.h"
#include "config_document.h"
#include "controller_access.h"
#include "curve_panel.h"
#include "field_filter_model.h"
#include "professional_support.h"
#include "professional_view.h"
#include "test_resources.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>

// A controller that holds a block, records what is written and can fail.
class FakeController : public ControllerAccess
{
public:
    explicit FakeController(const ConfigBlock& block, bool connected = true)
        : block(block), connected(connected)
    {
    }

    bool isConnected() const override { return connected; }
    QString portName() const override { return QStringLiteral("/dev/ttyTEST"); }
    bool connectController(QWidget*) override
    {
        ++connects;
        connected = canConnect;
        return connected;
    }
    bool read(QWidget*, ConfigBlock* out, QString* error) override
    {
        ++reads;
        if (!readError.isEmpty()) {
            *error = readError;
            return false;
        }
        *out = block;
        return true;
    }
    bool write(QWidget*, const ConfigBlock& current, const ConfigBlock& next,
               QString* error) override
    {
        writes.append({current, next});
        if (!writeError.isEmpty()) {
            *error = writeError;
            return false;
        }
        block = next;
        return true;
    }
    std::optional<ConfigBlock> firstBackup(const ConfigBlock&) const override { return backup; }
    QList<SerialPortEntry> serialPorts() const override { return ports; }
    void usePort(const QString& port) override { usedPorts.append(port); }

    ConfigBlock block;
    QList<SerialPortEntry> ports;
    QStringList usedPorts;
    bool connected = true;
    bool canConnect = true;
    std::optional<ConfigBlock> backup;
    QString readError;
    QString writeError;
    int connects = 0;
    int reads = 0;
    QList<std::pair<ConfigBlock, ConfigBlock>> writes; // current, next
};

// Answers the view's questions from queues and records what it asked and told.
struct Answers
{
    ProfessionalPrompts prompts()
    {
        ProfessionalPrompts p;
        p.question = [this](const QString& text) {
            questions.append(text);
            if (yes.empty())
                return true;
            const bool answer = yes.front();
            yes.pop_front();
            return answer;
        };
        p.cautiousQuestion = [this](const QString& text) {
            cautiousQuestions.append(text);
            return cautiousYes;
        };
        p.closeQuestion = [this](const QString& text) {
            closeQuestions.append(text);
            return closeAnswer;
        };
        p.message = [this](const QString& text) { messages.append(text); };
        p.openFileName = [this](const QString&, const QString& filters) {
            openFilters.append(filters);
            return openPath;
        };
        p.saveFileName = [this](const QString&, const QString& filters, QString* chosen) {
            saveFilters.append(filters);
            *chosen = saveFilter;
            return savePath;
        };
        p.choose = [this](const QString&, const QStringList& items) {
            choices.append(items);
            return choice;
        };
        return p;
    }

    std::deque<bool> yes;
    ProfessionalPrompts::CloseAnswer closeAnswer = ProfessionalPrompts::CloseAnswer::Cancel;
    QString openPath;
    QString savePath;
    QString saveFilter;
    int choice = -1;

    bool cautiousYes = false;

    QStringList questions;
    QStringList cautiousQuestions;
    QStringList closeQuestions;
    QStringList messages;
    QStringList openFilters;
    QStringList saveFilters;
    QList<QStringList> choices;
};

inline QString english(int id)
{
    return moduleTexts().text(id);
}

inline ConfigBlock with(ConfigBlock block,
                        std::initializer_list<std::pair<Field, std::uint32_t>> values)
{
    for (const auto& [field, value] : values)
        block.set(field, value);
    return block;
}

class ProfessionalViewTest : public ::testing::Test
{
protected:
    // Each test starts without recent files (the settings live in the run's own folder).
    ProfessionalViewTest() { QSettings().clear(); }

    ProfessionalViewOptions options()
    {
        ProfessionalViewOptions o;
        const ResourceModule& en = testModule();
        o.strings = [&en](int id) { return en.string(id); };
        o.prompts = answers.prompts();
        o.backupDir = backupDir;
        return o;
    }

    std::unique_ptr<ProfessionalView> online() { return online(full); }
    std::unique_ptr<ProfessionalView> online(const ConfigBlock& block)
    {
        return std::make_unique<ProfessionalView>(&controller, block, options());
    }
    std::unique_ptr<ProfessionalView> offline(const QString& path,
                                              std::optional<ConfigBlock> identity = {})
    {
        return std::make_unique<ProfessionalView>(&controller, path, identity, options());
    }

    // Sets a field's value through the table, as an editor does.
    static bool edit(ProfessionalView& view, Field f, const QVariant& value,
                     int role = Qt::EditRole)
    {
        QAbstractItemModel* model = view.table()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, FieldTableModel::ValueColumn);
            if (index.data(FieldTableModel::FieldRole).value<Field>() == f)
                return model->setData(index, value, role);
        }
        ADD_FAILURE() << "no row for " << fieldDef(f).name;
        return false;
    }

    static void trigger(ProfessionalView& view, ProfessionalView::Action a)
    {
        QAction* action = view.action(a);
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
    }

    QString file(const QString& name, const QByteArray& content)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }

    QString document(const QString& name, const QStringList& assignments,
                     std::optional<ConfigBlock> controllerPart = {})
    {
        QList<DocumentError> errors;
        ConfigDocument doc = documentFromAssignments(assignments, &errors);
        EXPECT_TRUE(errors.isEmpty());
        doc.controller = controllerPart;
        return file(name, doc.toJson());
    }

    static QByteArray read(const QString& path)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    }

    QTemporaryDir dir;
    QString backupDir;
    const ConfigBlock full = presetBlock(QStringLiteral("full"));
    FakeController controller{full};
    Answers answers;
};
