#pragma once
// The calls of the event-log API that log_child watched the logging make, written by the
// child to its standard error and read back by the test. Wine keeps no event log that
// could be read afterwards (its reading calls find no records), so the child watches the
// calls themselves on their way to the system.

#include <string>
#include <vector>

#include "platform/strings.h"

struct EventCall {
  char kind = 0;  // 'R' register, 'E' report, 'D' deregister
  unsigned type = 0, category = 0, id = 0, stringCount = 0, dataSize = 0;
  bool hasSid = false;
  std::vector<std::wstring> strings;  // the source name of a registration, the insertion strings of a report
};

namespace eventrecord {
constexpr char field = '\x1f';
constexpr char record = '\x1e';
}  // namespace eventrecord

inline std::string encodeEventCall(const EventCall& call) {
  std::string text(1, call.kind);
  for (unsigned number : {call.type, call.category, call.id, call.stringCount, call.dataSize, unsigned(call.hasSid)}) {
    text += eventrecord::field + std::to_string(number);
  }
  for (const std::wstring& s : call.strings) text += eventrecord::field + toNarrow(s, CP_UTF8);
  return text + eventrecord::record;
}

inline std::vector<EventCall> decodeEventCalls(const std::string& text) {
  std::vector<EventCall> calls;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(eventrecord::record, start)) != std::string::npos; start = end + 1) {
    std::vector<std::string> fields;
    for (std::size_t at = start;;) {
      const std::size_t next = text.find(eventrecord::field, at);
      if (next == std::string::npos || next > end) {
        fields.push_back(text.substr(at, end - at));
        break;
      }
      fields.push_back(text.substr(at, next - at));
      at = next + 1;
    }
    if (fields.size() < 7 || fields[0].size() != 1) continue;
    EventCall call;
    call.kind = fields[0][0];
    unsigned* numbers[] = {&call.type, &call.category, &call.id, &call.stringCount, &call.dataSize};
    for (int i = 0; i < 5; ++i) *numbers[i] = static_cast<unsigned>(std::stoul(fields[i + 1]));
    call.hasSid = fields[6] == "1";
    for (std::size_t i = 7; i < fields.size(); ++i) call.strings.push_back(toWide(fields[i], CP_UTF8));
    calls.push_back(call);
  }
  return calls;
}
