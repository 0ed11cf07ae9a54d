#include "platform/fs_path.h"

#include <vector>

namespace zant::fs_path {

namespace {

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "C:" at the start.
bool HasDrive(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' && IsLetter(path[0]);
}

// "\\?\C:\" or "\\.\C:\": a drive root behind the prefix that turns off path parsing.
bool IsPrefixedDriveRoot(const std::string& path) {
  return path.size() == 7 && (StartsWith(path, "\\\\?\\") || StartsWith(path, "\\\\.\\")) &&
         HasDrive(path.substr(4)) && path[6] == '\\';
}

// The length of the root of a full path: "C:\" for a drive, "\\server\share" for a share.
size_t RootLength(const std::string& full) {
  if (HasDrive(full) && full.size() >= 3 && full[2] == '\\') {
    return 3;
  }
  if (StartsWith(full, "\\\\")) {
    size_t server_end = full.find('\\', 2);
    if (server_end == std::string::npos) {
      return full.size();
    }
    size_t share_end = full.find('\\', server_end + 1);
    return share_end == std::string::npos ? full.size() : share_end;
  }
  return 0;
}

// Whether a part is only dots and spaces other than "..": Windows drops such a part, as it
// drops trailing dots and spaces from a name.
bool IsEmptyPart(const std::string& part) {
  return part != ".." && part.find_first_not_of(". ") == std::string::npos;
}

}  // namespace

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
  if (out.size() > 1 && out.back() == '\\' && !IsDriveRoot(out) && !IsPrefixedDriveRoot(out) &&
      out != "\\\\") {
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
  if (slash == std::string::npos && HasDrive(normalized)) {
    folder = normalized.substr(0, 2);
    name = normalized.substr(2);
    return;
  }
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
  bool bare_drive = out.size() == 2 && HasDrive(out);
  if (!out.empty() && out.back() != '\\' && !bare_drive) {
    out.push_back('\\');
  }
  out += name;
  return out;
}

std::string FullPath(const std::string& normalized, const std::string& current) {
  std::string path = normalized;
  if (StartsWith(path, "\\\\?\\") || StartsWith(path, "\\\\.\\")) {
    std::string rest = path.substr(4);
    if (HasDrive(rest)) {
      path = rest.size() == 2 ? rest + "\\" : rest;
    } else if (rest.size() >= 4 && (rest[0] == 'U' || rest[0] == 'u') &&
               (rest[1] == 'N' || rest[1] == 'n') && (rest[2] == 'C' || rest[2] == 'c') &&
               rest[3] == '\\') {
      path = "\\\\" + rest.substr(4);
    }
    // Anything else ("\\?\Volume{...}\") stays as it is: its first part names the volume and
    // counts as its root, as a share's does.
  }
  if (RootLength(path) == 0) {
    if (current.empty()) {
      return normalized;
    }
    if (HasDrive(path)) {  // "C:x": the current folder of that drive, or its root
      bool same_drive = HasDrive(current) && (current[0] | 0x20) == (path[0] | 0x20);
      path = same_drive ? Join(current, path.substr(2)) : path.substr(0, 2) + "\\" + path.substr(2);
    } else if (StartsWith(path, "\\")) {  // "\x": the root of the current folder
      path = current.substr(0, RootLength(current)) + path;
    } else {
      path = Join(current, path);
    }
  }
  size_t root_length = RootLength(path);
  std::vector<std::string> parts;
  size_t start = root_length;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) {
      end = path.size();
    }
    std::string part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) {
        parts.pop_back();
      }
    } else if (!IsEmptyPart(part)) {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string out = path.substr(0, root_length);
  for (const std::string& part : parts) {
    if (out.empty() || out.back() != '\\') {
      out.push_back('\\');
    }
    out += part;
  }
  return out;
}

bool IsVolumeRoot(const std::string& full) {
  size_t root_length = RootLength(full);
  if (root_length == 0) {
    return false;
  }
  return root_length == full.size() || (root_length + 1 == full.size() && full.back() == '\\');
}

std::string Describe(const std::string& text, const std::string& path) {
  return text + ": " + path;
}

}  // namespace zant::fs_path
