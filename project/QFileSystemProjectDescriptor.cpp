#include "project/QFileSystemProjectDescriptor.h"

#include "core/QException.h"

#include <utility>

namespace orv {

QFileSystemProjectDescriptor::QFileSystemProjectDescriptor(std::string name, std::string folderPath)
    : QProjectDescriptor(std::move(name)), m_folderPath(std::move(folderPath)) {}

QFileSystemProjectDescriptor::~QFileSystemProjectDescriptor() = default;

bool QFileSystemProjectDescriptor::IsValidProjectName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

void QFileSystemProjectDescriptor::CheckProjectName(const std::string& name) {
    if (!IsValidProjectName(name)) {
        throw QStorageLayerException("Error#343: The selected path is invalid.");
    }
}

} // namespace orv
