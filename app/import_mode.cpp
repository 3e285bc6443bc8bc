// Import mode as a program run: the motor question, the search and read the wizard makes, then
// the import window.
#include "import_mode.h"

#include "controller_session.h"
#include "import_window.h"
#include "link_controller_access.h"
#include "message_prompter.h"
#include "resource_module.h"

namespace {

constexpr int kMsgReadError = 104;
constexpr int kMsgCompleted = 106;
constexpr int kMsgMotorStopped = 110;

} // namespace

int runImportMode(const ResourceModule& resources, LinkWorker& link, MessagePrompter& prompter,
                  const QStringList& ports, const QString& backupDir, const QString& file)
{
    Prompter& ask = prompter;
    if (ask.ask(kMsgMotorStopped, Prompter::Buttons::YesNo, Prompter::Icon::Warning) !=
        Prompter::Answer::Yes)
        return 0;
    LinkControllerAccess access(link, prompter, ports, backupDir);
    if (!access.connectController(nullptr))
        return 0;
    ConfigBlock block;
    QString error;
    if (!access.read(nullptr, &block, &error)) {
        ask.ask(kMsgReadError, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return 1;
    }
    if (const int refusal = refusalMessage(block)) {
        ask.ask(refusal, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return 0;
    }
    ImportWindow window(access, file, block, [&resources](int id) { return resources.string(id); });
    window.setWindowIcon(resources.icon(159));
    window.askClose = [&ask] {
        return ask.ask(kMsgCompleted, Prompter::Buttons::YesNo, Prompter::Icon::Question) ==
               Prompter::Answer::Yes;
    };
    prompter.setParentWindow(&window);
    window.exec();
    prompter.setParentWindow(nullptr);
    return 0;
}
