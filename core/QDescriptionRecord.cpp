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
    Text(2) = FormatC("%5.3f", static_cast<double>(mhz)) + " MHz";
}

void QDescriptionRecord::SetResolutionBandwidth(float mhz) {
    const float hz = static_cast<float>(static_cast<double>(mhz) * 1000000.0);
    std::string text = FormatC("%17.3f", static_cast<double>(hz));
    const size_t first = text.find_first_not_of(' ');
    text.erase(0, first == std::string::npos ? text.size() : first);
    const size_t length = text.size();
    if (length < 8) {
        Text(3) = text + " Hz";
    } else if (length <= 10) {
        Text(3) = FormatC("%11.3f", static_cast<double>(hz / 1000.0F)) + " KHz";
    } else {
        Text(3) = FormatC("%8.3f", static_cast<double>(hz / 1000000.0F)) + " MHz";
    }
}

void QDescriptionRecord::SetFrequencySpan(float mhz) {
    Text(4) = FormatC("%5.3f", static_cast<double>(mhz)) + " MHz";
}

void QDescriptionRecord::SetReferenceLevel(float dbuv) {
    Text(5) = FormatC("%3.1f", static_cast<double>(dbuv)) + " dBuV";
}

void QDescriptionRecord::SetLevelRange(float low, float high, int unit) {
    std::string text =
        FormatC("%3.1f", static_cast<double>(low)) + " to " + FormatC("%3.1f", static_cast<double>(high));
    if (unit == 1) {
        text += " dBuV";
    } else if (unit == 2) {
        text += " dBm";
    }
    Text(6) = std::move(text);
}

void QDescriptionRecord::SetValuesPerPoint(int32_t count) {
    Text(7) = FormatC("%d", count);
}

void QDescriptionRecord::SetPointsCells(int32_t cells) {
    Text(8) = FormatC("%d", cells) + " cells";
}

void QDescriptionRecord::SetPointsCellsAndPoints(int32_t cells, int32_t points) {
    Text(8) = FormatC("%d", cells) + " cells, " + FormatC("%d", points) + " points";
}

QDescriptionRecord::QDescriptionRecord(const QDescriptionRecord& other)
    : m_texts(other.m_texts != nullptr ? std::make_unique<Texts>(*other.m_texts) : nullptr) {}

QDescriptionRecord& QDescriptionRecord::operator=(const QDescriptionRecord& other) {
    if (this != &other) {
        m_texts = other.m_texts != nullptr ? std::make_unique<Texts>(*other.m_texts) : nullptr;
    }
    return *this;
}

std::string& QDescriptionRecord::Text(size_t index) {
    if (m_texts == nullptr) {
        m_texts = std::make_unique<Texts>();
    }
    return (*m_texts)[index];
}

void QDescriptionRecord::SetText(int number, std::string text) {
    if (IsTextNumber(number)) {
        Text(static_cast<size_t>(number - 1)) = std::move(text);
    }
}

std::string QDescriptionRecord::GetText(int number) const {
    return IsTextNumber(number) ? Held(static_cast<size_t>(number - 1)) : std::string();
}

} // namespace orv
