#pragma once
// Whole files of any size for the archive tests, and what a piece of work raised.

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/exceptions.h"
#include "platform/scratch_dir.h"

// What work raised, as "<message> @ <function that raised it>", or "<no failure>".
template <class Work>
std::wstring raised(Work&& work) {
  try {
    work();
  } catch (const vexception& e) {
    const std::string where = e.trace().empty() ? std::string() : e.trace().front().function;
    return e.message() + L" @ " + std::wstring(where.begin(), where.end());
  }
  return L"<no failure>";
}

inline void writeBytes(const std::wstring& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
}

// Bytes of every value, zeros and line ends included.
inline std::string randomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string out(size, '\0');
  for (char& c : out) c = static_cast<char>(random() & 0xFF);
  return out;
}
