#pragma once

#include "project/COverlayControl.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

class QDataReader;
class QDataWriter;

// The PCB overlays of an open project, in list order, as the project window keeps them and the
// project file stores them (after the program version).
class QOverlayControlList {
public:
    QOverlayControlList() = default;
    QOverlayControlList(const QOverlayControlList&) = delete;
    QOverlayControlList& operator=(const QOverlayControlList&) = delete;

    std::vector<std::unique_ptr<COverlayControl>>& GetControls() { return m_controls; }
    const std::vector<std::unique_ptr<COverlayControl>>& GetControls() const { return m_controls; }
    // At the end, or first when atFront.
    void Add(std::unique_ptr<COverlayControl> control, bool atFront);
    void Clear() { m_controls.clear(); }
    // Exchanges the controls of the two lists: a load reads into a list of its own and installs it
    // only when the whole project was read.
    void Swap(QOverlayControlList& other) noexcept { m_controls.swap(other.m_controls); }

    // The stored list: a 32-bit count, then per control its source kind, overlay id and source file
    // size and its data (kinds 0 and 1: a 32-bit length and the bytes; kind 2: width, height, bytes
    // per pixel and the pixels). The data block is written only when its size is above 0.
    void WriteOverlayControls(QDataWriter& writer) const;
    // Appends a control per entry that carries data; entries without data are read and dropped. An
    // unknown source kind, a pixel size that overflows or a size beyond the bytes that remain is a
    // corrupt project ("Error#317"); the list is then as it was.
    void ReadOverlayControls(QDataReader& reader);

private:
    std::vector<std::unique_ptr<COverlayControl>> m_controls;
};

} // namespace orv
