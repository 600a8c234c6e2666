#pragma once

#include <cstdint>

namespace orv {

class QOptionMediator;
class QOptions;
class QScanOptions;
class QProbeScanPatternOptions;
class QSpectralDisplayOptions;
class QSpatialDisplayOptions;
class QAttenuatorOptions;
class QSSSpectralViewOptions;
class QSSSpatialViewOptions;

// What an option object may ask of the node that owns it and of the ancestor nodes it follows.
// The project node implements it; option code never sees more of a node than this.
class QOptionNode {
public:
    QOptionNode() = default;
    QOptionNode(const QOptionNode&) = delete;
    QOptionNode& operator=(const QOptionNode&) = delete;
    virtual ~QOptionNode();

    // The node kind: the type id of the node's frame (2000 to 2033).
    virtual uint16_t GetNodeTypeId() const = 0;
    // The node's own mediator; null before the factory has given it one.
    virtual QOptionMediator* GetMediator() const = 0;

    // The node's option members. Every node carries every kind, so none of these is null on a
    // real node.
    virtual QScanOptions* GetScanOptions() = 0;
    virtual QProbeScanPatternOptions* GetFirstProbePatternOptions() = 0;
    virtual QProbeScanPatternOptions* GetSecondProbePatternOptions() = 0;
    virtual QSpectralDisplayOptions* GetSpectralDisplayOptions() = 0;
    virtual QSpatialDisplayOptions* GetSpatialDisplayOptions() = 0;
    virtual QAttenuatorOptions* GetAttenuatorOptions() = 0;
    virtual QSSSpectralViewOptions* GetSSSpectralViewOptions() = 0;
    virtual QSSSpatialViewOptions* GetSSSpatialViewOptions() = 0;
    // The overlay options belong to the overlay side; the node hands them out as plain options so
    // that they can be synchronised with the others.
    virtual QOptions* GetOverlayOptions() = 0;
};

} // namespace orv
