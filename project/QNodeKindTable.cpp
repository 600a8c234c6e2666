#include "project/QNodeKindTable.h"

#include <array>

namespace orv {

namespace {

using T = QNodeKindTraits;
using L = QNodeKindTraits::LinkMode;
using C = QNodeKindTraits::Commands;
using S = QNodeKindTraits::ScanStorage;

constexpr uint8_t kSpectral = T::kSpectralView;
constexpr uint8_t kSpatial = T::kSpatialView;
constexpr uint8_t kNote = T::kNoteView;
constexpr uint8_t kOverlay = T::kOverlayView;

// What the grouping kinds (Module, Project) take.
constexpr std::initializer_list<uint16_t> kGroupChildren = {2001, 2003, 2004, 2005, 2006, 2010,
                                                            2011, 2012, 2013, 2028, 2029, 2030};
constexpr std::initializer_list<uint16_t> kScriptingChildren = {2001, 2003, 2004, 2005, 2006, 2010,
                                                                2011, 2012, 2013, 2014, 2030};
constexpr std::initializer_list<uint16_t> kNoteOnly = {2006};
constexpr std::initializer_list<uint16_t> kNoteAndOverlay = {2006, 2013};
constexpr std::initializer_list<uint16_t> kNothing = {};
constexpr std::initializer_list<uint16_t> kSpectralChildren = {2004, 2006};
constexpr std::initializer_list<uint16_t> kSpectralOnly = {2003};
constexpr std::initializer_list<uint16_t> kSpatialOnly = {2004};
constexpr std::initializer_list<uint16_t> kAmbientOnly = {2018};

// kind, image, view kind, runnable, continuous, link mode, views, commands, storage, children,
// ancestor rule
const std::array<QNodeKindTraits, 28> kKinds = {{
    {2000, -1, 0, false, false, L::None, 0, C::Unchanged, S::None, kNothing, false},
    {2001, 4, 1, false, false, L::ByWord, 0, C::Enable, S::None, kGroupChildren, true},
    {2003, 2, 2, true, true, L::ByWord, kSpectral, C::Enable, S::Spectral, kSpectralChildren, false},
    {2004, 1, 3, true, true, L::ByWord, kSpatial, C::Enable, S::Spatial, kNoteAndOverlay, false},
    {2005, 5, 2, true, false, L::ByWord, kSpectral | kSpatial, C::Enable, S::SpectralSpatial, kNoteAndOverlay,
     false},
    {2006, 3, 4, false, false, L::None, kNote, C::Unchanged, S::None, kNothing, false},
    {2007, 0, 1, false, false, L::ByWord, 0, C::Disable, S::None, kGroupChildren, false},
    {2008, 6, 0, false, false, L::Reference, 0, C::Unchanged, S::None, kSpectralOnly, false},
    {2009, 7, 0, false, false, L::Reference, 0, C::Unchanged, S::None, kSpatialOnly, false},
    {2010, 8, 2, false, false, L::ByWord, kSpectral, C::Enable, S::None, kNoteOnly, false},
    {2011, 9, 3, false, false, L::ByWord, kSpatial, C::Enable, S::None, kNoteAndOverlay, false},
    {2012, 10, 2, false, false, L::ByWord, kSpectral, C::Enable, S::None, kNoteOnly, false},
    {2013, 11, 5, false, false, L::ByWord, kOverlay, C::Unchanged, S::None, kNoteOnly, false},
    {2014, 4, 1, false, false, L::ByWord, 0, C::Enable, S::None, kScriptingChildren, true},
    {2015, 4, 2, true, false, L::None, kSpectral, C::Enable, S::ClampModule, kNothing, false},
    {2016, 14, 2, true, true, L::ByWord, kSpectral, C::Unchanged, S::Cable, kNoteOnly, false},
    {2017, 13, 1, false, false, L::ByWord, 0, C::Unchanged, S::None, kNoteOnly, false},
    {2018, 15, 2, true, true, L::ByWord, kSpectral, C::Unchanged, S::Spectral, kNoteOnly, false},
    {2019, 6, 0, false, false, L::Reference, 0, C::Unchanged, S::None, kAmbientOnly, false},
    {2023, 16, 2, true, true, L::ByWord, kSpectral, C::Unchanged, S::Spectral, kNoteOnly, false},
    {2024, 2, 2, true, true, L::ByWord, kSpectral, C::Enable, S::Spectral, kNoteOnly, false},
    {2025, 16, 2, true, true, L::ByWord, kSpectral, C::Unchanged, S::Spectral, kNoteOnly, false},
    {2026, 16, 2, true, true, L::ByWord, kSpectral, C::Unchanged, S::None, kNoteOnly, false},
    {2027, 17, 2, true, true, L::ByWord, kSpectral, C::Unchanged, S::None, kNoteOnly, false},
    {2028, 18, 2, true, true, L::ByWord, kSpectral, C::Unchanged, S::None, kNoteOnly, false},
    {2029, 19, 2, true, false, L::ByWord, kSpectral | kSpatial, C::Enable, S::SpectralSpatial,
     kNoteAndOverlay, false},
    {2030, 20, 3, false, false, L::ByWord, kSpatial, C::Enable, S::None, kNoteAndOverlay, false},
    {2033, 5, 2, true, false, L::ByWord, kSpectral | kSpatial, C::Enable, S::SpectralSpatial, kNoteAndOverlay,
     false},
}};

} // namespace

const QNodeKindTraits* FindNodeKindTraits(uint16_t kind) {
    for (const QNodeKindTraits& traits : kKinds) {
        if (traits.kind == kind) {
            return &traits;
        }
    }
    return nullptr;
}

} // namespace orv
