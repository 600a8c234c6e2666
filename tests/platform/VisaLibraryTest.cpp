#include "platform/visa/VisaLibrary.h"

#include "tests/platform/support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <string>

namespace orv::visa {
namespace {

using test::ScopedEnvironment;

TEST(VisaLibrary, VendorLibraryWithEveryEntryPointIsUsed) {
    const ScopedEnvironment libraries("ORV_VISA_LIBRARIES", std::string("/nonexistent/libvisa.so;") +
                                                                ORV_FAKE_VISA_WITHOUT_FLUSH_PATH + ";" +
                                                                ORV_FAKE_VISA_PATH);
    const std::unique_ptr<VisaLibrary> library = VisaLibrary::Load("visa32.dll");
    ASSERT_TRUE(library);
    EXPECT_FALSE(library->IsBuiltin());
    EXPECT_EQ(library->GetLibraryName(), ORV_FAKE_VISA_PATH);
    ASSERT_TRUE(library->EntryPoints().IsComplete());
    Session manager = 0;
    EXPECT_EQ(library->EntryPoints().viOpenDefaultRM(&manager), kSuccess);
    EXPECT_EQ(manager, 4242u);
    EXPECT_EQ(library->FindEntryPoint("viOpenDefaultRM"),
              reinterpret_cast<void*>(library->EntryPoints().viOpenDefaultRM));
    EXPECT_EQ(library->FindEntryPoint("viFlush"), reinterpret_cast<void*>(library->EntryPoints().viFlush));
    EXPECT_EQ(library->FindEntryPoint("viWrite"), nullptr);
}

TEST(VisaLibrary, LibraryLackingAnEntryPointIsPassedOver) {
    const ScopedEnvironment libraries("ORV_VISA_LIBRARIES", std::string(ORV_FAKE_VISA_WITHOUT_FLUSH_PATH));
    const std::unique_ptr<VisaLibrary> library = VisaLibrary::Load("visa32.dll");
    ASSERT_TRUE(library);
    EXPECT_TRUE(library->IsBuiltin());
    EXPECT_TRUE(library->EntryPoints().IsComplete());
    Session manager = 0;
    ASSERT_EQ(library->EntryPoints().viOpenDefaultRM(&manager), kSuccess);
    EXPECT_NE(manager, 4242u);
    EXPECT_EQ(library->EntryPoints().viClose(manager), kSuccess);
    // The second name has no built-in form: without a vendor library nothing loads.
    EXPECT_FALSE(VisaLibrary::Load("agvisa32.dll"));
    EXPECT_FALSE(VisaLibrary::Load(ORV_FAKE_VISA_WITHOUT_FLUSH_PATH));
}

TEST(VisaLibrary, EmptyListGivesTheBuiltInLayer) {
    const ScopedEnvironment libraries("ORV_VISA_LIBRARIES", std::string());
    const std::unique_ptr<VisaLibrary> library = VisaLibrary::Load("visa32.dll");
    ASSERT_TRUE(library);
    EXPECT_TRUE(library->IsBuiltin());
    EXPECT_EQ(library->GetLibraryName(), "");
    for (const char* name : kEntryPointNames) {
        EXPECT_NE(library->FindEntryPoint(name), nullptr) << name;
    }
    EXPECT_FALSE(VisaLibrary::Load("agvisa32.dll"));
    // Any other name is a library file of its own.
    const std::unique_ptr<VisaLibrary> direct = VisaLibrary::Load(ORV_FAKE_VISA_PATH);
    ASSERT_TRUE(direct);
    EXPECT_FALSE(direct->IsBuiltin());
}

} // namespace
} // namespace orv::visa
