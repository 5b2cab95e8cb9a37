// The opened output file of a conversion task.
//
// Ownership: the engine owns every `TOutputFile` through its `Foutput_files`
// list. The muxer context is shared (join mode gives every later input a
// record of its own that writes through the same context); it is released
// with the last record, closing its I/O when the format writes a file. Its
// streams are the `Foutput_streams` entries from `ost_index` on. The file
// itself is created only when the run starts (OpenOutputWriter), and a plain
// local file is written to its `.part` file until the run ends.
//
// Threads: built by `OpenOutputFile` on the thread that sets the output;
// afterwards used by the task's worker thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/open/output_target.h"
#include "media/av_ptr.h"

namespace zentrova {

struct TOutputFile {
  std::shared_ptr<AVFormatContext> ctx;      ///< the muxer
  AVDictionaryPtr opts;                      ///< options for writing the header
  int ost_index = 0;                         ///< index of the first stream in `Foutput_streams`
  std::int64_t recording_time = INT64_MAX;   ///< microseconds; INT64_MAX: no limit
  std::int64_t start_time = AV_NOPTS_VALUE;  ///< microseconds, or no value
  std::int64_t limit_filesize = INT64_MAX;   ///< bytes; INT64_MAX: no limit
  int shortest = 0;
  /// The byte stream was opened by this run (OpenOutputWriter): nothing is
  /// created on disk before that.
  bool writer_opened = false;
  /// A plain local file's locked `.part` file while it is written.
  std::unique_ptr<TOutputTarget> target;
  /// The muxer's own name while `target` is set (its url then names the
  /// `.part` file, which muxers that read back their output must open).
  std::string final_url;
};

}  // namespace zentrova
