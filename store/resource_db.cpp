// The database keeps the file's bytes in one buffer. Every topic header and item refers
// to its lines there by offset: its "lead" (the blank, comment and other lines between
// the previous entry and this one) and its "own" lines (its comment line, if any, and
// the topic or item line). An entry that is changed or added gets an Edited record that
// owns its text and has its own lines written afresh at Flush(); everything else is
// copied from the buffer unchanged, so a file without changes is written back byte for
// byte.
#include "store/resource_db.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <span>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/messages.h"
#include "platform/atomic_file.h"
#include "platform/path.h"
#include "platform/text.h"
#include "store/resource_db_format.h"

namespace rvc::store {
namespace {

namespace fmt = rdb_format;
using fmt::LineKind;

constexpr std::string_view kBom = fmt::kByteOrderMark;

uint64_t HashName(std::string_view name) {
  uint64_t h = 1469598103934665603ull;
  for (char c : name) {
    h ^= static_cast<unsigned char>(platform::LowerAscii(c));
    h *= 1099511628211ull;
  }
  return h ^ (h >> 29);
}

// `front` followed by `back`. Lines never run into each other: a front without its line
// end (the file's last line) gets one.
std::string JoinLines(std::string_view front, std::string_view back, std::string_view eol) {
  std::string joined;
  joined.reserve(front.size() + eol.size() + back.size());
  joined += front;
  if (!front.empty() && front.back() != '\n' && !back.empty()) joined += front.back() == '\r' ? "\n" : eol;
  joined += back;
  return joined;
}

// Whether `text` holds an empty line, or ends with one.
bool HoldsBlankLine(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find('\n', at);
    if (end == std::string_view::npos) return false;
    if (end == at || (end == at + 1 && text[at] == '\r')) return true;
    at = end + 1;
  }
  return false;
}
bool EndsWithBlankLine(std::string_view text) {
  if (text.empty() || text.back() != '\n') return false;
  text.remove_suffix(1);
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  return text.empty() || text.back() == '\n';
}

// Text that is a view of the original bytes until something is put in front of it.
// Lives only on the heap (Edited, Impl), so the view into `owned` stays valid.
struct Text {
  std::string_view view;
  std::string owned;

  void Prepend(std::string_view front, std::string_view eol) {
    if (front.empty()) return;
    owned = JoinLines(front, view, eol);
    view = owned;
  }
  void Take(Text& other) {
    if (!other.owned.empty() && other.view.data() == other.owned.data()) {
      owned = std::move(other.owned);
      view = owned;
    } else {
      view = other.view;
    }
    other.owned.clear();
    other.view = {};
  }
};

// An entry that does not fit the compact form: changed, added, escaped in the file, too
// far into a file for 32-bit offsets, or with a name or comment of 64 KiB or more.
struct Edited {
  std::string name;
  std::string value;
  std::string comment;
  Text lead;
  std::string_view own;     // the original own lines while !regenerate
  bool regenerate = false;  // own lines are written from name, value and comment
};

// A topic header or an item, 24 bytes while unchanged: millions of them may be held.
// The lead starts at `start`, the own lines right after it; a comment is the text of the
// note line that opens the own lines (after its three-character mark). An entry's own
// lines are never empty, so an ownLen of 0 marks an Edited entry, whose record takes the
// place of `start` and `leadLen` (and which the entry owns).
class Entry {
 public:
  uint32_t start = 0;
  uint32_t leadLen = 0;
  uint32_t ownLen = 0;
  uint32_t valueLen = 0;
  uint16_t nameLen = 0;
  uint16_t commentLen = 0;
  uint16_t nameSkip = 0;   // from the start of the own lines to the name
  uint16_t valueSkip = 0;  // from the end of the name to the value

  Entry() = default;
  Entry(Entry&& other) noexcept { TakeFrom(other); }
  Entry& operator=(Entry&& other) noexcept {
    if (this != &other) {
      Reset();
      TakeFrom(other);
    }
    return *this;
  }
  ~Entry() { Reset(); }

  // The record of a changed, added or escaped entry; nullptr while it is unchanged.
  Edited* edited() const {
    if (ownLen != 0) return nullptr;
    Edited* e;
    std::memcpy(&e, this, sizeof e);
    return e;
  }
  void SetEdited(std::unique_ptr<Edited> e) {
    Reset();
    Edited* raw = e.release();
    std::memcpy(static_cast<void*>(this), &raw, sizeof raw);
    ownLen = 0;
  }

  const char* OwnStart(const char* base) const { return base + start + leadLen; }
  std::string_view Name(const char* base) const {
    const Edited* e = edited();
    return e ? std::string_view(e->name) : std::string_view(OwnStart(base) + nameSkip, nameLen);
  }
  std::string_view Value(const char* base) const {
    const Edited* e = edited();
    return e ? std::string_view(e->value)
             : std::string_view(OwnStart(base) + nameSkip + nameLen + valueSkip, valueLen);
  }
  std::string_view Comment(const char* base) const {
    const Edited* e = edited();
    return e ? std::string_view(e->comment) : std::string_view(OwnStart(base) + 3, commentLen);
  }
  std::string_view Lead(const char* base) const {
    const Edited* e = edited();
    return e ? e->lead.view : std::string_view(base + start, leadLen);
  }
  std::string_view Own(const char* base) const {
    const Edited* e = edited();
    return e ? e->own : std::string_view(OwnStart(base), ownLen);
  }

  Edited& Edit(const char* base) {
    if (Edited* e = edited()) return *e;
    auto e = std::make_unique<Edited>();
    e->name = Name(base);
    e->value = Value(base);
    e->comment = Comment(base);
    e->lead.view = Lead(base);
    e->own = Own(base);
    SetEdited(std::move(e));
    return *edited();
  }

 private:
  // All zero is an entry without a record (and without lines).
  void Reset() {
    delete edited();
    std::memset(static_cast<void*>(this), 0, sizeof *this);
  }
  void TakeFrom(Entry& other) {
    std::memcpy(static_cast<void*>(this), &other, sizeof *this);
    std::memset(static_cast<void*>(&other), 0, sizeof other);
  }
};

static_assert(sizeof(Entry) == 24);

// Case-insensitive name -> first position, open addressing over positions + 1. Small
// lists are scanned instead; the table is built on the first lookup that needs it and
// dropped whenever positions shift. Readers ask for several items of one topic in a row:
// the last position found is tried first.
class NameIndex {
 public:
  static constexpr size_t kScanLimit = 16;

  template <class NameAt>
  std::optional<size_t> Find(std::string_view name, size_t count, const NameAt& nameAt) {
    if (last_ < count && platform::EqualsNoCase(nameAt(last_), name)) return last_;
    std::optional<size_t> found = Search(name, count, nameAt);
    if (found) last_ = *found;
    return found;
  }

  // The entry at position `count - 1` was appended.
  template <class NameAt>
  void Appended(size_t count, const NameAt& nameAt) {
    if (slots_.empty()) return;
    if (count * 3 > slots_.size() * 2) {
      Build(count, nameAt);
    } else {
      Insert(count - 1, nameAt);
    }
  }

  void Invalidate() {
    std::vector<uint32_t>().swap(slots_);
    last_ = kNone;
  }

 private:
  static constexpr size_t kNone = static_cast<size_t>(-1);

  template <class NameAt>
  std::optional<size_t> Search(std::string_view name, size_t count, const NameAt& nameAt) {
    if (count <= kScanLimit) {
      for (size_t i = 0; i < count; ++i) {
        if (platform::EqualsNoCase(nameAt(i), name)) return i;
      }
      return std::nullopt;
    }
    if (slots_.empty()) Build(count, nameAt);
    size_t mask = slots_.size() - 1;
    for (size_t s = HashName(name) & mask;; s = (s + 1) & mask) {
      uint32_t slot = slots_[s];
      if (slot == 0) return std::nullopt;
      if (platform::EqualsNoCase(nameAt(slot - 1), name)) return slot - 1;
    }
  }

  template <class NameAt>
  void Build(size_t count, const NameAt& nameAt) {
    size_t capacity = 16;
    while (capacity * 2 < count * 3) capacity *= 2;
    slots_.assign(capacity, 0);
    for (size_t i = 0; i < count; ++i) Insert(i, nameAt);
  }

  template <class NameAt>
  void Insert(size_t pos, const NameAt& nameAt) {
    std::string_view name = nameAt(pos);
    size_t mask = slots_.size() - 1;
    for (size_t s = HashName(name) & mask;; s = (s + 1) & mask) {
      uint32_t slot = slots_[s];
      if (slot == 0) {
        slots_[s] = static_cast<uint32_t>(pos + 1);
        return;
      }
      if (platform::EqualsNoCase(nameAt(slot - 1), name)) return;  // the first one of a name wins
    }
  }

  std::vector<uint32_t> slots_;
  size_t last_ = kNone;  // a first position: entries before it never take its name
};

// A topic's items are a range of the database's item array as read from the file; a
// topic whose items are added or removed moves them into a list of its own first, so
// that a file is read into two arrays whatever its number of topics.
struct Topic {
  Entry header;
  uint32_t first = 0;  // the range in Impl::items while `own` is null
  uint32_t count = 0;
  std::unique_ptr<std::vector<Entry>> own;
  std::string tail;  // lines left behind by removed items, after the last item
  NameIndex index;
};

// Builds the output as a list of pieces: runs of the original bytes, referred to where
// they stand, and `text_`, which holds the lines written afresh and the last line of each
// run. Chunks that follow each other in the original bytes make one run; wherever the
// order is new, the previous line is ended first, and a note left standing right above
// an entry is kept from becoming that entry's comment. Those checks look back at the
// output's last line only: the tail of `text_` (after `floor_`) holds it, or, while that
// is empty, it ends the last run, which then ends with its line end.
//
// Given a file, the pieces go to it in batches, one vectored write each: the original
// bytes are never copied in memory, and a flush holds no second copy of the database.
// Without one, Finish() gathers the pieces into a string of the exact size.
class Writer {
 public:
  // `original`: the bytes as read, where runs stand. `bomSize`: the length of the file's
  // own byte-order mark at the start of the output, 0 when it has none. Only that one is
  // no line; a mark anywhere else is text.
  Writer(std::string_view original, std::string_view eol, size_t bomSize, platform::AtomicFile* file = nullptr)
      : original_(original), eol_(eol), bomSize_(bomSize), file_(file) {}

  void Raw(std::string_view text, bool entryLines) {
    if (text.empty()) return;
    if (text.data() != runEnd_) {
      FlushRun();
      EndOpenLine();
      // The note is looked for first: it is mostly not there, and reading the entry's
      // line would bring it into the cache only for the file's write to read it again.
      if (entryLines && LastLineIsNote() && fmt::ReadLine(FirstLine(text)).kind != LineKind::kNote) {
        fmt::AppendEmptyNoteLine(text_, eol_);
      }
      runBegin_ = text.data();
    }
    runEnd_ = text.data() + text.size();
    lastIsEntry_ = entryLines;
  }

  // An unchanged entry whose lines (lead and own) start where the run ends, at `at`,
  // extends the run by `size` bytes, as Raw() of its lead and then its own lines would.
  bool Extend(const char* at, size_t size) {
    if (at != runEnd_ || at == nullptr) return false;
    runEnd_ += size;
    lastIsEntry_ = true;
    return true;
  }

  void Topic(std::string_view name, std::string_view comment) {
    BeginGenerated(comment);
    fmt::AppendTopicLine(text_, name, eol_);
  }

  void Item(std::string_view name, std::string_view value, std::string_view comment) {
    BeginGenerated(comment);
    fmt::AppendItemLine(text_, name, value, eol_);
  }

  // Ends the output: with a file, writes what is left to it; without, returns it whole.
  std::string Finish() {
    FlushRun();
    Commit(text_.size() - floor_);
    std::string out;
    if (file_ != nullptr) {
      Send();
      return out;
    }
    size_t size = 0;
    for (const Piece& piece : pieces_) size += piece.size;
    out.reserve(size);
    for (const Piece& piece : pieces_) out.append(Resolve(piece));
    return out;
  }

 private:
  // A run shorter than this is copied into `text_`: a piece of its own costs more.
  static constexpr size_t kReferAt = 1024;
  // With a file: pieces per write (the system's limit of a vectored write), and the
  // bytes of `text_` kept before they are written.
  static constexpr size_t kPiecesPerWrite = 1024;
  static constexpr size_t kTextHeld = 256 * 1024;

  // Bytes of the original buffer, or of `text_` at `offset` when `data` is null (the
  // string may move as it grows).
  struct Piece {
    const char* data;
    size_t offset;
    size_t size;
  };

  std::string_view Resolve(const Piece& piece) const {
    return piece.data != nullptr ? std::string_view(piece.data, piece.size)
                                 : std::string_view(text_).substr(piece.offset, piece.size);
  }
  std::string_view Tail() const { return std::string_view(text_).substr(floor_); }

  void BeginGenerated(std::string_view comment) {
    FlushRun();
    EndOpenLine();
    if (!comment.empty()) {
      fmt::AppendCommentLine(text_, comment, eol_);
    } else if (LastLineIsNote()) {
      fmt::AppendEmptyNoteLine(text_, eol_);
    }
    lastIsEntry_ = true;
  }

  void FlushRun() {
    if (runBegin_ == runEnd_) return;
    std::string_view run(runBegin_, static_cast<size_t>(runEnd_ - runBegin_));
    runBegin_ = runEnd_ = nullptr;
    lastRun_ = {};
    // Lines of the original bytes start at the start of a run and end with their line
    // end, but for the last one of the file. Such a run's last line need not be read (it
    // is mostly not in the cache) until something looks back at it.
    const std::less_equal<const char*> notAfter;
    if (run.size() >= kReferAt && notAfter(original_.data(), run.data()) &&
        !notAfter(original_.data() + original_.size(), run.data() + run.size()) &&
        (committed_ != 0 || Tail().size() >= kBom.size())) {
      Commit(Tail().size());
      Refer(run);
      lastRun_ = run;
      SendWhenDue();
      return;
    }
    if (run.size() >= kReferAt) {
      // The output's first bytes decide its mark; they are in `text_` before anything goes.
      if (committed_ == 0 && Tail().size() < kBom.size()) {
        const size_t lead = std::min(run.size(), kBom.size() - Tail().size());
        text_.append(run.substr(0, lead));
        run.remove_prefix(lead);
      }
      const size_t keep = LastLineStart(run);
      if (keep != std::string_view::npos && keep > 0) {
        Commit(Tail().size());
        Refer(run.substr(0, keep));
        run.remove_prefix(keep);
      }
    }
    text_.append(run);
    SendWhenDue();
  }

  // With a file: writes what `text_` and the pieces hold once that is enough for a call.
  void SendWhenDue() {
    if (file_ == nullptr) return;
    if (Tail().size() >= kTextHeld) {
      const size_t keep = LastLineStart(Tail());
      if (keep != std::string_view::npos) Commit(keep);
    }
    if (pieces_.size() >= kPiecesPerWrite || floor_ >= kTextHeld) Send();
  }

  // Where the output's last line starts in `text` (the open one, else the last ended
  // one); npos when it may start before `text`.
  static size_t LastLineStart(std::string_view text) {
    if (text.empty()) return std::string_view::npos;
    const size_t from = text.back() == '\n' ? text.size() - 1 : text.size();
    if (from == 0) return std::string_view::npos;
    const size_t lf = text.rfind('\n', from - 1);
    return lf == std::string_view::npos ? lf : lf + 1;
  }

  // Makes the first `count` bytes of the tail a piece of the output.
  void Commit(size_t count) {
    if (count == 0) return;
    // A line that starts with the mark's bytes but stood further down is text. Moved to
    // the very start (its topic removed), it would be read as the file's mark; the file
    // gets a mark of its own in front, so that the line stays what it was.
    if (committed_ == 0 && bomSize_ == 0 && Tail().substr(0, kBom.size()) == kBom) Refer(kBom);
    pieces_.push_back({nullptr, floor_, count});
    floor_ += count;
    committed_ += count;
  }

  void Refer(std::string_view bytes) {
    pieces_.push_back({bytes.data(), 0, bytes.size()});
    committed_ += bytes.size();
  }

  // Writes the pieces to the file; `text_` keeps only its tail.
  void Send() {
    views_.clear();
    for (const Piece& piece : pieces_) views_.push_back(Resolve(piece));
    // A failure is kept by the file and refuses its Commit().
    file_->Write(std::span<const std::string_view>(views_));
    pieces_.clear();
    text_.erase(0, floor_);
    floor_ = 0;
  }

  // A line without its end can only be the file's last one; anything put after it
  // needs the end. A lone CR there already counts as one, so it gets only the LF.
  // The tail is empty only at the start and after a run that ends with its line end.
  void EndOpenLine() {
    if (Tail().empty() || text_.back() == '\n') return;
    if (committed_ + Tail().size() == bomSize_) return;
    if (text_.back() == '\r') {
      text_ += '\n';
    } else {
      text_ += eol_;
    }
  }

  static std::string_view FirstLine(std::string_view text) {
    size_t end = text.find('\n');
    if (end == std::string_view::npos) end = text.size();
    if (end > 0 && text[end - 1] == '\r') --end;
    return text.substr(0, end);
  }

  // Called with the run flushed and the last line ended.
  bool LastLineIsNote() const {
    // Only the file's mark: no line yet.
    if (lastIsEntry_ || committed_ + Tail().size() <= bomSize_) return false;
    std::string_view text = Tail().empty() ? lastRun_ : Tail();
    if (text.empty()) return false;
    text.remove_suffix(1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    size_t start = text.rfind('\n');
    std::string_view line = start == std::string_view::npos ? text : text.substr(start + 1);
    if (start == std::string_view::npos && committed_ == 0) line.remove_prefix(bomSize_);
    return fmt::ReadLine(line).kind == LineKind::kNote;
  }

  std::string_view original_;
  std::string text_;
  size_t floor_ = 0;  // `text_` before it is in pieces already
  std::vector<Piece> pieces_;
  std::vector<std::string_view> views_;
  std::string_view eol_;
  const char* runBegin_ = nullptr;
  const char* runEnd_ = nullptr;
  std::string_view lastRun_;  // the last piece, while the tail is empty
  const size_t bomSize_;
  platform::AtomicFile* file_;
  size_t committed_ = 0;  // bytes in pieces (and with a file, written), before the tail
  bool lastIsEntry_ = false;
};

// Where the first "=" of `line` is, `length` when it has none. Item names are short: a
// line of 16 bytes or more has its first 16 looked at in one compare, and only a name
// longer than that costs a call.
inline size_t FindEquals(const char* line, size_t length) {
#if defined(__SSE2__)
  if (length >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('='))));
    if (mask != 0) return static_cast<size_t>(__builtin_ctz(mask));
    const void* equals = std::memchr(line + 16, '=', length - 16);
    return equals ? static_cast<size_t>(static_cast<const char*>(equals) - line) : length;
  }
#endif
  size_t at = 0;
  while (at < length && line[at] != '=') ++at;
  return at;
}

}  // namespace

struct ResourceDb::Impl {
  std::string path;
  std::string bytes;
  size_t bodyStart = 0;  // after the BOM
  std::string eol = "\n";
  std::vector<Topic> topics;
  std::vector<Entry> items;  // the items of all topics, in the order of the file
  mutable NameIndex topicIndex;
  Text fileTail;  // lines after the last entry
  bool changed = false;

  const char* Base() const { return bytes.data(); }

  void Parse();
  // Room for the topics of a file of `size` bytes, guessed from those read in the first
  // `pos` bytes, so that the topics move rarely while the file is read.
  void ReserveTopics(size_t pos, size_t size);
  // The same for the items.
  void ReserveItems(size_t pos, size_t size);
  // `line` and `note` view the line text in `bytes`.
  Entry MakeEntry(size_t start, size_t ownStart, size_t end, const fmt::Line& line, const fmt::Line* note) const;
  // The bytes of the file: returned, or, given `file`, written to it (and nothing returned).
  std::string Serialize(platform::AtomicFile* file) const;

  Topic* FindTopic(std::string_view name) {
    auto at = topicIndex.Find(name, topics.size(), [this](size_t i) { return topics[i].header.Name(Base()); });
    return at ? &topics[*at] : nullptr;
  }
  const Topic* FindTopic(std::string_view name) const { return const_cast<Impl*>(this)->FindTopic(name); }

  std::span<Entry> Items(const Topic& topic) const {
    auto& t = const_cast<Topic&>(topic);
    if (t.own) return *t.own;
    return {const_cast<Entry*>(items.data()) + t.first, t.count};
  }
  // The topic's items in a list of its own, which may grow and shrink.
  std::vector<Entry>& OwnItems(Topic& t) {
    if (!t.own) {
      auto first = items.begin() + t.first;
      t.own = std::make_unique<std::vector<Entry>>(std::make_move_iterator(first),
                                                   std::make_move_iterator(first + t.count));
    }
    return *t.own;
  }

  Entry* FindItem(const Topic* topic, std::string_view name) const {
    if (topic == nullptr) return nullptr;
    auto& t = const_cast<Topic&>(*topic);
    const std::span<Entry> list = Items(t);
    auto at = t.index.Find(name, list.size(), [&](size_t i) { return list[i].Name(Base()); });
    return at ? &list[*at] : nullptr;
  }
  Entry* FindItem(std::string_view topic, std::string_view name) const { return FindItem(FindTopic(topic), name); }
};

void ResourceDb::Impl::Parse() {
  const char* base = bytes.data();
  const size_t size = bytes.size();
  size_t pos = std::string_view(bytes).substr(0, kBom.size()) == kBom ? kBom.size() : 0;
  bodyStart = pos;
  if (const void* lf = std::memchr(base + pos, '\n', size - pos)) {
    const char* p = static_cast<const char*>(lf);
    eol = (p > base + pos && p[-1] == '\r') ? "\r\n" : "\n";
  }

  size_t pending = pos;  // first byte not yet part of an entry
  fmt::Line note;
  size_t noteStart = 0;
  bool haveNote = false;
  // Items before the first topic are no entries: they stay in the first topic's lead.
  Topic* topic = nullptr;
  const bool offsetsFit = size <= UINT32_MAX;
  auto closeTopic = [&] {
    if (topic != nullptr) topic->count = static_cast<uint32_t>(items.size() - topic->first);
  };

  while (pos < size) {
    const char* line = base + pos;
    size_t contentEnd;
    size_t next;
    if (const void* lf = std::memchr(line, '\n', size - pos)) {
      next = static_cast<size_t>(static_cast<const char*>(lf) - base);
      contentEnd = (next > pos && base[next - 1] == '\r') ? next - 1 : next;
      ++next;
    } else {
      next = size;
      contentEnd = (size > pos && base[size - 1] == '\r') ? size - 1 : size;
    }

    // Most lines are ordinary items of a topic, without a note: "name=value" with no
    // blank or mark first. Those are read here in place, as ReadLine() and MakeEntry()
    // would read them.
    const char first = *line;
    if (topic != nullptr && !haveNote && !fmt::IsBlank(first) && first != ';' && first != '#' && first != '[') {
      const size_t length = contentEnd - pos;
      const size_t at = FindEquals(line, length);
      if (at != length) {
        size_t nameEnd = at;
        while (nameEnd > 0 && fmt::IsBlank(line[nameEnd - 1])) --nameEnd;
        // A line shorter than 64 KiB has its name length and value offset fit in 16 bits.
        if (offsetsFit && length <= UINT16_MAX) {
          if (items.size() == items.capacity()) ReserveItems(pos, size);
          Entry& entry = items.emplace_back();
          entry.start = static_cast<uint32_t>(pending);
          entry.leadLen = static_cast<uint32_t>(pos - pending);
          entry.ownLen = static_cast<uint32_t>(next - pos);
          entry.nameLen = static_cast<uint16_t>(nameEnd);
          entry.valueSkip = static_cast<uint16_t>(at + 1 - nameEnd);
          entry.valueLen = static_cast<uint32_t>(length - at - 1);
          pending = pos = next;
          continue;
        }
      }
    }

    fmt::Line read = fmt::ReadLine(std::string_view(line, contentEnd - pos));
    if (read.kind == LineKind::kTopic) {
      closeTopic();
      if (topics.size() == topics.capacity()) ReserveTopics(pos, size);
      topic = &topics.emplace_back();
      topic->header = MakeEntry(pending, haveNote ? noteStart : pos, next, read, haveNote ? &note : nullptr);
      topic->first = static_cast<uint32_t>(items.size());
      pending = next;
    } else if (read.kind == LineKind::kItem && topic != nullptr) {
      if (items.size() == items.capacity()) ReserveItems(pos, size);
      items.push_back(MakeEntry(pending, haveNote ? noteStart : pos, next, read, haveNote ? &note : nullptr));
      pending = next;
    }
    haveNote = read.kind == LineKind::kNote;
    if (haveNote) {
      note = read;
      noteStart = pos;
    }
    pos = next;
  }
  closeTopic();
  if (topics.capacity() - topics.size() > std::max<size_t>(topics.size() / 8, 16)) topics.shrink_to_fit();
  // A guess a little too large is kept: giving the room back costs a copy of all items.
  if (items.capacity() - items.size() > std::max<size_t>(items.size() / 4, 1024)) items.shrink_to_fit();
  fileTail.view = std::string_view(base + pending, size - pending);
}

void ResourceDb::Scan(std::string_view bytes, Visitor& visitor) {
  fmt::ScanLines(
      bytes, [&](std::string_view name) { visitor.Topic(name); },
      [&](std::string_view name, std::string_view value) { visitor.Item(name, value); });
}

std::optional<std::string> ResourceDb::ScanFind(std::string_view bytes, std::string_view topic, std::string_view item) {
  // Lookups find the first topic of a name, and the first item of a name in it.
  class Finder final : public Visitor {
   public:
    Finder(std::string_view topic, std::string_view item) : topic_(topic), item_(item) {}
    void Topic(std::string_view name) override {
      if (state_ == kBefore && platform::EqualsNoCase(name, topic_)) {
        state_ = kIn;
      } else if (state_ == kIn) {
        state_ = kPast;
      }
    }
    void Item(std::string_view name, std::string_view value) override {
      if (state_ == kIn && !value_ && platform::EqualsNoCase(name, item_)) value_.emplace(value);
    }
    std::optional<std::string> value_;

   private:
    enum { kBefore, kIn, kPast } state_ = kBefore;
    std::string_view topic_, item_;
  };
  Finder finder(topic, item);
  Scan(bytes, finder);
  return std::move(finder.value_);
}

void ResourceDb::Impl::ReserveTopics(size_t pos, size_t size) {
  size_t guess = topics.size() < 16 ? 16 : topics.size() * 2;
  if (topics.size() >= 16) {
    // A little more than the topics seen so far, scaled to the whole file.
    const double scaled = static_cast<double>(topics.size()) * static_cast<double>(size) / static_cast<double>(pos);
    guess = std::max(static_cast<size_t>(scaled * 1.05) + 1, topics.size() + topics.size() / 2);
  }
  topics.reserve(guess);
}

void ResourceDb::Impl::ReserveItems(size_t pos, size_t size) {
  // Lines of a small file are guessed 20 bytes long on average; a large one is scaled
  // from what has been read once that says enough.
  size_t guess = std::max(items.size() * 2, std::min<size_t>(size / 20 + 16, 4096));
  if (items.size() >= 4096) {
    const double scaled = static_cast<double>(items.size()) * static_cast<double>(size) / static_cast<double>(pos);
    guess = std::max(static_cast<size_t>(scaled * 1.05) + 1, items.size() + items.size() / 2);
  }
  items.reserve(guess);
}

Entry ResourceDb::Impl::MakeEntry(size_t start, size_t ownStart, size_t end, const fmt::Line& line,
                                  const fmt::Line* note) const {
  const char* base = Base();
  std::string_view comment = note ? note->value : std::string_view();
  bool decodeName = line.escaped && fmt::NeedsUnescape(line.name);
  bool decodeValue = line.escaped && fmt::NeedsUnescape(line.value);
  bool decodeComment = note && note->escaped && fmt::NeedsUnescape(comment);
  const char* own = base + ownStart;
  const char* nameEnd = line.name.data() + line.name.size();
  size_t nameSkip = static_cast<size_t>(line.name.data() - own);
  size_t valueSkip = line.kind == LineKind::kItem ? static_cast<size_t>(line.value.data() - nameEnd) : 0;
  bool compact = end <= UINT32_MAX && nameSkip <= UINT16_MAX && valueSkip <= UINT16_MAX &&
                 line.name.size() <= UINT16_MAX && comment.size() <= UINT16_MAX;
  Entry entry;
  if (decodeName || decodeValue || decodeComment || !compact) {
    auto e = std::make_unique<Edited>();
    e->name = decodeName ? fmt::Unescape(line.name) : std::string(line.name);
    e->value = decodeValue ? fmt::Unescape(line.value) : std::string(line.value);
    e->comment = decodeComment ? fmt::Unescape(comment) : std::string(comment);
    e->lead.view = std::string_view(base + start, ownStart - start);
    e->own = std::string_view(own, end - ownStart);
    entry.SetEdited(std::move(e));
    return entry;
  }
  entry.start = static_cast<uint32_t>(start);
  entry.leadLen = static_cast<uint32_t>(ownStart - start);
  entry.ownLen = static_cast<uint32_t>(end - ownStart);
  entry.nameSkip = static_cast<uint16_t>(nameSkip);
  entry.nameLen = static_cast<uint16_t>(line.name.size());
  entry.valueSkip = static_cast<uint16_t>(valueSkip);
  entry.valueLen = static_cast<uint32_t>(line.value.size());
  entry.commentLen = static_cast<uint16_t>(comment.size());
  return entry;
}

std::string ResourceDb::Impl::Serialize(platform::AtomicFile* file) const {
  const char* base = Base();
  Writer writer(bytes, eol, bodyStart, file);
  writer.Raw(std::string_view(base, bodyStart), false);
  auto emit = [&](const Entry& entry, bool isTopic) {
    const Edited* edited = entry.edited();
    if (!edited && writer.Extend(base + entry.start, size_t{entry.leadLen} + entry.ownLen)) return;
    writer.Raw(entry.Lead(base), false);
    if (edited && edited->regenerate) {
      if (isTopic) {
        writer.Topic(edited->name, edited->comment);
      } else {
        writer.Item(edited->name, edited->value, edited->comment);
      }
    } else {
      writer.Raw(entry.Own(base), true);
    }
  };
  for (const Topic& topic : topics) {
    emit(topic.header, true);
    for (const Entry& item : Items(topic)) emit(item, false);
    writer.Raw(topic.tail, false);
  }
  writer.Raw(fileTail.view, false);
  return writer.Finish();
}

ResourceDb::ResourceDb(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ResourceDb::ResourceDb(ResourceDb&&) noexcept = default;
ResourceDb& ResourceDb::operator=(ResourceDb&&) noexcept = default;
ResourceDb::~ResourceDb() = default;

std::optional<ResourceDb> ResourceDb::Open(const std::string& path) {
  // Opened as spelt first: most paths are spelt as on disk, and resolving the case
  // costs a folder listing per component.
  std::string resolved = path;
  std::string bytes;
  if (!platform::ReadFileNoCase(resolved, bytes)) return std::nullopt;
  return Parse(std::move(bytes), std::move(resolved));
}

ResourceDb ResourceDb::Create(const std::string& path) {
  auto impl = std::make_unique<Impl>();
  impl->path = platform::ResolveNoCase(path);
  return ResourceDb(std::move(impl));
}

ResourceDb ResourceDb::OpenOrThrow(const std::string& path) {
  auto db = Open(path);
  if (!db) throw CRvcException(msg::kResourceDbError, path);
  return std::move(*db);
}

ResourceDb ResourceDb::Parse(std::string bytes, std::string path) {
  auto impl = std::make_unique<Impl>();
  impl->path = std::move(path);
  impl->bytes = std::move(bytes);
  impl->Parse();
  return ResourceDb(std::move(impl));
}

const std::string& ResourceDb::Path() const { return impl_->path; }

int ResourceDb::TopicCount() const { return static_cast<int>(impl_->topics.size()); }

std::optional<std::string> ResourceDb::TopicAt(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= impl_->topics.size()) return std::nullopt;
  return std::string(impl_->topics[static_cast<size_t>(index)].header.Name(impl_->Base()));
}

bool ResourceDb::HasTopic(std::string_view topic) const { return impl_->FindTopic(topic) != nullptr; }

std::optional<int> ResourceDb::TopicIndex(std::string_view topic) const {
  const Topic* t = impl_->FindTopic(topic);
  if (t == nullptr) return std::nullopt;
  return static_cast<int>(t - impl_->topics.data());
}

std::string_view ResourceDb::TopicNameAt(int topic) const {
  if (topic < 0 || static_cast<size_t>(topic) >= impl_->topics.size()) return {};
  return impl_->topics[static_cast<size_t>(topic)].header.Name(impl_->Base());
}

int ResourceDb::ItemCountAt(int topic) const {
  if (topic < 0 || static_cast<size_t>(topic) >= impl_->topics.size()) return 0;
  return static_cast<int>(impl_->Items(impl_->topics[static_cast<size_t>(topic)]).size());
}

std::string_view ResourceDb::ItemNameAt(int topic, int item) const {
  if (item < 0 || item >= ItemCountAt(topic)) return {};
  return impl_->Items(impl_->topics[static_cast<size_t>(topic)])[static_cast<size_t>(item)].Name(impl_->Base());
}

std::string_view ResourceDb::ItemValueAt(int topic, int item) const {
  if (item < 0 || item >= ItemCountAt(topic)) return {};
  return impl_->Items(impl_->topics[static_cast<size_t>(topic)])[static_cast<size_t>(item)].Value(impl_->Base());
}

std::optional<std::string_view> ResourceDb::FindViewAt(int topic, std::string_view item) const {
  if (topic < 0 || static_cast<size_t>(topic) >= impl_->topics.size()) return std::nullopt;
  const Entry* e = impl_->FindItem(&impl_->topics[static_cast<size_t>(topic)], item);
  if (e == nullptr) return std::nullopt;
  return e->Value(impl_->Base());
}

std::optional<std::string> ResourceDb::TopicComment(std::string_view topic) const {
  const Topic* t = impl_->FindTopic(topic);
  if (t == nullptr) return std::nullopt;
  return std::string(t->header.Comment(impl_->Base()));
}

int ResourceDb::ItemCount(std::string_view topic) const {
  const Topic* t = impl_->FindTopic(topic);
  return t ? static_cast<int>(impl_->Items(*t).size()) : 0;
}

std::optional<std::string> ResourceDb::ItemAt(std::string_view topic, int index) const {
  const Topic* t = impl_->FindTopic(topic);
  if (t == nullptr || index < 0 || static_cast<size_t>(index) >= impl_->Items(*t).size()) return std::nullopt;
  return std::string(impl_->Items(*t)[static_cast<size_t>(index)].Name(impl_->Base()));
}

bool ResourceDb::HasItem(std::string_view topic, std::string_view item) const {
  return impl_->FindItem(topic, item) != nullptr;
}

std::optional<std::string> ResourceDb::Find(std::string_view topic, std::string_view item) const {
  auto value = FindView(topic, item);
  if (!value) return std::nullopt;
  return std::string(*value);
}

std::string ResourceDb::Require(std::string_view topic, std::string_view item, const std::string& reported) const {
  auto value = FindView(topic, item);
  if (!value) throw CRvcException(msg::kResourceDbError, reported);
  return std::string(*value);
}

std::optional<std::string_view> ResourceDb::FindView(std::string_view topic, std::string_view item) const {
  const Entry* e = impl_->FindItem(topic, item);
  if (e == nullptr) return std::nullopt;
  return e->Value(impl_->Base());
}

std::optional<std::string> ResourceDb::FindQuoted(std::string_view topic, std::string_view item) const {
  auto value = Find(topic, item);
  if (value && value->size() >= 2 && value->front() == '"' && value->back() == '"') {
    *value = value->substr(1, value->size() - 2);
  }
  return value;
}

std::optional<long> ResourceDb::ReadInt(std::string_view text) {
  // Mostly a few digits and nothing else (ports, counts): eighteen digits cannot overflow.
  if (!text.empty() && text.size() <= 18 && static_cast<unsigned char>(text[0] - '0') <= 9) {
    long value = 0;
    for (const char c : text) {
      const auto digit = static_cast<unsigned char>(c - '0');
      if (digit > 9) break;
      value = value * 10 + digit;
    }
    return value;
  }
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned long magnitude = 0;
  auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), magnitude);
  if (error != std::errc() || end == text.data() + i) return std::nullopt;
  constexpr unsigned long kMax = static_cast<unsigned long>(std::numeric_limits<long>::max());
  if (magnitude > kMax + (negative ? 1 : 0)) return std::nullopt;
  if (negative) return magnitude == kMax + 1 ? std::numeric_limits<long>::min() : -static_cast<long>(magnitude);
  return static_cast<long>(magnitude);
}

std::optional<long> ResourceDb::FindInt(std::string_view topic, std::string_view item) const {
  const Entry* e = impl_->FindItem(topic, item);
  if (e == nullptr) return std::nullopt;
  return ReadInt(e->Value(impl_->Base()));
}

std::optional<long> ResourceDb::FindIntAt(int topic, std::string_view item) const {
  const std::optional<std::string_view> value = FindViewAt(topic, item);
  if (!value) return std::nullopt;
  return ReadInt(*value);
}

std::optional<std::string> ResourceDb::FindItemComment(std::string_view topic, std::string_view item) const {
  const Entry* e = impl_->FindItem(topic, item);
  if (e == nullptr) return std::nullopt;
  return std::string(e->Comment(impl_->Base()));
}

bool ResourceDb::Modify(std::string_view topic, std::string_view item, std::string_view value) {
  Entry* e = impl_->FindItem(topic, item);
  if (e == nullptr) return false;
  if (e->Value(impl_->Base()) != value) {
    Edited& edited = e->Edit(impl_->Base());
    edited.value = value;
    edited.regenerate = true;
    impl_->changed = true;
  }
  return true;
}

bool ResourceDb::ModifyInt(std::string_view topic, std::string_view item, long value) {
  return Modify(topic, item, std::to_string(value));
}

bool ResourceDb::ModifyItemComment(std::string_view topic, std::string_view item, std::string_view comment) {
  Entry* e = impl_->FindItem(topic, item);
  if (e == nullptr) return false;
  if (e->Comment(impl_->Base()) != comment) {
    Edited& edited = e->Edit(impl_->Base());
    edited.comment = comment;
    edited.regenerate = true;
    impl_->changed = true;
  }
  return true;
}

void ResourceDb::RenameTopic(std::string_view oldName, std::string_view newName) {
  // Copies: either name may point into this database.
  std::string from(oldName);
  std::string to(newName);
  bool renamed = false;
  for (Topic& topic : impl_->topics) {
    if (!platform::EqualsNoCase(topic.header.Name(impl_->Base()), from)) continue;
    if (topic.header.Name(impl_->Base()) == to) continue;
    Edited& edited = topic.header.Edit(impl_->Base());
    edited.name = to;
    edited.regenerate = true;
    renamed = true;
  }
  if (!renamed) return;
  impl_->changed = true;
  if (!platform::EqualsNoCase(from, to)) impl_->topicIndex.Invalidate();
}

void ResourceDb::AddTopicSpacedLikeFile(std::string_view topic) {
  if (HasTopic(topic)) return;
  const bool spaced = !impl_->topics.empty() && HoldsBlankLine(impl_->topics.back().header.Lead(impl_->Base()));
  AddTopic(topic);
  Text& lead = impl_->topics.back().header.edited()->lead;
  if (spaced && !EndsWithBlankLine(lead.view)) {
    std::string joined = JoinLines(lead.view, impl_->eol, impl_->eol);
    lead.owned = std::move(joined);
    lead.view = lead.owned;
  }
}

void ResourceDb::AddTopic(std::string_view topic, std::string_view comment) {
  if (HasTopic(topic)) return;
  Topic added;
  auto e = std::make_unique<Edited>();
  e->name = topic;
  e->comment = comment;
  e->regenerate = true;
  // Lines after the last entry stay above the new topic: it goes to the end of the file.
  e->lead.Take(impl_->fileTail);
  added.header.SetEdited(std::move(e));
  impl_->topics.push_back(std::move(added));
  impl_->topicIndex.Appended(impl_->topics.size(),
                             [this](size_t i) { return impl_->topics[i].header.Name(impl_->Base()); });
  impl_->changed = true;
}

bool ResourceDb::AddItem(std::string_view topic, std::string_view item, std::string_view value,
                         std::string_view comment) {
  Topic* t = impl_->FindTopic(topic);
  if (t == nullptr) return false;
  Entry added;
  auto e = std::make_unique<Edited>();
  e->name = item;
  e->value = value;
  e->comment = comment;
  e->regenerate = true;
  added.SetEdited(std::move(e));
  std::vector<Entry>& items = impl_->OwnItems(*t);
  items.push_back(std::move(added));
  t->index.Appended(items.size(), [&](size_t i) { return items[i].Name(impl_->Base()); });
  impl_->changed = true;
  return true;
}

void ResourceDb::Set(std::string_view topic, std::string_view item, std::string_view value) {
  if (Modify(topic, item, value)) return;
  if (AddItem(topic, item, value)) return;
  AddTopic(topic);
  AddItem(topic, item, value);
}

void ResourceDb::RemoveItem(std::string_view topic, std::string_view item) {
  Topic* t = impl_->FindTopic(topic);
  if (t == nullptr) return;
  const char* base = impl_->Base();
  bool removed = false;
  if (impl_->FindItem(t, item) == nullptr) return;
  std::vector<Entry>& items = impl_->OwnItems(*t);
  for (size_t i = items.size(); i-- > 0;) {
    if (!platform::EqualsNoCase(items[i].Name(base), item)) continue;
    // The lines above the item stay where they stand.
    std::string_view lead = items[i].Lead(base);
    if (i + 1 < items.size()) {
      items[i + 1].Edit(base).lead.Prepend(lead, impl_->eol);
    } else {
      t->tail = JoinLines(lead, t->tail, impl_->eol);
    }
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
    removed = true;
  }
  if (!removed) return;
  t->index.Invalidate();
  impl_->changed = true;
}

void ResourceDb::RemoveTopic(std::string_view topic) {
  std::string name(topic);
  auto& topics = impl_->topics;
  const char* base = impl_->Base();
  bool removed = false;
  for (size_t i = topics.size(); i-- > 0;) {
    if (!platform::EqualsNoCase(topics[i].header.Name(base), name)) continue;
    // The topic goes with its items and the lines between them; the lines above stay.
    std::string_view lead = topics[i].header.Lead(base);
    if (i + 1 < topics.size()) {
      topics[i + 1].header.Edit(base).lead.Prepend(lead, impl_->eol);
    } else {
      impl_->fileTail.Prepend(lead, impl_->eol);
    }
    topics.erase(topics.begin() + static_cast<std::ptrdiff_t>(i));
    removed = true;
  }
  if (!removed) return;
  impl_->topicIndex.Invalidate();
  impl_->changed = true;
}

bool ResourceDb::Changed() const { return impl_->changed; }

void ResourceDb::Flush() {
  platform::AtomicFile file;
  if (file.Begin(impl_->path)) impl_->Serialize(&file);
  if (!file.Commit()) {
    CRvcTrace("").Trace("Could not write " + impl_->path + ": " + file.ErrorText());
    throw CRvcException(msg::kResourceDbError, impl_->path);
  }
  impl_->changed = false;
}

std::string ResourceDb::Serialize() const {
  return impl_->Serialize(nullptr);
}

}  // namespace rvc::store
