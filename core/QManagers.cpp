#include "core/QManagers.h"

namespace orv {

const char* const kFallbackSystemMessage =
    "Internal error: Missing error message. This is likely not a serious problem. Please contact QZV "
    "Technologies technical support and tell them what you were doing when this message appeared.";

namespace {

// The built-in records span 1 Hz to 1000 GHz, kept in MHz as single-precision values.
float LowestFrequencyMHz() {
    return 1.0f / 1000000.0f;
}
float HighestFrequencyMHz() {
    return 1000.0f * 1000.0f;
}

// Made on the first call (thread-safe) and destroyed at process exit, after main has joined every
// worker.
template <class T> QManagerImpl<T>& KeepForProcess(std::unique_ptr<QManagerImpl<T>> (*create)()) {
    static const std::unique_ptr<QManagerImpl<T>> manager = create();
    return *manager;
}

} // namespace

std::unique_ptr<QManagerImpl<QSpectrumAnalyzerInfo>> CreateSpectrumAnalyzerInfoManager() {
    auto manager = std::make_unique<QManagerImpl<QSpectrumAnalyzerInfo>>(-10);
    manager->Insert(std::make_unique<QSpectrumAnalyzerInfo>("Unchecked", -10, -1, LowestFrequencyMHz(),
                                                            HighestFrequencyMHz(), LowestFrequencyMHz(),
                                                            HighestFrequencyMHz(), -1));
    return manager;
}

std::unique_ptr<QManagerImpl<QDriverInfo>> CreateDriverInfoManager() {
    return std::make_unique<QManagerImpl<QDriverInfo>>(1);
}

std::unique_ptr<QManagerImpl<QSystemMessage>> CreateSystemMessageManager() {
    auto manager = std::make_unique<QManagerImpl<QSystemMessage>>(0);
    manager->Insert(std::make_unique<QSystemMessage>(kFallbackSystemMessage, 0));
    return manager;
}

std::unique_ptr<QManagerImpl<QCalibrationMessage>> CreateCalibrationMessageManager() {
    return std::make_unique<QManagerImpl<QCalibrationMessage>>(0);
}

std::unique_ptr<QManagerImpl<QAnalyzerInfo>> CreateAnalyzerInfoManager() {
    return std::make_unique<QManagerImpl<QAnalyzerInfo>>(1);
}

std::unique_ptr<QManagerImpl<QColourPalette>> CreateColourPaletteManager() {
    auto manager = std::make_unique<QManagerImpl<QColourPalette>>(-10);
    for (std::unique_ptr<QColourPalette>& palette : MakeBuiltInColourPalettes()) {
        manager->Insert(std::move(palette));
    }
    return manager;
}

std::unique_ptr<QManagerImpl<QScanHeadInfo>> CreateScanHeadInfoManager() {
    auto manager = std::make_unique<QManagerImpl<QScanHeadInfo>>(-10);
    manager->Insert(std::make_unique<QScanHeadInfo>("Unchecked", -10, LowestFrequencyMHz(),
                                                    HighestFrequencyMHz(), 32, 40, 0, 0, 500));
    manager->Insert(std::make_unique<QScanHeadInfo>("Generic", 0, 10.0f, 1500.0f, 32, 40, 0, 0, 100));
    return manager;
}

QManagerImpl<QSpectrumAnalyzerInfo>& GetSpectrumAnalyzerInfoManager() {
    return KeepForProcess(&CreateSpectrumAnalyzerInfoManager);
}

QManagerImpl<QDriverInfo>& GetDriverInfoManager() {
    return KeepForProcess(&CreateDriverInfoManager);
}

QManagerImpl<QSystemMessage>& GetSystemMessageManager() {
    return KeepForProcess(&CreateSystemMessageManager);
}

QManagerImpl<QCalibrationMessage>& GetCalibrationMessageManager() {
    return KeepForProcess(&CreateCalibrationMessageManager);
}

QManagerImpl<QAnalyzerInfo>& GetAnalyzerInfoManager() {
    return KeepForProcess(&CreateAnalyzerInfoManager);
}

QManagerImpl<QColourPalette>& GetColourPaletteManager() {
    return KeepForProcess(&CreateColourPaletteManager);
}

QManagerImpl<QScanHeadInfo>& GetScanHeadInfoManager() {
    return KeepForProcess(&CreateScanHeadInfoManager);
}

} // namespace orv
