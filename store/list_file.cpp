#include "store/list_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "platform/deferred_close.h"
#include "platform/file_io.h"
#include "platform/path.h"
#include "platform/text.h"
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

// The bytes of `name` (16 at most) as two words, every byte in at least one of them: two
// overlapping loads of its first and last bytes. Equal names give equal words.
[[gnu::always_inline]] inline void Words(const char* name, size_t size, uint64_t (&words)[2]) {
  if (size >= 8) {
    std::memcpy(&words[0], name, 8);
    std::memcpy(&words[1], name + size - 8, 8);
  } else if (size >= 4) {
    uint32_t first, last;
    std::memcpy(&first, name, 4);
    std::memcpy(&last, name + size - 4, 4);
    words[0] = first;
    words[1] = last;
  } else {
    words[0] = size == 0 ? 0
                         : static_cast<unsigned char>(name[0]) | static_cast<unsigned char>(name[size / 2]) << 8 |
                               static_cast<unsigned char>(name[size - 1]) << 16;
    words[1] = 0;
  }
}

// The number of the record a topic names, "Config" + std::to_string(number) ignoring the
// case of "Config"; 0 for any other name.
long RecordNumber(std::string_view name) {
  if (name.size() <= kRecordPrefix.size() || name.size() > kRecordPrefix.size() + 18 ||
      !platform::EqualsNoCase(name.substr(0, kRecordPrefix.size()), kRecordPrefix)) {
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
  explicit Reader(ListFile& file) : file_(file), bytes_(file.storage_->bytes) {}

  void Topic(std::string_view name) {
    wanted_ = &kNoNames;
    filled_ = 0;
    if (!mainSeen_ && platform::EqualsNoCase(name, kMain)) {
      mainSeen_ = true;
      values_ = file_.storage_->values.data();
      wanted_ = &file_.mainItems_;
      return;
    }
    const long number = RecordNumber(name);
    if (number <= 0) return;
    std::vector<std::string_view>& values = file_.storage_->values;
    const size_t first = values.size();
    file_.storage_->records.push_back({number, first});
    values.resize(first + file_.recordItems_.size());
    values_ = values.data() + first;
    wanted_ = &file_.recordItems_;
  }

  void Item(std::string_view name, std::string_view value) {
    // Mostly no wanted name, or one, has the bucket of an item's name.
    for (uint32_t candidates = wanted_->index_[Items::Bucket(name)] & ~filled_; candidates != 0;
         candidates &= candidates - 1) {
      const int i = std::countr_zero(candidates);
      if (wanted_->Same(name, static_cast<size_t>(i))) {
        values_[i] = Kept(value);
        filled_ |= 1u << i;
        return;
      }
    }
  }

 private:
  // `value` where it lasts: in the bytes, or, decoded from an escape, in a copy.
  std::string_view Kept(std::string_view value) {
    const std::less_equal<const char*> notAfter;
    if (notAfter(bytes_.data(), value.data()) && notAfter(value.data() + value.size(), bytes_.data() + bytes_.size())) {
      return value;
    }
    return Decoded(value);
  }

  // Out of line: values with escapes are rare, and the items' walk keeps fewer registers.
  [[gnu::noinline]] std::string_view Decoded(std::string_view value) {
    return *file_.decoded_.emplace_back(std::make_unique<std::string>(value));
  }

  static const Items kNoNames;

  ListFile& file_;
  const std::string_view bytes_;     // of the file, which the scan does not change
  const Items* wanted_ = &kNoNames;  // of the topic being read; none for others
  uint32_t filled_ = 0;              // the wanted names found in the topic
  std::string_view* values_ = nullptr;  // its values: only a topic grows the list of them
  bool mainSeen_ = false;
};

const ListFile::Items ListFile::Reader::kNoNames{{}};

size_t ListFile::Items::Bucket(std::string_view name) {
  const size_t first = name.empty() ? 0 : static_cast<unsigned char>(platform::LowerAscii(name.front()));
  return (name.size() * 8 + first) % kBuckets;
}

ListFile::Items::Items(std::span<const std::string_view> names) : names_(names) {
  if (names.size() > folded_.size()) throw std::length_error("a list file is read for 32 items at most");
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string_view name = names[i];
    index_[Bucket(name)] |= 1u << i;
    Folded& folded = folded_[i];
    folded.whole = name.size() <= 16;
    if (!folded.whole) continue;
    char lower[16], caseBits[16];
    for (size_t k = 0; k < name.size(); ++k) {
      lower[k] = platform::LowerAscii(name[k]);
      caseBits[k] = lower[k] >= 'a' && lower[k] <= 'z' ? 0x20 : 0;
    }
    Words(lower, name.size(), folded.words);
    Words(caseBits, name.size(), folded.caseBits);
  }
}

bool ListFile::Items::Same(std::string_view name, size_t i) const {
  const Folded& folded = folded_[i];
  if (!folded.whole) return SameLong(name, i);
  uint64_t words[2];
  Words(name.data(), name.size(), words);
  // A byte that is a letter in the wanted name matches either case of that letter only;
  // any other byte matches itself.
  return ((words[0] | folded.caseBits[0]) == folded.words[0]) & ((words[1] | folded.caseBits[1]) == folded.words[1]) &
         (name.size() == names_[i].size());
}

bool ListFile::Items::SameLong(std::string_view name, size_t i) const {
  return platform::EqualsNoCase(name, names_[i]);
}

ListFile::ListFile(const Items& mainItems, const Items& recordItems)
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
    platform::CloseDeferred(fd);
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
