// What the package answers and switches beyond the slots every host calls: version marks,
// the status and description of servers too old or unnamed, and the property keys taken.
#include "package/dravo_package.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

// Answers the package's questions from fields and records what it was told to switch.
struct FakeHost : PackageHost {
  std::wstring name = L"Mail server", version = L"7.6.1";
  int major = 7, minor = 6, build = 1;
  std::vector<std::wstring> calls;

  std::wstring componentInfo(const std::wstring&, std::uint32_t kind) override { return kind == 0 ? name : version; }
  bool internalAntivirus() override { return false; }
  void internalAntivirus(bool on) override { calls.push_back(on ? L"antivirus on" : L"antivirus off"); }
  bool internalSpamAssassin() override { return false; }
  void internalSpamAssassin(bool on) override { calls.push_back(on ? L"spam on" : L"spam off"); }
  void mailServerVersion(int& a, int& b, int& c) override { a = major, b = minor, c = build; }
  MailProviderPtr provider() override { throw std::logic_error("these cases need no provider"); }
};

TEST(PackageVersionRules, SupportedVersionsAndMarks) {
  const struct {
    const wchar_t *version, *shown;
  } cases[] = {{L"7.5.1", L""}, {L"7.5.2", L"7.5.2 (limited supported)"}, {L"7.6.0", L"7.6.0 (limited supported)"},
               {L"7.6.1", L"7.6.1"}, {L"8.0.0", L"8.0.0"}, {L"7.6", L""}, {L"", L""}, {L"7.10.0", L"7.10.0"}};
  for (const auto& c : cases) EXPECT_EQ(supportedVersionText(c.version), c.shown) << c.version;
}

TEST(Package, StatusDescriptionAndPropertyKeys) {
  auto owned = std::make_unique<FakeHost>();
  FakeHost& host = *owned;
  VPackage* package = new VDravoPackage(nullptr, std::move(owned));
  host.version = L"7.5.1";
  EXPECT_EQ(package->GetStatus(), L"not_installed");
  host.name = L"";
  host.version = L"8.0.0";
  EXPECT_EQ(package->GetDescription(), L"Dravo Mail Server");
  EXPECT_TRUE(package->SetProperties({{L"internal_antivirus", L"true"}, {L"internal_spamassassin", L"TRUE"},
                                      {L"Internal_AntiVirus", L"true"}, {L"other", L"true"}}));
  EXPECT_EQ(host.calls, (std::vector<std::wstring>{L"spam off", L"antivirus on"})) << "exact keys, spam first";
  host.major = 8, host.minor = 0, host.build = 0;
  EXPECT_TRUE(package->IsPropertySupported(L"Internal_SpamAssassin"));
  package->release();
}

}  // namespace
