// Dump and restore of a large mailbox tree through the mail archive, against a plain copy
// of the same tree file by file with the system's copy call, in rounds of four timed
// phases: copy, dump, restore, copy back. Each phase starts once what the one before it
// wrote is flushed to the disk, so that no phase pays for another's writing; the figures
// are each round's and the medians.
// Usage: archive_bench [MEGABYTES [FILES [ROUNDS]]]   (default: 1024 10000 3)

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <list>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/mail_archive.h"
#include "archive/mail_transporter.h"
#include "platform/directories.h"
#include "platform/exceptions.h"
#include "platform/files_of_dir.h"
#include "platform/owner.h"
#include "platform/strings.h"
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

// Writes the file at `path` through to the disk.
void flush(const std::wstring& path, DWORD flags = 0) {
  const FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, flags, nullptr));
  if (!file || !FlushFileBuffers(file.get())) throw std::runtime_error("cannot flush " + toNarrow(path, CP_ACP));
}

// Writes every file of the tree through to the disk; returns how many there are.
std::uint64_t flushTree(const std::wstring& root) {
  std::list<std::wstring> files;
  filesOfDir(files, root, listFiles | listRecursive, L"*");
  for (const std::wstring& path : files) flush(path);
  return files.size();
}

// Removes a tree and writes the removal through to the disk, so that freeing its space
// does not go on during the next phase.
void removeSettled(const std::wstring& root) {
  removeDir(root, true);
  flush(root.substr(0, root.find_last_of(L'\\')), FILE_FLAG_BACKUP_SEMANTICS);
}

}  // namespace

int run(int argc, wchar_t** argv) {
  const long long megabytes = argc > 1 ? _wtoi64(argv[1]) : 1024;
  const int fileCount = argc > 2 ? _wtoi(argv[2]) : 10000;
  const int rounds = argc > 3 ? _wtoi(argv[3]) : 3;
  const int filesPerFolder = fileCount / (mailboxes * foldersPerMailbox);
  const std::size_t fileSize = static_cast<std::size_t>(megabytes * 1024 * 1024 / fileCount);
  if (filesPerFolder < 1 || fileSize < 1 || rounds < 1) throw std::runtime_error("too few files or bytes");

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
  const std::wstring plain = scratch + L"\\plain", back = scratch + L"\\plain-back";
  const std::wstring archiveRoot = server.root() + L"\\tmp\\_MailArchive";
  makeDirs(scratch);
  std::vector<double> dumps, restores;
  bool whole = true;  // every copy and every restore holds all files
  for (int round = 1; round <= rounds; ++round) {
    flushTree(domainDir);
    start = Clock::now();
    whole = plainCopy(domainDir, plain) == std::uint64_t(total) && whole;
    const double copyOut = secondsSince(start);

    flushTree(plain);
    start = Clock::now();
    {
      MailArchive archive(true, archiveRoot);
      MailTransporter(provider, archive).saveMail();
    }
    const double dump = secondsSince(start);

    flushTree(archiveRoot);
    removeSettled(domainDir);
    start = Clock::now();
    {
      MailArchive archive(false, archiveRoot);
      MailTransporter(provider, archive).loadMail();
      restores.push_back(secondsSince(start));
    }  // the read archive is removed here, untimed

    whole = flushTree(domainDir) == std::uint64_t(total) && whole;
    start = Clock::now();
    plainCopy(plain, back);
    const double copyBack = secondsSince(start);

    dumps.push_back(dump / copyOut);
    const double restore = restores.back();
    restores.back() /= copyBack;
    std::printf("round %d: copy %.2f s, dump %.2f s = %.2fx; restore %.2f s = %.2fx of copying back (%.2f s)\n", round,
                copyOut, dump, dumps.back(), restore, restores.back(), copyBack);
    std::fflush(stdout);
    removeSettled(plain);
    removeSettled(back);
  }
  std::printf("median: dump %.2fx, restore %.2fx the plain copy (goal: within 1.1x)%s\n", median(dumps),
              median(restores), whole ? "" : "  FILES MISSING");
  removeDir(scratch, true);
  return whole ? 0 : 1;
}

int wmain(int argc, wchar_t** argv) { return runBenchmark(run, argc, argv); }
