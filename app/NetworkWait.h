#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace velmora {

/// The thread that runs a window's requests, one after the other. It lives as long as its owner
/// (the window): starting a thread for each request would cost more than a whole search of a
/// site on the same machine, and a fresh thread meets the transfer library's memory cold. Its
/// destructor lets the job in hand finish and joins the thread.
class NetworkThread {
public:
    NetworkThread();
    ~NetworkThread();
    NetworkThread(const NetworkThread &) = delete;
    NetworkThread &operator=(const NetworkThread &) = delete;

    /// Queues `job` behind any job still waiting; once the destructor has begun, drops it.
    void post(std::function<void()> job);

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_stopping = false;
    std::thread m_thread;
};

/// Runs `work` (a blocking network request) on `network` and waits for it here without freezing
/// the window: once the wait is longer than one frame, paint events and timers go on and a busy
/// cursor shows. The window system's input (mouse, keys, a request to close) is held back until
/// `work` has finished, then delivered in order. `work` must not touch widgets or make Qt
/// objects: it runs the request and cuts its page, nothing else. An exception thrown by `work`
/// is rethrown here.
void waitWithoutFreezing(NetworkThread &network, const std::function<void()> &work);

} // namespace velmora
