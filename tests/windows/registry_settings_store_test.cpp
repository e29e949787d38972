// The registry store against the real registry, in a key of the user's hive
// that the test owns (the machine hive needs administrator rights).
#include "platform/windows/registry_settings_store.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace tarnwell;

namespace {

class RegistryStoreTest : public ::testing::Test {
protected:
    const std::string key = "Software\\Tarnwell tests\\settings " + std::to_string(::GetCurrentProcessId());
    void TearDown() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str()); }

    DWORD ValueType(const char* name) {
        DWORD type = 0;
        ::RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, nullptr);
        return type;
    }
};

} // namespace

TEST_F(RegistryStoreTest, CreatesTheKeyAndKeepsTextsAndTheNumberWithTheirTypes) {
    {
        RegistrySettingsStore store(RegistryHive::CurrentUser, key);
        ASSERT_TRUE(store.Open());
        EXPECT_FALSE(store.ReadString(kSettingUpgradeIp, kSettingReadBuffer)) << "a new key has no values";
        EXPECT_TRUE(store.WriteString(kSettingUpgradeIp, "192.168.1.20"));
        EXPECT_TRUE(store.WriteNumber(kSettingUpgradePort, 10002));
        EXPECT_TRUE(store.WriteString(kSettingUpgradeMac, ""));
        EXPECT_TRUE(store.Close());
    }
    EXPECT_EQ(ValueType(kSettingUpgradeIp), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(ValueType(kSettingUpgradePort), static_cast<DWORD>(REG_DWORD));
    DWORD size = 0;
    ::RegGetValueA(HKEY_CURRENT_USER, key.c_str(), kSettingUpgradeIp, RRF_RT_REG_SZ, nullptr, nullptr, &size);
    EXPECT_EQ(size, 13u) << "the text is stored with its terminating zero";

    RegistrySettingsStore again(RegistryHive::CurrentUser, key);
    ASSERT_TRUE(again.Open());
    EXPECT_EQ(again.ReadString(kSettingUpgradeIp, kSettingReadBuffer), "192.168.1.20");
    EXPECT_EQ(again.ReadString(kSettingUpgradeMac, kSettingReadBuffer), "");
    EXPECT_FALSE(again.ReadString(kSettingUpgradePort, kSettingReadBuffer)) << "a number is not a text";
}

TEST_F(RegistryStoreTest, ATextThatDoesNotFitTheBufferIsNotRead) {
    RegistrySettingsStore store(RegistryHive::CurrentUser, key);
    ASSERT_TRUE(store.Open());
    ASSERT_TRUE(store.WriteString(kSettingUpgradeMac, std::string(254, 'm')));
    EXPECT_EQ(store.ReadString(kSettingUpgradeMac, kSettingReadBuffer), std::string(254, 'm'));
    ASSERT_TRUE(store.WriteString(kSettingUpgradeMac, std::string(255, 'm')));
    EXPECT_FALSE(store.ReadString(kSettingUpgradeMac, kSettingReadBuffer));
    // Stored without a terminating zero and filling the buffer exactly: still too long.
    const std::string raw(255, 'r');
    ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), kSettingUpgradeIp, REG_SZ, raw.data(), 255), ERROR_SUCCESS);
    EXPECT_FALSE(store.ReadString(kSettingUpgradeIp, kSettingReadBuffer));
}

TEST_F(RegistryStoreTest, NothingIsReadOrWrittenWithoutAnOpenKey) {
    RegistrySettingsStore store(RegistryHive::CurrentUser, key);
    EXPECT_FALSE(store.ReadString(kSettingUpgradeIp, kSettingReadBuffer));
    EXPECT_FALSE(store.WriteString(kSettingUpgradeIp, "10.0.0.1"));
    EXPECT_FALSE(store.WriteNumber(kSettingUpgradePort, 10002));
}
