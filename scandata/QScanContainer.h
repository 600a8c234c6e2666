#pragma once

#include "core/QSerializable.h"

#include <cstdint>
#include <memory>

namespace orv {

class QDescription;
class QFrequencyBucketList;
class QMeasuredFrequencyData;
// The project window's node container (project model); a container only carries it for its node.
class QNodeContainer;
class QProbeScanPattern;
class QScanContainerMediator;
class QSetupScanCommand;
class QSpatialScanInterface;
class QSpectralScanInterface;
class QTransportContainer;

// The scans of one project node, with the set-up they were made with, the measured-frequency table
// and the description. Every node owns exactly one; nodes without scans own a QDummyScanContainer so
// that callers never test for a missing container. Each node kind makes one fixed kind.
//
// The container takes no lock: every access from outside goes through the owning node's lock.
class QScanContainer : public QSerializable {
public:
    // Status bits of TakeTransportContainer.
    static constexpr uint32_t kStatusEnded = 1;
    static constexpr uint32_t kStatusNewSetup = 2;

    QScanContainer();
    QScanContainer(const QScanContainer&) = delete;
    QScanContainer& operator=(const QScanContainer&) = delete;
    ~QScanContainer() override;

    // The base's fields are not part of the stored body.
    void WriteBody(QDataWriter& /*writer*/) const override {}
    void ReadBody(QDataReader& /*reader*/) override {}
    uint32_t GetBodySize() const override { return 0; }
    // A fresh container to read a stored body into before this one takes it over; null for kinds
    // whose whole state is their body. Kinds that hold more (cell records, pictures) answer one, so
    // that a node body refused half-way leaves them untouched.
    virtual std::unique_ptr<QScanContainer> CreateBodyScratch() const { return nullptr; }

    virtual QMeasuredFrequencyData& GetMeasuredFrequencyData();
    virtual QDescription& GetDescription();
    virtual bool HasScanData() const { return m_HasScanData != 0; }
    virtual bool IsStale() const = 0;
    virtual bool IsUpdated() const = 0;
    virtual void ClearUpdated() = 0;
    // Either output may be null. Only the spectral/spatial kinds look at the cell pattern and the
    // frequency-point selection.
    virtual void GetLevelRange(float* low, float* high, const QProbeScanPattern* pattern = nullptr,
                               const QFrequencyBucketList* selection = nullptr) = 0;
    // The set-up's frequency range; either output may be null.
    virtual void GetFrequencyRange(float* start, float* stop) const;
    virtual const QSpectralScanInterface* GetSpectralScan() { return nullptr; }
    virtual const QSpatialScanInterface* GetSpatialScan() { return nullptr; }
    virtual const QSpectralScanInterface* GetSpectralScanForCells(const QProbeScanPattern& /*cells*/) {
        return nullptr;
    }
    virtual const QSpatialScanInterface* GetSpatialScanForCells(const QFrequencyBucketList& /*selection*/) {
        return nullptr;
    }
    virtual const QProbeScanPattern& GetProbeScanPattern() const;
    virtual void StartNewScan() = 0;
    // Takes the one record the kind uses out of the transport container; the rest is freed with it.
    virtual void AddScanData(QTransportContainer& transport, bool mergeMaximum, bool mergeAverage) = 0;
    virtual void ClearScanData() = 0;

    // Takes over one scan step: a new set-up empties the data, an end record hands its value back
    // through endValue (when non-null), and the scan or frequency records go in. The transport
    // container and every record not taken are freed. Returns kStatusEnded | kStatusNewSetup bits.
    uint32_t TakeTransportContainer(std::unique_ptr<QTransportContainer> transport, bool mergeMaximum,
                                    int32_t* endValue, bool mergeAverage);

    QSetupScanCommand& GetSetupScanCommand() { return *m_SetupScanCommand; }
    const QSetupScanCommand& GetSetupScanCommand() const { return *m_SetupScanCommand; }
    bool IsRangeStale() const { return m_RangeStale != 0; }
    void SetRangeStale(bool stale) { m_RangeStale = stale ? 1 : 0; }
    void SetHasScanData(bool hasData) { m_HasScanData = hasData ? 1 : 0; }
    bool IsFrequencyDataTaken() const { return m_FrequencyDataTaken != 0; }

    QScanContainerMediator* GetMediator() const { return m_Mediator; }
    void SetMediator(QScanContainerMediator* mediator) { m_Mediator = mediator; }
    // The node container that made the owning node; the node hands it on whenever its own is set.
    QNodeContainer* GetContext() const { return m_Context; }
    void SetContext(QNodeContainer* context) { m_Context = context; }

protected:
    QNodeContainer* m_Context = nullptr;
    uint8_t m_FrequencyDataTaken = 0;
    uint8_t m_HasScanData = 0;
    // Declared so that destruction frees the set-up command, then the frequency table, then the
    // description.
    std::unique_ptr<QDescription> m_Description;
    // Made once and never replaced: the spectra of the kinds keep pointers to it.
    const std::unique_ptr<QMeasuredFrequencyData> m_MeasuredFrequencyData;
    std::unique_ptr<QSetupScanCommand> m_SetupScanCommand;
    QScanContainerMediator* m_Mediator = nullptr;
    uint8_t m_RangeStale = 1;
};

} // namespace orv
