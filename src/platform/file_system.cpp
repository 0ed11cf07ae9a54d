#include "platform/file_system.h"

namespace zant {

std::string FileSystem::GetParentFolderName(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) {
    return "";
  }
  std::string parent = path.substr(0, slash);
  if (parent.size() == 2 && parent[1] == ':') {
    return parent + "\\";  // a drive root keeps its backslash
  }
  return parent;
}

}  // namespace zant
