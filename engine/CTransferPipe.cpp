#include "engine/CTransferPipe.h"

#include "platform/clock/Clock.h"

#include <algorithm>
#include <cstring>

namespace orv {

CTransferPipe::Queue::Queue() : bytes(new uint8_t[kQueueBytes]) {}

std::size_t CTransferPipe::Queue::Write(const uint8_t* source, std::size_t n) {
    std::size_t taken = 0;
    {
        const std::lock_guard guard(lock);
        const std::size_t held = fill.load(std::memory_order_relaxed);
        taken = std::min(n, kQueueBytes - held);
        if (taken == 0) {
            return 0;
        }
        const std::size_t tail = (head + held) % kQueueBytes;
        const std::size_t first = std::min(taken, kQueueBytes - tail);
        std::memcpy(bytes.get() + tail, source, first);
        if (taken > first) {
            std::memcpy(bytes.get(), source + first, taken - first);
        }
        fill.store(held + taken, std::memory_order_release);
    }
    arrived.Set();
    return taken;
}

bool CTransferPipe::Queue::WriteWhole(const uint8_t* source, std::size_t n) {
    {
        const std::lock_guard guard(lock);
        const std::size_t held = fill.load(std::memory_order_relaxed);
        if (n > kQueueBytes - held) {
            return false;
        }
        if (n == 0) {
            return true;
        }
        const std::size_t tail = (head + held) % kQueueBytes;
        const std::size_t first = std::min(n, kQueueBytes - tail);
        std::memcpy(bytes.get() + tail, source, first);
        if (n > first) {
            std::memcpy(bytes.get(), source + first, n - first);
        }
        fill.store(held + n, std::memory_order_release);
    }
    arrived.Set();
    return true;
}

std::size_t CTransferPipe::Queue::Read(uint8_t* target, std::size_t n) {
    if (n == 0 || fill.load(std::memory_order_acquire) == 0) {
        return 0; // empty: the reader simply tries again later
    }
    std::size_t count = 0;
    {
        const std::lock_guard guard(lock);
        const std::size_t held = fill.load(std::memory_order_relaxed);
        count = std::min(n, held);
        const std::size_t first = std::min(count, kQueueBytes - head);
        std::memcpy(target, bytes.get() + head, first);
        if (count > first) {
            std::memcpy(target + first, bytes.get(), count - first);
        }
        head = (head + count) % kQueueBytes;
        fill.store(held - count, std::memory_order_release);
    }
    taken.Set();
    return count;
}

CTransferPipe::CTransferPipe() = default;
CTransferPipe::~CTransferPipe() = default;

std::size_t CTransferPipe::WriteToEngine(const uint8_t* bytes, std::size_t n) {
    return m_toEngine.Write(bytes, n);
}

std::size_t CTransferPipe::ReadFromEngine(uint8_t* buffer, std::size_t n) {
    return m_toClient.Read(buffer, n);
}

bool CTransferPipe::WaitForEngineBytes(std::chrono::milliseconds timeout, std::stop_token stop) {
    if (ClientBoundFill() > 0) {
        return true;
    }
    return ClockWaitFor(m_toClient.arrived, timeout, std::move(stop)) || ClientBoundFill() > 0;
}

bool CTransferPipe::WaitForEngineRead(std::chrono::milliseconds timeout, std::stop_token stop) {
    return ClockWaitFor(m_toEngine.taken, timeout, std::move(stop));
}

std::size_t CTransferPipe::WriteToClient(const uint8_t* bytes, std::size_t n) {
    return m_toClient.Write(bytes, n);
}

bool CTransferPipe::WriteWholeToClient(const uint8_t* bytes, std::size_t n) {
    return m_toClient.WriteWhole(bytes, n);
}

std::size_t CTransferPipe::ReadFromClient(uint8_t* buffer, std::size_t n) {
    return m_toEngine.Read(buffer, n);
}

bool CTransferPipe::WaitForClientRead(std::chrono::milliseconds timeout, std::stop_token stop) {
    return ClockWaitFor(m_toClient.taken, timeout, std::move(stop));
}

bool CTransferPipe::WaitForClientBytes(std::chrono::milliseconds timeout, std::stop_token stop) {
    if (EngineBoundFill() > 0) {
        return true;
    }
    return ClockWaitFor(m_toEngine.arrived, timeout, std::move(stop)) || EngineBoundFill() > 0;
}

} // namespace orv
