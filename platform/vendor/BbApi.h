#pragma once

// The Signal Hound bb_api functions the BB60 connection and driver call, declared from the calls
// they make: every function takes the device handle first (except the search and the error text)
// and answers a status, 0 for no error, positive for a warning, negative for an error.

#include "platform/vendor/DeviceLibrary.h"

#include <array>
#include <cstdint>

namespace orv::vendor {

inline constexpr int32_t kBbMaxDevices = 8;

inline constexpr int32_t kBbNoError = 0;
// The device failed to open.
inline constexpr int32_t kBbDeviceOpenFailed = -1;
// The device opened but carries no calibration.
inline constexpr int32_t kBbUncalibratedDevice = 6;
// Statuses under which a trace fetch is repeated: the sweep has not finished yet.
inline constexpr int32_t kBbFetchPending = 8;
inline constexpr int32_t kBbFetchIncomplete = 2;

// Detector, scale, gain, units and mode values the driver sends.
inline constexpr uint32_t kBbMinMaxDetector = 0;
inline constexpr uint32_t kBbLogScale = 0;
inline constexpr int32_t kBbAutoGain = -1;
inline constexpr uint32_t kBbRbwShape = 1;
inline constexpr uint32_t kBbNoSpurReject = 0;
inline constexpr uint32_t kBbLogUnits = 0;
inline constexpr uint32_t kBbSweeping = 0;

extern "C" {
using BbGetSerialNumberListFn = int32_t (*)(int32_t* serials, int32_t* count);
using BbOpenDeviceBySerialNumberFn = int32_t (*)(int32_t* device, int32_t serial);
using BbCloseDeviceFn = int32_t (*)(int32_t device);
using BbConfigureAcquisitionFn = int32_t (*)(int32_t device, uint32_t detector, uint32_t scale);
using BbConfigureCenterSpanFn = int32_t (*)(int32_t device, double centreHz, double spanHz);
using BbConfigureLevelFn = int32_t (*)(int32_t device, double referenceDbm, double attenuationDb);
using BbConfigureGainFn = int32_t (*)(int32_t device, int32_t gain);
using BbConfigureSweepCouplingFn = int32_t (*)(int32_t device, double rbwHz, double vbwHz, double sweepTimeS,
                                               uint32_t rbwShape, uint32_t rejection);
using BbConfigureProcUnitsFn = int32_t (*)(int32_t device, uint32_t units);
using BbInitiateFn = int32_t (*)(int32_t device, uint32_t mode, uint32_t flag);
using BbQueryTraceInfoFn = int32_t (*)(int32_t device, int32_t* traceLength, double* binSizeHz,
                                       double* startHz);
using BbFetchTrace32fFn = int32_t (*)(int32_t device, int32_t arraySize, float* minTrace, float* maxTrace);
using BbGetErrorStringFn = const char* (*)(int32_t status);
}

inline constexpr std::array<const char*, 13> kBbApiFunctionNames{
    "bbGetSerialNumberList", "bbOpenDeviceBySerialNumber",
    "bbCloseDevice",         "bbConfigureAcquisition",
    "bbConfigureCenterSpan", "bbConfigureLevel",
    "bbConfigureGain",       "bbConfigureSweepCoupling",
    "bbConfigureProcUnits",  "bbInitiate",
    "bbQueryTraceInfo",      "bbFetchTrace_32f",
    "bbGetErrorString"};

struct BbApiFunctions {
    BbGetSerialNumberListFn bbGetSerialNumberList = nullptr;
    BbOpenDeviceBySerialNumberFn bbOpenDeviceBySerialNumber = nullptr;
    BbCloseDeviceFn bbCloseDevice = nullptr;
    BbConfigureAcquisitionFn bbConfigureAcquisition = nullptr;
    BbConfigureCenterSpanFn bbConfigureCenterSpan = nullptr;
    BbConfigureLevelFn bbConfigureLevel = nullptr;
    BbConfigureGainFn bbConfigureGain = nullptr;
    BbConfigureSweepCouplingFn bbConfigureSweepCoupling = nullptr;
    BbConfigureProcUnitsFn bbConfigureProcUnits = nullptr;
    BbInitiateFn bbInitiate = nullptr;
    BbQueryTraceInfoFn bbQueryTraceInfo = nullptr;
    BbFetchTrace32fFn bbFetchTrace_32f = nullptr;
    BbGetErrorStringFn bbGetErrorString = nullptr;

    bool IsComplete() const;
    // Looks every function up by its exported name; true when all thirteen were found.
    bool Resolve(const SharedLibrary& library);
};

using BbApiLibrary = DeviceLibrary<BbApiFunctions>;

// The first configured bb_api library that exports all thirteen functions, or nullptr.
std::shared_ptr<const BbApiLibrary> LoadBbApiLibrary();

} // namespace orv::vendor
