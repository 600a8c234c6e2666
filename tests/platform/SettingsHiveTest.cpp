#include "platform/registry/SettingsHive.h"

#include "platform/CLocale.h"

#include <gtest/gtest.h>

#include <string>

namespace orv {
namespace {

// Keys large enough that names are found through the index, and small ones found by a walk, must
// answer alike: case-blind names, the first of two equal names kept, and removals that shift what
// follows.
TEST(SettingsHive, LargeAndSmallKeysFindNamesAlikeAcrossRemovals) {
    for (const int count : {3, 40, 1000}) {
        SCOPED_TRACE(count);
        std::string text;
        for (int i = 0; i < count; ++i) {
            text += FormatC("[Root\\Key%d]\n\"Value%d\"=dword:%08x\n", i, i, i);
        }
        text += "[Root\\Big]\n";
        for (int i = 0; i < count; ++i) {
            text += FormatC("\"Name%d\"=sz:\"first %d\"\n", i, i);
        }
        text += "\"NAME1\"=sz:\"second\"\n"; // the first spelling keeps its value
        SettingsHive hive = SettingsHive::Parse(text);
        SettingsHive::Key* root = hive.Find({"root"});
        ASSERT_NE(root, nullptr);
        ASSERT_EQ(root->subKeys.size(), static_cast<size_t>(count) + 1);
        SettingsHive::Key* big = root->FindSubKey("BIG");
        ASSERT_NE(big, nullptr);
        ASSERT_EQ(big->values.size(), static_cast<size_t>(count));
        EXPECT_EQ(big->values[static_cast<size_t>(big->FindValue("name1"))].data, "first 1");

        big->RemoveValue(0);
        EXPECT_EQ(big->FindValue("Name0"), -1);
        for (int i = 1; i < count; ++i) {
            ASSERT_EQ(big->FindValue(FormatC("NAME%d", i)), i - 1) << i;
        }
        big->AddValue(SettingsValue::MakeString("Name0", "again"));
        EXPECT_EQ(big->FindValue("name0"), count - 1);

        EXPECT_TRUE(root->RemoveSubKey("key1"));
        EXPECT_FALSE(root->RemoveSubKey("key1"));
        EXPECT_EQ(root->FindSubKey("Key1"), nullptr);
        for (int i = 0; i < count; ++i) {
            if (i != 1) {
                SettingsHive::Key* key = root->FindSubKey(FormatC("KEY%d", i));
                ASSERT_NE(key, nullptr) << i;
                EXPECT_EQ(key->values[0].AsDword(), static_cast<uint32_t>(i));
            }
        }
        EXPECT_EQ(&root->FindOrAddSubKey("big"), big);
        SettingsHive::Key& added = root->FindOrAddSubKey("New");
        EXPECT_EQ(root->FindSubKey("NEW"), &added);
        EXPECT_EQ(added.name, "New");
    }
}

} // namespace
} // namespace orv
