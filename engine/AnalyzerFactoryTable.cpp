#include "engine/AnalyzerFactoryTable.h"

#include "analyzers/drivers/generic/CSpectrumAnalyzerGeneric.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerE4440A.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9000A.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9010A.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9020A.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9040B.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9320B.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9324C.h"
#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9912ANew.h"
#include "analyzers/drivers/none/CSpectrumAnalyzerNone.h"
#include "analyzers/drivers/rigol/CSpectrumAnalyzerDSA.h"
#include "analyzers/drivers/rigol/CSpectrumAnalyzerRSA.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerESU.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFPL.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSG8.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSH.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSP.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSQ.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSU.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSV3.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSV4.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSW.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerZND.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerZNL.h"
#include "analyzers/drivers/siglent/CSpectrumAnalyzerSSA3075XR.h"
#include "analyzers/drivers/signalhound/CSpectrumAnalyzerBB60.h"
#include "analyzers/drivers/tektronix/CSpectrumAnalyzerTekRSA.h"

#include <algorithm>
#include <array>
#include <new>
#include <utility>

namespace orv {
namespace {

using C = eAnalyzerClass;

// A failed allocation makes no driver, as a code without one does.
template <class Driver> std::unique_ptr<CSpectrumAnalyzer> Make() {
    return std::unique_ptr<CSpectrumAnalyzer>(new (std::nothrow) Driver());
}

// The class of every catch-all code.
constexpr C kUnlistedCodeClass = C::FSQ;

constexpr std::array<std::pair<int32_t, C>, 47> kCodeTable{{
    {1, C::Generic},    {15, C::FSP},          {16, C::None},   {17, C::None},   {19, C::FSH},
    {20, C::N9912ANew}, {21, C::None},         {22, C::None},   {23, C::FSL},    {24, C::N9010B},
    {25, C::N9010A},    {26, C::N9030A},       {27, C::N9000A}, {28, C::N9020A}, {29, C::E4440A},
    {30, C::FSQ},       {34, C::FSU},          {38, C::FSV3},   {39, C::FSV4},   {40, C::FSG8},
    {41, C::FSW},       {42, C::FSL},          {43, C::ESU},    {44, C::N9040B}, {49, C::N9030B},
    {50, C::N9000B},    {51, C::FPL},          {52, C::DSA},    {53, C::RSA},    {54, C::N9020B},
    {60, C::N9915B},    {61, C::N9917B},       {62, C::N9918A}, {63, C::N9917A}, {64, C::N9918B},
    {65, C::N9934B},    {66, C::N9935B},       {67, C::ZND},    {68, C::ZNL},    {69, C::N9320B},
    {70, C::N9324C},    {71, C::SSA3075XR},    {72, C::N9913B}, {106, C::BB60},  {107, C::TekRSA},
    {108, C::N99xx},    {900, C::Placeholder},
}};

// One row per class, in the order of eAnalyzerClass. A driver gives its row a maker when it exists.
constexpr std::array<AnalyzerClassRow, 43> kClassTable{{
    {C::None, "", nullptr},
    {C::Generic, "CSpectrumAnalyzerGeneric", &Make<CSpectrumAnalyzerGeneric>},
    {C::FSP, "CSpectrumAnalyzerFSP", &Make<CSpectrumAnalyzerFSP>},
    {C::FSH, "CSpectrumAnalyzerFSH", &Make<CSpectrumAnalyzerFSH>},
    {C::N9912ANew, "CSpectrumAnalyzerN9912ANew", &Make<CSpectrumAnalyzerN9912ANew>},
    {C::FSL, "CSpectrumAnalyzerFSL", &Make<CSpectrumAnalyzerFSL>},
    {C::N9010B, "CSpectrumAnalyzerN9010B", &Make<CSpectrumAnalyzerN9010B>},
    {C::N9010A, "CSpectrumAnalyzerN9010A", &Make<CSpectrumAnalyzerN9010A>},
    {C::N9030A, "CSpectrumAnalyzerN9030A", &Make<CSpectrumAnalyzerN9030A>},
    {C::N9000A, "CSpectrumAnalyzerN9000A", &Make<CSpectrumAnalyzerN9000A>},
    {C::N9020A, "CSpectrumAnalyzerN9020A", &Make<CSpectrumAnalyzerN9020A>},
    {C::E4440A, "CSpectrumAnalyzerE4440A", &Make<CSpectrumAnalyzerE4440A>},
    {C::FSQ, "CSpectrumAnalyzerFSQ", &Make<CSpectrumAnalyzerFSQ>},
    {C::FSU, "CSpectrumAnalyzerFSU", &Make<CSpectrumAnalyzerFSU>},
    {C::FSV3, "CSpectrumAnalyzerFSV3", &Make<CSpectrumAnalyzerFSV3>},
    {C::FSV4, "CSpectrumAnalyzerFSV4", &Make<CSpectrumAnalyzerFSV4>},
    {C::FSG8, "CSpectrumAnalyzerFSG8", &Make<CSpectrumAnalyzerFSG8>},
    {C::FSW, "CSpectrumAnalyzerFSW", &Make<CSpectrumAnalyzerFSW>},
    {C::ESU, "CSpectrumAnalyzerESU", &Make<CSpectrumAnalyzerESU>},
    {C::N9040B, "CSpectrumAnalyzerN9040B", &Make<CSpectrumAnalyzerN9040B>},
    {C::N9030B, "CSpectrumAnalyzerN9030B", &Make<CSpectrumAnalyzerN9030B>},
    {C::N9000B, "CSpectrumAnalyzerN9000B", &Make<CSpectrumAnalyzerN9000B>},
    {C::FPL, "CSpectrumAnalyzerFPL", &Make<CSpectrumAnalyzerFPL>},
    {C::DSA, "CSpectrumAnalyzerDSA", &Make<CSpectrumAnalyzerDSA>},
    {C::RSA, "CSpectrumAnalyzerRSA", &Make<CSpectrumAnalyzerRSA>},
    {C::N9020B, "CSpectrumAnalyzerN9020B", &Make<CSpectrumAnalyzerN9020B>},
    {C::N9915B, "CSpectrumAnalyzerN9915B", &Make<CSpectrumAnalyzerN9915B>},
    {C::N9917B, "CSpectrumAnalyzerN9917B", &Make<CSpectrumAnalyzerN9917B>},
    {C::N9918A, "CSpectrumAnalyzerN9918A", &Make<CSpectrumAnalyzerN9918A>},
    {C::N9917A, "CSpectrumAnalyzerN9917A", &Make<CSpectrumAnalyzerN9917A>},
    {C::N9918B, "CSpectrumAnalyzerN9918B", &Make<CSpectrumAnalyzerN9918B>},
    {C::N9934B, "CSpectrumAnalyzerN9934B", &Make<CSpectrumAnalyzerN9934B>},
    {C::N9935B, "CSpectrumAnalyzerN9935B", &Make<CSpectrumAnalyzerN9935B>},
    {C::ZND, "CSpectrumAnalyzerZND", &Make<CSpectrumAnalyzerZND>},
    {C::ZNL, "CSpectrumAnalyzerZNL", &Make<CSpectrumAnalyzerZNL>},
    {C::N9320B, "CSpectrumAnalyzerN9320B", &Make<CSpectrumAnalyzerN9320B>},
    {C::N9324C, "CSpectrumAnalyzerN9324C", &Make<CSpectrumAnalyzerN9324C>},
    {C::SSA3075XR, "CSpectrumAnalyzerSSA3075XR", &Make<CSpectrumAnalyzerSSA3075XR>},
    {C::N9913B, "CSpectrumAnalyzerN9913B", &Make<CSpectrumAnalyzerN9913B>},
    {C::BB60, "CSpectrumAnalyzerBB60", &Make<CSpectrumAnalyzerBB60>},
    {C::TekRSA, "CSpectrumAnalyzerTekRSA", &Make<CSpectrumAnalyzerTekRSA>},
    {C::N99xx, "CSpectrumAnalyzerN99xx", &Make<CSpectrumAnalyzerN99xx>},
    {C::Placeholder, "CSpectrumAnalyzerNone", &Make<CSpectrumAnalyzerNone>},
}};

constexpr bool ClassRowsFollowTheEnumeration() {
    for (size_t i = 0; i < kClassTable.size(); ++i) {
        if (static_cast<size_t>(kClassTable[i].analyzerClass) != i) {
            return false;
        }
    }
    return true;
}
static_assert(ClassRowsFollowTheEnumeration());
static_assert(kClassTable.back().analyzerClass == C::Placeholder);

} // namespace

eAnalyzerClass AnalyzerClassForCode(int32_t code) {
    const auto row = std::find_if(kCodeTable.begin(), kCodeTable.end(),
                                  [code](const auto& entry) { return entry.first == code; });
    return row == kCodeTable.end() ? kUnlistedCodeClass : row->second;
}

const AnalyzerClassRow& AnalyzerClassRowFor(eAnalyzerClass analyzerClass) {
    return kClassTable[static_cast<size_t>(analyzerClass)];
}

AnalyzerMaker AnalyzerMakerForCode(int32_t code) {
    return AnalyzerClassRowFor(AnalyzerClassForCode(code)).maker;
}

} // namespace orv
