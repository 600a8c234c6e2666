#pragma once

// Paths and files around the executable's folder and the process's temp folder. Paths use '/' as the
// separator; the functions keep the names the rest of the program knows them by.

#include <string>

namespace orv {

inline constexpr char kPathSeparator = '/';

// The folder of the running executable, ending in a separator.
std::string GetModuleFolder();

// The path with a separator appended unless it already ends in one (an empty path becomes "/").
std::string AddTrailingBackslash(const std::string& path);

// The text before the last separator, without it; empty when there is none.
std::string GetFolderFromPath(const std::string& path);

// The path with the extension after its last '.' replaced. Only a '.' in the last path component
// counts; a name without one gets ".<extension>" appended.
std::string ReplaceFileExtension(const std::string& path, const std::string& extension);

// True when something matches the path; the last component may hold the wildcards '*' and '?'.
bool FileExists(const std::string& pathOrPattern);

bool DirectoryExists(const std::string& path);

// Creates every folder of the path, outermost first; failures (a folder that exists) are ignored.
void CreateDirectoryPath(const std::string& path);

// The folder the temporary files of this process go to, ending in a separator.
std::string GetTempFolder();

// Deletes every file (not sub-folders) in the temp folder; files that cannot be deleted are left.
void ClearTempFolder();

// Makes sure the temp folder exists and creates a new, empty file in it named "stv" + four hex
// digits + ".tmp"; throws QFileSystemException (Error#328) when that fails.
void CreateTempFileName(std::string& name);

} // namespace orv
