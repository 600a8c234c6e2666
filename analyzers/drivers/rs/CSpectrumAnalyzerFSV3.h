#pragma once

// The R&S FSV3000 family: the error queue asked in the status check under "-LogSAErrors", and for
// the model "FSV3030" (told by its identity at the set-up) the trace read as a raw block.

#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"

#include <cstdint>
#include <string>

namespace orv {

class CSpectrumAnalyzerFSV3 : public CSpectrumAnalyzerFSL {
public:
    CSpectrumAnalyzerFSV3();

    bool CheckStatus() override;
    bool SetupSpectrumAnalyzer() override;
    const float* QueryScan() override;

    bool IsBlockReadMode() const { return m_blockReadMode; }

    // The FSV3's RBW tables, which other models take as their own.
    static RsRbwTables Fsv3RbwTables();

    // The model field of an identity reply (between its first and second comma) names block-read mode.
    static bool IdentityUsesBlockRead(std::string_view identity);

protected:
    explicit CSpectrumAnalyzerFSV3(RsModelRow row);

    // The set-up before the identity is asked: "*RST;", the error queue cleared, "INST SAN;" and
    // ":SYST:DISP:UPD ON;".
    bool SetupWithoutIdentity();
    // The raw block of exactly 4 x point count bytes; any failure gives null with query-valid 0.
    const float* ReadTraceBlock();

private:
    bool m_blockReadMode = false;

protected:
    RsRbwTables RbwTables() const override;
};

} // namespace orv
