// Fuzz entry for the basic analysers' (N9320B, N9324C) reply readers: whatever an instrument sends in
// answer to the trace query, the error query, the pre-amplifier query or a level query must end in a
// result without a crash or a read past a buffer, and a trace given back holds its 461 values. The
// instrument is a loopback connection that sends the input and then ends its side, so no read waits.
#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9320B.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9324C.h"
#include "tests/fuzz/LoopbackInstrument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace orv;

using test::LoopbackDriver;
using test::LoopbackListener;

template <class Driver> void Answer(const uint8_t* data, size_t size, uint8_t choice) {
    LoopbackDriver<Driver> driver;
    if (!driver.Open(LoopbackListener::Instance().Port())) {
        return;
    }
    const int instrument = accept4(LoopbackListener::Instance().Socket(), nullptr, nullptr, SOCK_CLOEXEC);
    if (instrument < 0) {
        return;
    }
    if (write(instrument, data, size) == static_cast<ssize_t>(size)) {
        shutdown(instrument, SHUT_WR);
        SetLogAnalyzerErrorsSwitch((choice & 8) != 0);
        switch ((choice >> 1) & 3) {
        case 0: {
            const float* trace = driver.QueryScan();
            if (trace != nullptr) {
                volatile float last = trace[CSpectrumAnalyzerN9320B::kSweepPoints - 1];
                (void)last;
            }
            break;
        }
        case 1:
            driver.CheckStatus();
            break;
        case 2:
            driver.SetPreAmp(true);
            break;
        default:
            driver.ReadReferenceLevel();
            driver.ReadMarkerFrequency(1);
            break;
        }
        SetLogAnalyzerErrorsSwitch(false);
        if (driver.GetSweepPointCount() != CSpectrumAnalyzerN9320B::kSweepPoints) {
            std::abort();
        }
    }
    close(instrument);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // More than a socket's buffer could block the write before the driver reads.
    if (size == 0 || size > 8192) {
        return 0;
    }
    const uint8_t choice = data[0];
    if ((choice & 1) != 0) {
        Answer<CSpectrumAnalyzerN9324C>(data + 1, size - 1, choice);
    } else {
        Answer<CSpectrumAnalyzerN9320B>(data + 1, size - 1, choice);
    }
    return 0;
}
