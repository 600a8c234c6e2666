#pragma once

// The Tektronix RSA_API functions the RSA connection and driver call, declared from the calls they
// make. The library keeps the connected device as its own state, so no call carries a handle. Every
// function answers a status: 0 for no error.

#include "platform/vendor/DeviceLibrary.h"

#include <array>
#include <cstdint>

namespace orv::vendor {

// The most devices one search reports, and the sizes of its texts (terminator included).
inline constexpr int32_t kRsaMaxDevices = 20;
inline constexpr size_t kRsaSerialLength = 100;
inline constexpr size_t kRsaTypeLength = 20;

inline constexpr int32_t kRsaNoError = 0;
inline constexpr int32_t kRsaConnectionLost = 101;
inline constexpr int32_t kRsaFirmwareOutOfDate = 102;
inline constexpr int32_t kRsaUsbPortTooSlow = 205;
inline constexpr int32_t kRsaCommunicationError = 3002;

inline constexpr int32_t kRsaVerticalUnitDbm = 0;

// The spectrum limits of the connected device, Hz.
struct RsaSpectrumLimits {
    double maxSpan = 0.0;
    double minSpan = 0.0;
    double maxRbw = 0.0;
    double minRbw = 0.0;
};

// The spectrum settings record: what the driver sets (span, RBW, vertical unit) and what the device
// reports back for the trace it will deliver (length, start, step).
struct RsaSpectrumSettings {
    double span = 0.0;
    double rbw = 0.0;
    int32_t verticalUnit = 0;
    int32_t traceLength = 0;
    double actualStartFreq = 0.0;
    double actualFreqStepSize = 0.0;
};

extern "C" {
using RsaDeviceSearchFn = int32_t (*)(int32_t* count, int32_t* deviceIds, char (*serials)[kRsaSerialLength],
                                      char (*types)[kRsaTypeLength]);
using RsaDeviceConnectFn = int32_t (*)(int32_t deviceId);
using RsaVoidFn = int32_t (*)();
using RsaEnableFn = int32_t (*)(uint8_t enable);
using RsaDoubleFn = int32_t (*)(double value);
using RsaGetLimitsFn = int32_t (*)(RsaSpectrumLimits* limits);
using RsaGetSettingsFn = int32_t (*)(RsaSpectrumSettings* settings);
using RsaSetSettingsFn = int32_t (*)(const RsaSpectrumSettings* settings);
using RsaWaitForTraceReadyFn = int32_t (*)(int32_t timeoutMs, uint8_t* ready);
using RsaGetTraceFn = int32_t (*)(int32_t trace, int32_t maxPoints, float* values, int32_t* points);
}

inline constexpr std::array<const char*, 18> kRsaApiFunctionNames{"DEVICE_Search",
                                                                  "DEVICE_Connect",
                                                                  "DEVICE_Disconnect",
                                                                  "DEVICE_Run",
                                                                  "DEVICE_Stop",
                                                                  "CONFIG_Preset",
                                                                  "CONFIG_SetRFPreampEnable",
                                                                  "CONFIG_SetRFAttenuator",
                                                                  "CONFIG_SetCenterFreq",
                                                                  "CONFIG_SetReferenceLevel",
                                                                  "SPECTRUM_SetEnable",
                                                                  "SPECTRUM_SetDefault",
                                                                  "SPECTRUM_GetLimits",
                                                                  "SPECTRUM_GetSettings",
                                                                  "SPECTRUM_SetSettings",
                                                                  "SPECTRUM_AcquireTrace",
                                                                  "SPECTRUM_WaitForTraceReady",
                                                                  "SPECTRUM_GetTrace"};

struct RsaApiFunctions {
    RsaDeviceSearchFn DEVICE_Search = nullptr;
    RsaDeviceConnectFn DEVICE_Connect = nullptr;
    RsaVoidFn DEVICE_Disconnect = nullptr;
    RsaVoidFn DEVICE_Run = nullptr;
    RsaVoidFn DEVICE_Stop = nullptr;
    RsaVoidFn CONFIG_Preset = nullptr;
    RsaEnableFn CONFIG_SetRFPreampEnable = nullptr;
    RsaDoubleFn CONFIG_SetRFAttenuator = nullptr;
    RsaDoubleFn CONFIG_SetCenterFreq = nullptr;
    RsaDoubleFn CONFIG_SetReferenceLevel = nullptr;
    RsaEnableFn SPECTRUM_SetEnable = nullptr;
    RsaVoidFn SPECTRUM_SetDefault = nullptr;
    RsaGetLimitsFn SPECTRUM_GetLimits = nullptr;
    RsaGetSettingsFn SPECTRUM_GetSettings = nullptr;
    RsaSetSettingsFn SPECTRUM_SetSettings = nullptr;
    RsaVoidFn SPECTRUM_AcquireTrace = nullptr;
    RsaWaitForTraceReadyFn SPECTRUM_WaitForTraceReady = nullptr;
    RsaGetTraceFn SPECTRUM_GetTrace = nullptr;

    bool IsComplete() const;
    // Looks every function up by its exported name; true when all eighteen were found.
    bool Resolve(const SharedLibrary& library);
};

using RsaApiLibrary = DeviceLibrary<RsaApiFunctions>;

// The first configured RSA_API library that exports all eighteen functions, or nullptr.
std::shared_ptr<const RsaApiLibrary> LoadRsaApiLibrary();

} // namespace orv::vendor
