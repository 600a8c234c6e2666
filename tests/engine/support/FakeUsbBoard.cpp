#include "FakeUsbBoard.h"

#include <algorithm>

namespace orv::test {

namespace {
constexpr std::uint16_t kBoardVendor = 0x04D8;
constexpr std::uint16_t kBoardProduct = 0xFCBD;
} // namespace

class FakeUsbBoard::Device final : public UsbDevice {
public:
    Device(FakeUsbBoard& owner, int generation) : m_owner(owner), m_generation(generation) {}
    ~Device() override { m_owner.Closed(m_generation); }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    UsbTransferResult Transfer(std::uint8_t endpoint, std::span<std::uint8_t> data,
                               std::uint32_t timeoutMs) override {
        return m_owner.DoTransfer(m_generation, endpoint, data, timeoutMs);
    }

private:
    FakeUsbBoard& m_owner;
    int m_generation;
};

FakeUsbBoard::FakeUsbBoard() = default;
FakeUsbBoard::~FakeUsbBoard() = default;

bool FakeUsbBoard::IsAttachedLocked() {
    if (m_unplugFrom >= 0 && m_transfers >= m_unplugFrom) {
        m_attached = false;
        m_unplugFrom = -1;
    }
    return m_attached;
}

int FakeUsbBoard::CountDevices(std::uint16_t vendorId, std::uint16_t productId) {
    const std::lock_guard lock(m_mutex);
    m_calls.push_back({CallKind::Count, 0, {}, 0, 0});
    return vendorId == kBoardVendor && productId == kBoardProduct && IsAttachedLocked() ? 1 : 0;
}

UsbOpenResult FakeUsbBoard::Open(std::uint16_t vendorId, std::uint16_t productId, int index) {
    const std::lock_guard lock(m_mutex);
    m_calls.push_back({CallKind::Open, 0, {}, 0, 0});
    UsbOpenResult result;
    if (vendorId != kBoardVendor || productId != kBoardProduct || index != 0 || !IsAttachedLocked()) {
        result.status = UsbOpenStatus::NotFound;
        return result;
    }
    if (m_accessDenied) {
        result.status = UsbOpenStatus::AccessDenied;
        return result;
    }
    m_replies.clear();
    result.status = UsbOpenStatus::Opened;
    result.device = std::make_unique<Device>(*this, m_generation);
    return result;
}

void FakeUsbBoard::Closed(int /*generation*/) {
    const std::lock_guard lock(m_mutex);
    m_calls.push_back({CallKind::Close, 0, {}, 0, 0});
}

void FakeUsbBoard::Answer(const std::vector<std::uint8_t>& command) {
    if (command.empty()) {
        return;
    }
    const std::uint8_t letter = command[0];
    switch (letter) {
    case 'd':
        m_replies.push_back({'d', m_firmware[0], m_firmware[1], m_firmware[2], 0});
        break;
    case 'c':
        m_replies.push_back({'c', m_eid[0], m_eid[1], 0});
        break;
    case '2': {
        const auto id = static_cast<std::uint32_t>(m_scannerId);
        m_replies.push_back({m_typeFirstByte, static_cast<std::uint8_t>(id),
                             static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id >> 16),
                             static_cast<std::uint8_t>(id >> 24), 0});
        break;
    }
    case 'i':
        if (!m_triggerSilent) {
            m_replies.push_back({'i'});
        }
        break;
    case '8':
    case 'h':
    case 'g':
    case 'f':
        m_pollLetter = letter;
        m_busyLeft = m_busyPolls;
        break;
    case 'a':
        if (m_busyLeft > 0) {
            --m_busyLeft;
            m_replies.push_back({'a'});
        } else if (m_pollLetter != 0) {
            m_replies.push_back({m_pollAnswer != 0 ? m_pollAnswer : m_pollLetter});
            m_pollLetter = 0;
        }
        break;
    default:
        m_replies.push_back({letter});
        break;
    }
}

UsbTransferResult FakeUsbBoard::DoTransfer(int generation, std::uint8_t endpoint,
                                           std::span<std::uint8_t> data, std::uint32_t timeoutMs) {
    const std::lock_guard lock(m_mutex);
    const int number = m_transfers;
    const bool attached = IsAttachedLocked();
    ++m_transfers;
    Call call{CallKind::Transfer, endpoint, {}, static_cast<std::uint32_t>(data.size()), timeoutMs};
    UsbTransferResult result;
    if (!attached || generation != m_generation) {
        result.status = UsbTransferStatus::DeviceLost;
        result.code = -4;
        m_calls.push_back(std::move(call));
        return result;
    }
    const auto fault = m_faults.find(number);
    const bool faulted = fault != m_faults.end();
    if (faulted && fault->second == Fault::TimeOut) {
        result.status = UsbTransferStatus::TimedOut;
        result.code = -7;
        m_calls.push_back(std::move(call));
        return result;
    }
    if ((endpoint & 0x80U) == 0) {
        call.bytes.assign(data.begin(), data.end());
        std::size_t moved = data.size();
        if (faulted && fault->second == Fault::ShortWrite && moved > 0) {
            --moved;
        }
        Answer(call.bytes);
        result.status = UsbTransferStatus::Done;
        result.count = static_cast<int>(moved);
    } else if (m_replies.empty()) {
        result.status = UsbTransferStatus::TimedOut;
        result.code = -7;
    } else {
        std::vector<std::uint8_t> reply = std::move(m_replies.front());
        m_replies.pop_front();
        if (faulted && fault->second == Fault::ShortReply && !reply.empty()) {
            reply.pop_back();
        } else if (faulted && fault->second == Fault::LongReply) {
            reply.push_back(0x55);
        } else if (faulted && fault->second == Fault::WrongByte && !reply.empty()) {
            reply[0] = '?';
        }
        const std::size_t moved = std::min(reply.size(), data.size());
        std::copy_n(reply.begin(), moved, data.begin());
        call.bytes.assign(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(moved));
        result.count = static_cast<int>(moved);
        if (reply.size() > data.size()) {
            result.status = UsbTransferStatus::Overflow;
            result.code = -8;
        } else {
            result.status = UsbTransferStatus::Done;
        }
    }
    m_calls.push_back(std::move(call));
    return result;
}

void FakeUsbBoard::SetScannerId(std::int32_t id, std::uint8_t firstByte) {
    const std::lock_guard lock(m_mutex);
    m_scannerId = id;
    m_typeFirstByte = firstByte;
}

void FakeUsbBoard::SetFirmware(std::uint8_t major, std::uint8_t minor, std::uint8_t patch) {
    const std::lock_guard lock(m_mutex);
    m_firmware[0] = major;
    m_firmware[1] = minor;
    m_firmware[2] = patch;
}

void FakeUsbBoard::SetAdaptorEid(std::uint8_t high, std::uint8_t low) {
    const std::lock_guard lock(m_mutex);
    m_eid[0] = high;
    m_eid[1] = low;
}

void FakeUsbBoard::SetBusyPolls(int count) {
    const std::lock_guard lock(m_mutex);
    m_busyPolls = count;
}

void FakeUsbBoard::SetTriggerSilent(bool silent) {
    const std::lock_guard lock(m_mutex);
    m_triggerSilent = silent;
}

void FakeUsbBoard::SetPollAnswer(std::uint8_t letter) {
    const std::lock_guard lock(m_mutex);
    m_pollAnswer = letter;
}

void FakeUsbBoard::SetAccessDenied(bool denied) {
    const std::lock_guard lock(m_mutex);
    m_accessDenied = denied;
}

void FakeUsbBoard::AddFault(int transfer, Fault fault) {
    const std::lock_guard lock(m_mutex);
    m_faults[transfer] = fault;
}

void FakeUsbBoard::UnplugFromTransfer(int transfer) {
    const std::lock_guard lock(m_mutex);
    m_unplugFrom = transfer;
}

void FakeUsbBoard::Unplug() {
    const std::lock_guard lock(m_mutex);
    m_attached = false;
}

void FakeUsbBoard::PlugBack() {
    const std::lock_guard lock(m_mutex);
    m_attached = true;
    m_unplugFrom = -1;
    ++m_generation;
    m_replies.clear();
    m_pollLetter = 0;
}

std::vector<FakeUsbBoard::Call> FakeUsbBoard::Calls() const {
    const std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<FakeUsbBoard::Call> FakeUsbBoard::Transfers() const {
    const std::lock_guard lock(m_mutex);
    std::vector<Call> transfers;
    for (const Call& call : m_calls) {
        if (call.kind == CallKind::Transfer) {
            transfers.push_back(call);
        }
    }
    return transfers;
}

std::vector<std::vector<std::uint8_t>> FakeUsbBoard::Writes() const {
    const std::lock_guard lock(m_mutex);
    std::vector<std::vector<std::uint8_t>> writes;
    for (const Call& call : m_calls) {
        if (call.kind == CallKind::Transfer && (call.endpoint & 0x80U) == 0) {
            writes.push_back(call.bytes);
        }
    }
    return writes;
}

int FakeUsbBoard::TransferCount() const {
    const std::lock_guard lock(m_mutex);
    return m_transfers;
}

void FakeUsbBoard::ClearCalls() {
    const std::lock_guard lock(m_mutex);
    m_calls.clear();
}

} // namespace orv::test
