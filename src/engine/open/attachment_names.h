// File names of attachments: the "filename" tag an attached file gets, and
// the name an attachment is dumped to when the input's own tag names it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zentrova {

/// The "filename" tag of an attached file: the part after the last '/', or
/// when there is none after the last '\', or the whole name.
std::string AttachmentTagName(std::string_view path);

/// The file to dump an attachment to when its name comes from the input's
/// own "filename" tag: only the tag's base name (after the last '/' or '\'),
/// so a crafted tag cannot write outside the working folder. Nothing for a
/// name that is empty, "." or "..".
std::optional<std::string> SafeDumpFileName(std::string_view tag);

}  // namespace zentrova
