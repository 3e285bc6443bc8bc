// Runs link work on a thread of its own behind a modal progress dialog, so the window keeps
// painting.
#pragma once

#include "link.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QProgressDialog;
class QThread;
class QWidget;

// Reports progress from the link's thread to the progress dialog.
class ProgressSink
{
public:
    virtual ~ProgressSink() = default;
    virtual void setLabel(const QString& text) = 0;
    virtual void setProgress(int done, int total) = 0;
};

class LinkWorker
{
public:
    // The clock is the link's (time-outs and waits); the system clock when null.
    explicit LinkWorker(SerialPortFactory factory = {}, LinkClock* clock = nullptr);
    ~LinkWorker();
    LinkWorker(const LinkWorker&) = delete;
    LinkWorker& operator=(const LinkWorker&) = delete;

    // Runs `job` on the link's thread and returns its result. While it runs, the calling (GUI)
    // thread keeps processing events and shows a modal progress dialog labelled `label` over
    // `parent`. Only the job touches the link meanwhile.
    bool run(QWidget* parent, const QString& label,
             const std::function<bool(Link&, ProgressSink&)>& job);

    // Runs `fn` on the GUI thread and waits for it; for use inside a job (message boxes).
    void onGuiThread(const std::function<void()>& fn);

private:
    std::unique_ptr<QThread> m_thread;
    QObject* m_context = nullptr; // lives on m_thread
    QObject* m_gui = nullptr;     // lives on the creating thread
    std::unique_ptr<Link> m_link;
};
