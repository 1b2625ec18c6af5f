#include "package/dravo_package.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/exceptions.h"
#include "platform/owner.h"

namespace {

// Answers the package's questions from fields and records what it was told to switch.
struct FakeHost : PackageHost {
  std::wstring name = L"Mail server";
  std::wstring version = L"7.6.1";
  bool antivirus = false, spam = false;
  int major = 7, minor = 6, build = 1;
  std::vector<std::wstring>* calls = nullptr;

  std::wstring componentInfo(const std::wstring& package, std::uint32_t kind) override {
    EXPECT_EQ(package, L"dravo");
    return kind == 0 ? name : version;
  }
  bool internalAntivirus() override { return antivirus; }
  void internalAntivirus(bool on) override { calls->push_back(on ? L"antivirus on" : L"antivirus off"); }
  bool internalSpamAssassin() override { return spam; }
  void internalSpamAssassin(bool on) override { calls->push_back(on ? L"spam on" : L"spam off"); }
  void mailServerVersion(int& a, int& b, int& c) override { a = major, b = minor, c = build; }
};

struct PackageTest : testing::Test {
  std::vector<std::wstring> calls;
  FakeHost* host = nullptr;
  VPackage* package = nullptr;

  void SetUp() override {
    auto fake = std::make_unique<FakeHost>();
    fake->calls = &calls;
    host = fake.get();
    package = new VDravoPackage(nullptr, std::move(fake));
  }
  void TearDown() override { package->release(); }
};

TEST(PackageVersionRules, SupportedVersionsAndMarks) {
  EXPECT_EQ(supportedVersionText(L"7.5.1"), L"");
  EXPECT_EQ(supportedVersionText(L"7.5.2"), L"7.5.2 (limited supported)");
  EXPECT_EQ(supportedVersionText(L"7.6.0"), L"7.6.0 (limited supported)");
  EXPECT_EQ(supportedVersionText(L"7.6.1"), L"7.6.1");
  EXPECT_EQ(supportedVersionText(L"8.0.0"), L"8.0.0");
  EXPECT_EQ(supportedVersionText(L"7.6"), L"");
  EXPECT_EQ(supportedVersionText(L""), L"");
  EXPECT_EQ(supportedVersionText(L"7.10.0"), L"7.10.0");
}

TEST_F(PackageTest, NameDescriptionStatus) {
  EXPECT_EQ(package->GetName(), "mailserver");
  EXPECT_EQ(package->GetDescription(), L"Mail server 7.6.1");
  EXPECT_EQ(package->GetStatus(), L"");
  EXPECT_TRUE(package->IsAvailable());
  host->version = L"7.5.1";
  EXPECT_EQ(package->GetVersion(), L"");
  EXPECT_EQ(package->GetStatus(), L"not_installed");
  host->name = L"";
  host->version = L"8.0.0";
  EXPECT_EQ(package->GetDescription(), L"Dravo Mail Server");
}

TEST_F(PackageTest, GetPropertyIgnoresCase) {
  host->antivirus = true;
  EXPECT_EQ(package->GetProperty(L"Internal_AntiVirus"), L"true");
  EXPECT_EQ(package->GetProperty(L"INTERNAL_SPAMASSASSIN"), L"false");
  try {
    package->GetProperty(L"internal_firewall");
    FAIL() << "no exception";
  } catch (const vexception& e) {
    EXPECT_EQ(e.message(), L"Run-Time error: Invalid argument internal_firewall at call VPackage::GetProperty. "
                           L"Package::GetDescription is Mail server 7.6.1");
    EXPECT_EQ(e.trace().front().function, "VPackage::GetProperty");
  }
}

TEST_F(PackageTest, SetPropertiesTakesExactKeysSpamFirst) {
  EXPECT_TRUE(package->SetProperties({{L"internal_antivirus", L"true"},
                                      {L"internal_spamassassin", L"TRUE"},
                                      {L"Internal_AntiVirus", L"true"},
                                      {L"other", L"true"}}));
  EXPECT_EQ(calls, (std::vector<std::wstring>{L"spam off", L"antivirus on"}));
}

TEST_F(PackageTest, SpamEngineSupportFollowsTheServerVersion) {
  EXPECT_TRUE(package->IsPropertySupported(L"Internal_SpamAssassin"));
  host->build = 0;
  EXPECT_FALSE(package->IsPropertySupported(L"internal_spamassassin"));
  EXPECT_TRUE(package->IsPropertySupported(L"anything else"));
  host->major = 8, host->minor = 0;
  EXPECT_TRUE(package->IsPropertySupported(L"internal_spamassassin"));
}

TEST(PackageExport, AnswersExactlyMailserver) {
  const Library module(LoadLibraryW(L"dravoprovider.dll"));
  ASSERT_TRUE(module);
  using PackageInfo = VPackage* (*)(HINSTANCE, const char*);
  const auto packageInfo =
      reinterpret_cast<PackageInfo>(reinterpret_cast<void*>(GetProcAddress(module.get(), "VantoPackageInfo")));
  ASSERT_NE(packageInfo, nullptr);
  EXPECT_EQ(packageInfo(module.get(), "mailserver "), nullptr);
  EXPECT_EQ(packageInfo(module.get(), "MailServer"), nullptr);
  EXPECT_EQ(packageInfo(module.get(), "mail"), nullptr);
  EXPECT_EQ(packageInfo(module.get(), nullptr), nullptr);
  VPackage* package = packageInfo(module.get(), "mailserver");
  ASSERT_NE(package, nullptr);
  EXPECT_EQ(package->GetName(), "mailserver");
  EXPECT_TRUE(package->IsPropertySupported(L"internal_antivirus"));  // answered without the server
  package->release();
}

}  // namespace
