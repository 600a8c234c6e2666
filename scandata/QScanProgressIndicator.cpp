#include "scandata/QScanProgressIndicator.h"

namespace orv {

void QScanProgressIndicator::WriteBody(QDataWriter& writer) const {
    writer.WriteU16(m_Row);
    writer.WriteU16(m_Column);
    writer.WriteU16(m_Value);
    writer.WriteU16(m_Kind);
    writer.WriteU16(m_SubKind);
    writer.WriteU8(m_Flag);
    writer.WriteU16(m_Total);
    writer.WriteU16(m_Done);
}

void QScanProgressIndicator::ReadBody(QDataReader& reader) {
    QScanProgressIndicator read;
    read.m_Row = reader.ReadU16();
    read.m_Column = reader.ReadU16();
    read.m_Value = reader.ReadU16();
    read.m_Kind = reader.ReadU16();
    read.m_SubKind = reader.ReadU16();
    read.m_Flag = reader.ReadU8();
    read.m_Total = reader.ReadU16();
    read.m_Done = reader.ReadU16();
    m_Row = read.m_Row;
    m_Column = read.m_Column;
    m_Value = read.m_Value;
    m_Kind = read.m_Kind;
    m_SubKind = read.m_SubKind;
    m_Flag = read.m_Flag;
    m_Total = read.m_Total;
    m_Done = read.m_Done;
}

} // namespace orv
