// The two files of a generation: a template read line by line and an output written
// through one buffer into the temporary file of a platform::AtomicFile, so that the file
// it replaces stays as it was until the new one is complete. Both keep byte positions so that a section whose placeholder is
// missing can return them to where it started. Neither ever holds more than its buffer
// and the line at hand, whatever the size of the files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/atomic_file.h"

namespace rvc::ppd::detail {

class LineReader {
 public:
  LineReader() = default;
  ~LineReader() { Close(); }
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Opens for reading. Files are only ever replaced whole, so what is read is one
  // complete version. False with errno-style `error`.
  bool Open(const std::string& path, int& error);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // The next line without its "\n" (a "\r" before it stays part of the line); valid until
  // the next call. False at the end of the file; a read error counts as the end.
  bool Next(std::string_view& line);
  // Whether the first line of the file ends with "\r\n" (known after the first Next()).
  bool CrLf() const { return crlf_; }

  uint64_t Tell() const { return bufferOffset_ + begin_; }
  void Seek(uint64_t offset);

 private:
  bool Fill();  // reads more bytes behind the unread ones; false at the end

  static constexpr size_t kBufferSize = 64 * 1024;
  int fd_ = -1;
  std::string buffer_;
  size_t begin_ = 0;           // first unread byte of buffer_
  size_t end_ = 0;             // end of the valid bytes of buffer_
  uint64_t bufferOffset_ = 0;  // file offset of buffer_[0]
  bool atEnd_ = false;
  bool firstLineSeen_ = false;
  bool crlf_ = false;
  std::string spill_;  // a line longer than what the buffer holds
};

class LineWriter {
 public:
  LineWriter() = default;
  ~LineWriter() { Discard(); }
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // Starts the new file in a temporary file beside `path`; `path` itself is untouched
  // until Close(). False with errno-style `error`.
  bool Create(const std::string& path, int& error);
  // Flushes and replaces the file with the new one; false (the old file untouched) when
  // any write failed since Create() or the replacement failed.
  bool Close();
  // Drops the new file; the old one stays.
  void Discard();
  bool IsOpen() const { return file_.IsOpen(); }

  void Append(std::string_view bytes);
  uint64_t Tell() const { return flushed_ + buffer_.size(); }
  // Drops everything written after `offset`.
  void Truncate(uint64_t offset);
  // Writes out the buffer; false when any write failed so far.
  bool Flush();
  // The first error (errno), 0 when none; ErrorText() names the step.
  int Error() const { return error_; }
  std::string ErrorText() const { return file_.ErrorText(); }

 private:
  void WriteOut(const char* data, size_t size);

  static constexpr size_t kBufferSize = 64 * 1024;
  platform::AtomicFile file_;
  std::string buffer_;
  uint64_t flushed_ = 0;  // bytes in the file before buffer_
  int error_ = 0;
};

}  // namespace rvc::ppd::detail
