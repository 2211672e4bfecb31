#pragma once

#include <deque>
#include <functional>
#include <string>

namespace velmora {

/// Runs the window's handlers one at a time. A handler may wait for the site, and while it waits
/// the window still receives events that Qt does not hold back with the player's input: timers,
/// queued signals, and a screen reader's "press" on a button or a check box, which comes over
/// the accessibility bus rather than as input. A handler asked for meanwhile waits here and runs,
/// in order, right after the running one: no handler ever runs inside another.
///
/// Once the window has accepted a close, the queue is closed: what waits is dropped and nothing
/// new starts, so no request, box or dialog outlives the window.
///
/// A handler that throws does not stop the queue: `onFailure` is told what went wrong (the
/// window puts it in its status bar) and the next handler runs.
///   HandlerQueue queue(report);
///   queue.run([&] { queue.run(second); first(); });   // first(), then second()
class HandlerQueue {
public:
    using Handler = std::function<void()>;

    explicit HandlerQueue(std::function<void(const std::string &what)> onFailure = {});

    /// Runs `handler` now, or after the running handler (and those already waiting) when one is
    /// running. Does nothing once the queue is closed.
    void run(Handler handler);

    /// Drops what waits and refuses every later handler. The running one finishes.
    void close();

    bool isRunning() const { return m_running; }
    bool isClosed() const { return m_closed; }
    /// How many handlers wait for the running one.
    std::size_t waiting() const { return m_waiting.size(); }

private:
    void runOne(Handler &handler);

    std::function<void(const std::string &)> m_onFailure;
    std::deque<Handler> m_waiting;
    bool m_running = false;
    bool m_closed = false;
};

} // namespace velmora
