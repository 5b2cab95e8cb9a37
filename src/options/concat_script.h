// The files a concat script (".ffconcat") names, read with the script
// syntax of the media library's concat demuxer: one directive per line,
// "#" lines are comments, and the argument of a "file" directive is one
// token in which a backslash escapes the next character and single quotes
// enclose a literal part.
//
// The demuxer opens its entries on contexts of its own, without the
// parent's `io_open`, so no library hook sees them: the input guard reads
// the script with this to vet every entry before the demuxer runs.
// Pure; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zentrova {

/// The arguments of the "file" directives of `script`, unescaped, in order.
std::vector<std::string> ConcatScriptFiles(std::string_view script);

}  // namespace zentrova
