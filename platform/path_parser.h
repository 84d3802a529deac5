// Our path parser: splits a path into node, device, directory, name and type, and joins
// selected parts again. It works on text only and never touches the disk.
//
//   "//server/share/dir/zv_config.res"  node "//server", directory "/share/dir/",
//                                       name "zv_config", type ".res"
//   "C:\prog\dat\types.dat"              device "C:", directory "/prog/dat/",
//                                       name "types", type ".dat"
//
// Both "/" and "\" separate folders; the parts come back with "/" only and with runs of
// separators folded into one. docs/paths.md gives the full rules.
#pragma once

#include <string>
#include <string_view>

namespace rvc::platform {

// Parts of a path, combinable as a selection for JoinPathParts.
enum PathPart : unsigned {
  kPathNode = 1u,
  kPathDevice = 2u,
  kPathDirectory = 4u,
  kPathName = 8u,
  kPathType = 16u,
  kPathFolderParts = kPathNode | kPathDevice | kPathDirectory,
  kPathAllParts = kPathFolderParts | kPathName | kPathType,
};

struct ParsedPath {
  std::string node;       // "//server" of a network path, else ""
  std::string device;     // a drive letter with its colon ("C:"), else ""
  std::string directory;  // "" or a folder path ending with "/"
  std::string name;       // the last component without its type
  std::string type;       // the type with its dot (".res"), else ""
};

ParsedPath ParsePath(std::string_view path);

// The selected parts in the order node, device, directory, name, type. A node is
// followed by a separator when more text comes after it.
std::string JoinPathParts(const ParsedPath& parts, unsigned selection = kPathAllParts);

}  // namespace rvc::platform
