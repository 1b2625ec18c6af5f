#include <gtest/gtest.h>

#include "listfiles/relaying_file.h"
#include "platform/exceptions.h"
#include "platform/scratch_dir.h"

namespace {

using namespace Dravo;

class RelayingFile : public ::testing::Test {
 protected:
  DravoRelayingFile load(const std::string& content) {
    dir.file(L"relay.dat", content);
    return DravoRelayingFile(dir.path() + L"\\");
  }
  RelayAddressList ranges(const DravoRelayingFile& file) {
    RelayAddressList list;
    file.ranges(list);
    return list;
  }
  std::string saved(DravoRelayingFile& file) {
    file.save();
    return ScratchDir::content(file.path());
  }
  ScratchDir dir;
};

TEST(RelayLineWriting, ExamplesByteForByte) {
  EXPECT_EQ(formatRelayLine({0xC0000207, 32}), "192.0.2.7 //vanto-ip-range: 192.0.2.7/32");
  EXPECT_EQ(formatRelayLine({0xC0A80000, 16}), "192.168.*.* //vanto-ip-range: 192.168.0.0/16");
  EXPECT_EQ(formatRelayLine({0x0A000400, 22}), "10.0.4-7.* //vanto-ip-range: 10.0.4.0/22");
  EXPECT_EQ(formatRelayLine({0, 0}), "*.*.*.* //vanto-ip-range: 0.0.0.0/0");
  EXPECT_EQ(formatRelayLine({0x0A000500, 22}), "10.0.4-7.* //vanto-ip-range: 10.0.5.0/22");
  EXPECT_EQ(formatRelayLine({0x0A0000FF, 25}), "10.0.0.128-255 //vanto-ip-range: 10.0.0.255/25");
}

TEST(RelayAddressText, ShortTextFillsTheLeadingOctets) {
  EXPECT_EQ(parseAddress(L"10.1"), 0x0A010000u);
  EXPECT_EQ(parseAddress(L"192.0.2.7"), 0xC0000207u);
  EXPECT_EQ(parseAddress(L"1.2.3.4.5"), 0x01020304u);
  EXPECT_EQ(parseAddress(L""), 0u);
  EXPECT_EQ(parseAddress(L"10.x"), 0x0A000000u);
}

TEST_F(RelayingFile, ForeignRangeLineExpandsAndIsWrittenBackWithMarkers) {
  DravoRelayingFile file = load("10.1.2-4.*\r\n");
  EXPECT_EQ(ranges(file), (RelayAddressList{{L"10.1.2.0", 24}, {L"10.1.3.0", 24}, {L"10.1.4.0", 24}}));
  EXPECT_EQ(saved(file),
            "10.1.2.* //vanto-ip-range: 10.1.2.0/24\r\n"
            "10.1.3.* //vanto-ip-range: 10.1.3.0/24\r\n"
            "10.1.4.* //vanto-ip-range: 10.1.4.0/24\r\n");
}

TEST_F(RelayingFile, ForeignPatternsAndWhatIsLost) {
  DravoRelayingFile file = load(
      "10.1.*\r\n*\r\n10.1.5-3.*\r\n# comment\r\nhost.example\r\n10.7-0.*\r\n10 .2.3.4\r\n172.16.0.1\r\n");
  EXPECT_EQ(ranges(file), (RelayAddressList{{L"10.1.0.0", 16},
                                           {L"0.0.0.0", 0},
                                           {L"10.0.0.0", 8},
                                           {L"10.2.3.4", 32},
                                           {L"172.16.0.1", 32}}));
}

TEST_F(RelayingFile, OwnLinesReadBackExactlyWhateverThePatternSays) {
  DravoRelayingFile file = load(
      "1.2.3.4 //vanto-ip-range: 10.0.5.0/22\r\n"
      "* //vanto-ip-range:  300. 1.2.3/ 8\r\n"
      "x //vanto-ip-range: 1.2.3/8\r\n"
      "x //vanto-ip-range: 1.2.3.4/33\r\n");
  EXPECT_EQ(ranges(file), (RelayAddressList{{L"10.0.5.0", 22}, {L"44.1.2.3", 8}}));
  DravoRelayingFile again = load(saved(file));
  EXPECT_EQ(again.entries, file.entries);
}

TEST_F(RelayingFile, AddAppendsWithoutChecks) {
  DravoRelayingFile file = load("");
  file.addIP(L"10.0.4.0", 22);
  file.addIP(L"10.0.4.0", 22);
  EXPECT_EQ(saved(file), "10.0.4-7.* //vanto-ip-range: 10.0.4.0/22\r\n10.0.4-7.* //vanto-ip-range: 10.0.4.0/22\r\n");
}

TEST_F(RelayingFile, DelRemovesEverythingInsideTheBlockOnly) {
  DravoRelayingFile file = load("");
  for (const auto& [ip, p] : RelayAddressList{{L"10.1.2.0", 24}, {L"10.0.0.0", 8}, {L"11.0.0.0", 8}, {L"10.0.0.0", 7}})
    file.addIP(ip, p);
  file.delIP(L"10.0.0.0", 8);
  EXPECT_EQ(ranges(file), (RelayAddressList{{L"11.0.0.0", 8}, {L"10.0.0.0", 7}}));
}

TEST_F(RelayingFile, DelOfNothingInsideFailsAndChangesNothing) {
  DravoRelayingFile file = load("");
  file.addIP(L"10.0.0.0", 7);
  try {
    file.delIP(L"10.0.0.0", 8);
    ADD_FAILURE() << "no failure";
  } catch (const vexception& e) {
    EXPECT_NE(fullText(e).find(L"Run-Time error: Address not found in list. IP 10.0.0.0"), std::wstring::npos);
    EXPECT_NE(fullText(e).find(L"Dravo::DravoRelayingFile::delIP"), std::wstring::npos);
  }
  EXPECT_EQ(file.entries.size(), 1u);
}

TEST_F(RelayingFile, DelWithPrefixZeroRemovesOnlyThatExactAddress) {
  DravoRelayingFile file = load("");
  file.addIP(L"10.0.0.1", 32);
  file.addIP(L"10.0.0.1", 8);
  file.addIP(L"10.0.0.2", 32);
  file.delIP(L"10.0.0.1", 0);
  EXPECT_EQ(ranges(file), (RelayAddressList{{L"10.0.0.2", 32}}));
}

}  // namespace
