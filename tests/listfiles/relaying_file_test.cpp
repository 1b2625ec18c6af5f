#include <gtest/gtest.h>

#include "listfiles/relaying_file.h"
#include "support/raised.h"
#include "platform/scratch_dir.h"

namespace {

using namespace Dravo;

TEST(RelayLines, WrittenByteForByteAndAddressTextFillsTheLeadingOctets) {
  const std::pair<RelayEntry, std::string> lines[] = {
      {{0xC0000207, 32}, "192.0.2.7 //vanto-ip-range: 192.0.2.7/32"}, {{0, 0}, "*.*.*.* //vanto-ip-range: 0.0.0.0/0"},
      {{0xC0A80000, 16}, "192.168.*.* //vanto-ip-range: 192.168.0.0/16"},
      {{0x0A000500, 22}, "10.0.4-7.* //vanto-ip-range: 10.0.5.0/22"},
      {{0x0A0000FF, 25}, "10.0.0.128-255 //vanto-ip-range: 10.0.0.255/25"}};
  for (const auto& [entry, line] : lines) EXPECT_EQ(formatRelayLine(entry), line);
  const std::pair<const wchar_t*, std::uint32_t> addresses[] = {
      {L"10.1", 0x0A010000}, {L"192.0.2.7", 0xC0000207}, {L"1.2.3.4.5", 0x01020304}, {L"", 0}, {L"10.x", 0x0A000000}};
  for (const auto& [text, ip] : addresses) EXPECT_EQ(parseAddress(text), ip) << testing::PrintToString(text);
}

// A file read, given blocks added and one deleted: the ranges it reports and, when given, the bytes it saves.
// No block is deleted when its address is empty.
struct RelayCase {
  const char* name; std::string content; RelayAddressList added; std::pair<std::wstring, int> deleted; RelayAddressList ranges; std::string saved;
};

TEST(RelayingFile, ReadsChangesAndSavesAndRefusesDeletingWhatIsNotThere) {
  const std::string block22 = "10.0.4-7.* //vanto-ip-range: 10.0.4.0/22\r\n";
  const RelayCase cases[] = {
      {"a foreign range line expands and is written back with markers", "10.1.2-4.*\r\n", {}, {},
       {{L"10.1.2.0", 24}, {L"10.1.3.0", 24}, {L"10.1.4.0", 24}},
       "10.1.2.* //vanto-ip-range: 10.1.2.0/24\r\n10.1.3.* //vanto-ip-range: 10.1.3.0/24\r\n"
       "10.1.4.* //vanto-ip-range: 10.1.4.0/24\r\n"},
      {"foreign patterns and what is lost",
       "10.1.*\r\n*\r\n10.1.5-3.*\r\n# comment\r\nhost.example\r\n10.7-0.*\r\n10 .2.3.4\r\n172.16.0.1\r\n", {}, {},
       {{L"10.1.0.0", 16}, {L"0.0.0.0", 0}, {L"10.0.0.0", 8}, {L"10.2.3.4", 32}, {L"172.16.0.1", 32}}, ""},
      {"own lines are read as their marker says",
       "1.2.3.4 //vanto-ip-range: 10.0.5.0/22\r\n* //vanto-ip-range:  300. 1.2.3/ 8\r\n"
       "x //vanto-ip-range: 1.2.3/8\r\nx //vanto-ip-range: 1.2.3.4/33\r\n", {}, {}, {{L"10.0.5.0", 22}, {L"44.1.2.3", 8}},
       "10.0.4-7.* //vanto-ip-range: 10.0.5.0/22\r\n44.*.*.* //vanto-ip-range: 44.1.2.3/8\r\n"},
      {"add appends without checks", "", {{L"10.0.4.0", 22}, {L"10.0.4.0", 22}}, {}, {{L"10.0.4.0", 22}, {L"10.0.4.0", 22}},
       block22 + block22},
      {"delete removes everything inside the block only", "",
       {{L"10.1.2.0", 24}, {L"10.0.0.0", 8}, {L"11.0.0.0", 8}, {L"10.0.0.0", 7}}, {L"10.0.0.0", 8},
       {{L"11.0.0.0", 8}, {L"10.0.0.0", 7}}, ""},
      {"delete with prefix 0 removes only that exact address", "", {{L"10.0.0.1", 32}, {L"10.0.0.1", 8}, {L"10.0.0.2", 32}},
       {L"10.0.0.1", 0}, {{L"10.0.0.2", 32}}, ""},
  };
  for (const RelayCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    dir.file(L"relay.dat", c.content);
    DravoRelayingFile file(dir.path() + L"\\");
    for (const auto& [ip, prefixLength] : c.added) file.addIP(ip, prefixLength);
    if (!c.deleted.first.empty()) file.delIP(c.deleted.first, c.deleted.second);
    RelayAddressList ranges;
    file.ranges(ranges);
    EXPECT_EQ(ranges, c.ranges);
    if (c.saved.empty()) continue;
    file.save();
    EXPECT_EQ(ScratchDir::content(file.path()), c.saved);
    EXPECT_EQ(DravoRelayingFile(dir.path() + L"\\").entries, file.entries);
  }
  // Deleting with nothing inside the block fails and changes nothing.
  DravoRelayingFile file(ScratchDir().path() + L"\\");
  file.addIP(L"10.0.0.0", 7);
  EXPECT_EQ(raised([&] { file.delIP(L"10.0.0.0", 8); }),
            L"Run-Time error: Address not found in list. IP 10.0.0.0 @ Dravo::DravoRelayingFile::delIP");
  EXPECT_EQ(file.entries.size(), 1u);
}

}  // namespace
