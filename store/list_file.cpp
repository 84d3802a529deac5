#include "store/list_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include "platform/file_io.h"
#include "platform/path.h"
#include "store/listed_folders.h"
#include "store/resource_db_format.h"

namespace rvc::store {
namespace {

// A buffer that a large list has grown is given back.
constexpr size_t kKeptBuffer = 64 * 1024;
thread_local bool t_storageInUse = false;

constexpr std::string_view kMain = "Main";
constexpr std::string_view kRecordPrefix = "Config";
// Records looked for before the values grow: lists mostly hold a few dozen.
constexpr size_t kRecordsReserved = 16;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

// Names compared ignoring ASCII case, in place: every item of a list is compared, and
// its names are short.
[[gnu::always_inline]] inline bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// The number of the record a topic names, "Config" + std::to_string(number) ignoring the
// case of "Config"; 0 for any other name.
long RecordNumber(std::string_view name) {
  if (name.size() <= kRecordPrefix.size() || name.size() > kRecordPrefix.size() + 18 ||
      !SameName(name.substr(0, kRecordPrefix.size()), kRecordPrefix)) {
    return 0;
  }
  const std::string_view digits = name.substr(kRecordPrefix.size());
  if (digits.front() == '0') return 0;
  long number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    number = number * 10 + (c - '0');
  }
  return number;
}

}  // namespace

// Collects the wanted items of "Main" and of the records while the file is scanned.
class ListFile::Reader {
 public:
  explicit Reader(ListFile& file) : file_(file) {}

  void Topic(std::string_view name) {
    wanted_ = {};
    next_ = 0;
    if (!mainSeen_ && SameName(name, kMain)) {
      mainSeen_ = true;
      first_ = 0;
      wanted_ = file_.mainItems_;
      return;
    }
    const long number = RecordNumber(name);
    if (number <= 0) return;
    first_ = file_.storage_->values.size();
    file_.storage_->records.push_back({number, first_});
    file_.storage_->values.resize(first_ + file_.recordItems_.size());
    wanted_ = file_.recordItems_;
  }

  void Item(std::string_view name, std::string_view value) {
    // Lists mostly hold their items in the order asked for: the name after the last one
    // found is compared first.
    const size_t count = wanted_.size();
    for (size_t k = 0, i = next_; k < count; ++k, i = i + 1 == count ? 0 : i + 1) {
      std::string_view& slot = file_.storage_->values[first_ + i];
      if (slot.data() == nullptr && SameName(name, wanted_[i])) {
        slot = Kept(value);
        next_ = i + 1 == count ? 0 : i + 1;
        return;
      }
    }
  }

 private:
  // `value` where it lasts: in the bytes, or, decoded from an escape, in a copy.
  std::string_view Kept(std::string_view value) {
    const std::string& bytes = file_.storage_->bytes;
    const std::less_equal<const char*> notAfter;
    if (notAfter(bytes.data(), value.data()) && notAfter(value.data() + value.size(), bytes.data() + bytes.size())) {
      return value;
    }
    return *file_.decoded_.emplace_back(std::make_unique<std::string>(value));
  }

  ListFile& file_;
  std::span<const std::string_view> wanted_;  // of the topic being read; none for others
  size_t first_ = 0;                          // its values
  size_t next_ = 0;                           // the wanted name compared first
  bool mainSeen_ = false;
};

ListFile::ListFile(std::span<const std::string_view> mainItems, std::span<const std::string_view> recordItems)
    : mainItems_(mainItems), recordItems_(recordItems) {}

ListFile::~ListFile() {
  if (storage_ == nullptr || storage_ == own_.get()) return;
  if (storage_->bytes.capacity() > kKeptBuffer) std::string().swap(storage_->bytes);
  if (storage_->values.capacity() * sizeof(std::string_view) > kKeptBuffer) {
    std::vector<std::string_view>().swap(storage_->values);
  }
  storage_->values.clear();
  storage_->records.clear();
  t_storageInUse = false;
}

ListFile::Storage* ListFile::ThreadStorage() {
  thread_local Storage storage;
  return &storage;
}

bool ListFile::Read(const std::string& path) {
  if (storage_ == nullptr && !t_storageInUse) {
    t_storageInUse = true;
    storage_ = ThreadStorage();
  } else if (storage_ == nullptr) {
    own_ = std::make_unique<Storage>();
    storage_ = own_.get();
  }
  Storage& storage = *storage_;
  storage.path = path;
  // The list was mostly found by a search that still holds its folder open.
  if (const int fd = OpenInListedFolder(path, O_RDONLY | O_CLOEXEC); fd >= 0) {
    const bool read = platform::ReadOpenedFile(fd, storage.bytes);
    const int error = errno;
    ::close(fd);
    errno = error;
    if (!read) return false;
  } else if (!platform::ReadFileNoCase(storage.path, storage.bytes)) {
    return false;
  }
  storage.records.reserve(kRecordsReserved);
  storage.values.reserve(mainItems_.size() + kRecordsReserved * recordItems_.size());
  storage.values.assign(mainItems_.size(), {});
  Reader reader(*this);
  rdb_format::ScanLines(
      storage.bytes, [&reader](std::string_view name) { reader.Topic(name); },
      [&reader](std::string_view name, std::string_view value) { reader.Item(name, value); });
  // The first topic of a number comes first among those of that number. Lists are mostly
  // in order already.
  auto byNumber = [](const Found& a, const Found& b) { return a.number < b.number; };
  if (!std::is_sorted(storage.records.begin(), storage.records.end(), byNumber)) {
    std::stable_sort(storage.records.begin(), storage.records.end(), byNumber);
  }
  return true;
}

std::optional<std::string_view> ListFile::Main(size_t item) const {
  return item < mainItems_.size() ? ValueAt(item) : std::nullopt;
}

bool ListFile::FindRecord(long number) {
  found_ = false;
  if (storage_ == nullptr) return false;
  const std::vector<Found>& records = storage_->records;
  while (next_ < records.size() && records[next_].number < number) ++next_;
  found_ = next_ < records.size() && records[next_].number == number;
  if (found_) first_ = records[next_].first;
  return found_;
}

}  // namespace rvc::store
