#pragma once

// What the main frame and its connection thread ask of the client side of the engine link: the scan
// state controller's workflow state and engine connection, and the communication layer's command
// queue. The client side implements it over its controller and layer; tests record.

#include <cstdint>

namespace orv {

class QScanEngineLink;

class CConnectionLink {
public:
    CConnectionLink() = default;
    CConnectionLink(const CConnectionLink&) = delete;
    CConnectionLink& operator=(const CConnectionLink&) = delete;
    virtual ~CConnectionLink();

    // The controller's workflow state (0 nothing running, 1 detecting, 2 connected and idle,
    // 12 a scan running).
    virtual int32_t GetState() const = 0;
    virtual void SetState(int32_t state) = 0;
    // Connects the layer to the in-process engine ("127.0.0.1", 5005 and 6006).
    virtual bool CreateDriverConnection() = 0;

    // The layer's command queue: appended under its lock; the worker serves one entry per signal.
    virtual void QueueCommand(uint16_t code, uint8_t flag, uint32_t argument) = 0;
    virtual bool IsCommandQueueEmpty() const = 0;
    virtual void SignalCommandEvent() = 0;

    // Marks the run as stopped (the hand-held probe prompt's abort): its scan end then finishes the
    // run instead of starting a further pass. A link without a controller has no run to mark.
    virtual void MarkStopRequested() {}

    // The engine link handed to the project windows.
    virtual QScanEngineLink* GetScanEngineLink() = 0;
};

} // namespace orv
