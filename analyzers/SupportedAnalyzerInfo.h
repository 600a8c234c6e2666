#pragma once

#include <cstdint>
#include <string>

namespace orv {

// One row of the table of supported analysers: how an identity reply is recognised, which driver
// serves the model, and the limits a scan set-up is checked against. A plain record, copied by value.
struct _SupportedAnalyzerInfo {
    int32_t m_AnalyzerID = 0;        // as the user selects it
    int32_t m_DriverID = 0;          // the model code the analyser factory turns into a driver
    std::string m_DisplayName;       // shown to the user
    std::string m_MatchKey;          // a text the model's identity reply contains
    double m_LowestFrequency = 0.0;  // MHz
    double m_HighestFrequency = 0.0; // MHz
    double m_SmallestRbw = 0.0;      // MHz
    double m_LargestRbw = 0.0;       // MHz
    // Shown when the user asks for DC coupling on a model that lacks it; empty when the model has it.
    std::string m_DcCouplingMessage;

    bool operator==(const _SupportedAnalyzerInfo&) const = default;
};

} // namespace orv
