#pragma once
// Rows of text cells printed as aligned columns, two spaces apart, without trailing blanks.

#include <string>
#include <string_view>
#include <vector>

namespace mailmgr {

class Table {
 public:
  enum class Align { left, right };

  // An empty header row prints no header line.
  explicit Table(std::vector<std::wstring> headers, std::vector<Align> alignment = {});

  // Every row has as many cells as the table has columns.
  void add(std::vector<std::wstring> row);
  bool empty() const { return rows_.empty(); }

  std::vector<std::wstring> lines() const;

 private:
  std::size_t columns_;
  std::vector<std::wstring> headers_;
  std::vector<Align> alignment_;
  std::vector<std::vector<std::wstring>> rows_;
};

// Characters as a terminal shows them: a surrogate pair and a combining mark add no
// extra column, a character of the wide East Asian ranges adds two.
std::size_t displayWidth(std::wstring_view text);

}  // namespace mailmgr
