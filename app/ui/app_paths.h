// Where the application finds its files at run time: the media library
// folder beside the executable, and the local pages its two web buttons
// open when no home page is configured.
//
// GUI thread (reads the QApplication's executable folder).
#pragma once

#include <string>

#include "app/ui/converter_window.h"

namespace zentrova::ui {

/// "LibAV" beside the executable: searched first for the media libraries.
std::string LibraryFolder();

/// The caption's home page and the web buttons' targets. With a home page
/// configured at build time (ZENTROVA_HOME_PAGE) both buttons open it;
/// otherwise "官方网站" opens the installed user manual and "访问官网" the
/// README (from the install tree, else from the source tree the
/// application was built from).
TWebPages DefaultWebPages();

}  // namespace zentrova::ui
