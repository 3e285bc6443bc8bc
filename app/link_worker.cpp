// Runs link work on a thread of its own behind a modal progress dialog, so the window keeps
// painting.
#include "link_worker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QThread>

namespace {

class DialogProgress : public ProgressSink
{
public:
    DialogProgress(QProgressDialog* dialog, QObject* gui) : m_dialog(dialog), m_gui(gui) {}
    void setLabel(const QString& text) override
    {
        QPointer<QProgressDialog> d = m_dialog;
        QMetaObject::invokeMethod(
            m_gui,
            [d, text] {
                if (d)
                    d->setLabelText(text);
            },
            Qt::QueuedConnection);
    }
    void setProgress(int done, int total) override
    {
        QPointer<QProgressDialog> d = m_dialog;
        QMetaObject::invokeMethod(
            m_gui,
            [d, done, total] {
                if (d) {
                    d->setMaximum(total);
                    d->setValue(done);
                }
            },
            Qt::QueuedConnection);
    }

private:
    QProgressDialog* m_dialog;
    QObject* m_gui;
};

} // namespace

LinkWorker::LinkWorker(SerialPortFactory factory, LinkClock* clock)
    : m_thread(std::make_unique<QThread>()), m_context(new QObject), m_gui(new QObject),
      m_link(std::make_unique<Link>(std::move(factory), clock))
{
    m_thread->setObjectName(QStringLiteral("link"));
    m_context->moveToThread(m_thread.get());
    m_thread->start();
}

LinkWorker::~LinkWorker()
{
    // The serial port objects belong to the link's thread: close and destroy them there.
    QMetaObject::invokeMethod(
        m_context, [this] { m_link.reset(); }, Qt::BlockingQueuedConnection);
    QMetaObject::invokeMethod(
        m_context, [ctx = m_context] { delete ctx; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_gui;
}

bool LinkWorker::run(QWidget* parent, const QString& label,
                     const std::function<bool(Link&, ProgressSink&)>& job)
{
    QProgressDialog dialog(label, QString(), 0, 0, parent);
    dialog.setWindowTitle(QCoreApplication::applicationName());
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumWidth(360);
    dialog.show();

    DialogProgress progress(&dialog, m_gui);
    QEventLoop loop;
    bool done = false;
    bool result = false;
    QMetaObject::invokeMethod(
        m_context,
        [&] {
            result = job(*m_link, progress);
            QMetaObject::invokeMethod(
                m_gui,
                [&] {
                    done = true;
                    loop.quit();
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    while (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    // Progress updates still queued refer to the dialog that is about to go.
    QCoreApplication::sendPostedEvents(m_gui);
    dialog.hide();
    return result;
}

void LinkWorker::onGuiThread(const std::function<void()>& fn)
{
    if (QThread::currentThread() == m_gui->thread())
        fn();
    else
        QMetaObject::invokeMethod(m_gui, fn, Qt::BlockingQueuedConnection);
}
