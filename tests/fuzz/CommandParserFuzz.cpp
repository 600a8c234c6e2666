// Fuzz entry for the engine's command parser: any byte stream on the command channel, in reads of
// any size, must end in replies that are whole frames of known ids, never a crash, an overrun or a
// frame stuck in the buffer. The engine runs without devices and without its threads; a go starts
// the scan thread on the base runner.
#include "engine/CScanRunnerTable.h"
#include "engine/CSocketCommandEngine.h"
#include "engine/CSocketDataEngine.h"
#include "engine/CTransferPipe.h"
#include "engine/ScanStopFlag.h"
#include "engine/SetupScan.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orv;
    // The two pipes (1.2 MB of queues) and the reply sink are made once for the run: making them for
    // every input cost more than the parsing itself. Each input starts from empty pipes.
    static CTransferPipe pipe;
    static CTransferPipe dataPipe;
    static std::vector<uint8_t> sink(CTransferPipe::kQueueBytes);
    while (pipe.ReadFromEngine(sink.data(), sink.size()) > 0 ||
           dataPipe.ReadFromEngine(sink.data(), sink.size()) > 0 ||
           pipe.ReadFromClient(sink.data(), sink.size()) > 0 ||
           dataPipe.ReadFromClient(sink.data(), sink.size()) > 0) {
    }
    SetupScan setup;
    ScanStopFlag stopFlag;
    CSocketDataEngine dataEngine;
    dataEngine.SetChannel(&dataPipe);
    CScanRunnerTable runners;
    CEngineContext context;
    context.setup = &setup;
    context.stopFlag = &stopFlag;
    context.data = &dataEngine;
    context.runners = &runners;
    std::vector<uint8_t> replies;
    {
        CSocketCommandEngine engine(context);
        engine.SetChannel(&pipe);
        // The first byte chooses the read size, so frames get cut at every place.
        const std::size_t piece = size == 0 ? 1 : 1 + data[0] % 97;
        for (std::size_t at = 0; at < size; at += piece) {
            pipe.WriteToEngine(data + at, std::min(piece, size - at));
            while (engine.Poll()) {
            }
            const std::size_t n = pipe.ReadFromEngine(sink.data(), sink.size());
            replies.insert(replies.end(), sink.begin(), sink.begin() + static_cast<std::ptrdiff_t>(n));
        }
    }
    // Every reply is a whole frame with a known id and a body of the size its id gives.
    std::size_t at = 0;
    while (at < replies.size()) {
        if (replies.size() - at < 9 || replies[at] != 0x2A) {
            __builtin_trap();
        }
        uint16_t id = 0;
        uint32_t body = 0;
        std::memcpy(&id, replies.data() + at + 3, 2);
        std::memcpy(&body, replies.data() + at + 5, 4);
        if (replies.size() - at - 9 < body) {
            __builtin_trap();
        }
        const bool sized = (id == 1 && body >= 98 && (body - 98) % 3 == 0) || (id == 2 && body == 1) ||
                           ((id == 3 || id == 6 || id == 9) && body == 0) ||
                           ((id == 4 || id == 8) && body == 16) ||
                           ((id == 5 || id == 7 || id == 10) && body == 4) || (id == 4003 && body == 4);
        if (!sized) {
            __builtin_trap();
        }
        at += 9 + body;
    }
    return 0;
}
