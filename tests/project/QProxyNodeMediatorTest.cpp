#include "project/QProxyNodeMediator.h"
#include "platform/ui/ScriptedPrompt.h"
#include "tests/project/support/MediatorFakes.h"

#include <gtest/gtest.h>

namespace orv::test {
namespace {

class ProxyTest : public ::testing::Test {
protected:
    ProxyTest() {
        auto own = std::make_unique<TestMediator>(2008, "Reference", 10);
        ownRaw = own.get();
        own->menu = {"m_pmiTopLevelDeleteNode", "m_pmiTopLevelLinkNode"};
        own->imageIndex = 3;
        proxy.SetKind(2008);
        proxy.SetOwnMediator(std::move(own));
        proxy.SetTreeContainer(&container);
        target.menu = {"m_pmiTopLevelRunOnce", "m_pmiTopLevelAddNode", "m_pmiTopLevelDeleteNode",
                       "m_pmiTopLevelAddNoteNode", "m_pmiTopLevelDeleteNode"};
        target.imageIndex = 9;
        target.runnable = true;
    }

    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall install{prompt};
    FakeNodeContainer container;
    TestMediator target{2003, "Target", 20};
    TestMediator other{2003, "Other", 30};
    QProxyNodeMediator proxy;
    TestMediator* ownRaw = nullptr;
};

TEST_F(ProxyTest, RoutesToItsOwnMediatorWhileUnlinked) {
    EXPECT_EQ(proxy.GetName(), "Reference");
    EXPECT_EQ(proxy.GetNodeID(), 10U);
    EXPECT_EQ(proxy.GetLinkedNodeID(), 10U);
    EXPECT_EQ(proxy.GetImageIndex(), 3);
    EXPECT_FALSE(proxy.IsRunnable());
    EXPECT_FALSE(proxy.IsScanning());
    std::vector<std::string> menu;
    proxy.GetTopLevelMenuItems(menu);
    EXPECT_EQ(menu, ownRaw->menu);
    // Target-only operations give the base results.
    EXPECT_EQ(proxy.GetSpectralDisplayOptions(), nullptr);
    EXPECT_EQ(proxy.GetCommandState(), nullptr);
    // The label is never forwarded.
    ownRaw->label = "own label";
    EXPECT_EQ(proxy.GetLabel(), "");
}

TEST_F(ProxyTest, RoutesToTheTargetWhenLinked) {
    ASSERT_TRUE(proxy.LinkToTarget(target));
    EXPECT_EQ(target.linkedProxies, std::vector<QNodeMediator*>{&proxy});
    ASSERT_EQ(container.updates.size(), 1U);
    EXPECT_EQ(container.updates[0].second, 5);

    struct Route {
        const char* operation;
        bool toTarget;
        bool actual;
    };
    const Route routes[] = {
        {"GetName", true, proxy.GetName() == "Target"},
        {"GetImageIndex", true, proxy.GetImageIndex() == 9},
        {"IsRunnable", true, proxy.IsRunnable()},
        {"GetSpectralDisplayOptions", true, proxy.GetSpectralDisplayOptions() == &target.spectralDisplay},
        {"GetNodeID", false, proxy.GetNodeID() == 10U},
        {"GetLinkedNodeID", true, proxy.GetLinkedNodeID() == 20U},
        // Options beyond the spectral/spatial views are the base's, linked or not.
        {"GetNoteOptions", false, proxy.GetNoteOptions() == nullptr},
        {"CanAcceptChild", false, !proxy.CanAcceptChild(0, nullptr)},
    };
    for (const Route& route : routes) {
        EXPECT_TRUE(route.actual) << route.operation;
    }
    target.acceptsChildren = true;
    EXPECT_FALSE(proxy.CanAcceptChild(0, nullptr));
    ownRaw->acceptsChildren = true;
    EXPECT_TRUE(proxy.CanAcceptChild(0, nullptr));

    proxy.SetName("Renamed");
    EXPECT_EQ(target.name, "Renamed");
    EXPECT_EQ(ownRaw->name, "Reference");

    target.scanning = true;
    EXPECT_TRUE(proxy.IsScanning());

    std::vector<std::string> menu;
    proxy.GetTopLevelMenuItems(menu);
    EXPECT_EQ(menu, (std::vector<std::string>{"m_pmiTopLevelRunOnce", "m_pmiTopLevelDeleteNode",
                                              "m_pmiTopLevelUnlinkNode"}));
}

TEST_F(ProxyTest, UnlinkReturnsToTheOwnMediator) {
    proxy.Unlink(); // unlinked: nothing
    EXPECT_TRUE(container.updates.empty());
    proxy.LinkTo(target);
    proxy.Unlink();
    EXPECT_EQ(proxy.GetTarget(), nullptr);
    EXPECT_TRUE(target.linkedProxies.empty());
    EXPECT_EQ(container.updates.size(), 2U);
    EXPECT_EQ(proxy.GetName(), "Reference");
}

TEST_F(ProxyTest, ARefusedLinkKeepsTheOldTarget) {
    ASSERT_TRUE(proxy.LinkToTarget(target));
    other.scanning = true;
    EXPECT_FALSE(proxy.LinkToTarget(other));
    ASSERT_EQ(prompt->Requests().size(), 1U);
    EXPECT_EQ(prompt->Requests()[0].text, "The scan that is currently running prevents us from linking these "
                                          "nodes.\nPlease stop the current scan and try again.");
    EXPECT_EQ(prompt->Requests()[0].caption, "Error Scan In Progress");
    EXPECT_EQ(prompt->Requests()[0].icon, PromptIcon::Warning);

    QProxyNodeMediator second;
    second.SetOwnMediator(std::make_unique<TestMediator>(2008, "Second", 11));
    EXPECT_FALSE(proxy.LinkToTarget(second));  // another proxy
    EXPECT_FALSE(proxy.LinkToTarget(proxy));   // itself
    EXPECT_FALSE(proxy.LinkToTarget(*ownRaw)); // its own node
    EXPECT_EQ(proxy.GetTarget(), &target);
    EXPECT_EQ(target.linkedProxies, std::vector<QNodeMediator*>{&proxy});

    // A new link leaves the old target's bookkeeping.
    other.scanning = false;
    ASSERT_TRUE(proxy.LinkToTarget(other));
    EXPECT_TRUE(target.linkedProxies.empty());
    EXPECT_EQ(other.linkedProxies, std::vector<QNodeMediator*>{&proxy});
}

TEST_F(ProxyTest, TakeSettingsFromAnotherProxyCopiesItsLink) {
    QProxyNodeMediator source;
    auto sourceOwn = std::make_unique<TestMediator>(2008, "Source", 12);
    TestMediator* sourceOwnRaw = sourceOwn.get();
    source.SetOwnMediator(std::move(sourceOwn));
    ASSERT_TRUE(source.LinkToTarget(other));

    proxy.TakeSettingsFrom(source);
    EXPECT_EQ(ownRaw->settingsTakenFrom, std::vector<QNodeMediator*>{sourceOwnRaw});
    EXPECT_EQ(proxy.GetTarget(), &other);

    // Anything but a proxy is ignored.
    proxy.TakeSettingsFrom(target);
    EXPECT_EQ(ownRaw->settingsTakenFrom.size(), 1U);
    EXPECT_EQ(proxy.GetTarget(), &other);
    proxy.Unlink();
    source.Unlink();
}

TEST_F(ProxyTest, DetachUnlinksThenDetachesTheOwnMediator) {
    proxy.LinkTo(target);
    proxy.Detach();
    EXPECT_EQ(proxy.GetTarget(), nullptr);
    EXPECT_EQ(ownRaw->detached, 1);
}

TEST_F(ProxyTest, DestroyingALinkedProxyLeavesTheTargetsBookkeeping) {
    auto linked = std::make_unique<QProxyNodeMediator>();
    linked->SetOwnMediator(std::make_unique<TestMediator>(2009, "Spatial reference", 13));
    ASSERT_TRUE(linked->LinkToTarget(target));
    linked.reset();
    EXPECT_TRUE(target.linkedProxies.empty());
}

} // namespace
} // namespace orv::test
