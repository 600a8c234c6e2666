#include "platform/CLocale.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <vector>

namespace orv {

namespace {

locale_t CLocaleHandle() {
    // Made once and kept for the life of the process: every thread may format at any time.
    static const locale_t handle = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return handle;
}

// Switches the calling thread to the C locale for the scope; other threads are unaffected.
class ScopedCLocale {
public:
    ScopedCLocale() : m_previous(uselocale(CLocaleHandle())) {}
    ~ScopedCLocale() { uselocale(m_previous); }
    ScopedCLocale(const ScopedCLocale&) = delete;
    ScopedCLocale& operator=(const ScopedCLocale&) = delete;

private:
    locale_t m_previous;
};

std::string_view SkipPlus(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    return text;
}

} // namespace

std::string FormatC(const char* format, ...) {
    ScopedCLocale scope;
    char small[256];
    va_list args;
    va_start(args, format);
    // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized): va_start above; the analyser misreads std::
    const int needed = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (needed < 0) {
        return {};
    }
    if (static_cast<size_t>(needed) < sizeof small) {
        return {small, static_cast<size_t>(needed)};
    }
    std::vector<char> big(static_cast<size_t>(needed) + 1);
    va_start(args, format);
    std::vsnprintf(big.data(), big.size(), format, args);
    va_end(args);
    return {big.data(), static_cast<size_t>(needed)};
}

std::optional<double> ParseDoubleC(std::string_view text) {
    text = SkipPlus(text);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<float> ParseFloatC(std::string_view text) {
    text = SkipPlus(text);
    float value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<int64_t> ParseInt64C(std::string_view text) {
    text = SkipPlus(text);
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<int32_t> ParseInt32C(std::string_view text) {
    text = SkipPlus(text);
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

double StrToDoubleC(std::string_view text, size_t* used) {
    const std::string copy(text);
    char* end = nullptr;
    const double value = strtod_l(copy.c_str(), &end, CLocaleHandle());
    if (used != nullptr) {
        *used = static_cast<size_t>(end - copy.c_str());
    }
    return value;
}

} // namespace orv
