#include "platform/fs_path.h"

namespace zant::fs_path {

std::string Normalize(const std::string& path) {
  std::string out;
  out.reserve(path.size() + 1);
  for (size_t i = 0; i < path.size(); ++i) {
    char c = path[i] == '/' ? '\\' : path[i];
    bool keeps_double = i == 1 && !out.empty() && out[0] == '\\';  // "\\server\share"
    if (c == '\\' && !out.empty() && out.back() == '\\' && !keeps_double) {
      continue;
    }
    out.push_back(c);
  }
  if (out.size() == 2 && out[1] == ':') {
    out.push_back('\\');
  }
  if (out.size() > 1 && out.back() == '\\' && !IsDriveRoot(out) && out != "\\\\") {
    out.pop_back();
  }
  return out;
}

bool IsDriveRoot(const std::string& normalized) {
  return normalized.size() == 3 && normalized[1] == ':' && normalized[2] == '\\';
}

void Split(const std::string& normalized, std::string& folder, std::string& name) {
  if (IsDriveRoot(normalized)) {
    folder = normalized;
    name.clear();
    return;
  }
  size_t slash = normalized.find_last_of('\\');
  if (slash == std::string::npos) {
    folder.clear();
    name = normalized;
    return;
  }
  folder = normalized.substr(0, slash);
  if (folder.size() == 2 && folder[1] == ':') {
    folder.push_back('\\');
  }
  name = normalized.substr(slash + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
  std::string out;
  out.reserve(folder.size() + 1 + name.size());
  out = folder;
  if (out.empty() || out.back() != '\\') {
    out.push_back('\\');
  }
  out += name;
  return out;
}

std::string Describe(const std::string& text, const std::string& path) {
  return text + ": " + path;
}

}  // namespace zant::fs_path
