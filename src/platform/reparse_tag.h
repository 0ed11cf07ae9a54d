#pragma once

#include <cstdint>

namespace zant {

// Whether an entry that carries a reparse point is a link. Windows puts reparse points on links
// (symbolic links, mount points and junctions) and also on ordinary files and folders that a
// file-system filter keeps in another form: deduplicated, compressed by the system (compact
// /exe), cloud placeholders, files moved to other storage. Only a link names another entry of
// the computer; Windows marks the tags of such entries as name surrogates. The rest are read,
// written and deleted as any file is. Wine shows a Linux link to a folder with the reparse
// attribute and tag 0: a link too.
bool IsLinkTag(uint32_t tag);

}  // namespace zant
