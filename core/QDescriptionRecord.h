#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orv {

// The working copy of a scan description's twenty texts, with setters that format the numeric ones.
// Texts are numbered 1 to 20; numbers are formatted in the C locale whatever the user's locale.
// The texts take memory only once one is set, and Clear gives it back: every scan holds a record,
// and a scan kept out of memory gives its texts back until it is prepared again.
class QDescriptionRecord {
public:
    static constexpr int kTextCount = 20;

    QDescriptionRecord() = default;
    QDescriptionRecord(const QDescriptionRecord& other);
    QDescriptionRecord& operator=(const QDescriptionRecord& other);
    QDescriptionRecord(QDescriptionRecord&&) noexcept = default;
    QDescriptionRecord& operator=(QDescriptionRecord&&) noexcept = default;
    ~QDescriptionRecord() = default;

    // Every text empty again, and their memory given back.
    void Clear() { m_texts.reset(); }
    bool IsEmpty() const { return m_texts == nullptr; }

    // Text 1.
    void SetDate(std::string text) { Text(0) = std::move(text); }
    std::string GetDate() const { return Held(0); }
    // Text 2.
    void SetUserText(std::string text) { Text(1) = std::move(text); }
    std::string GetUserText() const { return Held(1); }
    // Text 3: "%5.3f MHz".
    void SetCenterFrequency(float mhz);
    std::string GetCenterFrequency() const { return Held(2); }
    // Text 4: Hz, KHz or MHz by the size of the value.
    void SetResolutionBandwidth(float mhz);
    std::string GetResolutionBandwidth() const { return Held(3); }
    // Text 5: "%5.3f MHz".
    void SetFrequencySpan(float mhz);
    std::string GetFrequencySpan() const { return Held(4); }
    // Text 6: "%3.1f dBuV".
    void SetReferenceLevel(float dbuv);
    std::string GetReferenceLevel() const { return Held(5); }
    // Text 7: "low to high" then " dBuV" (unit 1), " dBm" (unit 2) or nothing.
    void SetLevelRange(float low, float high, int unit);
    std::string GetLevelRange() const { return Held(6); }
    // Text 8.
    void SetValuesPerPoint(int32_t count);
    std::string GetValuesPerPoint() const { return Held(7); }
    // Text 9: "n cells" or "n cells, m points".
    void SetPointsCells(int32_t cells);
    void SetPointsCellsAndPoints(int32_t cells, int32_t points);
    std::string GetPointsCells() const { return Held(8); }
    // Text 10.
    void SetScanHead(std::string text) { Text(9) = std::move(text); }
    std::string GetScanHead() const { return Held(9); }
    // Text 11.
    void SetAnalyzer(std::string text) { Text(10) = std::move(text); }
    std::string GetAnalyzer() const { return Held(10); }
    // Text 12: "On" or "Off".
    void SetPeakHold(bool on) { Text(11) = on ? "On" : "Off"; }
    std::string GetPeakHold() const { return Held(11); }

    // Texts 1 to 20 by number, for the plain texts 13 to 20 and for copying whole records.
    void SetText(int number, std::string text);
    std::string GetText(int number) const;

private:
    using Texts = std::array<std::string, kTextCount>;

    // The text at `index` (0-based), made writable: the texts are made on the first write.
    std::string& Text(size_t index);
    std::string Held(size_t index) const { return m_texts != nullptr ? (*m_texts)[index] : std::string(); }

    std::unique_ptr<Texts> m_texts;
};

} // namespace orv
