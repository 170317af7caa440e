// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing a small file so that it is replaced whole or not at all: the text
// goes into a new file beside the old one, which is renamed over it only once
// every byte is on the disk. A full disk, a size limit or a crash in between
// leaves the old file exactly as it was and no stray file behind.

#include <string>
#include <string_view>

namespace quintora {

// Replaces the file `path` with `text`. A symbolic link of the player's own
// is followed and the file it points to is replaced in that file's folder, so
// the link stays a link; a link to nothing creates its target. A link of
// someone else's is not followed, nor is a file replaced through a link that
// is not the player's. Only a plain file (or nothing) is replaced, and only
// one the player may write by its permissions; it keeps its owner, group and
// permissions. No temporary file is left behind by a Ctrl-C or a kill during
// the writing (one left by a crash is cleared at a later write). False when
// nothing was changed; when the writing itself failed (a full disk, say),
// errno says why.
bool replace_file(const std::string& path, std::string_view text);

}  // namespace quintora
