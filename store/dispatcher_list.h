// The dispatchers of one flavour: their identity records, loaded from the dispatcher
// list file ("rvc1.cfg") of the data folder or rebuilt from the dispatcher ini files and
// resource folders found there (docs/device-types.md describes the rebuild).
#pragma once

#include <algorithm>
#include <array>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rvc::store {

class CTemplateList;

// A text of a dispatcher's record. The records a list file gives view the texts their
// list keeps for them (valid while they are in the list); a text set later, and every
// copy or move of one, holds a copy of its own, so that a record copied or taken out of
// its list stays valid. It reads as a std::string_view (every text ends with a NUL, so
// c_str() is at hand as well) and turns into a std::string wherever one is wanted.
// Small, a view and a pointer: a list holds many records.
class RecordText : public std::string_view {
 public:
  RecordText() : std::string_view("") {}
  RecordText(const std::string& text) : RecordText(std::string_view(text)) {}  // NOLINT: a record's texts take strings
  RecordText(std::string_view text) { Own(text); }                             // NOLINT
  RecordText(const char* text) : RecordText(std::string_view(text)) {}         // NOLINT
  RecordText(const RecordText& other) : std::string_view() { Own(other); }
  // A text the list keeps is copied: the moved record may outlive the list.
  RecordText(RecordText&& other) noexcept : std::string_view() { *this = std::move(other); }
  RecordText& operator=(const RecordText& other) { return *this = std::string_view(other); }
  RecordText& operator=(RecordText&& other) noexcept {
    if (this == &other) return *this;
    if (other.own_ == nullptr) return *this = std::string_view(other);
    own_ = std::move(other.own_);
    std::string_view::operator=(other);
    other.std::string_view::operator=("");
    return *this;
  }
  RecordText& operator=(const std::string& text) { return *this = std::string_view(text); }
  RecordText& operator=(std::string_view text) {
    Own(text);  // `text` may view this text's own copy: Own() lets it go last
    return *this;
  }
  RecordText& operator=(const char* text) { return *this = std::string_view(text); }

  // Views `kept`, which holds a NUL after it and outlives the record in its list.
  void View(std::string_view kept) {
    own_.reset();
    std::string_view::operator=(kept);
  }

  void clear() { *this = std::string_view(); }

  // A view cut short would not end with its NUL: a text changes only by assignment.
  void remove_prefix(size_t) = delete;
  void remove_suffix(size_t) = delete;
  void swap(std::string_view&) = delete;

  operator std::string() const { return std::string(data(), size()); }  // NOLINT: callers take strings
  const char* c_str() const { return data(); }

 private:
  void Own(std::string_view text) {
    if (text.empty()) {
      own_.reset();
      std::string_view::operator=("");
      return;
    }
    auto copy = std::make_unique_for_overwrite<char[]>(text.size() + 1);
    std::copy(text.begin(), text.end(), copy.get());
    copy[text.size()] = '\0';
    std::string_view::operator=(std::string_view(copy.get(), text.size()));
    own_ = std::move(copy);
  }

  std::unique_ptr<char[]> own_;  // the text, when it is not one the list keeps
};

// Joined as std::string would be; one overload per type, so that none is ambiguous.
inline std::string operator+(const RecordText& a, std::string_view b) { return std::string(a).append(b); }
inline std::string operator+(const RecordText& a, const std::string& b) { return std::string(a).append(b); }
inline std::string operator+(const RecordText& a, const char* b) { return std::string(a).append(b); }
inline std::string operator+(const RecordText& a, const RecordText& b) { return std::string(a).append(b); }
inline std::string operator+(const RecordText& a, char b) { return std::string(a) + b; }
inline std::string operator+(std::string_view a, const RecordText& b) { return std::string(a).append(b); }
inline std::string operator+(const std::string& a, const RecordText& b) { return std::string(a).append(b); }
inline std::string operator+(std::string&& a, const RecordText& b) { return std::move(a.append(b)); }
inline std::string operator+(const char* a, const RecordText& b) { return std::string(a).append(b); }
inline std::string operator+(char a, const RecordText& b) { return a + std::string(b); }

// The identity of a dispatcher.
struct DispatcherRecord {
  RecordText Flavour;
  RecordText Name;
  RecordText Type;
  RecordText Folder;
  int Base = 0;          // port separator 0 to 9
  int CommandPort = -1;  // -1 when unknown
};

// A dispatcher that the list could not load: hostile or damaged records are skipped, so
// that the rest of the list (and every other flavour) still loads.
struct BrokenDispatcher {
  std::string Name;    // as far as known; "" when unknown (may hold any byte: see Printable)
  std::string Folder;  // as read (may hold any byte)
  std::string Reason;  // one sentence naming the file at fault
};

// The settings object of one dispatcher. The settings pages attach to it later; for now
// it holds the record and the dispatcher's folder.
class CDispatcher {
 public:
  // `folder` is DataFolder + Folder (no trailing separator).
  explicit CDispatcher(std::string folder) : path_(folder) {}
  DispatcherRecord Record;
  const RecordText& Path() const { return path_; }
  void SetPath(std::string path) { path_ = path; }

 private:
  friend class CDispatcherList;  // its loaded dispatchers view their paths where it keeps them
  RecordText path_;
};

class CDispatcherList {
 public:
  // Loads `listFile` (109, 110) or, with `rebuild`, rebuilds from "zv*dispatcher.ini" in
  // DataFolder + "data/" (110). `templates` must outlive the list. `flavourDisplayName` is
  // used in the open-failure message only. Those errors concern the whole list; a
  // dispatcher that cannot be loaded (a folder that is no plain folder name, a name with
  // control characters or too long, items missing, an ini file without its folder or
  // files: 110, an unreadable ini file: 104 with the running-dispatcher hint) is traced,
  // left out and listed in Broken(). docs/lifecycle.md ("Hostile data") says why.
  CDispatcherList(std::string listFile, const CTemplateList& templates, bool rebuild, std::string flavourDisplayName);
  ~CDispatcherList();

  int GetCount() const { return static_cast<int>(dispatchers_.size()); }
  // The dispatchers left out by the load, in the order met. Save() does not write them.
  const std::vector<BrokenDispatcher>& Broken() const { return broken_; }
  // Raises std::out_of_range for an invalid index.
  CDispatcher& GetAt(int index);
  const CDispatcher& GetAt(int index) const;
  CDispatcher& GetCurrent() { return GetAt(current_); }
  void SetCurrent(int index) { current_ = index; }
  int Current() const { return current_; }

  // A new dispatcher copied from `source`, appended or replacing the element at
  // `position` (std::out_of_range for a position outside the list). Port separator
  // reservations are the caller's business.
  CDispatcher& Add(const CDispatcher& source, int position = -1);
  // A new dispatcher copied from `source`, inserted before the element at `position`
  // (the end when `position` is the count; std::out_of_range beyond it).
  CDispatcher& Insert(const CDispatcher& source, int position);
  // Takes `dispatcher` out of the list and hands it to the caller; nullptr when it is not
  // in the list.
  std::unique_ptr<CDispatcher> Remove(const CDispatcher& dispatcher);
  // Writes the list file, repairing duplicate port separators, names and folders first
  // (and rewriting the affected ini files). A CRvcException is reported and ends the
  // save; the result tells whether the file was written.
  bool Save();
  // As Save, but a failure raises the CRvcException instead of reporting it.
  void Write();
  // Whether the list was read from its list file (else it was rebuilt from the files on
  // disk, and the data folder keeps no list file).
  bool FromListFile() const { return fromListFile_; }

  bool SeparatorInUse(int base) const { return base >= 0 && base <= 9 && separatorInUse_[base]; }
  void SetSeparatorInUse(int base, bool inUse);
  // The lowest port separator not in use, or -1 when all ten are taken.
  int LowestFreeSeparator() const;

  const std::string& ListFile() const { return listFile_; }
  // The folder of the list file, ending with the separator.
  const std::string& DataFolder() const { return dataFolder_; }
  const CTemplateList& Templates() const { return *templates_; }
  // DataFolder + "data/zv" + folder + "_dispatcher.ini".
  std::string IniFileOf(const std::string& folder) const;

 private:
  void LoadFromListFile();
  // Has `dispatcher` view its path and the texts of its record where the list keeps them.
  void KeepTexts(CDispatcher& dispatcher, std::string_view folder, std::string_view name, std::string_view type,
                 std::string_view flavour);
  void Rebuild(const std::string& flavourDisplayName);
  void Skip(BrokenDispatcher broken);
  void Place(CDispatcher* dispatcher);
  void Place(std::unique_ptr<CDispatcher> dispatcher);
  // Takes `dispatcher` out of the list's ownership (a copy when it lives in the block).
  std::unique_ptr<CDispatcher> Release(CDispatcher* dispatcher);
  void Repair(size_t index);

  std::vector<CDispatcher*> dispatchers_;  // in the order of the list
  // The dispatchers a list file gives live in a few blocks, where they never move (none
  // of a kilobyte or more: the allocator would sort all its free memory first); those
  // added or rebuilt later are owned one by one. A dispatcher removed from the blocks
  // leaves an unused element there.
  std::deque<CDispatcher> loaded_;
  std::vector<std::unique_ptr<CDispatcher>> owned_;
  // The texts the records of a list file view, in blocks under a kilobyte as well.
  std::vector<std::unique_ptr<char[]>> texts_;
  size_t textsUsed_ = 0;  // of the last block
  size_t textsSize_ = 0;
  std::vector<BrokenDispatcher> broken_;
  std::array<bool, 10> separatorInUse_{};
  const CTemplateList* templates_;
  std::string listFile_;
  std::string dataFolder_;
  bool fromListFile_ = false;
  int current_ = 0;
};

}  // namespace rvc::store
