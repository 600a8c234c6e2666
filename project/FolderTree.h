#pragma once

#include "project/QStorageBuffer.h"

#include <string>

// Whole-file and folder-tree operations of the project storage. Folder arguments may or may not end
// in '/'. Symbolic links are handled as the links themselves, never followed into their targets.
namespace orv {

// Copies a file byte for byte through the caller's buffer. The destination's missing folders are
// created; the destination itself must not exist (it is never overwritten). Every read, write and
// the final flush and close are checked; on failure the partly written destination is removed and
// a QStorageLayerException names the file ("Error#334" for a failed read of the source).
void CopyFileRaw(const std::string& sourcePath, const std::string& destinationPath, QStorageBuffer& buffer);

// Deletes every file in the folder and its subfolders; the folders stay. False when a file could not
// be deleted; a folder that cannot be listed holds nothing to delete.
bool DeleteFilesInTree(const std::string& folder);

// Moves every file of the source tree to the same place in the destination tree, creating missing
// folders. Each file is renamed over its namesake, so the destination never lacks a file that it had:
// it holds either the old or the new one. The emptied source folders stay. A failed move throws a
// QStorageLayerException; files moved before it stay moved.
void MoveFolderTree(const std::string& sourceFolder, const std::string& destinationFolder);

// Removes the folder with everything in it. True when it is gone (or was never there).
bool DeleteFolderTree(const std::string& folder);

// In a copy of a project (the folder that holds "nodes/" and "scans/"), deletes every scan file whose
// node file is absent. Subfolders of "scans/" are left alone.
void DeleteOrphanScanFiles(const std::string& copyFolder);

} // namespace orv
