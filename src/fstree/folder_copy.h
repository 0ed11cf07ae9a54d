#pragma once

#include <functional>
#include <string>

#include "platform/file_system.h"

namespace zant {

// Shows the name of each file as it is handled (the window's detail line).
using ShowDetailFn = std::function<void(const std::string&)>;

// Copies every file lying directly in pSrcFolder into pDestFolder, in listing order, replacing
// files of the same name (a visible one is deleted first, so that a read-only copy does not
// block). Sub-folders are ignored. Attributes travel with the copies. The first failure is
// raised unchanged; what was copied before it stays copied.
void CopyAllFiles(FileSystem& fs, const ShowDetailFn& show_detail, const std::string& pSrcFolder,
                  const std::string& pDestFolder);

// Deletes from pDestFolder every visible file that has the name of a file lying directly in
// pSrcFolder. The source folder is never changed. The first failure is raised unchanged.
void DeleteAllFiles(FileSystem& fs, const ShowDetailFn& show_detail, const std::string& pSrcFolder,
                    const std::string& pDestFolder);

}  // namespace zant
