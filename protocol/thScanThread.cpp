#include "protocol/thScanThread.h"

#include "core/QException.h"
#include "core/QScanOptions.h"
#include "platform/clock/Clock.h"
#include "platform/debug/DebugOutput.h"
#include "platform/sync/Event.h"
#include "platform/ui/Prompt.h"
#include "project/QNodeMediator.h"
#include "protocol/QCommLayer.h"
#include "protocol/QUIBBStateController.h"
#include "scandata/QScanContainer.h"
#include "scandata/QTransportContainer.h"

#include <new>
#include <system_error>

namespace orv {

thScanThread::thScanThread(int32_t /*value*/, Event& dataEvent, QUIBBStateController& controller,
                           QCommLayer& layer, QNodeMediator& mediator)
    : m_DataEvent(dataEvent), m_Mediator(mediator), m_Controller(controller), m_CommLayer(layer) {}

thScanThread::~thScanThread() {
    OutputDebugString("Deleting thScanThread object: Begin\n");
    m_bRun.store(0);
    m_Stop.request_stop();
    if (m_Thread.joinable()) {
        m_Thread.join();
    }
    OutputDebugString("Deleting thScanThread object: End\n");
}

bool thScanThread::Start() {
    if (m_Thread.joinable()) {
        return true;
    }
    // Counted before the thread exists, so that no run starts in the moment before its loop does.
    m_CommLayer.AddDataWorker();
    try {
        m_Thread = std::jthread([this](std::stop_token /*unused*/) { Run(m_Stop.get_token()); });
    } catch (const std::system_error&) {
        m_CommLayer.RemoveDataWorker();
        return false;
    }
    return true;
}

void thScanThread::RequestStop() {
    m_Stop.request_stop();
}

void thScanThread::SignalEvent() {
    m_bRun.store(0);
    RequestStop();
}

void thScanThread::Run(std::stop_token stop) {
    m_nActive.fetch_add(1);
    // The stop source stands for the worker's stop event: a stop ends the timed wait on the data
    // event at once, so either event wakes the loop.
    while (!stop.stop_requested() && m_bRun.load() != 0) {
        ClockWaitFor(m_DataEvent, kPollPeriod, stop);
        m_nWakes.fetch_add(1);
        // One wake can stand for many containers (the data event is set once however many frames
        // came while it was clear): every container queued by now goes over before the next wait,
        // or a burst would drain at one per poll period. A stop is still seen between containers.
        while (!stop.stop_requested() && m_bRun.load() != 0 && HandOver()) {
        }
    }
    m_CommLayer.RemoveDataWorker();
    m_Controller.PostScanFinished();
    m_nActive.fetch_sub(1);
}

bool thScanThread::HandOver() {
    std::unique_ptr<QTransportContainer> transport = m_CommLayer.PopTransportContainer();
    if (transport == nullptr) {
        return false;
    }
    try {
        bool peakHold = false;
        bool averaging = false;
        if (QScanOptions* options = m_Mediator.GetScanOptions()) {
            peakHold = options->IsPeakHold();
            averaging = options->IsAveraging();
        }
        int32_t code = 0;
        const uint32_t status =
            m_Mediator.TakeTransportContainer(std::move(transport), peakHold, &code, averaging);
        if ((status & QScanContainer::kStatusEnded) != 0) {
            m_Mediator.SetScanError(code != 0);
            m_Controller.SendScanError(code);
        } else {
            m_Mediator.UpdateInformation(status & QScanContainer::kStatusNewSetup);
            m_Mediator.PostNotification(m_Mediator.GetNodeTypeId());
        }
    } catch (const std::bad_alloc&) {
        m_bError.store(1);
    } catch (const QOutOfMemoryException&) {
        m_bError.store(1);
    } catch (const QException& error) {
        m_bError.store(1);
        // Ended by this worker's stop, so that the user-interface thread can always join it.
        ShowPrompt(PromptRequest{error.m_message, "Error Processing New Scan Data", PromptButtons::Ok,
                                 PromptIcon::Warning},
                   m_Stop.get_token(), PromptAnswer::Ok);
    }
    return true;
}

} // namespace orv
