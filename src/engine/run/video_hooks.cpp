// The audio, video and frame hooks of a running task (run's thread).
//
// A hooked picture is made writable first: when anything else (the decoder,
// a filter such as yadif, a duplicated last frame, an encoder keeping
// references) still holds its buffer, the picture gets a fresh buffer of its
// own, sized from the frame itself. So the pictures a hook changes are never
// shared with pictures that are still in use elsewhere.
#include <exception>
#include <string>

#include "engine/run/ffmpeg_task.h"
#include "engine/open/input_stream.h"
#include "engine/open/output_stream.h"
#include "log/logger.h"

namespace zentrova {

namespace {

TAVPicture PictureOf(AVFrame* frame) {
  TAVPicture picture;
  for (int i = 0; i < 4; ++i) {
    picture.data[i] = frame->data[i];
    picture.linesize[i] = frame->linesize[i];
  }
  return picture;
}

}  // namespace

bool TFFmpegTask::AudioHookAssigned() const {
  return static_cast<bool>(OnInputAudioHook) || static_cast<bool>(OnOutputAudioHook);
}

bool TFFmpegTask::VideoHookAssigned() const {
  return static_cast<bool>(OnInputVideoHook) || static_cast<bool>(OnOutputVideoHook);
}

bool TFFmpegTask::FrameHookAssigned() const {
  return static_cast<bool>(OnInputFrameHook) || static_cast<bool>(OnOutputFrameHook);
}

void TFFmpegTask::SetVideoHookBitsPixel(int bits) {
  if (bits != 8 && bits != 15 && bits != 16 && bits != 24 && bits != 32)
    throw std::invalid_argument(fmt::format("Invalid BitsPixel {}", bits));
  FVideoHookBitsPixel = bits;
}

THookPictures& TFFmpegTask::HookPictures() {
  if (!FHookPictures) FHookPictures = std::make_unique<THookPictures>();
  THookPictures& pictures = *FHookPictures;
  if (pictures.AppliedBitsPixel != FVideoHookBitsPixel) {
    pictures.Input.SetBitsPixel(FVideoHookBitsPixel);
    pictures.Output.Converter.SetBitsPixel(FVideoHookBitsPixel);
    pictures.AppliedBitsPixel = FVideoHookBitsPixel;
  }
  return pictures;
}

void TFFmpegTask::call_audio_hook(const TFFAudioHookEvent& hook, AVFrame* frame, std::int64_t pts_us,
                                  const AVCodecContext* ctx) {
  const auto format = static_cast<AVSampleFormat>(ctx->sample_fmt);
  const int channels = ctx->ch_layout.nb_channels;
  const int size = channels * frame->nb_samples * ff::av_get_bytes_per_sample(format);
  hook(this, pts_us, frame, size, ctx->sample_rate, channels, format);
}

void TFFmpegTask::input_audio_hook(TInputStream& ist, AVFrame* frame, std::int64_t pts_us) {
  if (!OnInputAudioHook || !ist.dec_ctx) return;
  // The samples are changed in place: they must not be shared.
  if (ff::av_frame_make_writable(frame) < 0) {
    Log(TLogLevel::llError, "memory malloc error in input audio hook.");
    return;
  }
  call_audio_hook(OnInputAudioHook, frame, pts_us, ist.dec_ctx.get());
}

void TFFmpegTask::output_audio_hook(TOutputStream& ost, AVFrame* frame, std::int64_t pts_us) {
  if (!OnOutputAudioHook || !ost.enc_ctx) return;
  if (ff::av_frame_make_writable(frame) < 0) {
    Log(TLogLevel::llError, "memory malloc error in output audio hook.");
    return;
  }
  call_audio_hook(OnOutputAudioHook, frame, pts_us, ost.enc_ctx.get());
}

void TFFmpegTask::pre_process_video_frame(TInputStream& ist, AVFrame* frame) {
  ++ist.frame_number;  // counts every decoded picture of the stream
  const bool video_hook = OnInputVideoHook && !FInputVideoHookStopped;
  if (!OnInputFrameHook && !video_hook) return;
  const int frame_number = ist.frame_number;
  const std::int64_t pts_us = ist.pts;
  if (ff::av_frame_make_writable(frame) < 0) {
    Log(TLogLevel::llError, "memory malloc error in pre_process_video_frame().");
    return;
  }
  if (OnInputFrameHook) call_frame_hook(OnInputFrameHook, frame, frame_number, pts_us);
  if (video_hook) call_video_hook(THookSide::Input, HookPictures().Input, frame, frame_number, pts_us);
}

void TFFmpegTask::output_video_hooks(TOutputStream&, AVFrame* frame, std::int64_t pts_us, int frame_number) {
  bool current = false;  // the output converter's bitmap shows this picture
  const bool video_hook = OnOutputVideoHook && !FOutputVideoHookStopped;
  if (video_hook || OnOutputFrameHook) {
    if (ff::av_frame_make_writable(frame) < 0) {
      Log(TLogLevel::llError, "hook buf malloc error.");
    } else {
      if (video_hook)
        current =
            call_video_hook(THookSide::Output, HookPictures().Output.Converter, frame, frame_number, pts_us);
      if (OnOutputFrameHook) call_frame_hook(OnOutputFrameHook, frame, frame_number, pts_us);
    }
  }
  run_post_hooks(frame, current, pts_us, frame_number);
}

void TFFmpegTask::call_frame_hook(const TFFFrameHookEvent& hook, AVFrame* frame, int frame_number,
                                  std::int64_t pts_us) {
  TAVPicture picture = PictureOf(frame);
  hook(this, picture, static_cast<AVPixelFormat>(frame->format), frame_number, frame->width, frame->height,
       pts_us);
}

bool TFFmpegTask::call_video_hook(THookSide side, TFormatConverter& converter, AVFrame* frame,
                                  int frame_number, std::int64_t pts_us) {
  const TFFVideoHookEvent& hook = side == THookSide::Input ? OnInputVideoHook : OnOutputVideoHook;
  bool& stopped = side == THookSide::Input ? FInputVideoHookStopped : FOutputVideoHookStopped;
  const auto format = static_cast<AVPixelFormat>(frame->format);
  bool current = converter.PictureToRGB(frame->data, frame->linesize, format, frame->width, frame->height,
                                        TBitmapCopy::bcCopy);
  bool stop = !current;
  if (!current) {
    Log(TLogLevel::llError, converter.LastErrMsg());
  } else if (hook) {
    bool update = true;
    try {
      hook(this, converter.Bitmap(), frame_number, pts_us, update, stop);
    } catch (const std::exception& e) {
      Log(TLogLevel::llError, std::string("Error occurs VideoHook event: ") + e.what());
      update = false;
    } catch (...) {
      Log(TLogLevel::llError, "Error occurs VideoHook event: unknown exception");
      update = false;
    }
    if (update) {
      converter.BitmapToRGB();
      if (converter.RGBPictureRef() &&
          !converter.RGBToPicture(frame->data, frame->linesize, format, frame->width, frame->height)) {
        Log(TLogLevel::llError, converter.LastErrMsg());
        stop = true;
      }
    } else if (!FPostHooks.Empty() || FPostHooksRequest.load() != kNoRequest) {
      // The handler may have drawn without asking for the picture to change:
      // the bitmap no longer shows the picture.
      current = false;
    }
  }
  if (stop) stopped = true;
  return current;
}

}  // namespace zentrova
