#include "app/NetworkWait.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <chrono>
#include <exception>
#include <future>
#include <memory>
#include <mutex>

namespace velmora {

namespace {

// How long the window's thread simply waits for the network before it starts repainting and
// shows the busy cursor: one frame at 60 Hz, so a request that ends within it (any site on the
// same machine or a near network) looks no different from an instant one, and the window does
// not spend its time painting a state that the result replaces a moment later.
constexpr std::chrono::milliseconds moment{16};

// Result pages of up to 32 MiB arrive, are decoded and are cut on the network thread. glibc
// serves such buffers from that thread's heap once it has seen one freed (its threshold for
// giving a buffer a mapping of its own rises to the largest one freed), and it never shrinks a
// thread's heap from the top again: a single huge page would stay resident for the program's
// life. A fixed threshold keeps every buffer from 1 MiB on in a mapping of its own, which goes
// back to the system the moment the buffer is freed.
// Other C libraries have no such knob (and mostly no such heaps); there the call is left out.
void keepLargeBuffersOutOfHeaps()
{
#if defined(__GLIBC__)
    static std::once_flag once;
    std::call_once(once, [] {
        constexpr int ownMappingFrom = 1024 * 1024;
        mallopt(M_MMAP_THRESHOLD, ownMappingFrom);
    });
#endif
}

// The X11 platform layer moves the window system's input that arrives during the wait (a close
// request among it) to a list of its own, and looks at that list again only when its event source
// next runs, which it does only after the event dispatcher has been woken: by new traffic from the
// X server, or by an event posted to this thread. Once the wait is over nothing of that need
// happen; a close request that was the last thing the window system sent would then stay in the
// list until the player did something else. Waking the dispatcher here makes the next event-loop
// pass that takes input (the window's own once the running handler has returned; another wait of
// the handler still leaves input aside) take the held-back input. Waking delivers nothing by
// itself, so the running handler goes on undisturbed.
void deliverHeldBackInputLater()
{
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

} // namespace

NetworkThread::NetworkThread() : m_thread([this] { run(); }) { keepLargeBuffersOutOfHeaps(); }

NetworkThread::~NetworkThread()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void NetworkThread::post(std::function<void()> job)
{
    {
        std::lock_guard lock(m_mutex);
        // What a job queues while the thread is ending (the second request of a fetch) would
        // only hold up the end: it is not run.
        if (m_stopping)
            return;
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void NetworkThread::run()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
    }
}

void waitWithoutFreezing(NetworkThread &network, const std::function<void()> &work)
{
    QEventLoop loop;
    // Shared with the job, so that the result stays whole while the network thread finishes
    // announcing it, even when this side has already seen it and moved on.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    network.post([&work, &loop, done] {
        std::exception_ptr failure;
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        // The loop's quit is queued before the result is announced: once the result is there,
        // this thread no longer touches the loop, which may be gone a moment later. A quit
        // queued before exec() starts still ends it.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        if (failure)
            done->set_exception(failure);
        else
            done->set_value();
    });
    if (finished.wait_for(moment) != std::future_status::ready) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        finished.wait();
        QApplication::restoreOverrideCursor();
        deliverHeldBackInputLater();
    }
    finished.get(); // a failure of `work` goes on from here
}

} // namespace velmora
