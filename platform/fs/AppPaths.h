#pragma once

// The folders the program works in. Folders are returned without a trailing '/'.
//   executable folder  the folder of /proc/self/exe
//   user data folder   $XDG_DATA_HOME/QZV Technologies/Orvilant ($XDG_DATA_HOME defaults to
//                      ~/.local/share): the log files and per-user data
//   process temp folder <temp>/orvilant-<uid>/<pid> (<temp> honours $TMPDIR): scratch files of this
//                      process; the executable's folder may be read-only, and two users or two
//                      running copies must not clear each other's files
// Each can be replaced from code (tests point them at a folder of their own); an empty text brings
// back the default. Safe to call from any thread.

#include <optional>
#include <string>
#include <string_view>

namespace orv {

std::string GetExecutableFolder();
std::string GetUserDataFolder();
std::string GetProcessTempFolder();

void SetExecutableFolderOverride(std::string folder);
void SetUserDataFolderOverride(std::string folder);
void SetProcessTempFolderOverride(std::string folder);

// Creates the process temp folder and its per-user parent (mode 0700) when missing. False when it
// cannot be made or when the per-user parent is not a folder of this user (someone else may have
// planted it in the shared temp folder). The first call of a run also removes the folders of runs
// that no longer exist and has this run's folder removed when the process exits in order.
bool EnsureProcessTempFolder();

// True for a folder (not a link) that belongs to this user with no group or other access.
bool IsPrivateFolderOfThisUser(const std::string& folder);

// $XDG_RUNTIME_DIR when it is set to an absolute path of a private folder of this user; else empty
// (a folder that is set but not private is logged once per run; its mode is never changed).
std::string GetPrivateXdgRuntimeFolder();

// The folder for this user's run-time files (the single-instance lock, local sockets):
// GetPrivateXdgRuntimeFolder(), else the per-user temp folder <temp>/orvilant-<uid> (made, or closed
// to, 0700). Empty when the per-user folder cannot be made or is not this user's own folder (a link,
// or another user's), so nobody else can plant a file there.
std::string GetUserRuntimeFolder();

// Removes the process temp folder with everything in it (at an orderly shutdown); true when it is
// gone.
bool RemoveProcessTempFolder();

// Removes, from the per-user temp folder, the folders of processes that no longer run (a crashed
// or killed run's scratch files). Done once by the first EnsureProcessTempFolder of a run.
void RemoveStaleProcessTempFolders();

// Creates a new, empty file named prefix + four hexadecimal digits + ".tmp" in the folder, never
// reusing a name that exists; the full path, or nullopt when no name could be made.
std::optional<std::string> CreateUniqueTempFile(const std::string& folder, std::string_view prefix);

} // namespace orv
