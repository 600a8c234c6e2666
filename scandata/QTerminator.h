#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"

#include <cstdint>

namespace orv {

// The record that ends a scan; its one value tells how the scan ended.
class QTerminator : public QDataPacket {
public:
    QTerminator() = default;
    explicit QTerminator(int32_t endValue) : m_EndValue(endValue) {}

    int32_t GetErrorCode() const { return m_EndValue; }
    void SetErrorCode(int32_t endValue) { m_EndValue = endValue; }

    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeTerminator; }
    uint32_t GetBodySize() const override { return 4; }
    bool DeliverToHandler(QDataPacketHandler* /*target*/) override { return false; }

private:
    int32_t m_EndValue = 0;
};

} // namespace orv
