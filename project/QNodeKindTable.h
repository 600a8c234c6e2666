#pragma once

#include <cstdint>
#include <initializer_list>

namespace orv {

// What a node kind answers without looking at its data: the tree image, the view it opens, its run
// rules, how it links, which views it asks for, what it does with the command set, how its scans
// are stored and which children it takes.
struct QNodeKindTraits {
    enum class LinkMode : uint8_t {
        None,      // 0 whatever the arguments
        ByWord,    // 1 when the word argument is non-zero, else 0
        Reference, // 2 whatever the arguments
    };
    enum class Commands : uint8_t { Unchanged, Enable, Disable };
    enum class ScanStorage : uint8_t {
        None,
        Spectral,
        Spatial,         // loading reprocesses the spatial scan under the node's lock
        SpectralSpatial, // loading shows the wait cursor
        Cable,
        ClampModule, // stores and loads nothing (its data travel in the node body); the load shows
                     // the wait cursor all the same
    };
    // View request bits.
    static constexpr uint8_t kSpectralView = 1;
    static constexpr uint8_t kSpatialView = 2;
    static constexpr uint8_t kNoteView = 4;
    static constexpr uint8_t kOverlayView = 8;

    uint16_t kind;
    int32_t image;
    int32_t viewKind;
    bool runnable;
    bool continuous;
    LinkMode linkMode;
    uint8_t views;
    Commands commands;
    ScanStorage storage;
    // The kinds of child accepted; a child of the node's own kind only for the two grouping kinds
    // that apply the ancestor rule.
    std::initializer_list<uint16_t> children;
    // Module and Spectral Spatial Scripting: a child of the own kind must not be the node itself
    // or one of its ancestors below the Project node.
    bool ancestorRule;
};

// Null for a type that is no node kind.
const QNodeKindTraits* FindNodeKindTraits(uint16_t kind);

} // namespace orv
