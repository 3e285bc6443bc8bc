// Import mode as a program run: the motor question, the search and read the wizard makes, then
// the import window.
#include "import_mode.h"

#include "controller_session.h"
#include "import_window.h"
#include "link_controller_access.h"
#include "message_ids.h"
#include "message_prompter.h"
#include "resource_module.h"

int runImportMode(const ResourceModule& resources, LinkWorker& link, MessagePrompter& prompter,
                  const QStringList& ports, const QString& backupDir, const QString& file)
{
    Prompter& ask = prompter;
    LinkControllerAccess access(link, prompter, ports, backupDir);
    ConfigBlock block;
    int code = 0;
    if (!openController(prompter, access, &block, &code))
        return code;
    const QHash<QString, QString> labels = resources.fieldLabels();
    ImportWindow window(
        access, file, block, [&resources](int id) { return resources.string(id); },
        [&labels](Field f) { return labels.value(QLatin1String(fieldDef(f).name)); });
    window.setWindowIcon(resources.icon(159));
    window.askClose = [&ask] {
        return ask.ask(MessageIds::Completed, Prompter::Buttons::YesNo, Prompter::Icon::Question) ==
               Prompter::Answer::Yes;
    };
    prompter.setParentWindow(&window);
    window.exec();
    prompter.setParentWindow(nullptr);
    return 0;
}
