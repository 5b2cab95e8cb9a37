// Files the output opener reads or may write: attachments, the overwrite
// policy, and the guard that an output never replaces an input.
#include <climits>
#include <cstring>
#include <filesystem>
#include <fmt/format.h>
#include <system_error>

#include "engine/open/attachment_names.h"
#include "engine/open/output_opener.h"
#include "engine/open/new_output_streams.h"

namespace zentrova {

namespace {

// The local path of a name the library would open with its "file" protocol.
std::optional<std::filesystem::path> LocalPath(const std::string& name) {
  const char* protocol = ff::avio_find_protocol_name(name.c_str());
  if (!protocol || std::strcmp(protocol, "file") != 0) return std::nullopt;
  std::string_view path = name;
  if (path.starts_with("file:")) path.remove_prefix(5);
  return std::filesystem::path(std::string(path));  // native names are bytes here
}

}  // namespace

bool SameLocalFile(const std::string& a, const std::string& b) {
  const std::optional<std::filesystem::path> pa = LocalPath(a);
  const std::optional<std::filesystem::path> pb = LocalPath(b);
  if (!pa || !pb) return false;
  std::error_code error;
  const bool same = std::filesystem::equivalent(*pa, *pb, error);
  return !error && same;
}

bool TCustomFFmpegOpt::CheckFileOverwrite(const std::string& file_name) {
  if (Ffile_overwrite && Fno_file_overwrite) RaiseError("Error, both -y and -n supplied.");
  if (Ffile_overwrite) return true;
  const char* protocol = ff::avio_find_protocol_name(file_name.c_str());
  if (protocol && std::strcmp(protocol, "file") == 0 && ff::avio_check(file_name.c_str(), 0) >= 0) {
    FLastErrMsg = fmt::format("File \"{}\" already exists. Ignore.", file_name);
    Log(TLogLevel::llWarning, FLastErrMsg);
    return false;
  }
  return true;
}

void AddAttachments(TOutputOpen& open) {
  TCustomFFmpegOpt& engine = open.engine;
  for (const std::string& name : open.o.attach) {
    AVIOContextPtr pb;
    engine.FLastRead = ff::av_gettime_relative();
    if (ff::avio_open2(OutPtr(pb), name.c_str(), AVIO_FLAG_READ, &engine.FReadCallback, nullptr) < 0) {
      throw TOutputOpenError(fmt::format("Could not open attachment file {}.", name));
    }
    const std::int64_t size = ff::avio_size(pb.get());
    if (size <= 0) throw TOutputOpenError(fmt::format("Could not get size of the attachment {}.", name));
    if (size > INT_MAX - 64)
      throw TOutputOpenError(fmt::format("Attachment {} too large to fit into memory.", name));
    // The library reads past the end of extradata: the padding must be zeroed.
    AVMemoryPtr<std::uint8_t> buffer(static_cast<std::uint8_t*>(
        ff::av_mallocz(static_cast<std::size_t>(size) + AV_INPUT_BUFFER_PADDING_SIZE)));
    if (!buffer) throw TOutputOpenError(fmt::format("Attachment {} too large to fit into memory.", name));
    engine.FLastRead = ff::av_gettime_relative();
    const int read = ff::avio_read(pb.get(), buffer.get(), static_cast<int>(size));
    if (read != static_cast<int>(size))
      throw TOutputOpenError(fmt::format("Could not read attachment {}.", name));

    TOutputStream& ost = *NewAttachmentStream(engine, open.o, open.oc, -1);
    ost.attachment_filename = name;
    ost.st->codecpar->extradata = buffer.release();
    ost.st->codecpar->extradata_size = static_cast<int>(size);
    ff::av_dict_set(&ost.st->metadata, "filename", AttachmentTagName(name).c_str(), AV_DICT_DONT_OVERWRITE);
  }
}

}  // namespace zentrova
