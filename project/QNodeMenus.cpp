#include "project/QNodeMenus.h"

#include <array>
#include <initializer_list>

namespace orv {

namespace {

using Items = std::initializer_list<const char*>;

// Top level.
const Items kT1 = {"m_pmiTopLevelOpenOptions", "m_pmiTopLevelAddNode", "m_pmiTopLevelDeleteNode"};
const Items kT2 = {"m_pmiTopLevelOpenOptions", "m_pmiTopLevelAddNode"};
const Items kT3 = {"m_pmiTopLevelRunOnce", "m_pmiTopLevelRunContinuously", "m_pmiTopLevelViewNode",
                   "m_pmiTopLevelAddNode", "m_pmiTopLevelDeleteNode",      "m_pmiTopLevelExportSpatial"};
const Items kT4 = {"m_pmiTopLevelRunOnce", "m_pmiTopLevelRunContinuously", "m_pmiTopLevelViewNode",
                   "m_pmiTopLevelAddNode", "m_pmiTopLevelDeleteNode",      "m_pmiTopLevelExportSpectral"};
const Items kT5 = {"m_pmiTopLevelRunOnce",    "m_pmiTopLevelViewNode",       "m_pmiTopLevelAddNode",
                   "m_pmiTopLevelDeleteNode", "m_pmiTopLevelExportSpectral", "m_pmiTopLevelExportSpatial"};
const Items kT6 = {"m_pmiTopLevelViewNode", "m_pmiTopLevelAddNoteNode", "m_pmiTopLevelDeleteNode",
                   "m_pmiTopLevelExportSpectral"};
const Items kT7 = {"m_pmiTopLevelViewNode", "m_pmiTopLevelAddNode", "m_pmiTopLevelDeleteNode",
                   "m_pmiTopLevelExportSpatial"};
const Items kT8 = {"m_pmiTopLevelViewNode", "m_pmiTopLevelAddNoteNode", "m_pmiTopLevelDeleteNode"};
const Items kT9 = {"m_pmiTopLevelViewNode", "m_pmiTopLevelDeleteNode"};
const Items kT10 = {"m_pmiTopLevelRunOnce", "m_pmiTopLevelRunContinuously", "m_pmiTopLevelViewNode",
                    "m_pmiTopLevelDeleteNode", "m_pmiTopLevelExportSpectral"};
const Items kT11 = {"m_pmiTopLevelViewNode", "m_pmiTopLevelAddNode", "m_pmiTopLevelDeleteNode",
                    "m_pmiTopLevelExportSpectral"};
const Items kT12 = {"m_pmiTopLevelRunOnce", "m_pmiTopLevelViewNode", "m_pmiTopLevelAddNode",
                    "m_pmiTopLevelDeleteNode", "m_pmiTopLevelExportSpectral"};

// Add.
const Items kA1 = {"m_pmiAddSpatial",
                   "m_pmiAddSpectral",
                   "m_pmiAddModule",
                   "m_pmiAddNote",
                   "m_pmiAddSpectralSpatial",
                   "m_pmiAddSpectralComparison",
                   "m_pmiAddSpatialComparison",
                   "m_pmiAddSpectralOverlay",
                   "m_pmiAddSpatialOverlay"};
const Items kA2 = {"m_pmiAddNote", "m_pmiAddSpatialOverlay", "m_pmiAddWordReport"};
const Items kA3 = {"m_pmiAddNote", "m_pmiAddSpatial", "m_pmiAddWordReport"};
const Items kA4 = {"m_pmiAddNote", "m_pmiAddSpatialOverlay", "m_pmiAddSpatial", "m_pmiAddWordReport"};
const Items kA5 = {"m_pmiAddNote", "m_pmiAddSpatialOverlay"};
const Items kA6 = {"m_pmiAddSpectralSpatialScriptingModule",
                   "m_pmiAddSpatial",
                   "m_pmiAddSpectral",
                   "m_pmiAddModule",
                   "m_pmiAddNote",
                   "m_pmiAddSpectralSpatial",
                   "m_pmiAddSpectralComparison",
                   "m_pmiAddSpatialComparison",
                   "m_pmiAddBlindSpotReduction",
                   "m_pmiAddSpectralOverlay",
                   "m_pmiAddSpatialOverlay",
                   "m_pmiAddWordReport"};
const Items kA7 = {"m_pmiAddNote", "m_pmiAddWordReport"};
const Items kA8 = {"m_pmiAddNote", "m_pmiAddWordReport", "m_pmiAddSpatial"};
const Items kA9 = {"m_pmiAddNote", "m_pmiAddCableScan", "m_pmiAddAmbientScan", "m_pmiAddSpectralSpatial",
                   "m_pmiAddWordReport"};
const Items kA10 = {"m_pmiAddNote", "m_pmiAddWordReport", "m_pmiAddAntennaPosition"};
const Items kA11 = {"m_pmiAddNote"};

// View.
const Items kV1 = {"m_pmiViewOpenOptions", "m_pmiViewSpatialScan"};
const Items kV2 = {"m_pmiViewOpenOptions", "m_pmiViewSpectralScan"};
const Items kV3 = {"m_pmiViewOpenOptions", "m_pmiViewSpectralScan", "m_pmiViewSpatialScan"};
const Items kV4 = {"m_pmiViewOpenOptions", "m_pmiViewNote"};
const Items kV5 = {"m_pmiViewOpenOptions", "m_pmiViewOverlay"};
const Items kV6 = {"m_pmiViewOpenOptions", "m_pmiViewWordReport"};

// Run.
const Items kR1 = {"m_pmiRunOnce", "m_pmiRunContinuously"};
const Items kR2 = {"m_pmiRunOnce"};

const Items kNone = {};

struct KindMenus {
    uint16_t kind;
    const Items* topLevel;
    const Items* add;
    const Items* view;
    const Items* run;
};

// Kinds not listed (Preferences and the three reference kinds) offer nothing.
const std::array<KindMenus, 24> kMenus = {{
    {2001, &kT1, &kA1, &kNone, &kNone}, {2003, &kT4, &kA3, &kV2, &kR1},
    {2004, &kT3, &kA2, &kV1, &kR1},     {2005, &kT5, &kA4, &kV3, &kR2},
    {2006, &kT9, &kNone, &kV4, &kNone}, {2007, &kT2, &kA1, &kNone, &kNone},
    {2010, &kT6, &kNone, &kV2, &kNone}, {2011, &kT7, &kA5, &kV1, &kNone},
    {2012, &kT8, &kNone, &kV2, &kNone}, {2013, &kT8, &kNone, &kV5, &kNone},
    {2014, &kT1, &kA6, &kNone, &kNone}, {2015, &kT11, &kA9, &kV2, &kNone},
    {2016, &kT11, &kA8, &kV2, &kNone},  {2017, &kT8, &kNone, &kV6, &kNone},
    {2018, &kT10, &kA7, &kV2, &kR1},    {2023, &kT12, &kA7, &kV2, &kR1},
    {2024, &kT12, &kA7, &kV2, &kR2},    {2025, &kT12, &kA7, &kV2, &kR2},
    {2026, &kT11, &kA10, &kV2, &kNone}, {2027, &kT11, &kA11, &kV2, &kNone},
    {2028, &kT11, &kA11, &kV2, &kNone}, {2029, &kT5, &kA4, &kV3, &kR2},
    {2030, &kT7, &kA5, &kV1, &kNone},   {2033, &kT5, &kA4, &kV3, &kR2},
}};

} // namespace

void AppendNodeMenuItems(uint16_t kind, QNodeMenu menu, std::vector<std::string>& items) {
    for (const KindMenus& entry : kMenus) {
        if (entry.kind != kind) {
            continue;
        }
        const Items* list = nullptr;
        switch (menu) {
        case QNodeMenu::TopLevel:
            list = entry.topLevel;
            break;
        case QNodeMenu::Add:
            list = entry.add;
            break;
        case QNodeMenu::View:
            list = entry.view;
            break;
        case QNodeMenu::Run:
            list = entry.run;
            break;
        }
        for (const char* item : *list) {
            items.emplace_back(item);
        }
        return;
    }
}

} // namespace orv
