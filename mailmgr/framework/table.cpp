#include "framework/table.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace mailmgr {
namespace {

bool isCombining(unsigned c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
         (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F) || c == 0x200B || c == 0x200D;
}

bool isWide(unsigned c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6);
}

}  // namespace

std::size_t displayWidth(std::wstring_view text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned>(static_cast<std::uint16_t>(text[i]));
    if (c >= 0xDC00 && c <= 0xDFFF) continue;  // second half of a pair: counted with the first
    if (isCombining(c)) continue;
    width += isWide(c) ? 2 : 1;
  }
  return width;
}

Table::Table(std::vector<std::wstring> headers, std::vector<Align> alignment)
    : columns_(headers.size()), headers_(std::move(headers)), alignment_(std::move(alignment)) {
  alignment_.resize(columns_, Align::left);
}

void Table::add(std::vector<std::wstring> row) {
  if (columns_ == 0) columns_ = row.size(), alignment_.resize(columns_, Align::left);
  if (row.size() != columns_) throw std::logic_error("table row with the wrong number of cells");
  rows_.push_back(std::move(row));
}

std::vector<std::wstring> Table::lines() const {
  const bool header = !headers_.empty() &&
                      std::any_of(headers_.begin(), headers_.end(), [](const auto& h) { return !h.empty(); });
  std::vector<std::size_t> widths(columns_, 0);
  const auto measure = [&](const std::vector<std::wstring>& row) {
    for (std::size_t c = 0; c < columns_; ++c) widths[c] = std::max(widths[c], displayWidth(row[c]));
  };
  if (header) measure(headers_);
  for (const auto& row : rows_) measure(row);

  const auto render = [&](const std::vector<std::wstring>& row) {
    std::wstring line;
    for (std::size_t c = 0; c < columns_; ++c) {
      const std::size_t pad = widths[c] - displayWidth(row[c]);
      if (c) line += L"  ";
      if (alignment_[c] == Align::right) line.append(pad, L' ');
      line += row[c];
      if (alignment_[c] == Align::left) line.append(pad, L' ');
    }
    while (!line.empty() && line.back() == L' ') line.pop_back();
    return line;
  };
  std::vector<std::wstring> out;
  if (header) out.push_back(render(headers_));
  for (const auto& row : rows_) out.push_back(render(row));
  return out;
}

}  // namespace mailmgr
