#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace orv {

// The working copy of a scan description's twenty texts, with setters that format the numeric ones.
// Texts are numbered 1 to 20; numbers are formatted in the C locale whatever the user's locale.
class QDescriptionRecord {
public:
    static constexpr int kTextCount = 20;

    QDescriptionRecord() = default;

    // Text 1.
    void SetDate(std::string text) { m_texts[0] = std::move(text); }
    std::string GetDate() const { return m_texts[0]; }
    // Text 2.
    void SetUserText(std::string text) { m_texts[1] = std::move(text); }
    std::string GetUserText() const { return m_texts[1]; }
    // Text 3: "%5.3f MHz".
    void SetCenterFrequency(float mhz);
    std::string GetCenterFrequency() const { return m_texts[2]; }
    // Text 4: Hz, KHz or MHz by the size of the value.
    void SetResolutionBandwidth(float mhz);
    std::string GetResolutionBandwidth() const { return m_texts[3]; }
    // Text 5: "%5.3f MHz".
    void SetFrequencySpan(float mhz);
    std::string GetFrequencySpan() const { return m_texts[4]; }
    // Text 6: "%3.1f dBuV".
    void SetReferenceLevel(float dbuv);
    std::string GetReferenceLevel() const { return m_texts[5]; }
    // Text 7: "low to high" then " dBuV" (unit 1), " dBm" (unit 2) or nothing.
    void SetLevelRange(float low, float high, int unit);
    std::string GetLevelRange() const { return m_texts[6]; }
    // Text 8.
    void SetValuesPerPoint(int32_t count);
    std::string GetValuesPerPoint() const { return m_texts[7]; }
    // Text 9: "n cells" or "n cells, m points".
    void SetPointsCells(int32_t cells);
    void SetPointsCellsAndPoints(int32_t cells, int32_t points);
    std::string GetPointsCells() const { return m_texts[8]; }
    // Text 10.
    void SetScanHead(std::string text) { m_texts[9] = std::move(text); }
    std::string GetScanHead() const { return m_texts[9]; }
    // Text 11.
    void SetAnalyzer(std::string text) { m_texts[10] = std::move(text); }
    std::string GetAnalyzer() const { return m_texts[10]; }
    // Text 12: "On" or "Off".
    void SetPeakHold(bool on) { m_texts[11] = on ? "On" : "Off"; }
    std::string GetPeakHold() const { return m_texts[11]; }

    // Texts 1 to 20 by number, for the plain texts 13 to 20 and for copying whole records.
    void SetText(int number, std::string text);
    std::string GetText(int number) const;

private:
    std::array<std::string, kTextCount> m_texts;
};

} // namespace orv
