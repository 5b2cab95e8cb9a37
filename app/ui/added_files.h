// Names given to the list (chosen or dropped) turned into the files to add,
// and the words that tell the user why a file cannot be added.
//
// GUI thread (file-system reads only; no widgets).
#pragma once

#include <QString>
#include <QStringList>
#include <string>

namespace zentrova::ui {

/// Lower-case suffixes of the media files the open dialog lists ("mp4", "wav"…).
QStringList MediaSuffixes();

/// The names in order, each folder replaced by the media files directly in
/// it (by suffix, sorted by name). A folder without media files stays in
/// the list as it is (adding it then says why it is not added).
QStringList ExpandFolders(const QStringList& names);

/// Why `name` cannot be added, in words: "the file does not exist", "the
/// file is empty", "the folder holds no media files", "the file cannot be
/// read", else "not a media file that can be read" with the decoder's
/// `decoder_error` after it.
QString UnaddableReason(const QString& name, const std::string& decoder_error);

}  // namespace zentrova::ui
