#pragma once

#include "core/QSerializable.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orv::testing {

// The whole frame of an object, checking that it fills exactly GetSerializedSize bytes.
std::vector<uint8_t> SizedFrameBytes(const QSerializable& object);
// The body alone, checking that it fills exactly GetBodySize bytes.
std::vector<uint8_t> SizedBodyBytes(const QSerializable& object);
// Reads a whole frame into the object; fails the test when bytes are left over.
void ReadFrame(QSerializable& object, const std::vector<uint8_t>& bytes);
void ReadBody(QSerializable& object, const std::vector<uint8_t>& bytes);

// Little-endian byte builder for hand-made bodies.
class Bytes {
public:
    Bytes& U8(uint8_t v);
    Bytes& U16(uint16_t v);
    Bytes& U32(uint32_t v);
    Bytes& F32(float v);
    const std::vector<uint8_t>& Get() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

// Puts the application-wide compensation switches and threshold back as they were.
class CompensationSwitchGuard {
public:
    CompensationSwitchGuard();
    ~CompensationSwitchGuard();
    CompensationSwitchGuard(const CompensationSwitchGuard&) = delete;
    CompensationSwitchGuard& operator=(const CompensationSwitchGuard&) = delete;

private:
    bool m_spectral;
    bool m_spatial;
    float m_threshold;
};

// A correction folder for one scan head of 2 rows x 3 columns ("ScanRecordHead"), known to the
// scan-head records, with rows at 100, 200 and 400 MHz above a lowest frequency of 10 MHz. The
// factor of row r, cell k is kRowBase[r] + 0.1 k. The folder stands in as the application folder and
// the head as the current scan head while the fixture lives.
class ScanCorrectionFolder {
public:
    static constexpr const char* kHead = "ScanRecordHead";
    static constexpr float kRowBase[3] = {1.0f, 2.0f, 4.0f};

    ScanCorrectionFolder();
    ~ScanCorrectionFolder();
    ScanCorrectionFolder(const ScanCorrectionFolder&) = delete;
    ScanCorrectionFolder& operator=(const ScanCorrectionFolder&) = delete;

    static float Factor(int row, int cell) { return kRowBase[row] + 0.1f * static_cast<float>(cell); }

private:
    void Write(const std::filesystem::path& relative, const std::string& text) const;

    std::filesystem::path m_path;
    std::string m_previousFolder;
    std::string m_previousHead;
};

} // namespace orv::testing
