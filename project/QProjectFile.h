#pragma once

#include "project/QProjectFileFormat.h"
#include "project/QProjectFileModel.h"
#include "project/QProjectFileOperations.h"

#include <array>
#include <cstdint>

namespace orv {

// The project file: the program version that wrote it, the project window's overlay list and every
// node of the tree with its frame and the scan records of its kind, in the pair list's order.
//
// The save writes through the file store's project-file writer, which replaces the old file only
// when the whole file was written and synced; a failed save leaves the previous file as it was. A
// save while a scan runs on one of the nodes is refused. The load reads through a reader that turns
// every short read into the corrupt-project error, and checks every count before it allocates.
class QProjectFile : public QProjectFileOperations {
public:
    static constexpr const char* kUnsupportedVersionMessage =
        "This Orvilant data file is not supported any more !";
    static constexpr const char* kNewerVersionMessage =
        "You are trying to open a higher version OVP file. \nYou may run into some issues !";
    static constexpr const char* kScanRunningMessage =
        "The project cannot be saved while a scan is running. Stop the scan and save again.";

    // The program version is the running program's unless a test names another.
    explicit QProjectFile(QProjectFileModel& model,
                          const std::array<int16_t, 4>& programVersion = GetProgramVersionParts());

    bool SaveProject(QFileSystemProjectStorageManager& storage, TfrmMainApp* window,
                     const QNodePairList& pairs, QStorageErrorList& errors) override;
    bool LoadProject(QFileSystemProjectStorageManager& storage, TfrmMainApp* window, QNodePairList& pairs,
                     QStorageErrorList& errors) override;
    bool ValidateNodes(QFileSystemProjectStorageManager& storage, QNodePairList& pairs,
                       QStorageErrorList& errors) override;

    // The file after its stored-file version. Checks the pair list (at least the Preferences node,
    // first, and the root) and that no scan runs before anything is written.
    void WriteProject(QDataWriter& writer, TfrmMainApp* window, const QNodePairList& pairs,
                      uint32_t nextNodeId);

    struct LoadResult {
        // False when the file is too old to be read; nothing after the version was read then.
        bool m_loaded = false;
        std::array<int16_t, 4> m_fileVersion{};
        uint32_t m_nextNodeId = 0;
    };
    // Appends a pair per node as it is made; when the file turns out corrupt the exception leaves the
    // pairs made so far in the list (the caller owns their mediators) and frees the one being made.
    LoadResult ReadProject(QDataReader& source, TfrmMainApp* window, QNodePairList& pairs);

private:
    void WriteKindSection(QDataWriter& writer, QNodeMediator& mediator, uint16_t typeId);
    void ReadKindSection(QDataReader& reader, QNodeMediator& mediator, uint16_t typeId);
    void ReadComparedSpectral(QDataReader& reader, QNodeMediator& mediator);
    void ReadComparedSpatial(QDataReader& reader, QNodeMediator& mediator);

    QProjectFileModel& m_model;
    std::array<int16_t, 4> m_programVersion;
};

} // namespace orv
