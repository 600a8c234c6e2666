#include "tests/scandata/support/ScanRecordFixtures.h"

#include "analyzers/CInstrumentInfo.h"
#include "core/QCorrectionData.h"
#include "core/QManagers.h"
#include "core/QScanHeadInfo.h"
#include "platform/CLocale.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace orv::testing {

namespace fs = std::filesystem;

std::vector<uint8_t> SizedFrameBytes(const QSerializable& object) {
    std::vector<uint8_t> out(object.GetSerializedSize());
    QCharArrayDataWriter writer(out.data(), static_cast<uint32_t>(out.size()));
    object.Serialize(writer);
    EXPECT_EQ(writer.GetBytesWritten(), out.size());
    return out;
}

std::vector<uint8_t> SizedBodyBytes(const QSerializable& object) {
    std::vector<uint8_t> out(object.GetBodySize());
    QCharArrayDataWriter writer(out.data(), static_cast<uint32_t>(out.size()));
    object.WriteBody(writer);
    EXPECT_EQ(writer.GetBytesWritten(), out.size());
    return out;
}

void ReadFrame(QSerializable& object, const std::vector<uint8_t>& bytes) {
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    object.Deserialize(reader);
    EXPECT_EQ(reader.GetRemaining(), 0U);
}

void ReadBody(QSerializable& object, const std::vector<uint8_t>& bytes) {
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    object.ReadBody(reader);
    EXPECT_EQ(reader.GetRemaining(), 0U);
}

Bytes& Bytes::U8(uint8_t v) {
    m_bytes.push_back(v);
    return *this;
}

Bytes& Bytes::U16(uint16_t v) {
    m_bytes.push_back(static_cast<uint8_t>(v));
    m_bytes.push_back(static_cast<uint8_t>(v >> 8));
    return *this;
}

Bytes& Bytes::U32(uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) {
        m_bytes.push_back(static_cast<uint8_t>(v >> shift));
    }
    return *this;
}

Bytes& Bytes::F32(float v) {
    uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return U32(bits);
}

CompensationSwitchGuard::CompensationSwitchGuard()
    : m_spectral(QCorrectionData::IsSpectralCompensationOn()),
      m_spatial(QCorrectionData::IsSpatialCompensationOn()),
      m_threshold(QCorrectionData::GetSpatialCompensationThreshold()) {}

CompensationSwitchGuard::~CompensationSwitchGuard() {
    QCorrectionData::SetSpectralCompensationOn(m_spectral);
    QCorrectionData::SetSpatialCompensationOn(m_spatial);
    QCorrectionData::SetSpatialCompensationThreshold(m_threshold);
}

ScanCorrectionFolder::ScanCorrectionFolder() {
    static std::atomic<int> counter{0};
    m_path = fs::temp_directory_path() /
             ("orv-scan-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
    fs::remove_all(m_path);
    fs::create_directories(m_path);

    auto& heads = GetScanHeadInfoManager();
    constexpr int32_t kHeadId = 9701;
    if (heads.Find(kHeadId) == nullptr) {
        heads.Insert(std::make_unique<QScanHeadInfo>(kHead, kHeadId, 10.0f, 1500.0f, 2, 3, 0, 0, 100U));
    }
    const std::string dir = std::string("correctiondata/") + kHead + "/";
    Write(dir + "correctionfile.txt", "10.0\n3\n1,100.0,row1.txt\n2,200.0,row2.txt\n3,400.0,row3.txt\n");
    for (int r = 0; r < 3; ++r) {
        std::string rows;
        for (int k = 0; k < 6; ++k) {
            rows += FormatC("%.1f\n", static_cast<double>(Factor(r, k)));
        }
        Write(dir + "row" + std::to_string(r + 1) + ".txt", rows);
    }
    m_previousFolder = GetInstrumentInfo().GetApplicationFolder();
    m_previousHead = GetInstrumentInfo().GetScanHeadText();
    GetInstrumentInfo().SetApplicationFolder(m_path.string());
    GetInstrumentInfo().SetScanHeadText(std::string(kHead) + ",2,3");
}

ScanCorrectionFolder::~ScanCorrectionFolder() {
    GetInstrumentInfo().SetApplicationFolder(m_previousFolder);
    GetInstrumentInfo().SetScanHeadText(m_previousHead);
    std::error_code error;
    fs::remove_all(m_path, error);
}

void ScanCorrectionFolder::Write(const fs::path& relative, const std::string& text) const {
    const fs::path path = m_path / relative;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        throw std::runtime_error("cannot write fixture " + path.string());
    }
}

} // namespace orv::testing
