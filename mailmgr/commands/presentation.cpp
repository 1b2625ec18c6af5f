#include "commands/presentation.h"

#include "framework/table.h"

namespace mailmgr {

std::vector<std::wstring> fieldLines(const Fields& fields) {
  Table table({});
  for (const auto& [label, value] : fields) table.add({label + L":", value});
  return table.lines();
}

void printList(Invocation& in, const StringList& items) {
  if (in.json()) {
    Json array = Json::array();
    for (const auto& item : items) array.push_back(item);
    in.print(array);
    return;
  }
  for (const auto& item : items) in.out().line(item);
}

std::vector<std::wstring> numberRuns(const std::vector<int>& numbers) {
  std::vector<std::wstring> runs;
  for (std::size_t i = 0; i < numbers.size();) {
    std::size_t end = i;
    while (end + 1 < numbers.size() && numbers[end + 1] == numbers[end] + 1) ++end;
    runs.push_back(end == i ? std::to_wstring(numbers[i])
                            : std::to_wstring(numbers[i]) + L"-" + std::to_wstring(numbers[end]));
    i = end + 1;
  }
  return runs;
}

void printDone(Invocation& in, const std::wstring& text, Json json) {
  if (in.json()) in.print(json);
  else in.out().line(text);
}

}  // namespace mailmgr
