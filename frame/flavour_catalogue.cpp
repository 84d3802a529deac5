#include "frame/flavour_catalogue.h"

#include <algorithm>

#include "frame/rvc_app.h"
#include "core/messages.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "platform/path_parser.h"
#include "store/confinement.h"
#include "store/resource_db.h"
#include "store/rvc_utils.h"

namespace rvc::frame {
namespace {

// Catalogue values are read into buffers of 2048 bytes.
constexpr size_t kMaxValueLength = 2047;

std::string ReadItem(const store::ResourceDb& catalogue, const std::string& topic, const char* item) {
  return std::string(catalogue.FindView(topic, item).value_or("").substr(0, kMaxValueLength));
}

// Only an absolute folder names a flavour's folder: an empty or relative one would be
// looked up in the working directory, which may be any folder (a data folder included).
bool IsAbsoluteFolder(const std::string& folder) { return !folder.empty() && folder.front() == platform::kSeparator; }

}  // namespace

std::string CataloguePath(const std::string& catalogueFileName) {
  const std::string folder = platform::GetEnv("KW_DATA_RAVLINCONFIG").value_or("");
  return platform::NativePath(folder) + platform::kSeparator + catalogueFileName;
}

ListFileChoice FindListFile(const std::string& value, std::string_view browseTitle, const std::string& rebuiltName,
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
    store::ResourceDb catalogue = store::ResourceDb::OpenOrThrow(path);
    // Rebuilt lists trace what they found. Opened with the first of them and kept to the
    // end of the load, the trace is opened once instead of twice per flavour; a load of
    // list files alone never opens it.
    std::optional<CRvcTrace> rebuildTrace;
    for (int index = 0;; ++index) {
      std::optional<std::string> topic = catalogue.TopicAt(index);
      if (!topic) break;
      if (platform::EqualsNoCase(*topic, "_internal_")) continue;
      if (!filter.empty() && !platform::EqualsNoCase(*topic, filter)) continue;

      const std::string displayName = ReadItem(catalogue, *topic, "name");
      std::string version = ReadItem(catalogue, *topic, "Version");
      // The searches for the list files walk the flavour's folders; a rebuild reads some of
      // them again right after. Nothing writes to them meanwhile (a folder dialog forgets).
      store::CRvcUtils::ListingScope listings;
      try {
        // The folder dialogs name the flavour they ask for: " - " + its name ends their titles.
        const std::string_view forFlavour = displayName.empty() ? *topic : displayName;
        ListFileChoice program = FindListFile(options.programFolder.value_or(ReadItem(catalogue, *topic, "progdir")),
                                              "Select PROGRAM folder - ", "rvc2.cfg", forFlavour);
        ListFileChoice data = FindListFile(options.dataFolder.value_or(ReadItem(catalogue, *topic, "datadir")),
                                           "Select DATA folder - ", "rvc1.cfg", forFlavour);
        if ((program.rebuild || data.rebuild) && !rebuildTrace) rebuildTrace.emplace("");
        InsertByDisplayName(flavours, std::make_unique<CFlavour>(*topic, displayName, std::move(version), std::move(program.file),
                                                                 program.rebuild, std::move(data.file), data.rebuild));
      } catch (const CRvcException& error) {
        if (options.brokenFlavours == nullptr) throw;
        CRvcTrace("").Trace("Flavour " + *topic + " skipped: " + error.Message());
        options.brokenFlavours->push_back(BrokenFlavour{*topic, displayName, error.Message()});
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
