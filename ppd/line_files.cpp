#include "ppd/line_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace rvc::ppd::detail {

bool LineReader::Open(const std::string& path, int& error) {
  Close();
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    error = errno;
    return false;
  }
  buffer_.resize(kBufferSize);
  begin_ = end_ = 0;
  bufferOffset_ = 0;
  atEnd_ = firstLineSeen_ = crlf_ = false;
  return true;
}

void LineReader::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  std::string().swap(buffer_);
  std::string().swap(spill_);
  begin_ = end_ = 0;
}

bool LineReader::Fill() {
  if (atEnd_ || fd_ < 0) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    bufferOffset_ += begin_;
    end_ -= begin_;
    begin_ = 0;
  }
  for (;;) {
    ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      atEnd_ = true;
      return false;
    }
    end_ += static_cast<size_t>(n);
    return true;
  }
}

bool LineReader::Next(std::string_view& line) {
  bool spilled = false;
  spill_.clear();
  for (;;) {
    const char* start = buffer_.data() + begin_;
    const size_t available = end_ - begin_;
    if (const void* newline = std::memchr(start, '\n', available)) {
      const size_t length = static_cast<size_t>(static_cast<const char*>(newline) - start);
      if (spilled) {
        spill_.append(start, length);
        line = spill_;
      } else {
        line = std::string_view(start, length);
      }
      begin_ += length + 1;
      break;
    }
    if (available == buffer_.size()) {
      // A line longer than the buffer: keep its head aside and read on.
      spill_.append(start, available);
      spilled = true;
      bufferOffset_ += end_;
      begin_ = end_ = 0;
    }
    if (!Fill()) {
      if (!spilled && begin_ == end_) return false;
      // The last line has no line break.
      spill_.append(buffer_.data() + begin_, end_ - begin_);
      line = spill_;
      begin_ = end_;
      break;
    }
  }
  if (!firstLineSeen_) {
    firstLineSeen_ = true;
    crlf_ = !line.empty() && line.back() == '\r';
  }
  return true;
}

void LineReader::Seek(uint64_t offset) {
  if (offset >= bufferOffset_ && offset <= bufferOffset_ + end_) {
    begin_ = static_cast<size_t>(offset - bufferOffset_);  // still buffered: no system call
    return;
  }
  ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET);
  bufferOffset_ = offset;
  begin_ = end_ = 0;
  atEnd_ = false;
}

bool LineWriter::Create(const std::string& path, int& error) {
  Discard();
  if (!file_.Begin(path)) {
    error = file_.Error();
    return false;
  }
  buffer_.clear();
  buffer_.reserve(kBufferSize);
  flushed_ = 0;
  error_ = 0;
  return true;
}

bool LineWriter::Close() {
  if (!file_.IsOpen()) return error_ == 0;
  Flush();
  if (!file_.Commit() && error_ == 0) error_ = file_.Error();
  std::string().swap(buffer_);
  return error_ == 0;
}

void LineWriter::Discard() {
  file_.Discard();
  std::string().swap(buffer_);
}

void LineWriter::Append(std::string_view bytes) {
  if (buffer_.size() + bytes.size() > kBufferSize) {
    Flush();
    if (bytes.size() >= kBufferSize) {
      WriteOut(bytes.data(), bytes.size());
      flushed_ += bytes.size();
      return;
    }
  }
  buffer_.append(bytes);
}

void LineWriter::Truncate(uint64_t offset) {
  if (offset >= flushed_) {
    buffer_.resize(static_cast<size_t>(offset - flushed_));
    return;
  }
  buffer_.clear();
  const int fd = file_.Descriptor();
  if (::ftruncate(fd, static_cast<off_t>(offset)) != 0 || ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
    if (error_ == 0) error_ = errno;
    file_.Fail("truncate", errno);
  }
  flushed_ = offset;
}

bool LineWriter::Flush() {
  if (!buffer_.empty()) {
    WriteOut(buffer_.data(), buffer_.size());
    flushed_ += buffer_.size();
    buffer_.clear();
  }
  return error_ == 0;
}

void LineWriter::WriteOut(const char* data, size_t size) {
  if (!file_.IsOpen() || error_ != 0) return;
  if (!file_.Write(std::string_view(data, size))) error_ = file_.Error();
}

}  // namespace rvc::ppd::detail
