// The wizard frame on the simulated controller over a real pseudo-terminal, with scripted answers.
#pragma once

#include "link_worker.h"
#include "presets.h"
#include "scripted_prompter.h"
#include "sim_server.h"
#include "test_resources.h"
#include "wizird.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>

struct FrameHarness
{
    // Serves `preset` (after `edit` changed its image) and builds the frame on `module`.
    explicit FrameHarness(const QString& preset = QStringLiteral("full"),
                          const std::function<void(ConfigBlock&)>& edit = {},
                          const QString& module = QStringLiteral("english"))
    {
        SimOptions options;
        options.preset = preset;
        if (edit) {
            std::uint8_t major = 0, minor = 0;
            presetImage(preset, &options.image, &major, &minor);
            options.image.setSoftwareVersion(major, minor);
            edit(options.image);
            options.hasImage = true;
        }
        sim = std::make_unique<SimServer>(options);
        QString error;
        if (!sim->start(&error))
            ADD_FAILURE() << error.toStdString();
        makeFrame(module);
    }

    void makeFrame(const QString& module = QStringLiteral("english"))
    {
        WizirdOptions o;
        o.ports = QStringList{sim->devicePath()};
        o.backupDir = backupDir.path();
        o.openUrl = [this](const QUrl& url) {
            openedUrls.append(url);
            return browserStarts;
        };
        frame.reset();
        block = ConfigBlock();
        // The frame's messages and the prompter's texts come from the same module.
        prompter.texts = [module](int id) { return testModule(module).string(id); };
        frame = std::make_unique<Wizird>(testModule(module), block, link, prompter, o);
    }

    // Runs the opening flow; true when page 1 is shown.
    bool open() { return frame->OnInitDialog(); }

    std::unique_ptr<SimServer> sim;
    QTemporaryDir backupDir;
    ConfigBlock block;
    LinkWorker link;
    ScriptedPrompter prompter;
    QList<QUrl> openedUrls;
    bool browserStarts = true; // what Help's browser start reports
    std::unique_ptr<Wizird> frame;
};
