// Whether a path lies on an optical disc (a CD-ROM or DVD file system),
// where no output can be written.
//
// Any thread (reads the mount table).
#pragma once

#include <QString>
#include <functional>

namespace zentrova::ui {

/// The check the options dialog makes; tests put their own in its place.
using TOpticalDiscTest = std::function<bool(const QString& path)>;

/// True when the mounted volume holding `path` (a file or folder, which must
/// exist) has an optical disc file system ("iso9660" or "udf"). A path that
/// does not exist gives false.
bool IsOnOpticalDisc(const QString& path);

}  // namespace zentrova::ui
