#pragma once

// Which analyser driver class serves each model code. One table holds every code: the listed codes,
// the codes that make no driver, and the catch-all class for every code not listed. A driver class
// joins the factory by giving its row a maker; until then its codes make no driver, as the codes
// of the models no driver serves.

#include <cstdint>
#include <memory>
#include <string_view>

namespace orv {

class CSpectrumAnalyzer;

enum class eAnalyzerClass : int32_t {
    None, // no driver is made
    Generic,
    FSP,
    FSH,
    N9912ANew,
    FSL,
    N9010B,
    N9010A,
    N9030A,
    N9000A,
    N9020A,
    E4440A,
    FSQ,
    FSU,
    FSV3,
    FSV4,
    FSG8,
    FSW,
    ESU,
    N9040B,
    N9030B,
    N9000B,
    FPL,
    DSA,
    RSA,
    N9020B,
    N9915B,
    N9917B,
    N9918A,
    N9917A,
    N9918B,
    N9934B,
    N9935B,
    ZND,
    ZNL,
    N9320B,
    N9324C,
    SSA3075XR,
    N9913B,
    BB60,
    TekRSA,
    N99xx,
    Placeholder, // no analyser attached: answers without an instrument
};

using AnalyzerMaker = std::unique_ptr<CSpectrumAnalyzer> (*)();

struct AnalyzerClassRow {
    eAnalyzerClass analyzerClass;
    std::string_view className;
    AnalyzerMaker maker; // null until the class's driver exists
};

// The class for a model code; every code the table does not list gets the catch-all class.
eAnalyzerClass AnalyzerClassForCode(int32_t code);
// The class's row (name and maker).
const AnalyzerClassRow& AnalyzerClassRowFor(eAnalyzerClass analyzerClass);
// The maker for a model code, null when the code makes no driver.
AnalyzerMaker AnalyzerMakerForCode(int32_t code);

} // namespace orv
