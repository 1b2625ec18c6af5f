// Dump and restore of a large mailbox tree through the mail archive, against a plain copy
// of the same tree file by file with the system's copy call.
// Usage: archive_bench [MEGABYTES [FILES]]   (default: 1024 10000)

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/mail_archive.h"
#include "archive/mail_transporter.h"
#include "platform/directories.h"
#include "platform/exceptions.h"
#include "provider/dravo_provider.h"
#include "support/standin_server.h"
#include "bench_main.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int mailboxes = 10;
constexpr int foldersPerMailbox = 10;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void writeFile(const std::wstring& path, const std::vector<char>& bytes, std::size_t size) {
  const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write a mailbox file");
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(h);
  if (!ok || written != size) throw std::runtime_error("short write of a mailbox file");
}

// The plain copy: every file of the tree with CopyFileW, directories made as met.
std::uint64_t plainCopy(const std::wstring& source, const std::wstring& target) {
  CreateDirectoryW(target.c_str(), nullptr);
  std::uint64_t files = 0;
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW((source + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      files += plainCopy(source + L"\\" + name, target + L"\\" + name);
    } else {
      if (!CopyFileW((source + L"\\" + name).c_str(), (target + L"\\" + name).c_str(), FALSE)) {
        throw std::runtime_error("plain copy failed");
      }
      ++files;
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return files;
}

}  // namespace

int run(int argc, wchar_t** argv) {
  const long long megabytes = argc > 1 ? _wtoi64(argv[1]) : 1024;
  const int fileCount = argc > 2 ? _wtoi(argv[2]) : 10000;
  const int filesPerFolder = fileCount / (mailboxes * foldersPerMailbox);
  const std::size_t fileSize = static_cast<std::size_t>(megabytes * 1024 * 1024 / fileCount);
  if (filesPerFolder < 1 || fileSize < 1) throw std::runtime_error("too few files or bytes");

  StandinServer server;
  Dravo::DravoProvider provider;
  provider.createDomain(L"bench.example", 0)->release();
  std::vector<char> bytes(fileSize);
  for (std::size_t i = 0; i < fileSize; ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 13);

  const std::wstring domainDir = server.mailPath() + L"\\bench.example";
  auto start = Clock::now();
  for (int m = 0; m < mailboxes; ++m) {
    const std::wstring name = L"user" + std::to_wstring(m);
    provider.createMailName(name, L"bench.example", 0)->release();
    for (int f = 0; f < foldersPerMailbox; ++f) {
      const std::wstring folder = domainDir + L"\\" + name + L"\\folder" + std::to_wstring(f);
      makeDirs(folder);
      for (int i = 0; i < filesPerFolder; ++i) writeFile(folder + L"\\" + std::to_wstring(i) + L".eml", bytes, fileSize);
    }
  }
  const int total = mailboxes * foldersPerMailbox * filesPerFolder;
  const double totalMb = static_cast<double>(total) * fileSize / (1024 * 1024);
  std::printf("tree: %d files of %zu bytes, %.0f MB, in %d mailboxes (written in %.1f s)\n", total, fileSize,
              totalMb, mailboxes, secondsSince(start));

  const std::wstring scratch = server.root() + L"\\bench";
  makeDirs(scratch);
  start = Clock::now();
  const std::uint64_t copied = plainCopy(domainDir, scratch + L"\\plain");
  const double copyOut = secondsSince(start);
  std::printf("plain copy:   %.2f s (%llu files, %.1f MB/s)\n", copyOut, static_cast<unsigned long long>(copied),
              totalMb / copyOut);
  std::fflush(stdout);

  const std::wstring archiveRoot = server.root() + L"\\tmp\\_MailArchive";
  start = Clock::now();
  {
    MailArchive archive(true, archiveRoot);
    MailTransporter(provider, archive).saveMail();
  }
  const double dump = secondsSince(start);

  removeDir(domainDir, true);
  double restore = 0;
  start = Clock::now();
  {
    MailArchive archive(false, archiveRoot);
    MailTransporter(provider, archive).loadMail();
    restore = secondsSince(start);
    start = Clock::now();
  }
  const double consume = secondsSince(start);  // the read archive is removed

  // The plain copy back, as the restore's yardstick.
  start = Clock::now();
  plainCopy(scratch + L"\\plain", scratch + L"\\plain-back");
  const double copyBack = secondsSince(start);

  std::printf("dump:         %.2f s = %.2fx the plain copy\n", dump, dump / copyOut);
  std::printf("restore:      %.2f s = %.2fx the plain copy (%.2f s)\n", restore, restore / copyBack, copyBack);
  std::printf("removing the read archive afterwards: %.2f s\n", consume);
  std::printf("goal: within 1.1x\n");
  removeDir(scratch, true);
  return copied == static_cast<std::uint64_t>(total) ? 0 : 1;
}

int wmain(int argc, wchar_t** argv) { return runBenchmark(run, argc, argv); }
