#pragma once

// A shared library opened at run time and its exported symbols. The VISA layer and the device
// libraries of the analysers load through this one loader. The library stays mapped as long as the
// object lives: whoever keeps a function pointer from it keeps the object too.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class SharedLibrary {
public:
    // nullptr when the file cannot be loaded.
    static std::unique_ptr<SharedLibrary> Open(const std::string& fileName);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The exported symbol's address, or nullptr.
    void* Find(const char* symbol) const;
    // Fills `slot` with the exported function `symbol` (nullptr when missing).
    template <class Fn> void Find(const char* symbol, Fn& slot) const {
        slot = reinterpret_cast<Fn>(Find(symbol)); // NOLINT(cppcoreguidelines-pro-type-reinterpret-cast)
    }
    const std::string& GetFileName() const { return m_fileName; }

private:
    SharedLibrary(void* handle, std::string fileName);

    void* m_handle;
    std::string m_fileName;
};

// A list of library names as the settings hold it: entries separated by ';', blanks around them
// dropped, empty entries left out.
std::vector<std::string> SplitLibraryList(std::string_view text);

} // namespace orv
