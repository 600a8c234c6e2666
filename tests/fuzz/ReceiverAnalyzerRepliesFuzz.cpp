// Fuzz entry for the reply readers of the R&S ZND, the RIGOL DSA and RSA and the SIGLENT SSA3075X-R:
// whatever an instrument sends in answer to the trace query, the error query, the sweep-time,
// pre-amplifier or frequency query, or the other numeric queries must end in a result without a crash
// or a read past a buffer; a trace given back holds the point count it was asked with, and a point
// count read back stays within the trace limit. The instrument is a loopback connection that sends
// the input and then ends its side, so no read waits.
#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/drivers/rigol/CSpectrumAnalyzerDSA.h"
#include "analyzers/drivers/rigol/CSpectrumAnalyzerRSA.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerZND.h"
#include "analyzers/drivers/siglent/CSpectrumAnalyzerSSA3075XR.h"
#include "tests/fuzz/LoopbackInstrument.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace orv;

using test::LoopbackListener;

template <class Driver> class SizedDriver : public test::LoopbackDriver<Driver> {
public:
    void SetPoints(int32_t points) { this->m_sweepPoints = points; }
};

// The point counts a trace is asked with: one value, the spectral five, a short trace, and the
// class's own.
constexpr std::array<int32_t, 4> kPoints{1, 5, 101, 0};

template <class Driver> void Answer(const uint8_t* data, size_t size, uint8_t choice) {
    SizedDriver<Driver> driver;
    if (!driver.Open(LoopbackListener::Instance().Port())) {
        return;
    }
    if (const int32_t points = kPoints[(choice >> 5) & 3]; points > 0) {
        driver.SetPoints(points);
    }
    const int instrument = accept4(LoopbackListener::Instance().Socket(), nullptr, nullptr, SOCK_CLOEXEC);
    if (instrument < 0) {
        return;
    }
    if (write(instrument, data, size) == static_cast<ssize_t>(size)) {
        shutdown(instrument, SHUT_WR);
        SetLogAnalyzerErrorsSwitch((choice & 16) != 0);
        const int32_t asked = driver.GetSweepPointCount();
        switch ((choice >> 2) & 3) {
        case 0: {
            const float* trace = driver.QueryScan();
            if (trace != nullptr && asked > 0) {
                volatile float last = trace[asked - 1];
                (void)last;
            }
            break;
        }
        case 1:
            driver.CheckStatus();
            break;
        case 2:
            driver.SweepAndWait();
            driver.SetPreAmp(true);
            driver.ReadCenterFrequency();
            break;
        default:
            driver.ReadSweepTime();
            driver.ReadSpan();
            driver.ReadResolution();
            driver.ReadReferenceLevel();
            driver.ReadMarkerFrequency(0);
            driver.ReadSweepPoints();
            break;
        }
        SetLogAnalyzerErrorsSwitch(false);
        const int32_t points = driver.GetSweepPointCount();
        if (points < 0 || points > CSpectrumAnalyzer::kMaxTracePoints) {
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
    switch (choice & 3) {
    case 0:
        Answer<CSpectrumAnalyzerZND>(data + 1, size - 1, choice);
        break;
    case 1:
        Answer<CSpectrumAnalyzerDSA>(data + 1, size - 1, choice);
        break;
    case 2:
        Answer<CSpectrumAnalyzerRSA>(data + 1, size - 1, choice);
        break;
    default:
        Answer<CSpectrumAnalyzerSSA3075XR>(data + 1, size - 1, choice);
        break;
    }
    return 0;
}
