#pragma once

#include <optional>

namespace orv {

// What new probe-pattern options ask of the engine's attached scanner driver: the robot arm's
// default probe height. The answer is empty when the driver attached at the time of the call is not
// the robot-arm scanner (or none is attached).
class QArmProbeHeightSource {
public:
    virtual std::optional<float> GetArmDefaultProbeHeight() const = 0;

protected:
    QArmProbeHeightSource() = default;
    QArmProbeHeightSource(const QArmProbeHeightSource&) = default;
    QArmProbeHeightSource& operator=(const QArmProbeHeightSource&) = default;
    ~QArmProbeHeightSource() = default;
};

// The engine registers the source for its attached scanner (not owned; null removes it).
void SetArmProbeHeightSource(const QArmProbeHeightSource* source);
// The registered source's answer; empty without a source.
std::optional<float> GetArmDefaultProbeHeight();

} // namespace orv
