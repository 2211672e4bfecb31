#include "app/HandlerQueue.h"

#include <exception>
#include <utility>

namespace velmora {

HandlerQueue::HandlerQueue(std::function<void(const std::string &)> onFailure) : m_onFailure(std::move(onFailure)) {}

void HandlerQueue::run(Handler handler)
{
    if (m_closed)
        return;
    if (m_running) {
        m_waiting.push_back(std::move(handler));
        return;
    }
    m_running = true;
    runOne(handler);
    while (!m_waiting.empty() && !m_closed) {
        Handler next = std::move(m_waiting.front());
        m_waiting.pop_front();
        runOne(next);
    }
    m_waiting.clear();
    m_running = false;
}

void HandlerQueue::runOne(Handler &handler)
{
    // What a handler throws is a fault of the program, not of the player's action: the player is
    // told and the window goes on taking actions instead of ending with the work unsaved.
    try {
        handler();
    } catch (const std::exception &failure) {
        if (m_onFailure)
            m_onFailure(failure.what());
    } catch (...) {
        if (m_onFailure)
            m_onFailure({});
    }
}

void HandlerQueue::close()
{
    m_closed = true;
    m_waiting.clear();
}

} // namespace velmora
