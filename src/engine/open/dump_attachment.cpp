// -dump_attachment: writing an attached file of an input to disk.
#include <fmt/format.h>

#include "engine/open/attachment_names.h"
#include "engine/open/add_input_streams.h"

namespace zentrova {

void DumpAttachment(TCustomFFmpegOpt& engine, AVStream* st, int input_index, const std::string& file_name) {
  const AVCodecParameters* par = st->codecpar;
  if (par->extradata_size <= 0 || !par->extradata) {
    engine.Log(TLogLevel::llWarning,
               fmt::format("No extradata to dump in stream #{}:{}.", input_index, st->index));
    return;
  }
  std::string target = file_name;
  if (target.empty()) {
    const AVDictionaryEntry* tag = ff::av_dict_get(st->metadata, "filename", nullptr, AV_DICT_MATCH_CASE);
    if (!tag || !tag->value[0]) {
      engine.Log(TLogLevel::llError,
                 fmt::format("No filename specified and no \"filename\" tag in stream #{}:{}.", input_index,
                             st->index));
      return;
    }
    // The tag comes from the file itself: never let it name another folder.
    const std::optional<std::string> safe = SafeDumpFileName(tag->value);
    if (!safe) {
      engine.Log(TLogLevel::llError,
                 fmt::format("The \"filename\" tag \"{}\" of stream #{}:{} is not a usable file name.",
                             tag->value, input_index, st->index));
      return;
    }
    target = *safe;
  }
  if (!engine.CheckFileOverwrite(target)) return;

  AVIOContextPtr out;
  engine.FLastWrite = ff::av_gettime_relative();
  if (ff::avio_open2(OutPtr(out), target.c_str(), AVIO_FLAG_WRITE, &engine.FWriteCallback, nullptr) < 0) {
    engine.Log(TLogLevel::llError, fmt::format("Could not open file {} for writing.", target));
    return;
  }
  engine.FLastWrite = ff::av_gettime_relative();
  ff::avio_write(out.get(), par->extradata, par->extradata_size);
  ff::avio_flush(out.get());
}

}  // namespace zentrova
