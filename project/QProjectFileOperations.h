#pragma once

#include "project/QProjectStorageManager.h"

namespace orv {

class QFileSystemProjectStorageManager;

// The project file's save and load, and the check of the node-table form against the node files.
// They run inside a file-system storage manager, whose file store, node-id counters and save-as
// state they use; the storage manager hands them every call of these operations.
class QProjectFileOperations {
public:
    QProjectFileOperations() = default;
    QProjectFileOperations(const QProjectFileOperations&) = delete;
    QProjectFileOperations& operator=(const QProjectFileOperations&) = delete;
    virtual ~QProjectFileOperations();

    // True when the file was written through; false when no file could be made. Write errors throw.
    virtual bool SaveProject(QFileSystemProjectStorageManager& storage, TfrmMainApp* window,
                             const QNodePairList& pairs, QStorageErrorList& errors) = 0;
    // True when the project file was read through; false when it is missing or too old.
    virtual bool LoadProject(QFileSystemProjectStorageManager& storage, TfrmMainApp* window,
                             QNodePairList& pairs, QStorageErrorList& errors) = 0;
    // False when the node table is missing; an id that does not match its node file throws.
    virtual bool ValidateNodes(QFileSystemProjectStorageManager& storage, QNodePairList& pairs,
                               QStorageErrorList& errors) = 0;
};

} // namespace orv
