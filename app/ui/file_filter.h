// The open dialogs' file filters: the window's own filter text in the
// "Name|*.A;*.B|Name|*.C" form, converted to Qt's "Name (*.A *.B);;Name (*.C)".
//
// Pure functions; any thread.
#pragma once

#include <QString>
#include <string_view>

namespace zentrova::ui {

/// The conversion list's open dialog filter: video, audio and picture files.
extern const std::string_view kMediaFileFilter;
/// The watermark chooser's filter.
extern const std::string_view kWaterMarkFileFilter;

/// Converts a "Name|patterns|Name|patterns" filter: each pair becomes
/// "Name (patterns)" with ';' turned into blanks and empty patterns dropped,
/// pairs are joined with ";;", and "*.*" becomes "*" (a name without a dot
/// has no match for "*.*" on this platform). Names are translated (context
/// "FileFilter") when a catalogue is installed. A trailing name without
/// patterns gets "(*)".
QString QtFileFilter(std::string_view filter);

}  // namespace zentrova::ui
