// The project containers over the real project file: a project made in one window is saved to its
// file and opened in the next window.

#include "core/QException.h"
#include "core/QSerializable.h"
#include "core/TypeIds.h"
#include "project/COverlayControl.h"
#include "project/QFileSystemProjectStorageManagerFactory.h"
#include "project/QNodeFactory.h"
#include "project/QProjectFile.h"
#include "project/QProjectFileModel.h"
#include "project/TfrmMainApp.h"
#include "project/TfrmProjectView.h"
#include "tests/project/support/ProjectContainerFixture.h"

#include "core/QScannerContext.h"

#include <gtest/gtest.h>

#include <limits>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace orv::containertest {
namespace {

// The node model of the project file for projects whose nodes hold no scans: nodes are made through
// the window's node factory and written and read as their frames.
class NodeTreeFileModel : public QProjectFileModel {
public:
    QOverlayControlList* GetOverlayControls(TfrmMainApp* window) override {
        return &window->GetOverlayControls();
    }
    std::unique_ptr<QNodeMediator> ReadNode(QDataReader& reader, QNodeMediator* parent,
                                            TfrmMainApp* window) override {
        QNodeHeader header;
        header.Deserialize(reader);
        QNodeFactory factory = window->MakeNodeFactory();
        std::unique_ptr<QNodeMediator> mediator = factory.CreateNodeWithMediator(
            parent, window->GetNodeContainer(), header.GetHeaderTypeId(), nullptr, false);
        mediator->GetNode()->CopyHeader(header);
        mediator->GetNode()->ReadBody(reader);
        return mediator;
    }
    void ResolveLinks(QNodeMediator& /*mediator*/, const QNodeIdMap& /*ids*/) override {}
    void AddSpectralScan(QNodeMediator&, QProjectSpectralScanRecord&&) override { NoScans(); }
    void AddSpatialScan(QNodeMediator&, QProjectSpatialScanRecord&&) override { NoScans(); }
    void AddSpectralSpatialScan(QNodeMediator&, QProjectSpectralSpatialScanRecord&&) override { NoScans(); }
    void AddHandHeldScan(QNodeMediator&, QProjectSpectralSpatialScanRecord&&) override { NoScans(); }
    void SetNodeValues(QNodeMediator&, const QProjectNodeValues&) override { NoScans(); }
    void SetComparedSpectralScan(QNodeMediator&, int, std::unique_ptr<QProjectSpectralScanRecord>) override {
        NoScans();
    }
    void SetComparedSpatialScan(QNodeMediator&, int, std::unique_ptr<QProjectSpatialScanRecord>) override {
        NoScans();
    }
    void SetScriptPoints(QNodeMediator&, std::vector<QProjectScriptPoint>&&) override { NoScans(); }
    void SetReportSection(QNodeMediator&, QProjectReportSection&&) override { NoScans(); }
    uint32_t GetNodeID(QNodeMediator& mediator) override { return mediator.GetNodeID(); }
    uint16_t GetTypeID(QNodeMediator& mediator) override { return mediator.GetEffectiveNode()->GetTypeID(); }
    std::string GetName(QNodeMediator& mediator) override { return mediator.GetName(); }
    bool IsScanRunning(QNodeMediator& mediator) override { return mediator.IsScanning(); }
    void WriteNode(QDataWriter& writer, QNodeMediator& mediator) override {
        mediator.GetEffectiveNode()->Serialize(writer);
    }
    uint32_t GetScanCount(QNodeMediator& /*mediator*/) override { return 0; }
    void VisitSpectralScans(QNodeMediator&,
                            const std::function<void(const QProjectSpectralScanRecord&)>&) override {}
    void VisitSpatialScans(QNodeMediator&,
                           const std::function<void(const QProjectSpatialScanRecord&)>&) override {}
    void VisitSpectralSpatialScans(
        QNodeMediator&, const std::function<void(const QProjectSpectralSpatialScanRecord&)>&) override {}
    void VisitHandHeldScans(QNodeMediator&,
                            const std::function<void(const QProjectSpectralSpatialScanRecord&)>&) override {}
    QProjectNodeValues GetNodeValues(QNodeMediator& /*mediator*/) override { return {}; }
    bool VisitComparedSpectralScan(QNodeMediator&, int,
                                   const std::function<void(const QProjectSpectralScanRecord&)>&) override {
        return false;
    }
    bool VisitComparedSpatialScan(QNodeMediator&, int,
                                  const std::function<void(const QProjectSpatialScanRecord&)>&) override {
        return false;
    }
    std::vector<QProjectScriptPoint> GetScriptPoints(QNodeMediator& /*mediator*/) override { return {}; }
    QProjectReportSection GetReportSection(QNodeMediator& /*mediator*/) override { return {}; }

private:
    [[noreturn]] static void NoScans() { throw std::logic_error("this model holds no scans"); }
};

class ProjectFileContainerTest : public ProjectContainerTest {
protected:
    std::unique_ptr<TfrmMainApp> MakeFileApp(bool noPreferences) {
        auto app = std::make_unique<TfrmMainApp>(m_frame, noPreferences,
                                                 std::make_shared<QFileSystemProjectStorageManagerFactory>(
                                                     std::make_shared<QProjectFile>(m_model)),
                                                 [] { return std::make_unique<NodeOwningMediator>(); });
        app->RegisterProjectTree(kWindow, &m_tree);
        return app;
    }

    std::string ProjectFile() const { return m_repository + "/Data/Untitled/Untitled"; }

    NodeTreeFileModel m_model;
};

TEST_F(ProjectFileContainerTest, AProjectSavedInOneWindowOpensInTheNext) {
    const int before = NodeOwningMediator::Alive();
    std::string outline;
    {
        auto app = MakeFileApp(false);
        ASSERT_TRUE(app->NewProject(kWindow, nullptr));
        TfrmProjectView& view = *app->GetOpenProject();
        QNodeMediator* module = view.AddNode(m_tree.GetRootItem(), CViewTree::kLast, kTypeModuleNode);
        view.AddNode(m_tree.Find(module), CViewTree::kLast, kTypeNoteNode);
        view.AddNode(m_tree.Find(module), CViewTree::kLast, kTypeOverlayNode);
        view.AddNode(m_tree.GetRootItem(), CViewTree::kLast, kTypeModuleNode);
        app->GetPreferencesMediator()->GetAnalyzerOptions()->SetScannerId(2);
        const uint8_t picture[] = {1, 2, 3, 4};
        app->AddPictureOverlayControl(picture, 4, 11, 4000, false);
        outline = m_tree.Outline();
        ASSERT_TRUE(app->SaveProject()) << (m_prompt->Texts().empty() ? "" : m_prompt->Texts().back());
        EXPECT_FALSE(view.IsModified());
    }
    EXPECT_EQ(outline, "Project(Module(Note,Overlay),Module)");
    ASSERT_TRUE(std::filesystem::exists(ProjectFile()));
    EXPECT_EQ(NodeOwningMediator::Alive(), before);

    auto app = MakeFileApp(true);
    ASSERT_TRUE(app->OpenProject(kWindow, ProjectFile(), nullptr))
        << (m_prompt->Texts().empty() ? "" : m_prompt->Texts().back());
    EXPECT_EQ(m_tree.Outline(), outline);
    ASSERT_NE(app->GetPreferencesMediator(), nullptr);
    EXPECT_EQ(app->GetPreferencesMediator()->GetAnalyzerOptions()->GetStoredScannerId(), 2);
    ASSERT_NE(app->FindOverlayControl(11), nullptr);
    EXPECT_EQ(app->FindOverlayControl(11)->GetPictureBytes(), (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_TRUE(m_prompt->Texts().empty());
}

TEST_F(ProjectFileContainerTest, AStoredScannerIdOfTheLowest32BitValueLoadsWithoutChangingTheScanner) {
    {
        auto app = MakeFileApp(false);
        ASSERT_TRUE(app->NewProject(kWindow, nullptr));
        app->GetPreferencesMediator()->GetAnalyzerOptions()->SetScannerId(
            std::numeric_limits<int32_t>::min());
        ASSERT_TRUE(app->SaveProject());
    }
    GetScannerContext().SetScannerId(45);
    auto app = MakeFileApp(true);
    ASSERT_TRUE(app->OpenProject(kWindow, ProjectFile(), nullptr));
    EXPECT_EQ(app->GetPreferencesMediator()->GetAnalyzerOptions()->GetStoredScannerId(),
              std::numeric_limits<int32_t>::min());
    EXPECT_EQ(GetScannerContext().GetScannerId(), 45);
}

TEST_F(ProjectFileContainerTest, ACorruptFileIsShownAndLeavesNoNodesBehind) {
    {
        auto app = MakeFileApp(false);
        ASSERT_TRUE(app->NewProject(kWindow, nullptr));
        app->GetOpenProject()->AddNode(m_tree.GetRootItem(), CViewTree::kLast, kTypeModuleNode);
        ASSERT_TRUE(app->SaveProject());
    }
    // Cut the file inside its last node.
    const auto size = std::filesystem::file_size(ProjectFile());
    std::filesystem::resize_file(ProjectFile(), size - 20);

    const int before = NodeOwningMediator::Alive();
    auto app = MakeFileApp(true);
    EXPECT_FALSE(app->OpenProject(kWindow, ProjectFile(), nullptr));
    EXPECT_EQ(m_prompt->Texts(), std::vector<std::string>{"Error#317: Invalid or corrupt project."});
    EXPECT_EQ(app->GetOpenProject(), nullptr);
    EXPECT_EQ(app->GetPreferencesMediator(), nullptr);
    EXPECT_EQ(NodeOwningMediator::Alive(), before);
    EXPECT_EQ(m_tree.ItemCount(), 0U);
}

TEST_F(ProjectFileContainerTest, OverlaysBelongToTheOpenProjectOnly) {
    {
        auto app = MakeFileApp(false);
        ASSERT_TRUE(app->NewProject(kWindow, nullptr));
        const uint8_t picture[] = {1, 2, 3, 4};
        app->AddPictureOverlayControl(picture, 4, 11, 4000, false);
        app->AddPictureOverlayControl(picture, 2, 12, 4001, false);
        ASSERT_TRUE(app->SaveProject());
    }
    const auto overlayCount = [](TfrmMainApp& app) { return app.GetOverlayControls().GetControls().size(); };
    auto app = MakeFileApp(true);
    ASSERT_TRUE(app->OpenProject(kWindow, ProjectFile(), nullptr));
    EXPECT_EQ(overlayCount(*app), 2U);
    app->CloseProject();
    EXPECT_EQ(overlayCount(*app), 0U);
    ASSERT_TRUE(app->OpenProject(kWindow, ProjectFile(), nullptr));
    EXPECT_EQ(overlayCount(*app), 2U);
    // Opening again replaces the list rather than adding to it.
    ASSERT_TRUE(app->OpenProject(kWindow, ProjectFile(), nullptr));
    EXPECT_EQ(overlayCount(*app), 2U);

    // A copy cut inside its last node reads every overlay, then fails: the list stays as it was.
    const std::string cut = m_repository + "/cut.ovp";
    std::filesystem::copy_file(ProjectFile(), cut);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) - 20);
    const uint8_t other[] = {5};
    app->AddPictureOverlayControl(other, 1, 13, 4002, false);
    EXPECT_FALSE(app->OpenProject(kWindow, cut, nullptr));
    EXPECT_EQ(overlayCount(*app), 3U);
    EXPECT_NE(app->FindOverlayControl(13), nullptr);

    ASSERT_TRUE(app->NewProject(kWindow, nullptr));
    EXPECT_EQ(overlayCount(*app), 0U);
}

} // namespace
} // namespace orv::containertest
