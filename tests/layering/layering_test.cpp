// Every production file's includes of other folders must be allowed by allowed_includes.txt,
// and the table itself must describe layers (no folder may reach back to itself).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Table = std::map<std::string, std::set<std::string>>;  // folder -> folders it may include

struct Include {
  std::string file;    // relative to the tree
  std::string target;  // "store/resource_db.h"
};

Table ReadTable(std::istream& in) {
  Table table;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t colon = line.find(':');
    std::istringstream words(line.substr(colon + 1));
    std::set<std::string>& allowed = table[line.substr(0, colon)];
    for (std::string word; words >> word;) allowed.insert(word);
  }
  return table;
}

// The folder of the table that holds `path`: the longest one that prefixes it.
std::string FolderOf(const Table& table, const std::string& path) {
  std::string best;
  for (const auto& [folder, allowed] : table) {
    if (path.starts_with(folder + "/") && folder.size() > best.size()) best = folder;
  }
  return best;
}

std::vector<std::string> Violations(const Table& table, const std::vector<Include>& includes) {
  std::vector<std::string> found;
  for (const Include& include : includes) {
    const std::string from = FolderOf(table, include.file);
    const std::string to = FolderOf(table, include.target);
    if (from.empty() || to.empty()) {
      found.push_back(include.file + " -> " + include.target + ": folder not in the table");
    } else if (from != to && !table.at(from).contains(to)) {
      found.push_back(include.file + " -> " + include.target + ": " + from + " may not include " + to);
    }
  }
  return found;
}

// True when some folder reaches itself through the allowed includes.
bool HasCycle(const Table& table) {
  std::map<std::string, int> state;  // 1 on the path, 2 done
  std::function<bool(const std::string&)> visit = [&](const std::string& folder) {
    if (state[folder] == 1) return true;
    if (state[folder] == 2) return false;
    state[folder] = 1;
    if (table.contains(folder)) {
      for (const std::string& next : table.at(folder)) {
        if (visit(next)) return true;
      }
    }
    state[folder] = 2;
    return false;
  };
  for (const auto& [folder, allowed] : table) {
    if (visit(folder)) return true;
  }
  return false;
}

Table TheTable() {
  std::ifstream in(RVC_ALLOWED_INCLUDES);
  return ReadTable(in);
}

std::vector<Include> IncludesOfTree(const Table& table) {
  static const std::regex kInclude(R"(^\s*#\s*include\s+"([a-z_]+/[^"]+)\")");
  const fs::path root = RVC_SOURCE_DIR;
  std::vector<Include> includes;
  for (const auto& [folder, allowed] : table) {
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const std::string extension = entry.path().extension().string();
      if (extension != ".cpp" && extension != ".h") continue;
      const std::string file = fs::relative(entry.path(), root).generic_string();
      if (FolderOf(table, file) != folder) continue;  // a nested folder's own file
      std::ifstream in(entry.path());
      std::smatch match;
      for (std::string line; std::getline(in, line);) {
        if (std::regex_search(line, match, kInclude)) includes.push_back({file, match[1]});
      }
    }
  }
  return includes;
}

TEST(Layering, EveryIncludeOfTheTreeIsAllowed) {
  const Table table = TheTable();
  ASSERT_FALSE(table.empty());
  const std::vector<Include> includes = IncludesOfTree(table);
  EXPECT_GT(includes.size(), 100u);
  const std::vector<std::string> violations = Violations(table, includes);
  EXPECT_TRUE(violations.empty()) << ::testing::PrintToString(violations);
}

TEST(Layering, TheTableHasNoCycle) { EXPECT_FALSE(HasCycle(TheTable())); }

// Dependencies the tree once had that broke the layering: each must be refused.
TEST(Layering, RefusesDependenciesThatBreakTheLayers) {
  const Table table = TheTable();
  const std::vector<Include> breaks = {
      {"store/dispatcher_list.cpp", "frame/flavour.h"},         // store and frame including each other
      {"lifecycle/change_type.cpp", "settings/page.h"},         // lifecycle reaching the settings editor
      {"ui/user_interface.cpp", "lifecycle/new_dispatcher.h"},  // the bottom layer reaching a feature
      {"ui/user_interface.cpp", "frame/rvc_app.h"},
      {"core/rvc_trace.cpp", "store/rvc_utils.h"},
      {"lifecycle/commands.cpp", "window/main_window.h"},  // a feature reaching the main window
      {"store/utils_tree.cpp", "tests/support/shell.h"},   // production code reaching the tests
  };
  for (const Include& include : breaks) {
    EXPECT_EQ(Violations(table, {include}).size(), 1u) << include.file << " -> " << include.target;
  }
  Table cyclic = table;
  cyclic["store"].insert("frame");
  EXPECT_TRUE(HasCycle(cyclic));
}

}  // namespace
