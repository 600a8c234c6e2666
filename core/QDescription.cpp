#include "core/QDescription.h"

#include <cstddef>

namespace orv {

namespace {

// Texts 19 and 20 are stored in swapped order: the index of the text at each stored position.
constexpr std::array<size_t, QDescriptionRecord::kTextCount> kStoredOrder{
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 19, 18};

} // namespace

void QDescription::SetTexts(const QDescriptionRecord& record) {
    for (int number = 1; number <= QDescriptionRecord::kTextCount; ++number) {
        m_texts[static_cast<size_t>(number - 1)] = record.GetText(number);
    }
}

QDescriptionRecord QDescription::GetTexts() const {
    QDescriptionRecord record;
    for (int number = 1; number <= QDescriptionRecord::kTextCount; ++number) {
        record.SetText(number, m_texts[static_cast<size_t>(number - 1)]);
    }
    return record;
}

std::string QDescription::GetText(int number) const {
    if (number < 1 || number > QDescriptionRecord::kTextCount) {
        return {};
    }
    return m_texts[static_cast<size_t>(number - 1)];
}

void QDescription::SetText(int number, std::string text) {
    if (number >= 1 && number <= QDescriptionRecord::kTextCount) {
        m_texts[static_cast<size_t>(number - 1)] = std::move(text);
    }
}

void QDescription::WriteBody(QDataWriter& writer) const {
    for (const size_t index : kStoredOrder) {
        WriteString(writer, m_texts[index]);
    }
}

void QDescription::ReadBody(QDataReader& reader) {
    std::array<std::string, QDescriptionRecord::kTextCount> texts;
    for (const size_t index : kStoredOrder) {
        ReadString(reader, texts[index]);
    }
    m_texts.swap(texts);
}

uint32_t QDescription::GetBodySize() const {
    uint32_t size = 0;
    for (const std::string& text : m_texts) {
        size += 4 + static_cast<uint32_t>(text.size());
    }
    return size;
}

} // namespace orv
