#include "tests/engine/support/EngineCommandRig.h"

#include "engine/CEngineContext.h"

#include <cstring>

namespace orv::test {

Bytes DriverCommand(uint32_t code) {
    Bytes body = LittleEndian32(code);
    body.resize(16, 0);
    return Frame(4, body);
}

Bytes AnalyzerSetupBody(float rbw, float centre, float span) {
    Bytes body = SetupBody({.scanType = 99});
    const std::size_t tail = SetupTail(2, 3);
    const auto put = [&body, tail](std::size_t offset, float value) {
        std::memcpy(body.data() + tail + offset, &value, sizeof value);
    };
    put(kRbw, rbw);
    put(kCentre, centre);
    put(kSpan, span);
    return body;
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
