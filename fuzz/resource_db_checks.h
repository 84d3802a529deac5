// Checks of the resource database on arbitrary bytes, shared by the fuzz target and the
// corpus test:
//   1. the bytes parse, and an unchanged database serialises to exactly those bytes; a
//      scan of them visits the topics and items the database holds;
//   2. a run of mutations (chosen by a seed) gives what a plain reference model of the
//      same operations gives;
//   3. the mutated database serialises to bytes that parse back to the same topics,
//      items, values and comments, and serialise again to the same bytes.
// CheckResourceDb returns "" when all hold, else what went wrong.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/resource_db.h"

namespace rvc::fuzz {

namespace rdb_checks {

inline bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// What the public interface shows. Topics and items after the first of the same name
// are reachable by position only, so for them only the name counts.
struct Item {
  std::string name, value, comment;
  bool hidden = false;
  bool operator==(const Item&) const = default;
};
struct Topic {
  std::string name, comment;
  std::vector<Item> items;
  bool hidden = false;
  bool operator==(const Topic&) const = default;
};
using Model = std::vector<Topic>;

template <class T>
bool NameBefore(const std::vector<T>& list, size_t index) {
  for (size_t i = 0; i < index; ++i) {
    if (SameNoCase(list[i].name, list[index].name)) return true;
  }
  return false;
}

inline Model Capture(const store::ResourceDb& db) {
  Model model;
  for (int t = 0; t < db.TopicCount(); ++t) {
    Topic topic;
    topic.name = db.TopicAt(t).value_or("<missing>");
    model.push_back(topic);
    if (NameBefore(model, model.size() - 1)) {
      model.back().hidden = true;
      continue;
    }
    model.back().comment = db.TopicComment(topic.name).value_or("<missing>");
    for (int i = 0; i < db.ItemCount(topic.name); ++i) {
      auto& items = model.back().items;
      items.push_back({db.ItemAt(topic.name, i).value_or("<missing>"), "", "", false});
      if (NameBefore(items, items.size() - 1)) {
        items.back().hidden = true;
        continue;
      }
      items.back().value = db.Find(topic.name, items.back().name).value_or("<missing>");
      items.back().comment = db.FindItemComment(topic.name, items.back().name).value_or("<missing>");
    }
  }
  return model;
}

inline std::string Describe(const Model& model) {
  std::string out;
  for (const Topic& t : model) {
    out += "[" + t.name + "]" + (t.hidden ? " (hidden)" : "") + " ;" + t.comment + "\n";
    for (const Item& i : t.items)
      out += "  " + i.name + "=" + i.value + (i.hidden ? " (hidden)" : "") + " ;" + i.comment + "\n";
  }
  return out;
}

// The operations of the database on the model, as plainly as possible.
struct Reference {
  Model model;

  Topic* FindTopic(std::string_view name) {
    for (Topic& t : model) {
      if (SameNoCase(t.name, name)) return &t;
    }
    return nullptr;
  }
  Item* FindItem(std::string_view topic, std::string_view name) {
    Topic* t = FindTopic(topic);
    if (t == nullptr) return nullptr;
    for (Item& i : t->items) {
      if (SameNoCase(i.name, name)) return &i;
    }
    return nullptr;
  }
  bool Modify(std::string_view topic, std::string_view item, std::string_view value) {
    Item* i = FindItem(topic, item);
    if (i != nullptr) i->value = value;
    return i != nullptr;
  }
  bool ModifyItemComment(std::string_view topic, std::string_view item, std::string_view comment) {
    Item* i = FindItem(topic, item);
    if (i != nullptr) i->comment = comment;
    return i != nullptr;
  }
  void AddTopic(std::string_view name, std::string_view comment) {
    if (FindTopic(name) == nullptr) model.push_back({std::string(name), std::string(comment), {}, false});
  }
  bool AddItem(std::string_view topic, std::string_view name, std::string_view value, std::string_view comment) {
    Topic* t = FindTopic(topic);
    if (t == nullptr) return false;
    bool hidden = FindItem(topic, name) != nullptr;
    t->items.push_back(
        {std::string(name), hidden ? "" : std::string(value), hidden ? "" : std::string(comment), hidden});
    return true;
  }
  void RemoveItem(std::string_view topic, std::string_view name) {
    Topic* t = FindTopic(topic);
    if (t == nullptr) return;
    std::erase_if(t->items, [&](const Item& i) { return SameNoCase(i.name, name); });
  }
  void RemoveTopic(std::string_view name) {
    std::erase_if(model, [&](const Topic& t) { return SameNoCase(t.name, name); });
  }
  void RenameTopic(std::string_view from, std::string_view to) {
    for (Topic& t : model) {
      if (SameNoCase(t.name, from)) t.name = to;
    }
    // A rename can put a visible topic behind another of the same name.
    for (size_t i = 0; i < model.size(); ++i) {
      if (!model[i].hidden && NameBefore(model, i)) model[i] = {model[i].name, "", {}, true};
    }
  }
};

// Deterministic choices from the seed.
class Chooser {
 public:
  Chooser(uint64_t seed, std::string_view input) : state_(seed | 1), input_(input) {}
  uint64_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next() % n); }

  // Text that lines have trouble holding, a slice of the input, or `known` in another case.
  std::string Text(const std::vector<std::string>& known) {
    static constexpr std::string_view kAwkward[] = {"",
                                                    " ",
                                                    "a",
                                                    "x y",
                                                    " lead",
                                                    "trail ",
                                                    "a=b",
                                                    "=",
                                                    "[x]",
                                                    "[",
                                                    "]",
                                                    "x]",
                                                    ";c",
                                                    "#c",
                                                    ";@ n",
                                                    ";@[t]",
                                                    ";@=a=b",
                                                    ";@\\x",
                                                    "\\",
                                                    "\\n",
                                                    "\\=",
                                                    "a\nb",
                                                    "a\r\nb",
                                                    "\r",
                                                    "\n",
                                                    "x\r",
                                                    "\"q\"",
                                                    "\t",
                                                    "\xEF\xBB\xBF",
                                                    "papname=D1",
                                                    std::string_view("nul\0byte", 8)};
    switch (Below(4)) {
      case 0: {
        size_t start = Below(input_.size() + 1);
        return std::string(input_.substr(start, Below(17)));
      }
      case 1:
        if (!known.empty()) {
          std::string name = known[Below(known.size())];
          for (char& c : name) {
            if (Below(2) == 0 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) c = static_cast<char>(c ^ 32);
          }
          return name;
        }
        [[fallthrough]];
      default:
        return std::string(kAwkward[Below(std::size(kAwkward))]);
    }
  }

 private:
  uint64_t state_;
  std::string_view input_;
};

inline std::string Mismatch(const std::string& what, const Model& expected, const Model& actual) {
  return std::string(what) + "\nexpected:\n" + Describe(expected) + "actual:\n" + Describe(actual);
}

// Topics ("[" + name) and items (name, NUL, value) one a line, in the order of the file:
// as a scan visits them, and as the parsed database holds them.
class ScanListing final : public store::ResourceDb::Visitor {
 public:
  std::vector<std::string> lines;
  void Topic(std::string_view name) override { lines.push_back("[" + std::string(name)); }
  void Item(std::string_view name, std::string_view value) override {
    lines.push_back(std::string(name) + '\0' + std::string(value));
  }
};

inline std::vector<std::string> Listing(const store::ResourceDb& db) {
  std::vector<std::string> lines;
  for (int t = 0; t < db.TopicCount(); ++t) {
    lines.push_back("[" + std::string(db.TopicNameAt(t)));
    for (int i = 0; i < db.ItemCountAt(t); ++i) {
      lines.push_back(std::string(db.ItemNameAt(t, i)) + '\0' + std::string(db.ItemValueAt(t, i)));
    }
  }
  return lines;
}

}  // namespace rdb_checks

inline uint64_t SeedOf(std::string_view bytes) {
  uint64_t h = 1469598103934665603ull;
  for (char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return h;
}

inline std::string CheckResourceDb(std::string_view bytes, uint64_t seed) {
  using namespace rdb_checks;
  store::ResourceDb db = store::ResourceDb::Parse(std::string(bytes), "/nonexistent/fuzz.res");
  if (db.Serialize() != bytes) return "unchanged database does not serialise to its input";
  if (db.Changed()) return "parsing marked the database as changed";
  ScanListing scanned;
  store::ResourceDb::Scan(bytes, scanned);
  if (scanned.lines != Listing(db)) return "a scan of the bytes differs from the parsed database";
  // Looked up by a scan, the first topics' first items (and one they lack) are found as
  // the database finds them.
  for (int t = 0; t < db.TopicCount() && t < 4; ++t) {
    const std::string topic(db.TopicNameAt(t));
    for (int i = 0; i <= db.ItemCountAt(t) && i < 4; ++i) {
      const std::string item = i < db.ItemCountAt(t) ? std::string(db.ItemNameAt(t, i)) : "\x01missing";
      if (store::ResourceDb::ScanFind(bytes, topic, item) != db.Find(topic, item)) {
        return "a lookup by scanning differs from the parsed database's";
      }
    }
  }

  Reference reference{Capture(db)};
  Chooser choose(seed, bytes);
  int steps = 1 + static_cast<int>(choose.Below(12));
  for (int step = 0; step < steps; ++step) {
    std::vector<std::string> topics;
    for (const Topic& t : reference.model) topics.push_back(t.name);
    std::string topic = choose.Text(topics);
    std::vector<std::string> items;
    if (Topic* t = reference.FindTopic(topic)) {
      for (const Item& i : t->items) items.push_back(i.name);
    }
    std::string item = choose.Text(items);
    std::string text = choose.Text({});
    std::string other = choose.Text(topics);
    bool same = true;
    switch (choose.Below(9)) {
      case 0:
        same = db.Modify(topic, item, text) == reference.Modify(topic, item, text);
        break;
      case 1:
        same = db.ModifyItemComment(topic, item, text) == reference.ModifyItemComment(topic, item, text);
        break;
      case 2:
        db.AddTopic(topic, text);
        reference.AddTopic(topic, text);
        break;
      case 3:
        same = db.AddItem(topic, item, text, other) == reference.AddItem(topic, item, text, other);
        break;
      case 4:
        db.RemoveItem(topic, item);
        reference.RemoveItem(topic, item);
        break;
      case 5:
        db.RemoveTopic(topic);
        reference.RemoveTopic(topic);
        break;
      case 6:
        db.RenameTopic(topic, other);
        reference.RenameTopic(topic, other);
        break;
      case 7:
        db.Set(topic, item, text);
        if (!reference.Modify(topic, item, text) && !reference.AddItem(topic, item, text, "")) {
          reference.AddTopic(topic, "");
          reference.AddItem(topic, item, text, "");
        }
        break;
      default: {
        long number = static_cast<long>(choose.Next());
        same = db.ModifyInt(topic, item, number) == reference.Modify(topic, item, std::to_string(number));
        if (same && db.HasItem(topic, item) && db.FindInt(topic, item) != number) return "FindInt after ModifyInt";
        break;
      }
    }
    if (!same) return "an operation reported a different result than the reference";
  }

  Model actual = Capture(db);
  if (actual != reference.model) return Mismatch("mutations differ from the reference", reference.model, actual);
  std::string written = db.Serialize();
  store::ResourceDb reread = store::ResourceDb::Parse(written, "/nonexistent/fuzz.res");
  Model back = Capture(reread);
  if (back != actual) return Mismatch("written bytes read back differently:\n" + written, actual, back);
  if (reread.Serialize() != written) return "re-read database does not serialise to the bytes it was read from";
  return "";
}

}  // namespace rvc::fuzz
