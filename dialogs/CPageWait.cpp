#include "dialogs/CPageWait.h"

#include <QEventLoop>
#include <QTimer>

namespace orv {
namespace {

std::chrono::milliseconds g_tick = CPageWait::kTick;

} // namespace

bool CPageWait::Run(int ticks, const std::function<bool()>& done, const std::function<void(int)>& onTick) {
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setInterval(g_tick);
    int passed = 0;
    bool finished = false;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        ++passed;
        if (onTick) {
            onTick(passed);
        }
        finished = done();
        if (finished || passed >= ticks) {
            loop.quit();
        }
    });
    timer.start();
    loop.exec();
    return finished;
}

CPageWait::ScopedTick::ScopedTick(std::chrono::milliseconds tick) : m_previous(g_tick) {
    g_tick = tick;
}

CPageWait::ScopedTick::~ScopedTick() {
    g_tick = m_previous;
}

} // namespace orv
