// A list file of a flavour ("rvc1.cfg", "rvc2.cfg") read in one pass over its bytes: the
// topic "Main" and the records "Config1", "Config2", ... with the items their readers
// ask for. The values are those the file's resource database gives: the first topic of
// a name, the first item of a name in it, names compared ignoring case.
//
// The values are views of the file's bytes, which the object keeps: a load copies the
// few it keeps into its own records, and so reads a list without building a database.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rvc::store {

class ListFile {
 public:
  // The names of the items a reader asks for (distinct, 32 at most), prepared once for
  // the lists it reads. The names must outlive the object.
  class Items {
   public:
    explicit Items(std::span<const std::string_view> names);
    size_t size() const { return names_.size(); }

   private:
    friend class ListFile;
    // A name as two words of its bytes, lower case, with the bits that case may change in
    // its letters: compared with a name's words in a few instructions.
    struct Folded {
      uint64_t words[2];
      uint64_t caseBits[2];
      bool whole;  // the two words hold every byte (names of up to 16 bytes)
    };
    static constexpr size_t kBuckets = 64;
    static size_t Bucket(std::string_view name);
    // Whether `name` is name `i`, ignoring ASCII case.
    bool Same(std::string_view name, size_t i) const;
    // Out of line: names of more than 16 bytes are rare.
    [[gnu::noinline]] bool SameLong(std::string_view name, size_t i) const;

    std::span<const std::string_view> names_;
    // The names by length and first letter: bit i of a bucket stands for name i, so that
    // an item's name is compared with those of its bucket alone.
    std::array<uint32_t, kBuckets> index_{};
    std::array<Folded, 32> folded_{};
  };

  // `mainItems` and `recordItems` must outlive the object.
  ListFile(const Items& mainItems, const Items& recordItems);
  ~ListFile();
  ListFile(const ListFile&) = delete;
  ListFile& operator=(const ListFile&) = delete;

  // Reads the file at `path` (resolved ignoring case); false with errno set when it
  // cannot be read. Read once per object.
  bool Read(const std::string& path);

  // Item `item` of mainItems in the topic "Main".
  std::optional<std::string_view> Main(size_t item) const;
  // The size of the file read, which holds every value but decoded escapes.
  size_t Size() const { return storage_ != nullptr ? storage_->bytes.size() : 0; }
  // How many topics name records (of any number, each name counted once or more).
  size_t Records() const { return storage_ != nullptr ? storage_->records.size() : 0; }
  // Whether a topic names record `number`; its items then follow. Numbers are asked for
  // in increasing order.
  bool FindRecord(long number);
  // Item `item` of recordItems in the record found last (none after a number without one).
  std::optional<std::string_view> Item(size_t item) const {
    return found_ && item < recordItems_.size() ? ValueAt(first_ + item) : std::nullopt;
  }

 private:
  class Reader;
  struct Found {
    long number;
    size_t first;  // of its values
  };

  std::optional<std::string_view> ValueAt(size_t at) const {
    // A null data pointer marks a missing item.
    if (storage_ == nullptr || at >= storage_->values.size() || storage_->values[at].data() == nullptr) {
      return std::nullopt;
    }
    return storage_->values[at];
  }

  // What a read fills. Lists are read one at a time: each thread keeps one of these for
  // them, so that a load allocates nothing to read a list.
  struct Storage {
    std::string path;   // the spelling read
    std::string bytes;  // of the file
    std::vector<std::string_view> values;  // "Main" first, then recordItems_.size() per record
    std::vector<Found> records;            // by number once read
  };
  static Storage* ThreadStorage();

  const Items& mainItems_;
  const Items& recordItems_;
  Storage* storage_ = nullptr;  // the thread's, or `own_` while another object has that
  std::unique_ptr<Storage> own_;
  std::vector<std::unique_ptr<std::string>> decoded_;  // escaped values, which the bytes do not hold
  size_t next_ = 0;      // in records_
  size_t first_ = 0;     // the values of the record found last
  bool found_ = false;
};

}  // namespace rvc::store
