// Difference files: what a customised resource database changed against its template,
// kept as a resource database of its own so that the customisation can be carried onto
// the template of the next version.
#include <unistd.h>

#include <cerrno>

#include "core/rvc_exception.h"
#include "core/messages.h"
#include "platform/path.h"
#include "store/resource_db.h"
#include "store/rvc_utils.h"

namespace rvc::store {
namespace {

constexpr const char* kDifferenceSuffix = "Dif";
constexpr const char* kRemoved = "removed";
constexpr const char* kNewTopicComment = "new customized topic";
constexpr const char* kRemovedItemComment = "removed item";
// The value buffer of the merge holds 4096 characters.
constexpr size_t kMaxConfsLength = 4096;

std::vector<std::string> TopicNames(const ResourceDb& db) {
  std::vector<std::string> names;
  for (int i = 0; i < db.TopicCount(); ++i) {
    if (auto name = db.TopicAt(i)) names.push_back(*name);
  }
  return names;
}

std::vector<std::string> ItemNames(const ResourceDb& db, const std::string& topic) {
  std::vector<std::string> names;
  for (int i = 0; i < db.ItemCount(topic); ++i) {
    if (auto name = db.ItemAt(topic, i)) names.push_back(*name);
  }
  return names;
}

std::vector<std::string> BlankSeparatedWords(const std::string& text) {
  std::vector<std::string> words;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t start = text.find_first_not_of(" \t", pos);
    if (start == std::string::npos) break;
    size_t end = text.find_first_of(" \t", start);
    if (end == std::string::npos) end = text.size();
    words.push_back(text.substr(start, end - start));
    pos = end;
  }
  return words;
}

// A "confs" value lists configuration names, each the name of a topic. The target's
// configurations may have been renamed ("field" became "maxsize"), and some of the
// listed ones may be gone; only names that still stand for a configuration are kept.
std::string ReconcileConfs(std::string value, const ResourceDb& target, ResourceDb& difference) {
  if (target.HasTopic("maxsize")) {
    size_t field = value.find("field");
    if (field != std::string::npos) {
      size_t length = field + 5 < value.size() ? 6 : 5;  // "field" and the character after it
      value.replace(field, length, "maxsize ");
    }
    difference.RemoveTopic("field");
  }
  std::string rebuilt;
  for (const std::string& word : BlankSeparatedWords(value)) {
    if (!target.HasTopic(word) && !difference.HasTopic(word)) continue;
    if (CRvcUtils::FindNoCase(rebuilt, word) >= 0) continue;
    if (difference.HasItem(word, kRemoved)) continue;
    size_t grown = rebuilt.size() + (rebuilt.empty() ? 0 : 1) + word.size();
    if (grown > kMaxConfsLength) break;
    if (!rebuilt.empty()) rebuilt.push_back(' ');
    rebuilt += word;
  }
  return rebuilt;
}

}  // namespace

void CRvcUtils::MakeDifferenceFile(const std::string& templateFile, const std::string& customisedFile,
                                   const std::string& differenceFile) const {
  const std::string differencePath = platform::ResolveNoCase(
      differenceFile.empty() ? platform::ResolveNoCase(customisedFile) + kDifferenceSuffix : differenceFile);
  ResourceDb difference = ResourceDb::Create(differencePath);
  const ResourceDb templ = ResourceDb::OpenOrThrow(templateFile);
  const ResourceDb customised = ResourceDb::OpenOrThrow(customisedFile);
  bool added = false;

  for (const std::string& topic : TopicNames(customised)) {
    const bool templateHasTopic = templ.HasTopic(topic);
    if (!templateHasTopic) {
      difference.AddTopic(topic, kNewTopicComment);
      added = true;
    }
    for (const std::string& item : ItemNames(customised, topic)) {
      std::string value = customised.Find(topic, item).value_or("");
      std::optional<std::string> original = templateHasTopic ? templ.Find(topic, item) : std::nullopt;
      if (original && *original == value) continue;
      if (!difference.HasTopic(topic)) difference.AddTopic(topic, "");
      difference.AddItem(topic, item, value, "");
      added = true;
    }
  }

  for (const std::string& topic : TopicNames(templ)) {
    if (customised.HasTopic(topic)) {
      for (const std::string& item : ItemNames(templ, topic)) {
        if (customised.HasItem(topic, item)) continue;
        if (!difference.HasTopic(topic)) difference.AddTopic(topic, "");
        difference.AddItem(topic, item, kRemoved, kRemovedItemComment);
        added = true;
      }
    } else {
      difference.AddTopic(topic, kRemoved);
      difference.AddItem(topic, kRemoved, kRemoved, kRemoved);
      added = true;
    }
  }

  if (added) {
    difference.Flush();
  } else if (::unlink(differencePath.c_str()) != 0 && errno != ENOENT) {
    // A difference file left from an earlier run would be applied as if it were current.
    throw CRvcException(msg::kDeleteFailed, differencePath);
  }
}

void CRvcUtils::ApplyDifferenceFile(const std::string& targetFile, const std::string& differenceFile) const {
  ResourceDb target = ResourceDb::OpenOrThrow(targetFile);
  std::optional<ResourceDb> difference =
      ResourceDb::Open(differenceFile.empty() ? targetFile + kDifferenceSuffix : differenceFile);
  if (!difference) return;

  // Names are taken up front: reconciling "confs" may remove a topic of the difference
  // file, which is then no longer applied.
  for (const std::string& topic : TopicNames(*difference)) {
    if (!difference->HasTopic(topic)) continue;
    if (difference->HasItem(topic, kRemoved)) {
      target.RemoveTopic(topic);
      continue;
    }
    if (!target.HasTopic(topic)) {
      target.AddTopic(topic, kNewTopicComment);
    } else {
      target.RenameTopic(topic, topic);
    }
    for (const std::string& item : ItemNames(*difference, topic)) {
      if (!difference->HasTopic(topic)) break;
      std::string value = difference->Find(topic, item).value_or("");
      std::optional<std::string> current = target.Find(topic, item);
      // "removed" is tested before the item is added: a target that already lacks the
      // item stays without it (a difference applied to the customised file itself must
      // change nothing).
      if (platform::EqualsNoCase(value, kRemoved)) {
        if (current) target.RemoveItem(topic, item);
      } else if (!current) {
        target.AddItem(topic, item, value, "");
      } else if (*current != value) {
        if (platform::EqualsNoCase(item, "confs")) value = ReconcileConfs(value, target, *difference);
        target.Modify(topic, item, value);
      }
    }
  }
  target.Flush();
}

}  // namespace rvc::store
