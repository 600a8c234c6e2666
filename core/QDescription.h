#pragma once

#include "core/QDescriptionRecord.h"
#include "core/QSerializable.h"
#include "core/TypeIds.h"

#include <array>
#include <string>

namespace orv {

// The stored free-text description of a scan: twenty texts. Texts 19 and 20 are stored in swapped
// order by writer and reader alike.
class QDescription : public QSerializable {
public:
    QDescription() = default;

    void SetTexts(const QDescriptionRecord& record);
    QDescriptionRecord GetTexts() const;

    // Text 1 to 20 by number; an unknown number gives an empty text and sets nothing.
    std::string GetText(int number) const;
    void SetText(int number, std::string text);

    void WriteBody(QDataWriter& writer) const override;
    // Reads all twenty texts before replacing any: a failed read leaves the description as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeDescription; }
    // The sum over the twenty texts of 4 + length.
    uint32_t GetBodySize() const override;

private:
    std::array<std::string, QDescriptionRecord::kTextCount> m_texts;
};

} // namespace orv
