// The wizard frame's test fixture: a probe page and the frame on a simulated controller.
#pragma once

#include "backup_file.h"
#include "backup_history.h"
#include "frame_harness.h"
#include "page.h"
#include "page_harness.h"
#include "system_serial_port.h"
#include "transfers.h"

#include <QFile>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using Answer = Prompter::Answer;

// A page that records what the frame asks of it, edits one byte of its own on store and can be
// told to refuse.
class ProbePage : public Page
{
public:
    ProbePage(PageKind kind, ConfigBlock& block, Prompter* prompter, QStringList* log)
        : Page(block, prompter), kind(kind), m_log(log)
    {
    }
    void load() override
    {
        m_log->append(QStringLiteral("load %1").arg(static_cast<int>(kind)));
        loaded = block().byte(kScratch);
    }
    bool store() override
    {
        m_log->append(QStringLiteral("store %1").arg(static_cast<int>(kind)));
        if (refuse)
            return false;
        if (edit >= 0)
            block().setByte(kScratch, static_cast<std::uint8_t>(edit));
        return true;
    }
    static constexpr int kScratch = 6; // a reserved byte, free for this test page
    PageKind kind;
    bool refuse = false;
    int edit = -1;
    int loaded = -1;

private:
    QStringList* m_log;
};

class WizirdTest : public ::testing::Test
{
protected:
    // A frame on `preset`, with probe pages instead of the program's page classes.
    std::unique_ptr<FrameHarness> harness(const QString& preset = "full",
                                          const std::function<void(ConfigBlock&)>& edit = {})
    {
        auto h = std::make_unique<FrameHarness>(preset, edit);
        useProbePages(*h);
        return h;
    }
    void useProbePages(FrameHarness& h)
    {
        WizirdOptions o;
        o.ports = QStringList{h.sim->devicePath()};
        o.backupDir = h.backupDir.path();
        o.openUrl = [&h](const QUrl& url) { h.openedUrls.append(url); };
        o.pageFactory = [this](PageKind kind, ConfigBlock& block,
                               Prompter* prompter) -> std::unique_ptr<Page> {
            auto p = std::make_unique<ProbePage>(kind, block, prompter, &log);
            pages.append(p.get());
            return p;
        };
        h.frame.reset();
        pages.clear();
        h.frame = std::make_unique<Wizird>(testModule(), h.block, h.link, h.prompter, o);
    }
    QList<PageKind> kinds() const
    {
        QList<PageKind> out;
        for (ProbePage* p : pages)
            out.append(p->kind);
        return out;
    }
    static bool enabled(FrameHarness& h, int id) { return h.frame->button(id)->isEnabled(); }

    QStringList log;
    QList<ProbePage*> pages;
};
