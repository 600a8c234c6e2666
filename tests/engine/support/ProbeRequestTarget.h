#pragma once

// The main frame's side of the hand-held runner's requests (message 10101) for tests: answers each
// cell request from a script and fills each position request from a script of positions.

#include "engine/runners/HandHeldProbeScan.h"
#include "platform/msg/MessageTarget.h"

#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace orv::test {

class ProbeRequestTarget final : public MessageTarget {
public:
    explicit ProbeRequestTarget(MessageThread& thread) : MessageTarget(thread) {}

    // Answers to the cell requests, in order; 0 once they run out.
    std::deque<int64_t> goAheads;
    // Positions for the position requests, in order; once they run out `onPositionsDone` runs and
    // nothing is tracked.
    std::deque<HandHeldProbePosition> positions;
    std::function<void()> onPositionsDone;
    // The cells asked about, and how many positions were asked.
    std::vector<std::pair<int64_t, int64_t>> cellRequests;
    int positionRequests = 0;

protected:
    int64_t HandleMessage(Message& message) override {
        if (message.id != HandHeldProbeScan::kProbeRequestMessage) {
            return 0;
        }
        if (static_cast<int64_t>(message.wParam) == HandHeldProbeScan::kPositionRequest) {
            ++positionRequests;
            auto* record = reinterpret_cast<HandHeldProbePosition*>(static_cast<intptr_t>(message.lParam));
            if (positions.empty()) {
                *record = HandHeldProbePosition{};
                if (onPositionsDone) {
                    onPositionsDone();
                }
            } else {
                *record = positions.front();
                positions.pop_front();
            }
            return 0;
        }
        cellRequests.emplace_back(static_cast<int64_t>(message.wParam), message.lParam);
        if (goAheads.empty()) {
            return HandHeldProbeScan::kMeasureCell;
        }
        const int64_t answer = goAheads.front();
        goAheads.pop_front();
        return answer;
    }
};

} // namespace orv::test
