#pragma once

#include <string>
#include <vector>

namespace orv::test {

// Files an attacker could put where the program expects a small text file: each would block a plain
// open for ever, never end, or exhaust memory if read whole.
struct HostileFile {
    std::string what;
    std::string path;
};

// Makes, in the folder, a FIFO, a link to /dev/zero and a 3 GB sparse file, each named after what
// it is with the given ending.
std::vector<HostileFile> MakeHostileFiles(const std::string& folder, const std::string& ending);

// Puts the hostile file at the path (a link to it, or a FIFO of that name).
void PlaceHostileFile(const HostileFile& file, const std::string& path);

} // namespace orv::test
