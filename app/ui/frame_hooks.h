// The application's frame hooks: what a running task's pictures and sound
// can be made to show when the "Hook" boxes of the options dialog are on.
//
// Video input hook: "Video Input Hook" in red on the first 549 pictures.
// Video output hook, by picture number: the number (1-99), the pictures
// left alone (100-149), the time stamp (150-249), the application's icon
// (250-349), the picture flipped upside down (350-449) and left to right
// (450-549); from 550 on the hook asks to be called no more.
// Audio output hook: the left and the right channel of 16-bit sound are
// silenced in turn, each for five seconds of media time.
//
// Threads: the hooks run on the task's worker thread; they paint with
// QPainter on a QImage over the task's bitmap (never a widget) and keep no
// state, so several tasks may call them at once. Text and icon are drawn on
// 24- and 32-bit bitmaps (the hook bitmaps' default depth is 32); bitmaps of
// other depths get the flips only. The icon is rendered once,
// on the GUI thread, before any task runs.
#pragma once

#include <QImage>
#include <cstdint>
#include <string_view>

#include "picture/bitmap.h"

namespace zentrova::ui {

/// One call of a video hook: the task's picture as a bitmap, its number
/// (from 1) and time; `Update` false keeps the picture as it was, `StopHook`
/// true ends the hook's calls for the task.
struct TVideoHookCall {
  int TaskIndex = -1;
  TBitmap* Bitmap = nullptr;
  int FrameNumber = 0;
  std::int64_t PTS = 0;
  bool Update = true;
  bool StopHook = false;
};

/// One call of the audio output hook: the task's sound before encoding.
struct TAudioHookCall {
  int TaskIndex = -1;
  std::int64_t PTS = 0;                   ///< microseconds
  std::uint8_t* const* Planes = nullptr;  ///< one plane per channel when planar, else one
  int LineSize = 0;                       ///< bytes of each plane
  int Size = 0;                           ///< bytes of sample data (interleaved: in the first plane)
  int SampleRate = 0;
  int Channels = 0;
  int SampleFormat = -1;  ///< the media library's sample format number
};

/// The media library's numbers of the two sample formats the audio hook edits.
inline constexpr int kSampleFormatS16 = 1;
inline constexpr int kSampleFormatS16P = 6;

enum class TAudioHookResult {
  Edited,             ///< the samples were changed
  Mono,               ///< one channel: switch the hook off
  UnsupportedFormat,  ///< not 16-bit: switch the hook off
};

/// The message the user sees when the audio hook switches itself off.
inline constexpr std::string_view kMonoHookMessage = "Ignore mono for current audio hooking.";
inline constexpr std::string_view kSampleFormatHookMessage =
    "Unsupported sample format for current audio hooking.";

/// Bytes per pixel of a bitmap depth: 1, 2, 2, 3, 4. Throws
/// std::runtime_error "unsupported pixel format" for anything else.
int BytesPerPixel(TBMPPixelFormat format);
/// Exchanges rows i and height-1-i (the middle row of an odd height stays).
void FlipVertically(TBitmap& bitmap);
/// Exchanges pixels j and width-1-j of every row.
void FlipHorizontally(TBitmap& bitmap);

class TFrameHooks {
 public:
  /// `icon`: the application's icon, drawn on pictures 250-349.
  explicit TFrameHooks(QImage icon);

  void VideoInputHook(TVideoHookCall& call) const;
  /// Throws std::runtime_error "unsupported pixel format" from the flips
  /// for a bitmap of another depth.
  void VideoOutputHook(TVideoHookCall& call) const;
  /// Silences every other channel by five-second period of `PTS`: the
  /// even channels (left) in even periods, the odd ones (right) in odd ones.
  static TAudioHookResult AudioOutputHook(const TAudioHookCall& call);

  const QImage& Icon() const { return icon_; }

 private:
  QImage icon_;
};

}  // namespace zentrova::ui
