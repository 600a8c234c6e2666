#include "dialogs/ScanParameterTable.h"

#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "scandata/CScanData.h"

namespace orv {
namespace {

const char* OnOff(bool on) {
    return on ? "On" : "Off";
}

bool ShowsFrequencyRange(uint16_t kind) {
    // A user composite shows the spectral/spatial scan it follows.
    return kind == kTypeSpectralScanNode || kind == kTypeSpectralSpatialScanNode ||
           kind == kTypeHandHeldProbeScanNode || kind == kTypeSpectralComparisonNode ||
           kind == kTypeSpectralOverlayNode || kind == kTypeSpectralSpatialUserCompositeNode;
}

bool ShowsCentreFrequency(uint16_t kind) {
    return kind == kTypeSpatialScanNode || kind == kTypeSpatialComparisonNode ||
           kind == kTypeBlindSpotReductionNode;
}

// A negative attenuation is an amplification of that many dB.
ScanParameterRow AttenuationRow(const CScanData& scan) {
    const double value = scan.GetAttenuationValue();
    if (value < 0.0) {
        return {"Amplification Value", FormatC("%-5.1f dB", -value)};
    }
    return {"Attenuator Value", FormatC("%-5.1f dB", value)};
}

std::string ScannerPreAmplifierText(uint8_t value) {
    switch (value) {
    case 0:
        return "Off";
    case 1:
        return "On --- Low gain";
    case 2:
        return "On --- High gain";
    default:
        return FormatC("%d", value);
    }
}

std::string NoiseReductionText(uint8_t value) {
    if (value == 0) {
        return "Off";
    }
    if (value <= 3) {
        return FormatC("On --- Level %d", value);
    }
    return FormatC("%d", value);
}

void AddFrontEndRows(const CScanData& scan, std::vector<ScanParameterRow>& rows) {
    if (scan.GetFrontEndKind() <= 0) {
        const uint16_t gain = scan.GetPreAmplifierGain();
        rows.push_back({"Internal Analyzer Pre-Amp", scan.IsPreAmplifierOn() && gain > 0
                                                         ? FormatC("%s;    %d dB", "On", gain)
                                                         : OnOff(scan.IsPreAmplifierOn())});
        rows.push_back(AttenuationRow(scan));
        rows.push_back({"Analyzer Tracking Generation", OnOff(scan.IsTrackingGenerationOn())});
        rows.push_back({"RF Input Coupling", scan.IsDcCoupled() ? "DC" : "AC"});
        rows.push_back({"Scan Averaging", OnOff(scan.IsAveraging())});
        return;
    }
    rows.push_back({"Internal Pre-Amp", ScannerPreAmplifierText(scan.GetScannerPreAmplifier())});
    rows.push_back({"Noise Reduction", NoiseReductionText(scan.GetNoiseReduction())});
    rows.push_back({"Noise Threshold", FormatC("%d", scan.GetNoiseThreshold())});
    rows.push_back({"Internal Attenuator", OnOff(scan.IsInternalAttenuatorOn())});
    rows.push_back({"External RF Bypass", OnOff(scan.IsExternalRfBypassOn())});
    if (scan.IsExternalRfBypassOn()) {
        rows.push_back(AttenuationRow(scan));
    }
}

} // namespace

std::vector<ScanParameterRow> BuildScanParameterRows(const CScanData& scan, uint16_t nodeKind,
                                                     bool compensated, uint32_t unitCode) {
    std::vector<ScanParameterRow> rows;
    rows.push_back({"User", scan.m_UserText});
    rows.push_back({"Scan Date", scan.m_DateText});
    rows.push_back({"Scanner Module", scan.m_ScanHeadText});
    rows.push_back({"Orvilant and Firmware Version", scan.m_ModuleText});
    rows.push_back({"Analyzer", scan.m_AnalyzerText});
    if (ShowsFrequencyRange(nodeKind)) {
        rows.push_back(
            {"Start Frequency", FormatC("%-10.4f  MHz", static_cast<double>(scan.m_StartFrequency))});
        rows.push_back(
            {"Stop Frequency", FormatC("%-10.4f  MHz", static_cast<double>(scan.m_StopFrequency))});
    } else if (ShowsCentreFrequency(nodeKind)) {
        rows.push_back(
            {"Center Frequency", FormatC("%-10.4f  MHz", static_cast<double>(scan.m_CenterFrequency))});
    }
    rows.push_back(
        {"Bandwidth Resolution", FormatC("%-10.6f  MHz", static_cast<double>(scan.m_ResolutionBandwidth))});
    rows.push_back({"Reference Level", FormatC("%-7.2f  dBuV", static_cast<double>(scan.m_ReferenceLevel))});
    const char* unit = compensated ? "dBuA/m" : (unitCode == 1U ? "dBuV" : "dBm");
    rows.push_back(
        {"Level Range", FormatC("%-7.2f  to  %-7.2f  %s", static_cast<double>(scan.m_MinLevelShown),
                                static_cast<double>(scan.m_MaxLevelShown), unit)});
    rows.push_back({"Peak Hold", OnOff(scan.m_PeakHold == 1)});
    rows.push_back({"Compensated", OnOff(compensated)});
    AddFrontEndRows(scan, rows);
    return rows;
}

} // namespace orv
