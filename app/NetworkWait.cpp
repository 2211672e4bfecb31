#include "app/NetworkWait.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>

#include <memory>

namespace velmora {

void waitWithoutFreezing(const std::function<void()> &work)
{
    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create(work));
    // The worker's finished() reaches the loop through the event queue, so a worker that ends
    // before exec() starts still stops the loop.
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    worker->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    QApplication::restoreOverrideCursor();
}

} // namespace velmora
