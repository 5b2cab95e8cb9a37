// TRIDarivir: seeking, and stepping to key frames and to the previous
// picture. The library decodes only forward, so stepping back is a
// backward seek to an earlier key frame followed by forward decoding.
#include "decoder/ridarivir.h"

#include <fmt/format.h>

#include "log/logger.h"
#include "media/av_ptr.h"

namespace zentrova {

bool TRIDarivir::SeekFile(std::int64_t target, int flags) {
  // A window on one side of the target: forward seeks find the key frame at
  // or after it, backward seeks the one at or before it. A window over the
  // whole range would seek backward and give "next key frame" the current one.
  const auto seek = [this, target](int seek_flags) {
    StartRead();
    if (seek_flags & AVSEEK_FLAG_BACKWARD)
      return ff::avformat_seek_file(FFileHandle, FSeekIndex, INT64_MIN, target, target, seek_flags);
    return ff::avformat_seek_file(FFileHandle, FSeekIndex, target, target, INT64_MAX, seek_flags);
  };
  if (seek(flags) >= 0) return true;
  return seek(flags ^ AVSEEK_FLAG_BACKWARD) >= 0;
}

bool TRIDarivir::Seek(std::int64_t pts, TSeekFlags flags) {
  static constexpr const char* kOperation = "Seek()";
  if (!CanSeek()) return false;
  if (FFileHandle->pb)
    DefaultLogger()->LogFmt(this, TLogLevel::llDebug, "{}.{}: current position {} bytes", ClassName(),
                            kOperation, IOPosition());
  std::int64_t target = pts;
  // Byte targets are positions: only time targets are shifted or rescaled.
  if (!flags.Contains(TSeekFlag::sfByte)) {
    const bool video_seek = FSeekIndex >= 0 && FSeekIndex < static_cast<int>(FFileHandle->nb_streams) &&
                            FFileHandle->streams[FSeekIndex]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    // Half a frame early, so that the first picture is found.
    if (pts == 0 && FFrameRate.den != 0 && video_seek) target = -(FrameDuration() / 2);
    std::int64_t start = FFileHandle->start_time;
    if (FSeekIndex >= 0) {
      const AVStream* stream = FFileHandle->streams[FSeekIndex];
      target = ff::av_rescale_q(target, AV_TIME_BASE_Q, stream->time_base);
      start = stream->start_time;
    }
    if (start != AV_NOPTS_VALUE) target += start;
  }

  for (TStreamCodec* codec : {&FVideoCodec, &FAudioCodec})
    if (codec->context) {
      ff::avcodec_flush_buffers(codec->context.get());
      codec->flushed = codec->drained = false;
    }
  FEOF = false;
  FEOFpkt = false;
  ResetPicture();
  ResetWaveInfo();

  if (!SeekFile(target, flags.Bits())) {
    if (flags.Contains(TSeekFlag::sfByte))
      SetErrorAndLog(TLogLevel::llError,
                     fmt::format("{}.{}: could not seek to position {} bytes", ClassName(), kOperation, pts));
    else
      SetErrorAndLog(TLogLevel::llError,
                     fmt::format("{}.{}: could not seek to position {:.3f} seconds", ClassName(), kOperation,
                                 static_cast<double>(pts) / AV_TIME_BASE));
    return false;
  }
  if (FFileHandle->pb)
    DefaultLogger()->LogFmt(this, TLogLevel::llDebug, "{}.{}: seek to position {} bytes", ClassName(),
                            kOperation, IOPosition());
  return true;
}

bool TRIDarivir::DecodeNextKeyFrame(int stream_index) {
  const int index = SelectVideoStream(stream_index);
  if (index < 0) return false;
  const std::int64_t duration = FrameDuration();
  const std::int64_t target =
      FPicture.PTS != kNoTimeStamp && FPicture.PTS > 0 ? FPicture.PTS + duration : duration;
  if (!Seek(target, {})) return false;
  return Decode(index);
}

bool TRIDarivir::DecodePreviousKeyFrame(int stream_index) {
  const int index = SelectVideoStream(stream_index);
  if (index < 0) return false;
  const std::int64_t duration = FrameDuration();

  std::int64_t reference = FPicture.PTS;
  if (reference == kNoTimeStamp) reference = FLastPTS;
  if (reference == kNoTimeStamp)
    reference = FFileHandle->duration != AV_NOPTS_VALUE ? FFileHandle->duration : 0;

  std::int64_t start_position = IOPosition();
  std::int64_t mark = -2;  // -2 unset, -1 armed, >0 the position of an attempt that overshot
  int attempts_before_start = 0;
  for (std::int64_t step = 1;; ++step) {
    const std::int64_t back = step * duration;
    // Targets before the start all land on the first key frame: two tries there are enough.
    if (reference < back && ++attempts_before_start > 2) break;
    const std::int64_t position_before = IOPosition();
    Seek(reference - back, {TSeekFlag::sfBackward});
    const std::int64_t position_after = IOPosition();
    // The seek moved, but not to before where the search started: go further back.
    if (position_after >= start_position && start_position > 0 && position_after != position_before &&
        reference >= back)
      continue;
    if (mark == -1)
      mark = position_after;
    else if (mark > 0 && position_after >= mark && reference >= back)
      continue;
    if (mark == -2) mark = -1;
    if (!Decode(index)) {
      if (reference < back || FEOF) break;
      continue;
    }
    if (FPicture.PTS < reference || FPicture.PTS <= 0) return true;
    if (FPicture.PTS == reference && reference < back) return true;
    if (FPicture.PTS >= reference && position_after < mark) mark = -1;
  }
  FLastErrMsg = "Could not seek to the previous key-frame. " + FLastErrMsg;
  return false;
}

bool TRIDarivir::DecodePreviousFrame(int stream_index) {
  const int index = SelectVideoStream(stream_index);
  if (index < 0) return false;
  const std::int64_t duration = FrameDuration();

  std::int64_t current = FPicture.PTS != kNoTimeStamp ? FPicture.PTS : FLastPTS;
  std::int64_t threshold;
  if (current == kNoTimeStamp) {
    current = 0;
    threshold = -2 * duration;
  } else {
    threshold = current - 2 * duration;
  }
  std::int64_t before = kNoTimeStamp;  // the last picture seen before `current`
  if (!DecodePreviousKeyFrame(index)) return false;
  for (;;) {
    // The key frame is at most two frame intervals before `current`.
    if (threshold < FPicture.PTS) return true;
    if (!Decode(index)) return false;
    if (FPicture.PTS < current) before = FPicture.PTS;
    // Back at `current` without passing the threshold (uneven time stamps):
    // return to the key frame and decode forward to `before`.
    if (FPicture.PTS == current) {
      if (!DecodePreviousKeyFrame(index)) return false;
      break;
    }
  }
  if (before == kNoTimeStamp) return true;
  while (FPicture.PTS < before)
    if (!Decode(index)) break;
  return true;
}

}  // namespace zentrova
