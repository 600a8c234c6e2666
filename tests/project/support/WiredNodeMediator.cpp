#include "tests/project/support/WiredNodeMediator.h"

#include "core/QDataReader.h"
#include "core/QDataWriter.h"

namespace orv::wiring {

void WiredNodeMediator::WriteData(QDataWriter& writer) {
    writer.WriteU32(0);
}

void WiredNodeMediator::ReadData(QDataReader& reader) {
    reader.ReadU32();
}

std::unique_ptr<QNodeMediator> MakeWiredMediator() {
    return std::make_unique<WiredNodeMediator>();
}

} // namespace orv::wiring
