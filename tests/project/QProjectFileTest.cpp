#include "project/QProjectFile.h"

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "core/TypeIds.h"
#include "platform/debug/DebugOutput.h"
#include "platform/fs/AppPaths.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/QFileSystemProjectStorageManager.h"
#include "project/QFileSystemProjectStorageManagerFactory.h"
#include "project/QFileSystemRepositoryManager.h"
#include "tests/project/support/ByteBuilder.h"
#include "tests/project/support/ProjectFileFakes.h"
#include "tests/project/support/StoreTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

namespace orv {
namespace {

using projectfiletest::FakeMediator;
using projectfiletest::FakeProjectFileModel;
using projectfiletest::OwnedPairs;

std::vector<uint8_t> Written(const std::function<void(QDataWriter&)>& write) {
    QCharCounterDataWriter counter;
    write(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), counter.m_count);
    write(writer);
    return bytes;
}

std::vector<uint8_t> SaveToBytes(QProjectFile& file, const QNodePairList& pairs, uint32_t nextNodeId) {
    return Written([&](QDataWriter& w) { file.WriteProject(w, nullptr, pairs, nextNodeId); });
}

// Loads into `loaded`; the pairs' mediators are owned by it even when the load throws.
QProjectFile::LoadResult LoadFromBytes(QProjectFile& file, const std::vector<uint8_t>& bytes,
                                       OwnedPairs& loaded) {
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return file.ReadProject(reader, nullptr, loaded.m_pairs);
}

FakeMediator& Fake(const QNodePair& pair) {
    return static_cast<FakeMediator&>(*pair.m_node);
}

TEST(ProjectFile, EveryKindWithOverlaysSavesLoadsAndSavesByteIdentical) {
    FakeProjectFileModel model;
    OwnedPairs project;
    projectfiletest::BuildEveryKindProject(project, model);
    QProjectFile file(model);
    const std::vector<uint8_t> first = SaveToBytes(file, project.m_pairs, 40);

    FakeProjectFileModel loadedModel;
    QProjectFile loadedFile(loadedModel);
    OwnedPairs loaded;
    DebugOutputCapture debug;
    const QProjectFile::LoadResult result = LoadFromBytes(loadedFile, first, loaded);
    ASSERT_TRUE(result.m_loaded);
    EXPECT_EQ(result.m_nextNodeId, 40U);
    EXPECT_EQ(result.m_fileVersion, GetProgramVersionParts());
    ASSERT_EQ(loaded.m_pairs.size(), project.m_pairs.size());
    EXPECT_EQ(SaveToBytes(loadedFile, loaded.m_pairs, 40), first);

    // The tree: Preferences and root name themselves; the others their parent, made under it.
    EXPECT_EQ(loaded.m_pairs[0].m_parent, loaded.m_pairs[0].m_node);
    EXPECT_EQ(loaded.m_pairs[1].m_parent, loaded.m_pairs[1].m_node);
    EXPECT_EQ(Fake(loaded.m_pairs[1]).m_data.m_parentAtCreation, nullptr);
    EXPECT_EQ(loaded.m_pairs[2].m_parent, loaded.m_pairs[1].m_node);
    EXPECT_EQ(Fake(loaded.m_pairs[6]).m_data.m_parentAtCreation, loaded.m_pairs[2].m_node);
    EXPECT_EQ(Fake(loaded.m_pairs[0]).m_data.m_resolveCalls, 0);
    for (size_t i = 1; i < loaded.m_pairs.size(); ++i) {
        EXPECT_EQ(Fake(loaded.m_pairs[i]).m_data.m_resolveCalls, 1);
    }
    // The records arrive as they were saved.
    for (size_t i = 0; i < project.m_pairs.size(); ++i) {
        const projectfiletest::FakeNodeData& saved = Fake(project.m_pairs[i]).m_data;
        const projectfiletest::FakeNodeData& back = Fake(loaded.m_pairs[i]).m_data;
        EXPECT_EQ(back.m_spectral, saved.m_spectral);
        EXPECT_EQ(back.m_spatial, saved.m_spatial);
        EXPECT_EQ(back.m_cells, saved.m_cells);
        EXPECT_EQ(back.m_handHeld, saved.m_handHeld);
        EXPECT_EQ(back.m_points, saved.m_points);
        EXPECT_EQ(back.m_report, saved.m_report);
        for (size_t slot = 0; slot < 2; ++slot) {
            EXPECT_EQ(back.m_comparedSpectral[slot] != nullptr, saved.m_comparedSpectral[slot] != nullptr);
            EXPECT_EQ(back.m_comparedSpatial[slot] != nullptr, saved.m_comparedSpatial[slot] != nullptr);
        }
    }
    EXPECT_EQ(loadedModel.m_overlays.GetControls().size(), 3U);
    const std::vector<std::string> texts = debug.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Node name: Spectral/Spatial\n"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Load the node of 'eWORD_REPORT_NODE_TYPE'.\n"),
              texts.end());
}

TEST(ProjectFile, HeadOfTheFileIsVersionOverlaysCountAndNextId) {
    FakeProjectFileModel model;
    OwnedPairs project;
    project.Add(kTypePreferencesNode, 0xFFFFFFFFU, "P");
    project.Add(kTypeProjectNode, 5, "R");
    QProjectFile file(model, {5, 1, 2, 0});
    const std::vector<uint8_t> bytes = SaveToBytes(file, project.m_pairs, 9);
    projectfiletest::ByteBuilder expected;
    expected.U16(5).U16(1).U16(2).U16(0).U32(0).U32(2).U32(9);
    expected.U8(0x2A).U16(kTypePreferencesNode).U32(9).U32(0xFFFFFFFFU).U32(1).U8('P');
    expected.U32(5).U32(5).U8(0x2A).U16(kTypeProjectNode).U32(9).U32(5).U32(1).U8('R').Fill(128, 0);
    EXPECT_EQ(bytes, expected.m_bytes);
}

TEST(ProjectFile, VersionGate) {
    struct Case {
        std::array<int16_t, 4> file;
        bool loads;
        const char* message; // null: none
    };
    const Case cases[] = {
        {{5, 1, 2, 0}, true, nullptr},
        {{5, 1, 1, 99}, false, QProjectFile::kUnsupportedVersionMessage},
        {{4, 99, 99, 99}, false, QProjectFile::kUnsupportedVersionMessage},
        {{-5, 1, 2, 0}, false, QProjectFile::kUnsupportedVersionMessage},
        {{5, 1, 2, 1}, true, QProjectFile::kNewerVersionMessage},
        {{6, 0, 0, 0}, true, QProjectFile::kNewerVersionMessage},
        {{32767, 32767, 32767, 32767}, true, QProjectFile::kNewerVersionMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file[0]);
        FakeProjectFileModel model;
        OwnedPairs project;
        project.Add(kTypePreferencesNode, 0, "P");
        project.Add(kTypeProjectNode, 1, "R");
        QProjectFile writerAt(model, c.file);
        const std::vector<uint8_t> bytes = SaveToBytes(writerAt, project.m_pairs, 2);

        auto prompt = std::make_shared<ScriptedPrompt>();
        ScopedPromptInstall install(prompt);
        QProjectFile program(model, {5, 1, 2, 0});
        OwnedPairs loaded;
        const QProjectFile::LoadResult result = LoadFromBytes(program, bytes, loaded);
        EXPECT_EQ(result.m_loaded, c.loads);
        EXPECT_EQ(result.m_fileVersion, c.file);
        EXPECT_EQ(loaded.m_pairs.size(), c.loads ? 2U : 0U);
        const std::vector<std::string> texts = prompt->Texts();
        EXPECT_EQ(texts.size(), c.message ? 1U : 0U);
        if (c.message && !texts.empty()) {
            EXPECT_EQ(texts[0], c.message);
        }
    }
}

TEST(ProjectFile, ZeroPointComparisonScanIsAbsentAndTheRestLoads) {
    FakeProjectFileModel model;
    OwnedPairs project;
    project.Add(kTypePreferencesNode, 0, "P");
    FakeMediator& root = project.Add(kTypeProjectNode, 1, "R");
    FakeMediator& comparison = project.Add(kTypeSpectralComparisonNode, 2, "C", &root);
    comparison.m_data.m_comparedSpectral[0] =
        std::make_unique<QProjectSpectralScanRecord>(projectfiletest::SampleSpectral(1, 0, 0));
    comparison.m_data.m_comparedSpectral[1] =
        std::make_unique<QProjectSpectralScanRecord>(projectfiletest::SampleSpectral(2, 0, 3));
    FakeMediator& blindSpot = project.Add(kTypeBlindSpotReductionNode, 3, "B", &root);
    QProjectSpatialScanRecord empty = projectfiletest::SampleSpatial(1, 0);
    empty.m_rows = 0;
    empty.m_values.clear();
    blindSpot.m_data.m_comparedSpatial[1] = std::make_unique<QProjectSpatialScanRecord>(empty);
    FakeMediator& spectral = project.Add(kTypeSpectralScanNode, 4, "S", &root);
    spectral.m_data.m_spectral.push_back(projectfiletest::SampleSpectral(1, 0, 0)); // read, not added
    spectral.m_data.m_spectral.push_back(projectfiletest::SampleSpectral(2, 1, 2));
    QProjectFile file(model);
    const std::vector<uint8_t> bytes = SaveToBytes(file, project.m_pairs, 5);

    OwnedPairs loaded;
    ASSERT_TRUE(LoadFromBytes(file, bytes, loaded).m_loaded);
    ASSERT_EQ(loaded.m_pairs.size(), 5U);
    EXPECT_EQ(Fake(loaded.m_pairs[2]).m_data.m_comparedSpectral[0], nullptr);
    ASSERT_NE(Fake(loaded.m_pairs[2]).m_data.m_comparedSpectral[1], nullptr);
    EXPECT_EQ(Fake(loaded.m_pairs[2]).m_data.m_comparedSpectral[1]->m_header.m_scanId, 2U);
    EXPECT_EQ(Fake(loaded.m_pairs[3]).m_data.m_comparedSpatial[1], nullptr);
    ASSERT_EQ(Fake(loaded.m_pairs[4]).m_data.m_spectral.size(), 1U);
    EXPECT_EQ(Fake(loaded.m_pairs[4]).m_data.m_spectral[0].m_header.m_scanId, 2U);
}

TEST(ProjectFile, CorruptFilesAreError317AndLeaveOnlyOwnedMediators) {
    FakeProjectFileModel model;
    OwnedPairs project;
    projectfiletest::BuildEveryKindProject(project, model);
    QProjectFile file(model);
    const std::vector<uint8_t> bytes = SaveToBytes(file, project.m_pairs, 40);
    for (size_t length = 0; length < bytes.size(); ++length) {
        FakeProjectFileModel loadedModel;
        QProjectFile loadedFile(loadedModel);
        OwnedPairs loaded;
        try {
            LoadFromBytes(loadedFile,
                          std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(length)),
                          loaded);
            ADD_FAILURE() << "loaded " << length << " bytes";
        } catch (const QIOException& e) {
            EXPECT_EQ(e.m_message, kCorruptProjectMessage) << length;
        }
    }

    // Fewer than two entries, a first entry that is not the Preferences node, a huge node count.
    const auto corruptHead = [&](const std::function<void(std::vector<uint8_t>&)>& patch) {
        std::vector<uint8_t> patched = bytes;
        patch(patched);
        OwnedPairs loaded;
        FakeProjectFileModel loadedModel;
        QProjectFile loadedFile(loadedModel);
        EXPECT_THROW(LoadFromBytes(loadedFile, patched, loaded), QIOException);
    };
    const size_t countOffset =
        Written([&](QDataWriter& w) { model.m_overlays.WriteOverlayControls(w); }).size() + 8;
    corruptHead([&](std::vector<uint8_t>& b) { b[countOffset] = 1; });
    corruptHead([&](std::vector<uint8_t>& b) { b[countOffset + 3] = 0x7F; });
    corruptHead([&](std::vector<uint8_t>& b) { b[countOffset + 8 + 1] = 0xD7; }); // first type 2007
    // An unknown node kind is the factory's error.
    std::vector<uint8_t> unknown = bytes;
    unknown[countOffset + 8 + 1] = 0xD2; // 2002
    OwnedPairs loaded;
    try {
        LoadFromBytes(file, unknown, loaded);
        ADD_FAILURE();
    } catch (const QException& e) {
        EXPECT_EQ(e.m_message, "Error#314: Invalid node type.  Node creation has failed.");
    }
}

TEST(ProjectFile, SaveIsRefusedForBadPairListsAndRunningScansBeforeAnythingIsWritten) {
    FakeProjectFileModel model;
    OwnedPairs project;
    project.Add(kTypePreferencesNode, 0, "P");
    QProjectFile file(model);
    QCharCounterDataWriter counter;
    EXPECT_THROW(file.WriteProject(counter, nullptr, project.m_pairs, 1), QStorageLayerException);
    FakeMediator& root = project.Add(kTypeProjectNode, 1, "R");
    project.Add(kTypeSpectralScanNode, 2, "S", &root).m_data.m_scanning = true;
    try {
        file.WriteProject(counter, nullptr, project.m_pairs, 3);
        ADD_FAILURE();
    } catch (const QStorageLayerException& e) {
        EXPECT_EQ(e.m_message, QProjectFile::kScanRunningMessage);
    }
    EXPECT_EQ(counter.m_count, 0U);
}

class ProjectFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(m_scratch.Path("process-temp"));
        SetProcessTempFolderOverride(m_scratch.Path("process-temp"));
        auto manager = m_repository.OpenProjectByPath(m_scratch.Path("Data/Board/Board"));
        m_storage.reset(dynamic_cast<QFileSystemProjectStorageManager*>(manager.release()));
        ASSERT_NE(m_storage, nullptr);
    }
    void TearDown() override { SetProcessTempFolderOverride(""); }

    storetest::ScratchFolder m_scratch;
    FakeProjectFileModel m_model;
    std::shared_ptr<QProjectFile> m_file = std::make_shared<QProjectFile>(m_model);
    QFileSystemRepositoryManager m_repository{
        m_scratch.Path(), std::make_shared<QFileSystemProjectStorageManagerFactory>(m_file)};
    std::unique_ptr<QFileSystemProjectStorageManager> m_storage;
};

TEST_F(ProjectFileOnDisk, FailedSaveLeavesThePreviousFileIntactAndLoadable) {
    OwnedPairs project;
    projectfiletest::BuildEveryKindProject(project, m_model);
    QStorageErrorList errors;
    m_storage->SetNextNodeId(40);
    ASSERT_TRUE(m_storage->SaveProject(nullptr, project.m_pairs, errors));
    EXPECT_EQ(m_storage->GetCommittedNodeId(), 40U);
    const std::string path = m_scratch.Path("Data/Board/Board");
    const std::vector<uint8_t> good = storetest::ReadBytes(path);
    ASSERT_GE(good.size(), 4U);
    EXPECT_EQ(good[0], 11);

    // A much larger project cannot be written under the file size limit.
    Fake(project.m_pairs[2]).m_data.m_spectral.push_back(projectfiletest::SampleSpectral(9, 0, 100000));
    m_storage->SetNextNodeId(41);
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 200000;
    ::setrlimit(RLIMIT_FSIZE, &limited);
    bool failed = false;
    try {
        m_storage->SaveProject(nullptr, project.m_pairs, errors);
    } catch (const QStorageLayerException&) {
        failed = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(failed);
    EXPECT_EQ(m_storage->GetCommittedNodeId(), 40U);
    EXPECT_EQ(storetest::ReadBytes(path), good);

    m_model.m_overlays.GetControls().clear();
    OwnedPairs loaded;
    ASSERT_TRUE(m_storage->LoadProject(nullptr, loaded.m_pairs, errors));
    EXPECT_EQ(loaded.m_pairs.size(), project.m_pairs.size());
    EXPECT_EQ(m_storage->GetNextNodeId(), 40U);
    EXPECT_EQ(Fake(loaded.m_pairs[2]).m_data.m_spectral.size(), 2U);
    EXPECT_EQ(m_model.m_overlays.GetControls().size(), 3U);
}

TEST_F(ProjectFileOnDisk, AFifoAsTheProjectFileIsAnOpeningErrorAtOnce) {
    const std::string path = m_scratch.Path("Data/Board/Board");
    std::filesystem::create_directories(m_scratch.Path("Data/Board"));
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    OwnedPairs loaded;
    QStorageErrorList errors;
    try {
        m_storage->LoadProject(nullptr, loaded.m_pairs, errors);
        ADD_FAILURE() << "loaded";
    } catch (const QStorageLayerException& e) {
        EXPECT_EQ(e.m_message, "Error#311: Error opening file: " + path + ".");
    }
    EXPECT_TRUE(loaded.m_pairs.empty());
}

TEST_F(ProjectFileOnDisk, MissingFileIsNotLoaded) {
    OwnedPairs loaded;
    QStorageErrorList errors;
    EXPECT_FALSE(m_storage->LoadProject(nullptr, loaded.m_pairs, errors));
    EXPECT_TRUE(loaded.m_pairs.empty());
}

} // namespace
} // namespace orv
