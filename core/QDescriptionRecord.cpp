#include "core/QDescriptionRecord.h"

#include "platform/CLocale.h"

#include <cstddef>

namespace orv {

namespace {

bool IsTextNumber(int number) {
    return number >= 1 && number <= QDescriptionRecord::kTextCount;
}

} // namespace

void QDescriptionRecord::SetCenterFrequency(float mhz) {
    m_texts[2] = FormatC("%5.3f", static_cast<double>(mhz)) + " MHz";
}

void QDescriptionRecord::SetResolutionBandwidth(float mhz) {
    const float hz = static_cast<float>(static_cast<double>(mhz) * 1000000.0);
    std::string text = FormatC("%17.3f", static_cast<double>(hz));
    const size_t first = text.find_first_not_of(' ');
    text.erase(0, first == std::string::npos ? text.size() : first);
    const size_t length = text.size();
    if (length < 8) {
        m_texts[3] = text + " Hz";
    } else if (length <= 10) {
        m_texts[3] = FormatC("%11.3f", static_cast<double>(hz / 1000.0F)) + " KHz";
    } else {
        m_texts[3] = FormatC("%8.3f", static_cast<double>(hz / 1000000.0F)) + " MHz";
    }
}

void QDescriptionRecord::SetFrequencySpan(float mhz) {
    m_texts[4] = FormatC("%5.3f", static_cast<double>(mhz)) + " MHz";
}

void QDescriptionRecord::SetReferenceLevel(float dbuv) {
    m_texts[5] = FormatC("%3.1f", static_cast<double>(dbuv)) + " dBuV";
}

void QDescriptionRecord::SetLevelRange(float low, float high, int unit) {
    std::string text =
        FormatC("%3.1f", static_cast<double>(low)) + " to " + FormatC("%3.1f", static_cast<double>(high));
    if (unit == 1) {
        text += " dBuV";
    } else if (unit == 2) {
        text += " dBm";
    }
    m_texts[6] = std::move(text);
}

void QDescriptionRecord::SetValuesPerPoint(int32_t count) {
    m_texts[7] = FormatC("%d", count);
}

void QDescriptionRecord::SetPointsCells(int32_t cells) {
    m_texts[8] = FormatC("%d", cells) + " cells";
}

void QDescriptionRecord::SetPointsCellsAndPoints(int32_t cells, int32_t points) {
    m_texts[8] = FormatC("%d", cells) + " cells, " + FormatC("%d", points) + " points";
}

void QDescriptionRecord::SetText(int number, std::string text) {
    if (IsTextNumber(number)) {
        m_texts[static_cast<size_t>(number - 1)] = std::move(text);
    }
}

std::string QDescriptionRecord::GetText(int number) const {
    return IsTextNumber(number) ? m_texts[static_cast<size_t>(number - 1)] : std::string();
}

} // namespace orv
