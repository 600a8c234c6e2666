#pragma once

#include "core/QSerializable.h"
#include "core/TypeIds.h"

#include <cstdint>
#include <map>
#include <vector>

namespace orv {

// One refinement step of a cable scan: a frequency range (MHz) with its centre and a step, to be
// scanned again more finely.
class QFineScanTask : public QSerializable {
public:
    // Two tasks are one task when every frequency differs by less than this (MHz).
    static constexpr double kSameTolerance = 0.0005;

    QFineScanTask() = default;
    QFineScanTask(const QFineScanTask& other);
    // Copies the five fields; the serialisation header stays the target's own.
    QFineScanTask& operator=(const QFineScanTask& other);
    ~QFineScanTask() override;

    bool IsSame(const QFineScanTask& other) const;

    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeFineScanTask; }
    uint32_t GetBodySize() const override { return kBodySize; }

    static constexpr uint32_t kBodySize = 17;

    float m_step = 10.0f;
    float m_startFrequency = 10.0f;
    float m_stopFrequency = 100.0f;
    float m_centerFrequency = 55.0f;
    uint8_t m_active = 1;
};

// The fine-scan plan of a cable scan container: the tasks met so far under their ids, the current
// task, the values noted for new tasks and the table of step fractions.
struct QFineScanPlan {
    QFineScanPlan();

    // The pending values in list order; an empty list gives an empty vector.
    std::vector<float> GetPending() const { return m_pending; }
    void ClearPending() { m_pending.clear(); }

    std::map<uint32_t, QFineScanTask> m_tasks;
    uint32_t m_taskCount = 0;
    QFineScanTask m_current;
    uint32_t m_state1 = 1;
    uint32_t m_state2 = 0;
    int32_t m_index = -1;
    std::vector<float> m_pending;
    std::vector<float> m_stepFractions;
    uint32_t m_done = 0;
};

} // namespace orv
