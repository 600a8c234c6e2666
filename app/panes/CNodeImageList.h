#pragma once

// The pictures of the project tree's items, 16 x 16, at the tree's image indexes: 0 the project,
// 1 spectral, 2 spatial, 3 spectral/spatial, 4 hand-held probe, 5 spectral comparison, 6 spectral
// overlay, 7 spatial comparison, 8 blind-spot reduction, 9 module, 10 report generator, 11
// scripting. Drawn by the program itself.

#include <QIcon>

#include <cstdint>
#include <vector>

namespace orv {

class CNodeImageList {
public:
    static constexpr int kImageCount = 12;
    static constexpr int kImageSize = 16;

    // The set, made once on the user-interface thread.
    static const CNodeImageList& Instance();

    // The image of a node kind; -1 for kinds without one (2007, the root, has 0).
    static int32_t ImageOfKind(uint16_t kind);

    // A null icon for an index outside the set.
    QIcon Icon(int32_t index) const;

private:
    CNodeImageList();
    std::vector<QIcon> m_icons;
};

} // namespace orv
