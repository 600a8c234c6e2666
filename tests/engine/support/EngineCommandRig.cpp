#include "tests/engine/support/EngineCommandRig.h"

#include "engine/CEngineContext.h"

namespace orv::test {

Bytes DriverCommand(uint32_t code) {
    Bytes body = LittleEndian32(code);
    body.resize(16, 0);
    return Frame(4, body);
}

EngineCommandRig::~EngineCommandRig() {
    engine.reset();
}

void EngineCommandRig::CreateManager() {
    data.SetChannel(&dataPipe);
    manager = setup.CreateDeviceManager();
}

void EngineCommandRig::StartEngine() {
    CEngineContext context;
    context.setup = &setup;
    context.stopFlag = &stopFlag;
    context.data = &data;
    context.runners = &runners;
    context.devices = manager;
    engine = std::make_unique<CSocketCommandEngine>(context);
    engine->SetChannel(&pipe);
}

std::vector<ReplyFrame> EngineCommandRig::Exchange(const Bytes& bytes) {
    WriteAll(pipe, bytes);
    while (engine->Poll()) {
    }
    return ReadFrames(pipe, pending);
}

} // namespace orv::test
