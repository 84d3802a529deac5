// The two files of a generation: a template read line by line and an output written
// through one buffer. Both keep byte positions so that a section whose placeholder is
// missing can return them to where it started. Neither ever holds more than its buffer
// and the line at hand, whatever the size of the files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rvc::ppd::detail {

class LineReader {
 public:
  LineReader() = default;
  ~LineReader() { Close(); }
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Opens for reading and takes a shared advisory lock, so that a configurator writing
  // the same file at the same time (exclusive lock) refuses instead of mixing bytes.
  // False with errno-style `error` when either fails.
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
  ~LineWriter() { Close(); }
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // Creates or empties the file and takes an exclusive advisory lock first (a file that
  // another writer holds is left as it is). False with errno-style `error`.
  bool Create(const std::string& path, int& error);
  // Flushes and closes; false when any write failed since Create().
  bool Close();
  bool IsOpen() const { return fd_ >= 0; }

  void Append(std::string_view bytes);
  uint64_t Tell() const { return flushed_ + buffer_.size(); }
  // Drops everything written after `offset`.
  void Truncate(uint64_t offset);
  // The first write error (errno), 0 when none.
  int Error() const { return error_; }

 private:
  void Flush();
  void WriteOut(const char* data, size_t size);

  static constexpr size_t kBufferSize = 64 * 1024;
  int fd_ = -1;
  std::string buffer_;
  uint64_t flushed_ = 0;  // bytes in the file before buffer_
  int error_ = 0;
};

}  // namespace rvc::ppd::detail
