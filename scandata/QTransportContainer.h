#pragma once

namespace orv {

class QDataPacket;
class QDescription;
class QHandHeldProbeScan;
class QMeasuredFrequencyData;
class QSetupScanCommand;
class QSpatialScan;
class QSpectralSpatialScanComponent;
class QTerminator;

// The records that one scan step delivers to a node, on their way from the engine link to the
// node's scan container. It owns what it holds: whatever the container does not take out is freed
// with it. Storing null detaches a record without freeing it (the taker then owns it); storing a
// different record frees the one held before.
class QTransportContainer {
public:
    QTransportContainer() = default;
    QTransportContainer(const QTransportContainer&) = delete;
    QTransportContainer& operator=(const QTransportContainer&) = delete;
    ~QTransportContainer();

    QSpatialScan* GetSpatialScan() const { return m_SpatialScan; }
    // A spectral scan record or one of the spectral family (ambient, near-field, far-field,
    // antenna position).
    QDataPacket* GetSpectralScan() const { return m_SpectralScan; }
    QSpectralSpatialScanComponent* GetSpectralSpatialScanComponent() const {
        return m_SpectralSpatialScanComponent;
    }
    QHandHeldProbeScan* GetHandHeldProbeScan() const { return m_HandHeldProbeScan; }
    QSetupScanCommand* GetSetupScanCommand() const { return m_SetupScanCommand; }
    QMeasuredFrequencyData* GetMeasuredFrequencyData() const { return m_MeasuredFrequencyData; }
    QDescription* GetDescription() const { return m_Description; }
    QTerminator* GetTerminator() const { return m_Terminator; }

    void SetSpatialScan(QSpatialScan* record);
    void SetSpectralScan(QDataPacket* record);
    void SetSpectralSpatialScanComponent(QSpectralSpatialScanComponent* record);
    void SetHandHeldProbeScan(QHandHeldProbeScan* record);
    void SetSetupScanCommand(QSetupScanCommand* command);
    void SetMeasuredFrequencyData(QMeasuredFrequencyData* record);
    void SetDescription(QDescription* description);
    void SetTerminator(QTerminator* record);

private:
    QSpatialScan* m_SpatialScan = nullptr;
    QDataPacket* m_SpectralScan = nullptr;
    QSpectralSpatialScanComponent* m_SpectralSpatialScanComponent = nullptr;
    QHandHeldProbeScan* m_HandHeldProbeScan = nullptr;
    QSetupScanCommand* m_SetupScanCommand = nullptr;
    QMeasuredFrequencyData* m_MeasuredFrequencyData = nullptr;
    QDescription* m_Description = nullptr;
    QTerminator* m_Terminator = nullptr;
};

} // namespace orv
