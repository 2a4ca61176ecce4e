// The context-menu verbs as registry keys, written under a test key of the current user in
// place of HKEY_CURRENT_USER\Software\Classes: added and removed as a set, for the types
// .htm and .html name, without touching the extensions themselves or anything else.
#include "shell_verbs_registry.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using qlm::win32gui::UpdateShellVerbs;
using qlm::win32gui::VerbRegistry;

constexpr wchar_t kProgram[] = L"C:\\Program Files\\Quillomat\\quillomat.exe";

class RegistryVerbs : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = L"Software\\QuillomatTests\\" + std::to_wstring(std::random_device()());
    registry_.root = HKEY_CURRENT_USER;
    registry_.classes = base_ + L"\\Classes";
    registry_.lookup_root = HKEY_CURRENT_USER;
    registry_.lookup_classes = registry_.classes;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, registry_.classes.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str()); }

  std::wstring Path(const std::wstring& below) const { return registry_.classes + L"\\" + below; }
  void SetDefault(const std::wstring& below, const std::wstring& value) const {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, Path(below).c_str(), nullptr, REG_SZ,
                              value.c_str(), static_cast<DWORD>((value.size() + 1) * 2)),
              ERROR_SUCCESS);
  }
  bool Exists(const std::wstring& below) const {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Path(below).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return false;
    RegCloseKey(key);
    return true;
  }
  // The default value, or "<none>".
  std::wstring Default(const std::wstring& below) const {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(HKEY_CURRENT_USER, Path(below).c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                     buffer, &size) != ERROR_SUCCESS) {
      return L"<none>";
    }
    return buffer;
  }

  std::wstring base_;
  VerbRegistry registry_;
};

const std::wstring kCommand = L"\"C:\\Program Files\\Quillomat\\quillomat.exe\" %1";

TEST_F(RegistryVerbs, BothExtensionsOfOneTypeGetOneVerbAndDirectoriesAnother) {
  SetDefault(L".htm", L"htmlfile");
  SetDefault(L".html", L"htmlfile");
  SetDefault(L"htmlfile\\shell\\open\\command", L"viewer.exe %1");
  ASSERT_TRUE(UpdateShellVerbs(1, registry_, kProgram));
  EXPECT_EQ(Default(L"htmlfile\\shell\\Quillomat\\Command"), kCommand);
  EXPECT_EQ(Default(L"Directory\\shell\\Quillomat\\Command"), kCommand);
  EXPECT_EQ(Default(L"htmlfile\\shell\\Quillomat"), L"<none>");  // the menu shows the key's name
  EXPECT_FALSE(Exists(L"htmfile"));
  // Adding twice gives the same keys.
  ASSERT_TRUE(UpdateShellVerbs(1, registry_, kProgram));
  EXPECT_EQ(Default(L"htmlfile\\shell\\Quillomat\\Command"), kCommand);

  ASSERT_TRUE(UpdateShellVerbs(0, registry_, kProgram));
  EXPECT_FALSE(Exists(L"htmlfile\\shell\\Quillomat"));
  EXPECT_FALSE(Exists(L"Directory\\shell\\Quillomat"));
  // Everything else stays: the other verb, the extensions and their values.
  EXPECT_EQ(Default(L"htmlfile\\shell\\open\\command"), L"viewer.exe %1");
  EXPECT_EQ(Default(L".htm"), L"htmlfile");
  EXPECT_EQ(Default(L".html"), L"htmlfile");
  // What adding made only for the verb goes with it.
  EXPECT_FALSE(Exists(L"Directory"));
}

TEST_F(RegistryVerbs, TwoTypesGetTheVerbEach) {
  SetDefault(L".htm", L"Page.Old");
  SetDefault(L".html", L"Page.New");
  ASSERT_TRUE(UpdateShellVerbs(1, registry_, kProgram));
  EXPECT_EQ(Default(L"Page.Old\\shell\\Quillomat\\Command"), kCommand);
  EXPECT_EQ(Default(L"Page.New\\shell\\Quillomat\\Command"), kCommand);
  ASSERT_TRUE(UpdateShellVerbs(0, registry_, kProgram));
  EXPECT_FALSE(Exists(L"Page.Old"));
  EXPECT_FALSE(Exists(L"Page.New"));
  EXPECT_EQ(Default(L".htm"), L"Page.Old");
}

// With no type registered, the verb goes to the usual type names, and the extension keys are
// not made: a ".htm" of ours would decide which program opens every page.
TEST_F(RegistryVerbs, UnregisteredExtensionsAreNeverCreated) {
  ASSERT_TRUE(UpdateShellVerbs(1, registry_, kProgram));
  EXPECT_EQ(Default(L"htmfile\\shell\\Quillomat\\Command"), kCommand);
  EXPECT_EQ(Default(L"htmlfile\\shell\\Quillomat\\Command"), kCommand);
  EXPECT_FALSE(Exists(L".htm"));
  EXPECT_FALSE(Exists(L".html"));
  ASSERT_TRUE(UpdateShellVerbs(0, registry_, kProgram));
  EXPECT_FALSE(Exists(L"htmfile"));
  EXPECT_FALSE(Exists(L"htmlfile"));
  // Removing what is not there creates nothing and succeeds.
  ASSERT_TRUE(UpdateShellVerbs(0, registry_, kProgram));
  EXPECT_FALSE(Exists(L".htm"));
  EXPECT_FALSE(Exists(L"htmfile"));
  EXPECT_FALSE(Exists(L"Directory"));
}

TEST(VerbCommand, QuotesTheProgramButNeverTheArgument) {
  EXPECT_EQ(qlm::win32gui::VerbCommand(L"C:\\My Tools\\quillomat.exe"),
            L"\"C:\\My Tools\\quillomat.exe\" %1");
}

}  // namespace
