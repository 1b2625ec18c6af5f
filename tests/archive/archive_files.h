#pragma once
// Whole files of any size for the archive tests, and what a piece of work raised.

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "support/raised.h"

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
