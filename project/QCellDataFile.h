#pragma once

#include <cstdint>
#include <string>

namespace orv {

class QSpectralSpatialScanContainer;

// The data file of a spectral/spatial (or hand-held) container: the last spectrum of every cell,
// which is what the node's scan file holds byte for byte. The file is written and read through a
// shared memory mapping; a write reaches the disk (msync) before it returns, so the file can be
// copied straight away.
//
// Layout, little-endian: the stored-file version 11 (u32), the cell grid's rows and columns (u32
// each), the number of cell records (u32), then per record its row and column (u16 each), its point
// count (u32) and that many amplitudes in tenths (i16), in row-major cell order.
class QCellDataFile {
public:
    // Replaces the file with the container's cell records. Failures throw QStorageLayerException
    // naming the file; a failed write leaves no partial file behind.
    static void Write(const std::string& path, const QSpectralSpatialScanContainer& container);

    // Puts the file's records into the container's cell grid, which must have the file's rows and
    // columns. The whole file is checked before the container changes: a short, oversized or
    // inconsistent file throws "Error#317" and leaves the container as it was. Answers the number
    // of records read.
    static uint32_t Read(const std::string& path, QSpectralSpatialScanContainer& container);
};

} // namespace orv
