#pragma once

#include "project/QProjectDescriptor.h"

#include <string>

namespace orv {

// A project that lies in a folder: the folder path carries no trailing separator, and the project
// file inside it bears the project's name.
class QFileSystemProjectDescriptor : public QProjectDescriptor {
public:
    QFileSystemProjectDescriptor(std::string name, std::string folderPath);
    ~QFileSystemProjectDescriptor() override;

    std::string GetFolderPath() const { return m_folderPath; }

    // A name becomes a folder and a file name, so it must be one path component: empty names, "."
    // and "..", and names holding '/' or '\' are refused with a QStorageLayerException.
    static bool IsValidProjectName(const std::string& name);
    static void CheckProjectName(const std::string& name);

private:
    std::string m_folderPath;
};

} // namespace orv
