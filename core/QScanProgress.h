#pragma once

#include <atomic>
#include <cstdint>

namespace orv {

// How far a multi-step run has come. The scan workflow writes it from its threads and the main frame
// reads the percentage on the user-interface thread, so every field is atomic.
class QScanProgress {
public:
    QScanProgress() = default;
    QScanProgress(const QScanProgress&) = delete;
    QScanProgress& operator=(const QScanProgress&) = delete;

    // weight x 100 x steps done / step count, truncated; 0 while the step count is 0.
    int32_t GetPercent() const;

    void AdvanceStep() { m_stepsDone.fetch_add(1); }
    void SetStepsDone(int32_t steps) { m_stepsDone.store(steps); }
    void SetStepCount(int32_t steps) { m_stepCount.store(steps); }
    void SetWeight(float weight) { m_weight.store(weight); }
    void SetFlag(uint8_t flag) { m_flag.store(flag); }

    int32_t GetStepsDone() const { return m_stepsDone.load(); }
    int32_t GetStepCount() const { return m_stepCount.load(); }
    float GetWeight() const { return m_weight.load(); }
    uint8_t GetFlag() const { return m_flag.load(); }

private:
    std::atomic<int32_t> m_stepsDone{0};
    std::atomic<int32_t> m_stepCount{0};
    std::atomic<float> m_weight{0.0f};
    std::atomic<uint8_t> m_flag{0};
};

// The one progress record, made zeroed on first use.
QScanProgress& GetScanProgress();
// Frees the record (the main frame, at exit, after the workers have stopped); a later
// GetScanProgress makes a new one.
void DestroyScanProgress();

} // namespace orv
