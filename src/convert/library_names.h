// The names the application and zentrova-cli hand the media libraries.
//
// The libraries read "name:rest" as a protocol ("12:30 meeting.mkv" fails
// with "Protocol not found", "data:x.ts" is read as inline data), so a file
// the user named goes to them as "file:" + its name, which can only mean
// that local file. Network addresses the user typed stay as they are (the
// input guard decides whether they may be opened). The engine's raw option
// strings are not touched: they keep their URL meaning. Names are shown
// without the "file:" (options/file_name_text.h: displayed_file_name).
// Pure (IsNetworkAddress looks at the file system); any thread.
#pragma once

#include <string>
#include <string_view>

namespace zentrova::app {

/// "file:" + `file_name`: always the local file of that name.
std::string LocalFileUrl(std::string_view file_name);

/// A name given by the user is a network address when it reads as
/// "protocol://..." with a network protocol and no local file has that name.
bool IsNetworkAddress(std::string_view name);

/// The library name of an input: a network address as it is, every other
/// name as the local file (LocalFileUrl).
std::string InputUrl(std::string_view name);

}  // namespace zentrova::app
