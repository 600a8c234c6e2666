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

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

namespace orv {
namespace {

std::string ClassName(int32_t code) {
    return std::string(AnalyzerClassRowFor(AnalyzerClassForCode(code)).className);
}

TEST(AnalyzerFactoryTable, ListedCodesMakeTheirOwnClass) {
    const std::vector<std::pair<int32_t, const char*>> listed{
        {1, "Generic"}, {15, "FSP"},       {19, "FSH"},    {20, "N9912ANew"}, {23, "FSL"},     {24, "N9010B"},
        {25, "N9010A"}, {26, "N9030A"},    {27, "N9000A"}, {28, "N9020A"},    {29, "E4440A"},  {30, "FSQ"},
        {34, "FSU"},    {38, "FSV3"},      {39, "FSV4"},   {40, "FSG8"},      {41, "FSW"},     {42, "FSL"},
        {43, "ESU"},    {44, "N9040B"},    {49, "N9030B"}, {50, "N9000B"},    {51, "FPL"},     {52, "DSA"},
        {53, "RSA"},    {54, "N9020B"},    {60, "N9915B"}, {61, "N9917B"},    {62, "N9918A"},  {63, "N9917A"},
        {64, "N9918B"}, {65, "N9934B"},    {66, "N9935B"}, {67, "ZND"},       {68, "ZNL"},     {69, "N9320B"},
        {70, "N9324C"}, {71, "SSA3075XR"}, {72, "N9913B"}, {106, "BB60"},     {107, "TekRSA"}, {108, "N99xx"},
        {900, "None"},
    };
    std::set<eAnalyzerClass> classes;
    for (const auto& [code, suffix] : listed) {
        EXPECT_EQ(ClassName(code), std::string("CSpectrumAnalyzer") + suffix) << code;
        classes.insert(AnalyzerClassForCode(code));
    }
    // 23 and 42 share one class; every other listed code has a class of its own.
    EXPECT_EQ(AnalyzerClassForCode(23), AnalyzerClassForCode(42));
    EXPECT_EQ(classes.size(), listed.size() - 1);
    EXPECT_EQ(AnalyzerClassForCode(900), eAnalyzerClass::Placeholder);
}

TEST(AnalyzerFactoryTable, CodesOfModelsWithoutADriverMakeNone) {
    for (const int32_t code : {16, 17, 21, 22}) {
        EXPECT_EQ(AnalyzerClassForCode(code), eAnalyzerClass::None) << code;
        EXPECT_EQ(AnalyzerMakerForCode(code), nullptr) << code;
    }
}

TEST(AnalyzerFactoryTable, EveryUnlistedCodeMakesTheCatchAllClass) {
    std::vector<int32_t> unlisted{INT_MIN, -1, 0, 5, 901, INT_MAX};
    for (const auto& [first, last] : std::vector<std::pair<int32_t, int32_t>>{
             {2, 14}, {18, 18}, {31, 33}, {35, 37}, {45, 48}, {55, 59}, {73, 105}, {109, 899}}) {
        for (int32_t code = first; code <= last; ++code) {
            unlisted.push_back(code);
        }
    }
    for (const int32_t code : unlisted) {
        EXPECT_EQ(AnalyzerClassForCode(code), eAnalyzerClass::FSQ) << code;
    }
    EXPECT_EQ(ClassName(5), "CSpectrumAnalyzerFSQ");
}

TEST(AnalyzerFactoryTable, OnlyClassesWithADriverMakeOne) {
    const AnalyzerMaker placeholder = AnalyzerMakerForCode(900);
    ASSERT_NE(placeholder, nullptr);
    const std::unique_ptr<CSpectrumAnalyzer> made = placeholder();
    EXPECT_NE(dynamic_cast<CSpectrumAnalyzerNone*>(made.get()), nullptr);
    const AnalyzerMaker generic = AnalyzerMakerForCode(1);
    ASSERT_NE(generic, nullptr);
    const std::unique_ptr<CSpectrumAnalyzer> driver = generic();
    EXPECT_NE(dynamic_cast<CSpectrumAnalyzerGeneric*>(driver.get()), nullptr);
    EXPECT_EQ(driver->GetSweepMode(), "GatedSweep");
}

template <class Driver> bool Makes(int32_t code) {
    const AnalyzerMaker maker = AnalyzerMakerForCode(code);
    if (maker == nullptr) {
        return false;
    }
    const std::unique_ptr<CSpectrumAnalyzer> made = maker();
    return made != nullptr && typeid(*made) == typeid(Driver);
}

TEST(AnalyzerFactoryTable, KeysightXSeriesCodesMakeTheirDrivers) {
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9010B>(24));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9010A>(25));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9030A>(26));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9000A>(27));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9020A>(28));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9040B>(44));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9030B>(49));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9000B>(50));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9020B>(54));
}

TEST(AnalyzerFactoryTable, KeysightPsaAndBasicCodesMakeTheirDrivers) {
    EXPECT_TRUE(Makes<CSpectrumAnalyzerE4440A>(29));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9320B>(69));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9324C>(70));
}

TEST(AnalyzerFactoryTable, FieldFoxCodesMakeTheirDrivers) {
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9912ANew>(20));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9915B>(60));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9917B>(61));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9918A>(62));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9917A>(63));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9918B>(64));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9934B>(65));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9935B>(66));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN9913B>(72));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerN99xx>(108));
}

TEST(AnalyzerFactoryTable, FslCodesMakeTheFslDriver) {
    EXPECT_TRUE(Makes<CSpectrumAnalyzerFSL>(23));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerFSL>(42));
}

TEST(AnalyzerFactoryTable, RsModelCodesMakeTheirDrivers) {
    EXPECT_TRUE(Makes<CSpectrumAnalyzerFSP>(15));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerFSH>(19));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerFSQ>(30));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerFSU>(34));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerFSV3>(38));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerFSV4>(39));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerFSG8>(40));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerFSW>(41));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerESU>(43));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerFPL>(51));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerZND>(67));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerZNL>(68));
    // The catch-all class drives every unlisted code.
    EXPECT_TRUE(Makes<CSpectrumAnalyzerFSQ>(5));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerFSQ>(99));
}

TEST(AnalyzerFactoryTable, RigolAndSiglentCodesMakeTheirDrivers) {
    EXPECT_TRUE(Makes<CSpectrumAnalyzerDSA>(52));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerRSA>(53));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerSSA3075XR>(71));
}

TEST(AnalyzerFactoryTable, DeviceLibraryCodesMakeTheirDrivers) {
    EXPECT_TRUE(Makes<CSpectrumAnalyzerBB60>(106));
    EXPECT_TRUE(Makes<CSpectrumAnalyzerTekRSA>(107));
}

} // namespace
} // namespace orv
