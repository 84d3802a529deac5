// Resource databases: files of ordered topics, each an ordered list of named items with
// a text value and a comment. Dispatcher ini files, ".res", ".fid", ".dat", "rvc*.cfg"
// files and "BackupInfo.tmp" are resource databases.
//
// The file format is INI-like text that the RIP and our line-based rewrites can read as
// plain lines; docs/resource-database.md gives the grammar. What callers rely on:
//   - topic and item names are compared ignoring ASCII case; values exactly;
//   - topics and items keep the order in which they were added;
//   - values and comments are raw text and round-trip whole, whatever they hold
//     (";", "=", quotes, backslashes, leading or trailing blanks), at any length;
//   - a file opened and flushed without a change is written back byte for byte;
//   - Flush() replaces the file atomically (temporary file, flush to disk, rename).
//
// Where a file holds a topic twice, or an item twice within a topic, both are kept and
// listed by position; lookups by name find the first.
//
// A ResourceDb owns one open database. Nothing reaches the disk before Flush().
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rvc::store {

class ResourceDb {
 public:
  // rdb_open_push: opens an existing file (the path is resolved ignoring case). Nothing
  // when it does not exist or cannot be read.
  static std::optional<ResourceDb> Open(const std::string& path);
  // rdb_open_create / rdb_open + rdb_create_rfile: a new, empty database that Flush()
  // writes to `path` (replacing whatever is there).
  static ResourceDb Create(const std::string& path);
  // Open(), raising CRvcException 109 "RDB error %s" with the path when that fails.
  static ResourceDb OpenOrThrow(const std::string& path);
  // Reads a database from bytes (used by tests and the fuzzer); `path` is where Flush() writes.
  static ResourceDb Parse(std::string bytes, std::string path);

  // What a reader that walks a file once is told, in the order of the file. Names and
  // values are as lookups give them (escapes decoded); the views last for the call.
  class Visitor {
   public:
    virtual void Topic(std::string_view name) = 0;
    virtual void Item(std::string_view name, std::string_view value) = 0;

   protected:
    ~Visitor() = default;
  };
  // Reads `bytes` as Parse() does, without building a database: for readers that look at
  // a file once and keep little of it. Items before the first topic are no items.
  static void Scan(std::string_view bytes, Visitor& visitor);
  // What Find(topic, item) gives on the database of `bytes`, found by a scan: for a
  // reader that wants one value of a file.
  static std::optional<std::string> ScanFind(std::string_view bytes, std::string_view topic, std::string_view item);

  ResourceDb(ResourceDb&&) noexcept;
  ResourceDb& operator=(ResourceDb&&) noexcept;
  ~ResourceDb();  // rdb_close: discards unflushed changes

  const std::string& Path() const;

  // Topics (rdb_get_nr_topics, rdb_posat_topic, rdb_search_topic / rdb_topic_present).
  int TopicCount() const;
  std::optional<std::string> TopicAt(int index) const;
  bool HasTopic(std::string_view topic) const;
  std::optional<std::string> TopicComment(std::string_view topic) const;

  // Items (rdb_get_nr_items, rdb_posat_item). ItemCount of a missing topic is 0.
  int ItemCount(std::string_view topic) const;
  std::optional<std::string> ItemAt(std::string_view topic, int index) const;
  bool HasItem(std::string_view topic, std::string_view item) const;

  // Reading by position, for readers that walk a whole file: no lookup by name and no
  // copies. `topic` is a position below TopicCount() (anything else: empty or zero), the
  // views last until the database changes or goes.
  std::optional<int> TopicIndex(std::string_view topic) const;  // the first topic of that name
  std::string_view TopicNameAt(int topic) const;
  int ItemCountAt(int topic) const;
  std::string_view ItemNameAt(int topic, int item) const;
  std::string_view ItemValueAt(int topic, int item) const;
  // FindView and FindInt within the topic at that position.
  std::optional<std::string_view> FindViewAt(int topic, std::string_view item) const;
  std::optional<long> FindIntAt(int topic, std::string_view item) const;
  // A value read as FindInt reads it.
  static std::optional<long> ReadInt(std::string_view value);

  // rdb_search_string / rdb_search: the raw value, double quotes included.
  std::optional<std::string> Find(std::string_view topic, std::string_view item) const;
  // The same value without a copy; the view lasts until the database changes or goes.
  std::optional<std::string_view> FindView(std::string_view topic, std::string_view item) const;
  // The value of an item the file must have; a missing one raises 109 naming `reported`
  // (the file as the caller knows it).
  std::string Require(std::string_view topic, std::string_view item, const std::string& reported) const;
  // rdb_search_qstring: the value with one pair of enclosing double quotes removed.
  std::optional<std::string> FindQuoted(std::string_view topic, std::string_view item) const;
  // rdb_search_int: the value read as a decimal integer (leading blanks and a sign
  // allowed, trailing text ignored); nothing when missing or not a number.
  std::optional<long> FindInt(std::string_view topic, std::string_view item) const;
  // rdb_search_itemcomment.
  std::optional<std::string> FindItemComment(std::string_view topic, std::string_view item) const;

  // rdb_modify / rdb_modify_int / rdb_modify_itemcomment: true if the item existed.
  bool Modify(std::string_view topic, std::string_view item, std::string_view value);
  bool ModifyInt(std::string_view topic, std::string_view item, long value);
  bool ModifyItemComment(std::string_view topic, std::string_view item, std::string_view comment);
  // rdb_modify_topicname: changes the name (or only its spelling) of a topic; every topic
  // of that name when a file holds it twice.
  void RenameTopic(std::string_view oldName, std::string_view newName);

  // rdb_add_topic: appends a topic (a topic of that name already there is left as it is).
  void AddTopic(std::string_view topic, std::string_view comment = {});
  // AddTopic, with a blank line in front of the new topic when the file sets its topics
  // apart that way (a blank line stands in front of its last topic).
  void AddTopicSpacedLikeFile(std::string_view topic);
  // rdb_add_item: appends an item; false when the topic is missing. An item of the same
  // name already there stays the one that lookups find.
  bool AddItem(std::string_view topic, std::string_view item, std::string_view value, std::string_view comment = {});
  // The calling pattern used throughout: modify, else add the item, else add the topic
  // and then the item.
  void Set(std::string_view topic, std::string_view item, std::string_view value);

  // Remove every item (topic) of the name, so that none is found afterwards. Comment and
  // blank lines in front of it stay in the file.
  void RemoveItem(std::string_view topic, std::string_view item);
  void RemoveTopic(std::string_view topic);

  // True when something changed since opening or the last Flush().
  bool Changed() const;
  // rdb_flush: writes the database to its file atomically. Raises CRvcException 109
  // with the path when the file cannot be written.
  void Flush();
  // The bytes Flush() would write.
  std::string Serialize() const;

 private:
  struct Impl;
  explicit ResourceDb(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace rvc::store
