// TInputFile: one opened input of a conversion task.
//
// Created by the input opener (`TCustomFFmpegOpt::OpenInputFile`) and owned
// by the engine's `Finput_files`; the transcoding half keeps its run state in
// it. Threads: the opening thread, then the task's worker.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>

#include "media/av_ptr.h"
#include "options/input_guard.h"

namespace zentrova {

struct TInputFile {
  /// What the demuxer may open (the demuxer calls back into it: declared
  /// first, so it outlives `ctx`).
  std::unique_ptr<TInputGuard> guard;
  AVInputFormatContextPtr ctx;  ///< the demuxer (owned)
  std::int32_t eof_reached = 0;
  std::int32_t eagain = 0;
  std::int32_t ist_index = 0;  ///< index of the file's first stream in Finput_streams
  std::int32_t loop = 0;       ///< -stream_loop
  std::int64_t duration = 0;   ///< one pass, in `time_base`
  AVRational time_base{1, 1};
  std::int64_t input_ts_offset = 0;  ///< -itsoffset (µs)
  std::int64_t ts_offset = 0;        ///< added to every time stamp (µs)
  std::int64_t join_offset =
      0;  ///< join mode: the part of ts_offset that places this input after the previous one (µs)
  std::int64_t last_ts = 0;
  std::int64_t start_time = AV_NOPTS_VALUE;  ///< requested start (µs)
  std::int32_t seek_timestamp = 0;
  std::int64_t recording_time = std::numeric_limits<std::int64_t>::max();  ///< -t (µs)
  std::int32_t nb_streams = 0;
  std::int32_t nb_streams_warn = 0;
  std::int32_t rate_emu = 0;  ///< -re
  std::int32_t accurate_seek = 1;
};

}  // namespace zentrova
