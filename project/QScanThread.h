#pragma once

#include <cstdint>
#include <memory>

namespace orv {

class Event;
class QNodeMediator;

// The scan-data worker of one node: it wakes on its event, takes the new records of the running
// scan under the node's lock and posts to the user-interface thread; it never waits for that thread.
// After each accepted packet it calls the mediator's UpdateInformation, which only copies the
// received scan under the container's lock and posts it: the scan lists, views and options stay
// with the user-interface thread.
class QScanThread {
public:
    QScanThread() = default;
    QScanThread(const QScanThread&) = delete;
    QScanThread& operator=(const QScanThread&) = delete;
    // Stops the worker by its flag and joins it.
    virtual ~QScanThread();

    // Starts the worker thread; false when it could not be started.
    virtual bool Start() = 0;
    // Sets the worker's event and clears its pending flag.
    virtual void SignalEvent() = 0;
};

// The side of the scan state controller that a node mediator uses when a scan starts: the scan
// event and the making of the node's worker.
class QScanThreadHost {
public:
    QScanThreadHost() = default;
    QScanThreadHost(const QScanThreadHost&) = delete;
    QScanThreadHost& operator=(const QScanThreadHost&) = delete;
    virtual ~QScanThreadHost();

    virtual Event& GetScanEvent() = 0;
    // Makes (does not start) the worker of `mediator`, with the run value, the controller's scan
    // event and the argument handed to StartScanThread.
    virtual std::unique_ptr<QScanThread> CreateScanThread(int32_t value, Event& scanEvent, int64_t argument,
                                                          QNodeMediator& mediator) = 0;
};

} // namespace orv
