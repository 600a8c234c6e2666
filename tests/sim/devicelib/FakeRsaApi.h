#pragma once

// The script of the fake Tektronix library (liborv_sim_rsa_api.so): tests link the library to
// script it, and the program under test loads the same file by name. Every call is journalled with
// its arguments (FakeRsaApi::Script().Calls()).

#include "platform/vendor/RsaApi.h"
#include "tests/sim/devicelib/FakeCallScript.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orv::sim {

struct FakeRsaDevice {
    int32_t id = 0;
    std::string serial; // written with no terminator when it fills its 100 characters
    std::string type;   // the same with 20
};

struct FakeRsaApi {
    static void Reset();
    static FakeCallScript& Script();
    // The devices a search finds; the count it reports (the list's size when unset).
    static void SetDevices(const std::vector<FakeRsaDevice>& devices,
                           std::optional<int32_t> reportedCount = {});
    static void SetLimits(const vendor::RsaSpectrumLimits& limits);
    // What the settings read back report about the trace: its length, start and step, Hz.
    static void SetTraceShape(int32_t length, double startHz, double stepHz);
    // Whether the trace is ready when waited for (ready by default).
    static void SetTraceReady(bool ready);
    // The values (dBm) a trace read gives, and the point count it reports (their count when unset).
    static void SetTrace(const std::vector<float>& values, std::optional<int32_t> reportedPoints = {});
    // The settings the driver last set.
    static vendor::RsaSpectrumSettings LastSettings();
};

} // namespace orv::sim
