#include "tests/engine/support/EngineLinkFixture.h"

#include "core/QDataWriter.h"
#include "platform/clock/Clock.h"
#include "scandata/QSetupScanCommand.h"

#include <algorithm>

namespace orv::test {

Bytes LittleEndian16(uint16_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
}

Bytes LittleEndian32(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)};
}

Bytes Frame(uint16_t id, const Bytes& body) {
    Bytes frame{0x2A, 0, 0};
    const Bytes idBytes = LittleEndian16(id);
    const Bytes sizeBytes = LittleEndian32(static_cast<uint32_t>(body.size()));
    frame.insert(frame.end(), idBytes.begin(), idBytes.end());
    frame.insert(frame.end(), sizeBytes.begin(), sizeBytes.end());
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

Bytes ClientFrame(const QSetupScanCommand& command) {
    // Writing without the extended group sets the flag afterwards: count on a copy.
    const QSetupScanCommand counted(command);
    QCharCounterDataWriter counter;
    counted.Serialize(counter);
    Bytes bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    command.Serialize(writer);
    return bytes;
}

namespace {

void Put(Bytes& out, const Bytes& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void PutFloat(Bytes& out, float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    Put(out, LittleEndian32(bits));
}

} // namespace

Bytes SetupBody(const SetupBodySpec& spec) {
    Bytes out;
    Put(out, LittleEndian16(spec.scanType));
    Put(out, LittleEndian16(static_cast<uint16_t>(spec.rows)));
    Put(out, LittleEndian16(static_cast<uint16_t>(spec.columns)));
    const std::size_t cells = spec.rows > 0 && spec.columns > 0 ? static_cast<std::size_t>(spec.rows) *
                                                                      static_cast<std::size_t>(spec.columns)
                                                                : 0;
    for (std::size_t i = 0; i < cells; ++i) {
        out.push_back(i % 2 == 0 ? 1 : 0);
    }
    Put(out, LittleEndian16(static_cast<uint16_t>(spec.rowsAgain)));
    Put(out, LittleEndian16(static_cast<uint16_t>(spec.columnsAgain)));
    for (std::size_t i = 0; i < cells; ++i) {
        Put(out, LittleEndian16(static_cast<uint16_t>(100 + i)));
    }
    PutFloat(out, 12.5F);          // default probe height
    out.push_back(1);              // scan option
    PutFloat(out, 0.12F);          // RBW
    PutFloat(out, 150.0F);         // centre
    Put(out, LittleEndian32(777)); // sampling rate
    PutFloat(out, 100.0F);         // span
    PutFloat(out, 100.0F);         // start
    PutFloat(out, 200.0F);         // stop
    Put(out, LittleEndian32(3));   // samples per cell
    Put(out, LittleEndian32(4));   // settling
    Put(out, LittleEndian32(601)); // buckets
    Put(out, LittleEndian32(50));  // sweep time
    PutFloat(out, 97.0F);          // reference level
    out.push_back(1);              // measure peaks
    out.push_back(0);              // manual sweep time
    out.push_back(1);              // synchronise
    Put(out, LittleEndian32(5));   // slope
    Put(out, LittleEndian32(6));   // offset
    Put(out, LittleEndian32(0));   // failure code
    if (spec.extendedGroup) {
        PutFloat(out, 0.5F);
        PutFloat(out, 0.25F);
        Put(out, LittleEndian16(static_cast<uint16_t>(-3)));
        Put(out, LittleEndian16(7));
    }
    out.push_back(1); // pre-amplifier
    out.push_back(1); // tracking generation
    Put(out, LittleEndian32(static_cast<uint32_t>(-20)));
    out.push_back(1); // analyser flag
    out.push_back(9); // scan flag
    Put(out, {10, 11, 12, 2});
    out.insert(out.end(), spec.padding, 0);
    return out;
}

void WriteAll(CTransferPipe& pipe, const Bytes& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const std::size_t taken = pipe.WriteToEngine(bytes.data() + written, bytes.size() - written);
        written += taken;
        if (taken == 0) {
            pipe.WaitForEngineRead(std::chrono::milliseconds(200));
        }
    }
}

std::vector<ReplyFrame> ReadFrames(CTransferPipe& pipe, Bytes& pending) {
    uint8_t buffer[8192];
    for (;;) {
        const std::size_t n = pipe.ReadFromEngine(buffer, sizeof buffer);
        if (n == 0) {
            break;
        }
        pending.insert(pending.end(), buffer, buffer + n);
    }
    std::vector<ReplyFrame> frames;
    std::size_t at = 0;
    while (pending.size() - at >= 9) {
        const uint32_t size = ValueAt<uint32_t>(pending, at + 5);
        if (pending.size() - at - 9 < size) {
            break;
        }
        ReplyFrame frame;
        frame.id = ValueAt<uint16_t>(pending, at + 3);
        frame.body.assign(pending.begin() + static_cast<std::ptrdiff_t>(at + 9),
                          pending.begin() + static_cast<std::ptrdiff_t>(at + 9 + size));
        frames.push_back(std::move(frame));
        at += 9 + size;
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(at));
    return frames;
}

std::vector<ReplyFrame> WaitForFrames(CTransferPipe& pipe, std::size_t count,
                                      std::chrono::milliseconds timeout, Bytes& pending) {
    std::vector<ReplyFrame> frames;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (frames.size() < count && std::chrono::steady_clock::now() < deadline) {
        std::vector<ReplyFrame> more = ReadFrames(pipe, pending);
        for (ReplyFrame& frame : more) {
            frames.push_back(std::move(frame));
        }
        if (frames.size() < count) {
            pipe.WaitForEngineBytes(std::chrono::milliseconds(50));
        }
    }
    return frames;
}

LogCapture::LogCapture() {
    m_previous = InformationLog::Instance().SetSink([this](uint8_t, const std::string& line) {
        const std::size_t separator = line.find(" --- ");
        const std::lock_guard guard(m_lock);
        m_lines.push_back(separator == std::string::npos ? line : line.substr(separator + 5));
    });
}

LogCapture::~LogCapture() {
    InformationLog::Instance().SetSink(m_previous);
}

std::vector<std::string> LogCapture::Lines() const {
    const std::lock_guard guard(m_lock);
    return m_lines;
}

bool LogCapture::Has(const std::string& text) const {
    const std::lock_guard guard(m_lock);
    return std::find(m_lines.begin(), m_lines.end(), text) != m_lines.end();
}

void LogCapture::Clear() {
    const std::lock_guard guard(m_lock);
    m_lines.clear();
}

bool FakeEngineDevices::SetupInstrument(SetupScan&, CSetupStepReporter& reporter) {
    ++setups;
    uint16_t step = 1;
    for (const std::string& text : setupSteps) {
        reporter.SendSetupStep(step++, 19, text);
    }
    return setupResult;
}

} // namespace orv::test
