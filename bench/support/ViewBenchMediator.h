#pragma once

#include "project/QNodeMediator.h"

#include <cstdint>

namespace orv::bench {

// A node of the given kind that a view benchmark loads scans into: always holding data, never
// scanning or busy, storing nothing, in the first display unit. A benchmark adds the display
// options its view reads.
class ViewBenchMediator : public QNodeMediator {
public:
    explicit ViewBenchMediator(uint16_t kind) { SetKind(kind); }
    ~ViewBenchMediator() override { StopScanThread(); }
    ViewBenchMediator(const ViewBenchMediator&) = delete;
    ViewBenchMediator& operator=(const ViewBenchMediator&) = delete;
    void Detach() override {}
    bool IsScanning() override { return false; }
    bool IsBusy() override { return false; }
    bool HasScanData() override { return true; }
    uint32_t GetDataSize() override { return 0; }
    void WriteData(QDataWriter& /*writer*/) override {}
    void ReadData(QDataReader& /*reader*/) override {}
    bool GetCompensationSettings(QScanCompensationSettings& /*out*/) const override { return false; }
    int GetSpatialDisplayUnit() const override { return 1; }
    int GetSpectralDisplayUnit() const override { return 1; }
};

} // namespace orv::bench
