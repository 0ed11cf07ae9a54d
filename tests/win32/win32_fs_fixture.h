#pragma once

#include <cstdint>
#include <string>

// Direct Win32 calls that build and inspect test trees without the file-system layer under
// test. Paths are full UTF-8 paths; every call takes the "\\?\" form, so long paths work too.
// A failure throws std::runtime_error (a broken fixture, not a finding).
namespace zant::win32test {

std::wstring Extended(const std::string& path);

void MakeFolder(const std::string& path);
void MakeFile(const std::string& path, const std::string& content);
void SetAttributes(const std::string& path, uint32_t attributes);
uint32_t GetAttributes(const std::string& path);
bool Exists(const std::string& path);
std::string ReadFile(const std::string& path);
// A symbolic link at path to the file target; a target that does not exist gives a link to
// nothing. Windows makes it where the account may (developer mode or the privilege); under Wine,
// whose CreateSymbolicLinkW makes nothing, Linux's ln makes it (Wine starts Linux programs; the
// test prefix maps Z: to the Linux root). False when no link could be made.
bool MakeFileLink(const std::string& path, const std::string& target);
// Whether the tests run under Wine, whose links to files are Linux links.
bool UnderWine();
// Removes a tree, clearing read-only first; links are removed, never followed.
void RemoveTree(const std::string& path);

// "D:\<stem>-<process id>-<counter>", not yet created.
std::string UniqueFolder(const std::string& stem);

}  // namespace zant::win32test
