#include "ppd/line_files.h"

#include <fcntl.h>
#include <sys/file.h>
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
  if (::flock(fd_, LOCK_SH | LOCK_NB) != 0) {
    error = errno;
    Close();
    return false;
  }
  buffer_.resize(kBufferSize);
  begin_ = end_ = 0;
  bufferOffset_ = 0;
  atEnd_ = firstLineSeen_ = crlf_ = false;
  return true;
}

void LineReader::Close() {
  if (fd_ >= 0) ::close(fd_);  // also drops the lock
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
  Close();
  // Not O_TRUNC: a file that another writer holds must not be emptied under it.
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    error = errno;
    return false;
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd_, 0) != 0) {
    error = errno;
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  buffer_.clear();
  buffer_.reserve(kBufferSize);
  flushed_ = 0;
  error_ = 0;
  return true;
}

bool LineWriter::Close() {
  if (fd_ < 0) return error_ == 0;
  Flush();
  if (::close(fd_) != 0 && error_ == 0) error_ = errno;
  fd_ = -1;
  std::string().swap(buffer_);
  return error_ == 0;
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
  if (::ftruncate(fd_, static_cast<off_t>(offset)) != 0 && error_ == 0) error_ = errno;
  ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET);
  flushed_ = offset;
}

void LineWriter::Flush() {
  if (buffer_.empty()) return;
  WriteOut(buffer_.data(), buffer_.size());
  flushed_ += buffer_.size();
  buffer_.clear();
}

void LineWriter::WriteOut(const char* data, size_t size) {
  if (fd_ < 0) return;
  while (size > 0) {
    ssize_t n = ::write(fd_, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (error_ == 0) error_ = n < 0 ? errno : ENOSPC;
      return;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
}

}  // namespace rvc::ppd::detail
