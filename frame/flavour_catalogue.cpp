#include "frame/flavour_catalogue.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <deque>
#include <functional>

#include "frame/rvc_app.h"
#include "core/messages.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "platform/deferred_close.h"
#include "platform/environment.h"
#include "platform/file_io.h"
#include "platform/path.h"
#include "platform/path_parser.h"
#include "store/confinement.h"
#include "store/resource_db.h"
#include "store/rvc_utils.h"

namespace rvc::frame {
namespace {

// Catalogue values are read into buffers of 2048 bytes.
constexpr size_t kMaxValueLength = 2047;

// The topics of the catalogue in the order of the file, with the items a load reads,
// found in one scan of its bytes: a load builds no database. A topic's items are those
// the catalogue's database gives for its name: of the first topic of that name, the first
// item of a name in it. The texts view the bytes read.
class CatalogueTopics {
 public:
  enum Item { kName, kVersion, kProgdir, kDatadir, kItems };

  // Reads the catalogue at `path` (resolved ignoring case); false when it cannot be read.
  bool Read(std::string path) {
    const int fd = platform::OpenNoCase(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const std::optional<std::string_view> bytes = platform::ReadOpenedFile(fd, room_, larger_);
    ::close(fd);
    if (!bytes) return false;
    bytes_ = *bytes;
    Reader reader(*this);
    store::ResourceDb::Scan(bytes_, reader);
    return true;
  }

  size_t Count() const { return topics_.size(); }
  std::string_view Name(size_t topic) const { return topics_[topic].name; }
  // The value as a load keeps it: "" when missing, cut to the length of its buffer.
  std::string_view Value(size_t topic, Item item) const {
    const std::optional<std::string_view>& value = topics_[topics_[topic].first].values[item];
    return value.value_or("").substr(0, kMaxValueLength);
  }

 private:
  struct Topic {
    std::string_view name;
    size_t first;  // the first topic of that name, whose items count
    std::array<std::optional<std::string_view>, kItems> values;
  };

  class Reader final : public store::ResourceDb::Visitor {
   public:
    explicit Reader(CatalogueTopics& catalogue) : catalogue_(catalogue) {}
    void Topic(std::string_view name) override {
      std::deque<CatalogueTopics::Topic>& topics = catalogue_.topics_;
      size_t first = topics.size();
      for (size_t i = 0; i < topics.size(); ++i) {
        if (platform::EqualsNoCase(topics[i].name, name)) {
          first = i;
          break;
        }
      }
      topics.push_back({Kept(name), first, {}});
      current_ = first == topics.size() - 1 ? &topics.back() : nullptr;
    }
    void Item(std::string_view name, std::string_view value) override {
      if (current_ == nullptr) return;
      static constexpr std::string_view kNames[kItems] = {"name", "Version", "progdir", "datadir"};
      for (size_t i = 0; i < kItems; ++i) {
        if (!current_->values[i] && platform::EqualsNoCase(name, kNames[i])) {
          current_->values[i] = Kept(value);
          return;
        }
      }
    }

   private:
    // `text` where it lasts: in the bytes, or, decoded from an escape, in a copy.
    std::string_view Kept(std::string_view text) {
      const std::less_equal<const char*> notAfter;
      const std::string_view bytes = catalogue_.bytes_;
      if (notAfter(bytes.data(), text.data()) && notAfter(text.data() + text.size(), bytes.data() + bytes.size())) {
        return text;
      }
      return catalogue_.decoded_.emplace_back(text);
    }
    CatalogueTopics& catalogue_;
    CatalogueTopics::Topic* current_ = nullptr;  // collecting items; none for a later topic of a name
  };

  // A catalogue is read on the stack when it fits: a load allocates nothing of the size
  // that has glibc sort its free lists first.
  std::array<char, 16384> room_;
  std::string larger_;
  std::string_view bytes_;
  std::deque<Topic> topics_;  // in blocks under a kilobyte, for the same reason
  std::deque<std::string> decoded_;  // texts with escapes, which the bytes do not hold
};

// Only an absolute folder names a flavour's folder: an empty or relative one would be
// looked up in the working directory, which may be any folder (a data folder included).
bool IsAbsoluteFolder(const std::string& folder) { return !folder.empty() && folder.front() == platform::kSeparator; }

}  // namespace

std::string CataloguePath(const std::string& catalogueFileName) {
  const std::string folder = platform::GetEnv("KW_DATA_RAVLINCONFIG").value_or("");
  return platform::NativePath(folder) + platform::kSeparator + catalogueFileName;
}

ListFileChoice FindListFile(std::string_view value, std::string_view browseTitle, const std::string& rebuiltName,
                            std::string_view titleEnd) {
  store::CRvcUtils utils;
  // A configured folder mostly ends with its separator, and so names no file.
  std::string pattern = "rvc*.cfg";
  if (!value.empty() && value.back() != '\\' && value.back() != platform::kSeparator) {
    const platform::ParsedPath parts = platform::ParsePath(value);
    if (!parts.name.empty() && !parts.type.empty()) pattern = parts.name + parts.type;
  }
  std::string folder = utils.ExpandFolder(value);
  // A folder that is not absolute is unavailable, as a missing one is: the user is asked.
  if (!IsAbsoluteFolder(folder)) folder.clear();
  // The "*.ini" files are looked for in the same walk: without a list file it has covered
  // the whole tree.
  std::string ini = "*.ini";
  if (!folder.empty() && utils.FindFileOrFallback(folder, pattern, ini)) return {std::move(pattern), false};

  if (folder.empty() || ini.empty()) {
    const std::string title = std::string(browseTitle).append(titleEnd);
    folder = platform::WithTrailingSeparator(store::CRvcUtils::BrowseForFolder(title, folder));
    // Cancelled, or no folder to use: the flavour does not load.
    if (!IsAbsoluteFolder(folder)) {
      throw CRvcException(msg::kApplicationStopped, "no folder was chosen in \"" + title + "\"");
    }
  }
  return {folder + rebuiltName, true};
}

void InsertByDisplayName(FlavourList& flavours, std::unique_ptr<CFlavour> flavour) {
  auto position = std::upper_bound(flavours.begin(), flavours.end(), flavour->DisplayName,
                                   [](const std::string& name, const std::unique_ptr<CFlavour>& element) {
                                     return name < element->DisplayName;
                                   });
  flavours.insert(position, std::move(flavour));
}

bool LoadFlavourCatalogue(const std::string& path, const std::string& filter, const CatalogueOptions& options,
                          FlavourList& flavours) {
  flavours.clear();
  if (options.brokenFlavours != nullptr) options.brokenFlavours->clear();
  {
    // The folders listed and the list files read are closed together at the end.
    platform::DeferredCloses closes;
    CatalogueTopics catalogue;
    if (!catalogue.Read(path)) throw CRvcException(msg::kResourceDbError, path);
    // Rebuilt lists trace what they found. Opened with the first of them and kept to the
    // end of the load, the trace is opened once instead of twice per flavour; a load of
    // list files alone never opens it.
    std::optional<CRvcTrace> rebuildTrace;
    for (size_t index = 0; index < catalogue.Count(); ++index) {
      const std::string_view topic = catalogue.Name(index);
      if (platform::EqualsNoCase(topic, "_internal_")) continue;
      if (!filter.empty() && !platform::EqualsNoCase(topic, filter)) continue;

      const std::string displayName(catalogue.Value(index, CatalogueTopics::kName));
      std::string version(catalogue.Value(index, CatalogueTopics::kVersion));
      // The searches for the list files walk the flavour's folders; a rebuild reads some of
      // them again right after. Nothing writes to them meanwhile (a folder dialog forgets).
      store::CRvcUtils::ListingScope listings;
      try {
        // The folder dialogs name the flavour they ask for: " - " + its name ends their titles.
        const std::string_view forFlavour = displayName.empty() ? topic : displayName;
        auto folder = [&](const std::optional<std::string>& given, CatalogueTopics::Item item) {
          return given ? std::string_view(*given) : catalogue.Value(index, item);
        };
        ListFileChoice program = FindListFile(folder(options.programFolder, CatalogueTopics::kProgdir),
                                              "Select PROGRAM folder - ", "rvc2.cfg", forFlavour);
        ListFileChoice data = FindListFile(folder(options.dataFolder, CatalogueTopics::kDatadir),
                                           "Select DATA folder - ", "rvc1.cfg", forFlavour);
        if ((program.rebuild || data.rebuild) && !rebuildTrace) rebuildTrace.emplace("");
        InsertByDisplayName(flavours, std::make_unique<CFlavour>(std::string(topic), displayName, std::move(version),
                                                                 std::move(program.file), program.rebuild,
                                                                 std::move(data.file), data.rebuild));
      } catch (const CRvcException& error) {
        if (options.brokenFlavours == nullptr) throw;
        CRvcTrace("").Trace("Flavour " + std::string(topic) + " skipped: " + error.Message());
        options.brokenFlavours->push_back(BrokenFlavour{std::string(topic), displayName, error.Message()});
      }
    }
  }
  if (!flavours.empty()) return true;
  if (options.interactive && (options.brokenFlavours == nullptr || options.brokenFlavours->empty())) {
    ui::ShowMessage("There are no flavours specified in " + path +
                        " file.\nPlease add topics corresponding to installed flavours in above mentioned file.",
                    kApplicationName);
  }
  return false;
}

}  // namespace rvc::frame

namespace rvc::frame {

std::string LoadProblems(const FlavourList& flavours, const std::vector<BrokenFlavour>& brokenFlavours) {
  std::string text;
  for (const BrokenFlavour& broken : brokenFlavours) {
    text += "Flavour " + store::Printable(broken.Key) + " is not shown: " + broken.Reason + "\n";
  }
  for (const auto& flavour : flavours) {
    for (const store::BrokenDispatcher& broken : flavour->DispatcherList->Broken()) {
      text += "A dispatcher of flavour " + store::Printable(flavour->Key) + " is not shown: " + broken.Reason + "\n";
    }
  }
  return text;
}

}  // namespace rvc::frame
