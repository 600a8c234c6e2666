// Fuzz entry for the settings hive and ini readers: any text must load without a crash, and a hive
// that was read must come back unchanged after being written and read again.
#include "platform/ini/IniFile.h"
#include "platform/registry/SettingsHive.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orv;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const SettingsHive hive = SettingsHive::Parse(text);
    const std::string written = hive.Format();
    if (SettingsHive::Parse(written).Format() != written) {
        __builtin_trap(); // what the writer writes, the reader must read back
    }
    IniFile ini(text);
    ini.GetString("Orvilant Info", "Scanner Detecting", "default");
    ini.SetString("Orvilant Info", "Scanner Detecting", "x;y");
    if (ini.GetString("orvilant info", "scanner detecting", "default") != "x;y") {
        __builtin_trap();
    }
    return 0;
}
