// A stand-in for the Tektronix RSA_API library with the functions the program calls, each journalled
// with its arguments and answering the scripted statuses. It keeps the "connected device" as its
// own state, as the real library does.

#include "tests/sim/devicelib/FakeRsaApi.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace orv::sim {

namespace {

struct RsaState {
    std::mutex lock;
    std::vector<FakeRsaDevice> devices;
    std::optional<int32_t> reportedCount;
    vendor::RsaSpectrumLimits limits{};
    vendor::RsaSpectrumSettings settings{};
    int32_t traceLength = 0;
    double start = 0.0;
    double step = 0.0;
    bool ready = true;
    std::vector<float> trace;
    std::optional<int32_t> reportedPoints;
};

RsaState& State() {
    static RsaState state;
    return state;
}

} // namespace

FakeCallScript& FakeRsaApi::Script() {
    static FakeCallScript script;
    return script;
}

void FakeRsaApi::Reset() {
    Script().Reset();
    RsaState& state = State();
    const std::lock_guard guard(state.lock);
    state.devices.clear();
    state.reportedCount.reset();
    state.limits = {};
    state.settings = {};
    state.traceLength = 0;
    state.start = 0.0;
    state.step = 0.0;
    state.ready = true;
    state.trace.clear();
    state.reportedPoints.reset();
}

void FakeRsaApi::SetDevices(const std::vector<FakeRsaDevice>& devices, std::optional<int32_t> reportedCount) {
    RsaState& state = State();
    const std::lock_guard guard(state.lock);
    state.devices = devices;
    state.reportedCount = reportedCount;
}

void FakeRsaApi::SetLimits(const vendor::RsaSpectrumLimits& limits) {
    RsaState& state = State();
    const std::lock_guard guard(state.lock);
    state.limits = limits;
}

void FakeRsaApi::SetTraceShape(int32_t length, double startHz, double stepHz) {
    RsaState& state = State();
    const std::lock_guard guard(state.lock);
    state.traceLength = length;
    state.start = startHz;
    state.step = stepHz;
}

void FakeRsaApi::SetTraceReady(bool ready) {
    RsaState& state = State();
    const std::lock_guard guard(state.lock);
    state.ready = ready;
}

void FakeRsaApi::SetTrace(const std::vector<float>& values, std::optional<int32_t> reportedPoints) {
    RsaState& state = State();
    const std::lock_guard guard(state.lock);
    state.trace = values;
    state.reportedPoints = reportedPoints;
}

vendor::RsaSpectrumSettings FakeRsaApi::LastSettings() {
    RsaState& state = State();
    const std::lock_guard guard(state.lock);
    return state.settings;
}

} // namespace orv::sim

using orv::sim::FakeRsaApi;
namespace vendor = orv::vendor;

extern "C" {

int32_t DEVICE_Search(int32_t* count, int32_t* deviceIds, char (*serials)[vendor::kRsaSerialLength],
                      char (*types)[vendor::kRsaTypeLength]) {
    auto& state = orv::sim::State();
    const int32_t status = FakeRsaApi::Script().Call("DEVICE_Search");
    const std::lock_guard guard(state.lock);
    const size_t written = std::min<size_t>(state.devices.size(), vendor::kRsaMaxDevices);
    for (size_t i = 0; i < written; ++i) {
        const orv::sim::FakeRsaDevice& device = state.devices[i];
        deviceIds[i] = device.id;
        std::memset(serials[i], 0, vendor::kRsaSerialLength);
        std::memcpy(serials[i], device.serial.data(),
                    std::min(device.serial.size(), vendor::kRsaSerialLength));
        std::memset(types[i], 0, vendor::kRsaTypeLength);
        std::memcpy(types[i], device.type.data(), std::min(device.type.size(), vendor::kRsaTypeLength));
    }
    *count = state.reportedCount.value_or(static_cast<int32_t>(state.devices.size()));
    return status;
}

int32_t DEVICE_Connect(int32_t deviceId) {
    return FakeRsaApi::Script().Call("DEVICE_Connect", {static_cast<double>(deviceId)});
}

int32_t DEVICE_Disconnect() {
    return FakeRsaApi::Script().Call("DEVICE_Disconnect");
}

int32_t DEVICE_Run() {
    return FakeRsaApi::Script().Call("DEVICE_Run");
}

int32_t DEVICE_Stop() {
    return FakeRsaApi::Script().Call("DEVICE_Stop");
}

int32_t CONFIG_Preset() {
    return FakeRsaApi::Script().Call("CONFIG_Preset");
}

int32_t CONFIG_SetRFPreampEnable(uint8_t enable) {
    return FakeRsaApi::Script().Call("CONFIG_SetRFPreampEnable", {static_cast<double>(enable)});
}

int32_t CONFIG_SetRFAttenuator(double value) {
    return FakeRsaApi::Script().Call("CONFIG_SetRFAttenuator", {value});
}

int32_t CONFIG_SetCenterFreq(double value) {
    return FakeRsaApi::Script().Call("CONFIG_SetCenterFreq", {value});
}

int32_t CONFIG_SetReferenceLevel(double value) {
    return FakeRsaApi::Script().Call("CONFIG_SetReferenceLevel", {value});
}

int32_t SPECTRUM_SetEnable(uint8_t enable) {
    return FakeRsaApi::Script().Call("SPECTRUM_SetEnable", {static_cast<double>(enable)});
}

int32_t SPECTRUM_SetDefault() {
    return FakeRsaApi::Script().Call("SPECTRUM_SetDefault");
}

int32_t SPECTRUM_GetLimits(vendor::RsaSpectrumLimits* limits) {
    auto& state = orv::sim::State();
    const int32_t status = FakeRsaApi::Script().Call("SPECTRUM_GetLimits");
    const std::lock_guard guard(state.lock);
    *limits = state.limits;
    return status;
}

int32_t SPECTRUM_GetSettings(vendor::RsaSpectrumSettings* settings) {
    auto& state = orv::sim::State();
    const int32_t status = FakeRsaApi::Script().Call("SPECTRUM_GetSettings");
    const std::lock_guard guard(state.lock);
    *settings = state.settings;
    settings->traceLength = state.traceLength;
    settings->actualStartFreq = state.start;
    settings->actualFreqStepSize = state.step;
    return status;
}

int32_t SPECTRUM_SetSettings(const vendor::RsaSpectrumSettings* settings) {
    auto& state = orv::sim::State();
    const int32_t status = FakeRsaApi::Script().Call(
        "SPECTRUM_SetSettings", {settings->span, settings->rbw, static_cast<double>(settings->verticalUnit)});
    const std::lock_guard guard(state.lock);
    state.settings = *settings;
    return status;
}

int32_t SPECTRUM_AcquireTrace() {
    return FakeRsaApi::Script().Call("SPECTRUM_AcquireTrace");
}

int32_t SPECTRUM_WaitForTraceReady(int32_t timeoutMs, uint8_t* ready) {
    auto& state = orv::sim::State();
    const int32_t status =
        FakeRsaApi::Script().Call("SPECTRUM_WaitForTraceReady", {static_cast<double>(timeoutMs)});
    const std::lock_guard guard(state.lock);
    *ready = state.ready ? 1 : 0;
    return status;
}

#ifndef ORV_FAKE_RSA_API_WITHOUT_GET_TRACE
int32_t SPECTRUM_GetTrace(int32_t trace, int32_t maxPoints, float* values, int32_t* points) {
    auto& state = orv::sim::State();
    const int32_t status = FakeRsaApi::Script().Call(
        "SPECTRUM_GetTrace", {static_cast<double>(trace), static_cast<double>(maxPoints)});
    const std::lock_guard guard(state.lock);
    const size_t count = std::min<size_t>(state.trace.size(), static_cast<size_t>(std::max(maxPoints, 0)));
    if (count > 0) {
        std::memcpy(values, state.trace.data(), count * sizeof(float));
    }
    *points = state.reportedPoints.value_or(static_cast<int32_t>(count));
    return status;
}
#endif

} // extern "C"
