#pragma once

// The application-wide catalogues. Each accessor makes its catalogue on first use, with its built-in
// records; it then lives until the process ends (after every worker has stopped). The Create...
// functions make a fresh catalogue with the same default id and built-in records.

#include "core/QAnalyzerInfo.h"
#include "core/QCalibrationMessage.h"
#include "core/QColourPalette.h"
#include "core/QDriverInfo.h"
#include "core/QManagerImpl.h"
#include "core/QScanHeadInfo.h"
#include "core/QSpectrumAnalyzerInfo.h"
#include "core/QSystemMessage.h"

#include <memory>

namespace orv {

// The text shown for a system message number that the list does not have (id 0).
extern const char* const kFallbackSystemMessage;

// Default id -10; "Unchecked" (-10) covers 1 Hz to 1000 GHz in frequency and bandwidth.
std::unique_ptr<QManagerImpl<QSpectrumAnalyzerInfo>> CreateSpectrumAnalyzerInfoManager();
// Default id 1; empty.
std::unique_ptr<QManagerImpl<QDriverInfo>> CreateDriverInfoManager();
// Default id 0; holds the fallback message under id 0.
std::unique_ptr<QManagerImpl<QSystemMessage>> CreateSystemMessageManager();
// Default id 0; empty.
std::unique_ptr<QManagerImpl<QCalibrationMessage>> CreateCalibrationMessageManager();
// Default id 1; empty.
std::unique_ptr<QManagerImpl<QAnalyzerInfo>> CreateAnalyzerInfoManager();
// Default id -10; the nine built-in palettes.
std::unique_ptr<QManagerImpl<QColourPalette>> CreateColourPaletteManager();
// Default id -10; "Unchecked" (-10) and "Generic" (0).
std::unique_ptr<QManagerImpl<QScanHeadInfo>> CreateScanHeadInfoManager();

QManagerImpl<QSpectrumAnalyzerInfo>& GetSpectrumAnalyzerInfoManager();
QManagerImpl<QDriverInfo>& GetDriverInfoManager();
QManagerImpl<QSystemMessage>& GetSystemMessageManager();
QManagerImpl<QCalibrationMessage>& GetCalibrationMessageManager();
QManagerImpl<QAnalyzerInfo>& GetAnalyzerInfoManager();
// Read by the spatial views and the colour bar.
QManagerImpl<QColourPalette>& GetColourPaletteManager();
// Read by the settings pages and the scan workflow.
QManagerImpl<QScanHeadInfo>& GetScanHeadInfoManager();

} // namespace orv
