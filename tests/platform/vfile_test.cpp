#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "platform/file_operations.h"
#include "platform/vfile.h"
#include "caught.h"
#include "scratch_dir.h"

namespace {

std::string pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 256);
  return bytes;
}

TEST(VFile, WrittenBytesReadBackWholeAcrossChunks) {
  ScratchDir scratch;
  const std::wstring path = scratch / L"data.bin";
  const std::string bytes = pattern(3000);
  {
    VFile file(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    EXPECT_EQ(file.write(bytes.data(), static_cast<DWORD>(bytes.size())), bytes.size());
    EXPECT_EQ(file.path(), path);
  }
  EXPECT_EQ(fileSize(path), 3000u);

  VFile file(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  std::string read = "left over";
  file.readAll(read);
  EXPECT_EQ(read, bytes);
  char one = 0;
  EXPECT_EQ(file.read(&one, 1), 0u) << "at the end of the file";
}

TEST(VFile, ReopeningClosesTheFormerHandleFirstAndAMissingFileRaises) {
  ScratchDir scratch;
  const std::wstring path = scratch.file(L"a.txt", "abc");
  VFile file(path, GENERIC_READ, 0, OPEN_EXISTING);
  file.open(path, GENERIC_READ, 0, OPEN_EXISTING);  // would be a sharing violation otherwise
  std::string read;
  file.readAll(read);
  EXPECT_EQ(read, "abc");
  const std::wstring missing = scratch / L"missing.txt";
  EXPECT_EQ(failureText<VFileNotFoundException>([&] { VFile other(missing, GENERIC_READ, 0, OPEN_EXISTING); }),
            osText(2, L"Open file '" + missing + L"'") + L"\n   at (VFile::open line 87)");
}

TEST(VFile, ReadAndWriteThroughTheWrongAccessRaiseWithTheirSites) {
  ScratchDir scratch;
  const std::wstring path = scratch.file(L"a.txt", "abc");
  char buffer[4];
  VFile writeOnly(path, GENERIC_WRITE, 0, OPEN_EXISTING);
  const auto readError = caught<vosexception>([&] { writeOnly.read(buffer, sizeof buffer); });
  ASSERT_TRUE(readError);
  EXPECT_EQ(fullText(*readError),
            osText(readError->code(), L"Read from file '" + path + L"'") + L"\n   at (VFile::read line 95)");
  writeOnly.close();

  VFile readOnly(path, GENERIC_READ, 0, OPEN_EXISTING);
  const auto writeError = caught<vosexception>([&] { readOnly.write("x", 1); });
  ASSERT_TRUE(writeError);
  EXPECT_EQ(fullText(*writeError),
            osText(writeError->code(), L"Write to file '" + path + L"'") + L"\n   at (VFile::write line 113)");
}

TEST(FileSize, CountsBeyond32BitsAndRaisesForAMissingFile) {
  ScratchDir scratch;
  const std::wstring path = scratch.file(L"sparse.bin", "");
  {
    VFile file(path, GENERIC_WRITE, 0, OPEN_EXISTING);
    LARGE_INTEGER end;
    end.QuadPart = 0x100000005LL;
    ASSERT_TRUE(SetFilePointerEx(file.handle(), end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file.handle()));
  }
  EXPECT_EQ(fileSize(path), 0x100000005ULL);

  const std::wstring missing = scratch / L"missing.bin";
  EXPECT_EQ(failureText<VFileNotFoundException>([&] { fileSize(missing); }),
            osText(2, L"Get file size for file " + missing + L"") + L"\n   at (fileSize line 149)");
}

}  // namespace
