#pragma once

#include "core/QProbeScanPattern.h"

#include <cstdint>

namespace orv {

class QNodeMediator;

// What the command handlers of a node's tree item and views need to decide which commands are
// available: made by the node for its mediator, kept by that mediator and refreshed whenever scan
// data is released.
struct QNodeCommandState {
    explicit QNodeCommandState(QNodeMediator* mediator) : m_pMediator(mediator) {}

    // The truncated attenuator value in force when the state was last refreshed.
    int32_t m_attenuatorValue = 0;
    QNodeMediator* m_pMediator = nullptr;
    QProbeScanPattern m_firstPattern;
    QProbeScanPattern m_secondPattern;
    uint8_t m_commandsEnabled = 0;
};

} // namespace orv
