#pragma once

#include <optional>
#include <string>

namespace orv {

// The whole file as bytes; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Writes the bytes to a temporary file beside `path`, flushes it to disk and renames it over `path`:
// a failed write never destroys the last good copy. Missing parent folders are created. False on any
// failure (the temporary file is then removed).
bool WriteFileAtomically(const std::string& path, const std::string& bytes);

} // namespace orv
