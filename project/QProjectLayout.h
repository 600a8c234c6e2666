#pragma once

// The fixed pieces of a repository's and a project's folder layout. Paths are built with '/', and
// the repository folder text always ends in one.
namespace orv {

inline constexpr const char* kRepositoryDataFolder = "Data/";
inline constexpr const char* kRepositoryPrefsFolder = "Prefs/";
inline constexpr const char* kPreferencesProjectName = "PrefsProject";
inline constexpr const char* kUntitledProjectName = "Untitled";

inline constexpr const char* kWorkingCopyFolder = "/temp/";
inline constexpr const char* kSavedCopyFolder = "/permanent/";
inline constexpr const char* kNodeFolder = "nodes/";
inline constexpr const char* kScanFolder = "scans/";
inline constexpr const char* kNodeFileExtension = ".nod";
inline constexpr const char* kScanFileExtension = ".scn";
inline constexpr const char* kNodeTableExtension = ".lin";

// Kinds of stored file, as the path builder and the openers take them.
inline constexpr int kStoredNodeFile = 0;
inline constexpr int kStoredNodeTable = 1;
inline constexpr int kStoredScanFile = 2;

// The value that opens every stored file.
inline constexpr unsigned kStoredFileHeaderVersion = 11;

} // namespace orv
