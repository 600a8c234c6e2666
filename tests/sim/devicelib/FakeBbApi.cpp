// A stand-in for the Signal Hound bb_api library with the functions the program calls, each
// journalled with its arguments and answering the scripted statuses.

#include "tests/sim/devicelib/FakeBbApi.h"

#include "platform/vendor/BbApi.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace orv::sim {

namespace {

struct BbState {
    std::mutex lock;
    std::vector<int32_t> serials;
    std::optional<int32_t> reportedCount;
    int32_t traceLength = 0;
    double binSize = 0.0;
    double start = 0.0;
    std::vector<float> trace;
    std::map<int32_t, std::optional<std::string>> errorTexts;
};

BbState& State() {
    static BbState state;
    return state;
}

double D(double value) {
    return value;
}

} // namespace

FakeCallScript& FakeBbApi::Script() {
    static FakeCallScript script;
    return script;
}

void FakeBbApi::Reset() {
    Script().Reset();
    BbState& state = State();
    const std::lock_guard guard(state.lock);
    state.serials.clear();
    state.reportedCount.reset();
    state.traceLength = 0;
    state.binSize = 0.0;
    state.start = 0.0;
    state.trace.clear();
    state.errorTexts.clear();
}

void FakeBbApi::SetSerials(const std::vector<int32_t>& serials, std::optional<int32_t> reportedCount) {
    BbState& state = State();
    const std::lock_guard guard(state.lock);
    state.serials = serials;
    state.reportedCount = reportedCount;
}

void FakeBbApi::SetTraceInfo(int32_t length, double binSizeHz, double startHz) {
    BbState& state = State();
    const std::lock_guard guard(state.lock);
    state.traceLength = length;
    state.binSize = binSizeHz;
    state.start = startHz;
}

void FakeBbApi::SetTrace(const std::vector<float>& values) {
    BbState& state = State();
    const std::lock_guard guard(state.lock);
    state.trace = values;
}

void FakeBbApi::SetErrorText(int32_t status, const char* text) {
    BbState& state = State();
    const std::lock_guard guard(state.lock);
    state.errorTexts[status] = text != nullptr ? std::optional<std::string>(text) : std::nullopt;
}

} // namespace orv::sim

using orv::sim::FakeBbApi;

extern "C" {

int32_t bbGetSerialNumberList(int32_t* serials, int32_t* count) {
    auto& state = orv::sim::State();
    const int32_t status = FakeBbApi::Script().Call("bbGetSerialNumberList");
    const std::lock_guard guard(state.lock);
    const size_t written = std::min<size_t>(state.serials.size(), orv::vendor::kBbMaxDevices);
    std::copy_n(state.serials.begin(), written, serials);
    *count = state.reportedCount.value_or(static_cast<int32_t>(state.serials.size()));
    return status;
}

int32_t bbOpenDeviceBySerialNumber(int32_t* device, int32_t serial) {
    const int32_t status = FakeBbApi::Script().Call("bbOpenDeviceBySerialNumber", {orv::sim::D(serial)});
    if (status >= 0) {
        *device = 100 + serial % 100;
    }
    return status;
}

int32_t bbCloseDevice(int32_t device) {
    return FakeBbApi::Script().Call("bbCloseDevice", {orv::sim::D(device)});
}

int32_t bbConfigureAcquisition(int32_t device, uint32_t detector, uint32_t scale) {
    return FakeBbApi::Script().Call("bbConfigureAcquisition",
                                    {orv::sim::D(device), orv::sim::D(detector), orv::sim::D(scale)});
}

int32_t bbConfigureCenterSpan(int32_t device, double centreHz, double spanHz) {
    return FakeBbApi::Script().Call("bbConfigureCenterSpan", {orv::sim::D(device), centreHz, spanHz});
}

int32_t bbConfigureLevel(int32_t device, double referenceDbm, double attenuationDb) {
    return FakeBbApi::Script().Call("bbConfigureLevel", {orv::sim::D(device), referenceDbm, attenuationDb});
}

int32_t bbConfigureGain(int32_t device, int32_t gain) {
    return FakeBbApi::Script().Call("bbConfigureGain", {orv::sim::D(device), orv::sim::D(gain)});
}

int32_t bbConfigureSweepCoupling(int32_t device, double rbwHz, double vbwHz, double sweepTimeS,
                                 uint32_t rbwShape, uint32_t rejection) {
    return FakeBbApi::Script().Call(
        "bbConfigureSweepCoupling",
        {orv::sim::D(device), rbwHz, vbwHz, sweepTimeS, orv::sim::D(rbwShape), orv::sim::D(rejection)});
}

int32_t bbConfigureProcUnits(int32_t device, uint32_t units) {
    return FakeBbApi::Script().Call("bbConfigureProcUnits", {orv::sim::D(device), orv::sim::D(units)});
}

int32_t bbInitiate(int32_t device, uint32_t mode, uint32_t flag) {
    return FakeBbApi::Script().Call("bbInitiate",
                                    {orv::sim::D(device), orv::sim::D(mode), orv::sim::D(flag)});
}

int32_t bbQueryTraceInfo(int32_t device, int32_t* traceLength, double* binSizeHz, double* startHz) {
    auto& state = orv::sim::State();
    const int32_t status = FakeBbApi::Script().Call("bbQueryTraceInfo", {orv::sim::D(device)});
    const std::lock_guard guard(state.lock);
    *traceLength = state.traceLength;
    *binSizeHz = state.binSize;
    *startHz = state.start;
    return status;
}

#ifndef ORV_FAKE_BB_API_WITHOUT_FETCH
int32_t bbFetchTrace_32f(int32_t device, int32_t arraySize, float* minTrace, float* maxTrace) {
    auto& state = orv::sim::State();
    const int32_t status = FakeBbApi::Script().Call(
        "bbFetchTrace_32f", {orv::sim::D(device), orv::sim::D(arraySize), minTrace == nullptr ? 0.0 : 1.0});
    const std::lock_guard guard(state.lock);
    const size_t count = std::min<size_t>(state.trace.size(), static_cast<size_t>(std::max(arraySize, 0)));
    if (maxTrace != nullptr && count > 0) {
        std::memcpy(maxTrace, state.trace.data(), count * sizeof(float));
    }
    if (minTrace != nullptr && count > 0) {
        std::memcpy(minTrace, state.trace.data(), count * sizeof(float));
    }
    return status;
}
#endif

const char* bbGetErrorString(int32_t status) {
    auto& state = orv::sim::State();
    FakeBbApi::Script().Call("bbGetErrorString", {orv::sim::D(status)});
    const std::lock_guard guard(state.lock);
    const auto text = state.errorTexts.find(status);
    if (text == state.errorTexts.end()) {
        return "Unscripted status";
    }
    return text->second ? text->second->c_str() : nullptr;
}

} // extern "C"
