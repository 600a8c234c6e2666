#include "core/QScannerContext.h"

#include "analyzers/CInstrumentInfo.h"
#include "core/QAttachedScannerSource.h"
#include "core/QTextLineReader.h"

#include <limits>
#include <memory>
#include <mutex>
#include <utility>

namespace orv {

namespace {

std::mutex g_contextLock;
std::unique_ptr<QScannerContext> g_context;

// Every fifth label is marked, from the first.
constexpr int32_t kMarkSpacing = 5;

} // namespace

QScannerContext::QScannerContext() {
    for (int32_t i = 0; i < kColumnLabelCount; ++i) {
        QGridLabel& label = m_columnLabels[static_cast<size_t>(i)];
        if (i < 26) {
            label.m_text = std::string(1, static_cast<char>('A' + i));
        } else {
            label.m_text = std::string(1, 'A') + static_cast<char>('A' + (i - 26));
        }
        label.m_marked = i % kMarkSpacing == 0;
    }
    for (int32_t i = 0; i < kRowLabelCount; ++i) {
        QGridLabel& label = m_rowLabels[static_cast<size_t>(i)];
        label.m_text = std::to_string(i + 1);
        // The last row is marked as well, so that the axis shows where the grid ends.
        label.m_marked = i % kMarkSpacing == 0 || i == kRowLabelCount - 1;
    }
}

bool QScannerContext::SetVersionFromString(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    int64_t version = 0;
    std::string_view part;
    size_t partStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool last = i + 1 == text.size();
        if (text[i] != '.' && !last) {
            continue;
        }
        // The last character belongs to the part even when it is a dot (which then ends no number).
        part = text.substr(partStart, i - partStart + (last ? 1 : 0));
        const size_t length = (!part.empty() && part.back() == '.') ? part.size() - 1 : part.size();
        if (length > kMaxVersionPartLength) {
            return false;
        }
        version = version * 1000 + LeadingInt32(part);
        if (version > std::numeric_limits<int32_t>::max() || version < std::numeric_limits<int32_t>::min()) {
            return false;
        }
        partStart = i + 1;
    }
    m_firmwareVersion.store(static_cast<int32_t>(version));
    return true;
}

void QScannerContext::SetIdentityTexts(std::string adaptorId, std::string firmwareVersion) {
    const std::lock_guard guard(m_identityLock);
    m_adaptorIdText = std::move(adaptorId);
    m_firmwareVersionText = std::move(firmwareVersion);
}

std::string QScannerContext::GetAdaptorIdText() const {
    const std::lock_guard guard(m_identityLock);
    return m_adaptorIdText;
}

std::string QScannerContext::GetFirmwareVersionText() const {
    const std::lock_guard guard(m_identityLock);
    return m_firmwareVersionText;
}

bool QScannerContext::SetScannerId(int32_t id) {
    // In 64 bits: the index of the lowest 32-bit id would not fit.
    const int64_t index = static_cast<int64_t>(id) - 1;
    if (index < 0) {
        return false;
    }
    m_scannerIndex.store(static_cast<int32_t>(index));
    return true;
}

std::shared_ptr<const QAttachedScannerSource> QScannerContext::ArmSourceInUse() const {
    if (GetScannerId() != kArmScannerId ||
        GetInstrumentInfo().GetScannerKind() != CInstrumentInfo::kScannerKindRobotArm) {
        return nullptr;
    }
    return GetAttachedScannerSource();
}

int32_t QScannerContext::GetArmMaxHeightForCell(int32_t row, int32_t column) const {
    if (const std::shared_ptr<const QAttachedScannerSource> source = ArmSourceInUse()) {
        if (const std::optional<int32_t> height = source->GetArmMaxHeightForCell(row, column)) {
            return *height;
        }
    }
    return kDefaultArmMaxHeight;
}

bool QScannerContext::IsArmCellHeightZero(int32_t row, int32_t column) const {
    if (const std::shared_ptr<const QAttachedScannerSource> source = ArmSourceInUse()) {
        if (const std::optional<int32_t> height = source->GetArmStoredHeightForCell(row, column)) {
            return *height == 0;
        }
    }
    return false;
}

QScannerContext& GetScannerContext() {
    std::lock_guard<std::mutex> guard(g_contextLock);
    if (!g_context) {
        g_context = std::make_unique<QScannerContext>();
    }
    return *g_context;
}

void DestroyScannerContext() {
    std::lock_guard<std::mutex> guard(g_contextLock);
    g_context.reset();
}

} // namespace orv
