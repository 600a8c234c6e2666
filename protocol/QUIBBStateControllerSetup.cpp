// The pre-flight checks of a node against the connected analyser and the list of set-up commands,
// one per pass, that the run sends one after the other.

#include "analyzers/CInstrumentInfo.h"
#include "core/QAttachedScannerSource.h"
#include "core/QAttenuatorOptions.h"
#include "core/QManagers.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScanOptions.h"
#include "core/RangeMessages.h"
#include "core/TypeIds.h"
#include "platform/log/InformationLog.h"
#include "project/QNodeContainer.h"
#include "project/QNodeMediator.h"
#include "protocol/QUIBBStateController.h"

#include <optional>

namespace orv {

namespace {

const char* const kNoAnalyzer = "No appropriate spectrum analyzer is connected.";

struct AnalyzerLimits {
    double lowFrequency = 0.0;
    double highFrequency = 0.0;
    double lowBandwidth = 0.0;
    double highBandwidth = 0.0;
};

std::optional<AnalyzerLimits> SelectedAnalyzerLimits() {
    const QSpectrumAnalyzerInfo* record =
        GetSpectrumAnalyzerInfoManager().Find(GetInstrumentInfo().GetSelectedAnalyzerID());
    if (record == nullptr) {
        return std::nullopt;
    }
    return AnalyzerLimits{record->m_minFrequency, record->m_maxFrequency, record->m_minBandwidth,
                          record->m_maxBandwidth};
}

// The scan kind and the pattern source of a node kind; false for kinds no set-up is defined for.
bool ScanKindOf(uint16_t nodeKind, uint16_t& scanKind, bool& firstPattern, bool& madePattern) {
    firstPattern = false;
    madePattern = false;
    switch (nodeKind) {
    case kTypeSpatialScanNode:
        scanKind = 100;
        return true;
    case kTypeSpectralScanNode:
    case kTypeNearFieldAmbientScanNode:
        scanKind = 99;
        firstPattern = true;
        return true;
    case kTypeAntennaPositionScanNode:
    case kTypeFarFieldAmbientScanNode:
        scanKind = 99;
        madePattern = true;
        return true;
    case kTypeSpectralSpatialScanNode:
    case kTypeSpectralSpatialScriptingModuleNode:
        scanKind = 101;
        return true;
    case kTypeHandHeldProbeScanNode:
        scanKind = 112;
        return true;
    default:
        return false;
    }
}

// The scan options' part of a set-up command.
void CopyScanOptions(const QScanOptions& options, bool spatial, bool levelPlusOne,
                     QSetupScanCommand& command) {
    command.SetFrequencyRange(options.GetStartFrequency(), options.GetStopFrequency());
    command.m_ResolutionBandwidth = options.GetRBW();
    command.m_CenterFrequency = options.GetCenterFrequency();
    command.m_Span = options.GetSpan();
    command.m_SamplesPerCell = spatial ? options.GetSpatialSweepsPerCell() : options.GetSweepsPerCell();
    command.m_ReferenceLevel = options.GetReferenceLevel();
    command.m_MeasurePeaks = options.IsMeasurePeaks() ? 1 : 0;
    command.m_UseManualSweepTime = options.GetSetupSwitch1() ? 1 : 0;
    command.m_SynchronizeScan = options.GetSetupSwitch2() ? 1 : 0;
    command.m_SamplingRate = options.GetSamplesPerSecond();
    command.m_SweepTime = options.GetSetupCount();
    command.m_PeakScan = options.GetExtensionSelector();
    command.m_PeakError = options.GetExtensionValue();
    const auto peaks = static_cast<int16_t>(options.GetMaxPeaks());
    command.m_PeakPoints = peaks < 0 ? static_cast<int16_t>(0) : peaks;
    command.m_PeakDevs = static_cast<int16_t>(options.GetExtensionCount2());
    const uint8_t level = options.GetControlLevel();
    command.SetSpatialLevel(levelPlusOne ? static_cast<uint8_t>(level + 1) : level);
    command.SetBlindSpotReduction(options.GetInterleavedScan());
    command.m_AnalyzerFlag = options.IsDcCoupled() ? 1 : 0;
    command.m_ScanFlag = options.IsAveraging() ? 1 : 0;
    command.m_InternalPreAmpValue = static_cast<int32_t>(options.GetWord4());
    command.SetHasExtension(options.HasExtension());
}

// The node's attenuator setting, unchanged: the switches the body carries go to their fields, the
// rest travels in memory with the command. A node without attenuator options keeps the defaults.
void CopyAttenuatorOptions(const QAttenuatorOptions* attenuator, QSetupScanCommand& command) {
    if (attenuator == nullptr) {
        return;
    }
    command.m_InternalPreAmp = attenuator->m_byte1;
    command.m_TrackingGeneration = attenuator->m_byte2;
    command.m_ScanBytes[0] = attenuator->m_byte3;
    command.m_ScanBytes[1] = attenuator->m_byte4;
    command.m_ScanBytes[2] = attenuator->m_byte5;
    command.SetAttenuatorExtras(attenuator->m_byte6, attenuator->m_byte7, attenuator->m_word,
                                attenuator->m_value);
}

} // namespace

std::size_t QUIBBStateController::AddSetupEntry(std::vector<_SetupScanCommandInfo>& list,
                                                const _SetupScanCommandInfo& entry) {
    list.push_back(entry);
    return list.size() - 1;
}

std::size_t QUIBBStateController::GetSetupListSize() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_aSetupList.size();
}

bool QUIBBStateController::CheckAndBuildSetupList(QNodeMediator& mediator,
                                                  std::vector<_SetupScanCommandInfo>& list) {
    const std::optional<AnalyzerLimits> limits = SelectedAnalyzerLimits();
    if (!limits) {
        Ask(kNoAnalyzer, "Spectrum Analyzer", PromptButtons::Ok, PromptIcon::Warning);
        return false;
    }
    const uint16_t nodeKind = mediator.GetNodeTypeId();
    uint16_t scanKind = 0;
    bool firstPattern = false;
    bool madePattern = false;
    if (!ScanKindOf(nodeKind, scanKind, firstPattern, madePattern)) {
        AddInformationMessage(1, "Scan can't be run for this kind of node!");
        return false;
    }
    QScanOptions* options = mediator.GetScanOptions();
    QProbeScanPatternOptions* patternOptions =
        firstPattern ? mediator.GetFirstProbePatternOptions() : mediator.GetSecondProbePatternOptions();
    if (options == nullptr || (!madePattern && patternOptions == nullptr)) {
        return false;
    }

    QSetupScanCommand command;
    command.SetScanKind(scanKind);
    if (madePattern) {
        QProbeScanPattern pattern;
        if (pattern.Resize(64, 64)) {
            pattern.SetProbeAt(5, 5, 1);
        }
        command.SetProbeScanPattern(pattern);
    } else {
        command.SetProbeScanPattern(patternOptions->GetPattern());
        command.m_DefaultProbeHeight = patternOptions->GetMeasurementHeight();
        command.m_ScanOption = patternOptions->IsOwnPattern() ? 1 : 0;
    }
    if (!command.GetProbeScanPattern().HasProbeOn()) {
        Ask("No scan probes are active for this scan, edit the settings to activate one or more probes.",
            "No Active Probes", PromptButtons::Ok, PromptIcon::None);
        return false;
    }
    CopyScanOptions(*options, nodeKind == kTypeSpatialScanNode, false, command);
    CopyAttenuatorOptions(mediator.GetAttenuatorOptions(), command);

    if (command.m_AnalyzerFlag == 1) {
        _SupportedAnalyzerInfo row;
        if (GetInstrumentInfo().FindAnalyzerByID(GetInstrumentInfo().GetSelectedAnalyzerID(), row) &&
            !row.m_DcCouplingMessage.empty()) {
            Ask(row.m_DcCouplingMessage, "Confirmation", PromptButtons::Ok, PromptIcon::Warning);
            command.m_AnalyzerFlag = 0;
        } else if (Ask("The DC Coupled Mode has been activated. Make sure once more that the amplitude level "
                       "of the "
                       "signal is below the maximum safe input level.\n\n Are you sure you want to proceed?",
                       "Confirmation", PromptButtons::OkCancel, PromptIcon::Warning) != PromptAnswer::Ok) {
            return false;
        }
    }

    const auto rangeFails = [](double start, double stop, const AnalyzerLimits& available) {
        const std::string message =
            FormatFrequencyRangeMessage("Error#340: The requested frequency range is outside the "
                                        "capabilities of the attached spectrum analyzer.",
                                        start, stop, available.lowFrequency, available.highFrequency);
        return message;
    };
    const auto bandwidthFails = [](double rbw, const AnalyzerLimits& available) {
        return FormatBandwidthRangeMessage("Error#338: The requested bandwidth is outside the capabilities "
                                           "of the attached spectrum analyzer.",
                                           rbw, available.lowBandwidth, available.highBandwidth);
    };

    if (nodeKind == kTypeSpectralSpatialScriptingModuleNode) {
        QNodeContainer* tree =
            mediator.GetTreeContainer() != nullptr ? mediator.GetTreeContainer() : mediator.GetContainer();
        if (tree == nullptr) {
            return true;
        }
        for (QNodeMediator* child : tree->GetChildMediators(mediator)) {
            if (child == nullptr) {
                continue;
            }
            _SetupScanCommandInfo entry;
            entry.m_SetupScan = command;
            entry.m_SetupScan.SetSpatialLevel(static_cast<uint8_t>(options->GetControlLevel() + 1));
            float start = 0.0F;
            float stop = 0.0F;
            float rbw = 0.0F;
            if (!child->GetScriptRange(start, stop, rbw)) {
                if (QScanOptions* own = child->GetScanOptions()) {
                    start = own->GetStartFrequency();
                    stop = own->GetStopFrequency();
                    rbw = own->GetRBW();
                }
            }
            entry.m_SetupScan.SetFrequencyRange(start, stop);
            entry.m_SetupScan.m_ResolutionBandwidth = rbw;
            const std::string range = rangeFails(start, stop, *limits);
            if (!range.empty()) {
                Ask(range, "Invalid Frequency Range", PromptButtons::Ok, PromptIcon::Warning);
                return false;
            }
            const std::string bandwidth = bandwidthFails(rbw, *limits);
            if (!bandwidth.empty()) {
                Ask(bandwidth, "Invalid Bandwidth", PromptButtons::Ok, PromptIcon::Warning);
                return false;
            }
            entry.m_pMediator = child;
            AddSetupEntry(list, entry);
        }
        return true;
    }

    const bool interleaved = command.GetBlindSpotReduction() == 1;
    // An external adapter with motors turns the probe itself between the passes: nothing to ask.
    const bool turnsItself =
        GetInstrumentInfo().GetProbeType() == eProbeType::ExternalAdapter && AttachedAdapterSupportsMotors();
    if (interleaved && !turnsItself) {
        const std::string motion = GetInstrumentInfo().GetProbeType() == eProbeType::RobotArm
                                       ? "rotate the probe 90 degrees"
                                       : "move your PCB one row up";
        const std::string question = "You are going to perform an Interleaved Spatial Scan. An Interleaved "
                                     "Spatial Scan will requires two "
                                     "spatial scans to remove the blind spot effect of the scanner. The "
                                     "second spatial scan will take place "
                                     "after you " +
                                     motion +
                                     ".  Please press OK to proceed and set up the first spatial scan.\n";
        if (Ask(question, "Confirmation", PromptButtons::OkCancel, PromptIcon::Information) !=
            PromptAnswer::Ok) {
            return false;
        }
    }

    if (nodeKind != kTypeHandHeldProbeScanNode) {
        const std::optional<AnalyzerLimits> again = SelectedAnalyzerLimits();
        if (!again) {
            Ask(kNoAnalyzer, "Spectrum Analyzer", PromptButtons::Ok, PromptIcon::Warning);
            return false;
        }
        const std::string range = rangeFails(command.GetStartFrequency(), command.GetStopFrequency(), *again);
        if (!range.empty()) {
            Ask(range, "Invalid Frequency Range", PromptButtons::Ok, PromptIcon::Warning);
            return false;
        }
        const std::string bandwidth = bandwidthFails(command.m_ResolutionBandwidth, *again);
        if (!bandwidth.empty()) {
            Ask(bandwidth, "Invalid Bandwidth", PromptButtons::Ok, PromptIcon::Warning);
            return false;
        }
        _SupportedAnalyzerInfo row;
        if (GetInstrumentInfo().FindAnalyzerByID(GetInstrumentInfo().GetSelectedAnalyzerID(), row) &&
            (command.m_ResolutionBandwidth < row.m_SmallestRbw ||
             command.m_ResolutionBandwidth > row.m_LargestRbw)) {
            Ask("The selected resolution bandwidth is not supported.", "Invalid Bandwidth", PromptButtons::Ok,
                PromptIcon::Warning);
            return false;
        }
    }

    _SetupScanCommandInfo entry;
    entry.m_SetupScan = command;
    entry.m_pMediator = &mediator;
    entry.m_Flag = 0;
    entry.m_Interleaved = interleaved ? 1 : 0;
    entry.m_PassNumber = 0;
    AddSetupEntry(list, entry);
    if (interleaved) {
        entry.m_PassNumber = 1;
        AddSetupEntry(list, entry);
    }
    return true;
}

void QUIBBStateController::BuildSubNodeSetupList(QNodeMediator& mediator) {
    QScanOptions* options = mediator.GetScanOptions();
    QProbeScanPatternOptions* patternOptions = mediator.GetSecondProbePatternOptions();
    if (options == nullptr || patternOptions == nullptr) {
        return;
    }
    QSetupScanCommand command;
    command.SetScanKind(100);
    command.SetProbeScanPattern(patternOptions->GetPattern());
    command.m_DefaultProbeHeight = patternOptions->GetMeasurementHeight();
    command.m_ScanOption = patternOptions->IsOwnPattern() ? 1 : 0;
    if (!command.GetProbeScanPattern().HasProbeOn()) {
        Ask("No scan probes are active for this scan, edit the settings to activate one or more probes.",
            "No Active Probes", PromptButtons::Ok, PromptIcon::None);
        return;
    }
    CopyScanOptions(*options, true, true, command);
    CopyAttenuatorOptions(mediator.GetAttenuatorOptions(), command);
    QNodeContainer* tree =
        mediator.GetTreeContainer() != nullptr ? mediator.GetTreeContainer() : mediator.GetContainer();
    if (tree == nullptr) {
        return;
    }
    std::vector<_SetupScanCommandInfo> added;
    for (QNodeMediator* child : tree->GetChildMediators(mediator)) {
        QScanOptions* own = child != nullptr ? child->GetScanOptions() : nullptr;
        if (own == nullptr) {
            continue;
        }
        _SetupScanCommandInfo entry;
        entry.m_SetupScan = command;
        entry.m_SetupScan.SetFrequencyRange(own->GetStartFrequency(), own->GetStartFrequency());
        entry.m_SetupScan.m_CenterFrequency = own->GetCenterFrequency();
        entry.m_SetupScan.m_Span = own->GetSpan();
        entry.m_SetupScan.m_SamplesPerCell = own->GetSpatialSweepsPerCell();
        entry.m_pMediator = child;
        AddSetupEntry(added, entry);
    }
    std::lock_guard<std::mutex> lock(m_lock);
    m_aSetupList.insert(m_aSetupList.end(), added.begin(), added.end());
}

} // namespace orv
