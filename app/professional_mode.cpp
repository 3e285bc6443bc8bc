// The professional view as a program run: on the connected controller, or offline on a file.
#include "professional_mode.h"

#include "controller_catalogue.h"
#include "controller_session.h"
#include "field_rules.h"
#include "link_controller_access.h"
#include "message_ids.h"
#include "message_prompter.h"
#include "professional_view.h"
#include "resource_module.h"
#include "view_texts.h"

#include <QApplication>
#include <QInputDialog>

#include <memory>

namespace {

// A document without a controller part is edited for a controller the user picks among the
// kinds the tool knows.
std::optional<ConfigBlock> chooseIdentity(const ResourceModule& resources)
{
    const ViewTexts texts([&resources](int id) { return resources.string(id); });
    QStringList items;
    QList<ConfigBlock> blocks;
    for (const QString& name : catalogueNames()) {
        ConfigBlock block;
        if (!catalogueAsRead(name, &block) || decideOpen(block).refusalMessage() != 0)
            continue;
        items << texts.identity(block);
        blocks << block;
    }
    bool ok = false;
    const QString chosen = QInputDialog::getItem(
        nullptr, texts.text(MessageIds::ChooseControllerTitle),
        texts.text(MessageIds::ChooseControllerQuestion), items, 0, false, &ok);
    if (!ok)
        return std::nullopt;
    return blocks.value(static_cast<int>(items.indexOf(chosen)));
}

} // namespace

int runProfessionalMode(const ResourceModule& resources, LinkWorker& link,
                        MessagePrompter& prompter, const QStringList& ports,
                        const QString& backupDir, const QString& openPath)
{
    Prompter& ask = prompter;
    LinkControllerAccess access(link, prompter, ports, backupDir);
    ProfessionalViewOptions options;
    options.strings = [&resources](int id) { return resources.string(id); };
    const QHash<QString, QString> labels = resources.fieldLabels();
    options.labels = [&labels](Field f) { return labels.value(QLatin1String(fieldDef(f).name)); };
    options.backupDir = backupDir;

    std::unique_ptr<ProfessionalView> view;
    if (!openPath.isEmpty()) {
        std::optional<ConfigBlock> identity;
        if (ProfessionalView::needsIdentity(openPath)) {
            identity = chooseIdentity(resources);
            if (!identity)
                return 0;
        }
        view = std::make_unique<ProfessionalView>(&access, openPath, identity, options);
        if (!view->isValid()) {
            ask.tell(view->errorString(), Prompter::Buttons::Ok, Prompter::Icon::Warning);
            return 2;
        }
    } else {
        int code = 0;
        const std::optional<OpenOutcome> opened = openForMode(prompter, access, true, &code);
        if (!opened)
            return code;
        view = std::make_unique<ProfessionalView>(&access, opened->read.block, options);
        // The legacy control mode becomes torque mode, as in the wizard; the change shows as an
        // edit to be written.
        if (opened->legacyConverted) {
            const ConfigBlock& converted = opened->block;
            view->editField(Field::SpeedMode, converted.get(Field::SpeedMode));
            view->editField(Field::ControlMode, converted.get(Field::ControlMode));
            ask.ask(MessageIds::ControlModeUpgraded, Prompter::Buttons::Ok,
                    Prompter::Icon::Information);
        }
    }
    view->setWindowIcon(resources.icon(159));
    prompter.setParentWindow(view.get());
    view->show();
    const int code = QApplication::exec();
    prompter.setParentWindow(nullptr);
    return code;
}
