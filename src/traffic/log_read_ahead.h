#pragma once
// The lines of a row of log files read and parsed on a thread of their own, a few batches
// ahead of the caller who credits them, so that reading and parsing the next lines
// overlaps crediting the last ones. Only the lines inside the period are handed over, in
// the order of the files and of their lines. A file is opened only once the caller asks
// for it, so that it is read as it stands when its turn comes.

#include <windows.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "traffic/dravo_log_file.h"
#include "traffic/log_file_reader.h"

namespace Dravo {

class LogReadAhead {
 public:
  LogReadAhead(std::vector<std::wstring> paths, const SYSTEMTIME& from, const SYSTEMTIME& to);
  // Stops the reading thread and waits for it.
  ~LogReadAhead();
  LogReadAhead(const LogReadAhead&) = delete;
  LogReadAhead& operator=(const LogReadAhead&) = delete;

  // Hands the next file's lines in the period to `use` (a LineView<char> or a
  // LineView<wchar_t>, valid during the call), then raises what ended the reading of the
  // file early, if anything. True when no line of the file is at or after the period's
  // start. When `use` raises, the file's remaining lines are dropped and the failure
  // passes on; the next call starts at the next file either way.
  template <class Use>
  bool nextFile(Use&& use) {
    askForNextFile();
    for (;;) {
      Batch& batch = take();
      try {
        batch.each(use);
      } catch (...) {
        const bool fileEnd = batch.fileEnd;
        release();
        if (!fileEnd) skipRestOfFile();
        throw;
      }
      if (!batch.fileEnd) {
        release();
        continue;
      }
      const bool old = batch.old;
      const std::exception_ptr failure = batch.failure;
      release();
      if (failure) std::rethrow_exception(failure);
      return old;
    }
  }

 private:
  // A parsed line: a narrow one (ASCII) points into its batch's block of the file or,
  // when some of its texts lie elsewhere, into the batch's copies; a wide one is a copy.
  struct Line {
    DravoLogFile::LineView<char> narrow;
    std::size_t wide;  // where in the batch's wide lines, or `narrowLine`
  };
  static constexpr std::size_t narrowLine = SIZE_MAX;

  struct Batch {
    LogBuffer block;  // the bytes of the file that the lines were read from
    std::vector<Line> lines;
    // Copied texts, each line's one after another in one string, so that a copy costs no
    // allocation of its own; the views are pointed at them by seal(), once the strings
    // have stopped growing. Each copy is known by its line and where its texts start.
    std::string narrowTexts;
    std::wstring wideTexts;
    std::vector<std::pair<std::size_t, std::size_t>> narrowCopies;
    std::vector<std::pair<DravoLogFile::LineView<wchar_t>, std::size_t>> wideLines;
    bool fileEnd = false;
    bool old = true;  // with fileEnd: no line of the file at or after the start
    std::exception_ptr failure;  // with fileEnd: what ended the reading early

    // `raw` is the line as read, in the reader's buffer that the batch takes on handing.
    void add(const DravoLogFile::LineView<char>& view, std::string_view raw);
    void add(const DravoLogFile::LineView<wchar_t>& view, std::string_view raw);
    void seal();
    void clear();

    template <class Use>
    void each(Use& use) const {
      for (const Line& line : lines) {
        if (line.wide == narrowLine) use(line.narrow);
        else use(wideLines[line.wide].first);
      }
    }
  };

  void produce();
  // Lets the reading thread open the next file.
  void askForNextFile();
  // Waits until the caller asks for file `index`; false when stopping.
  bool waitUntilAsked(std::size_t index);
  // The batch to fill next, once the caller has given it back; null when stopping.
  Batch* fresh();
  // Hands `batch` over with the reader's buffer, which its lines lie in.
  void hand(Batch& batch, LogFileReader& reader);
  // The next filled batch, waited for; release() gives it back.
  Batch& take();
  void release();
  void skipRestOfFile();

  // The threads hand batches over round a ring and wait for each other by spinning, not
  // through the system: a handover then costs no system call, which under Wine would be
  // a round trip to its server for each batch and each file.
  static constexpr std::size_t ringSize = 8;
  std::vector<std::wstring> paths_;
  SYSTEMTIME from_, to_;
  std::array<Batch, ringSize> ring_;
  std::atomic<std::size_t> filled_{0}, emptied_{0};  // batches handed over and given back
  std::atomic<std::size_t> asked_{0};                // files the caller has asked for
  std::atomic<bool> stopping_{false};
  std::thread reader_;  // last: starts when everything above is made
};

}  // namespace Dravo
