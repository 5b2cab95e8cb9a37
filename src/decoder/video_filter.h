// The decoder's video filter chain: buffer source "in" -> the caller's
// filter text -> buffer sink "out", whose output keeps the decoder's pixel
// format. Rebuilt only when the text changes.
//
// Owned by one decoder; used on its thread. Needs avfilter bound.
#pragma once

#include <string>

#include "media/av_deleters.h"

namespace zentrova {

class TVideoFilter {
 public:
  /// `log_sender` names the owner in log lines (compared only).
  explicit TVideoFilter(const void* log_sender) : log_sender_(log_sender) {}

  /// Makes the graph match `text` for pictures of `codec` from `stream`.
  /// Nothing changes when `text` is the text of the current graph. An empty
  /// text frees the graph (pictures pass unfiltered). Otherwise builds a new
  /// graph; 0 on success, a negative library code on failure (no graph
  /// then, and the next call tries again).
  int Configure(const std::string& text, const AVCodecContext* codec, AVStream* stream,
                AVFormatContext* file);
  /// True when a graph is built.
  bool Active() const { return graph_ != nullptr; }
  /// Feeds a picture (the caller keeps its reference); negative on failure.
  int Push(AVFrame* frame);
  /// Takes one filtered picture into `out`: 0, AVERROR(EAGAIN) or AVERROR_EOF
  /// when none is ready, another negative code on failure.
  int Pull(AVFrame* out);
  /// Time base of the pictures `Pull` gives.
  AVRational OutputTimeBase() const;
  /// Frees the graph and forgets its text.
  void Reset();
  const std::string& LastText() const { return last_text_; }

 private:
  int Build(const std::string& text, const AVCodecContext* codec, AVStream* stream, AVFormatContext* file);

  const void* log_sender_;
  AVFilterGraphPtr graph_;
  AVFilterContext* source_ = nullptr;  // owned by graph_
  AVFilterContext* sink_ = nullptr;    // owned by graph_
  std::string last_text_;
};

}  // namespace zentrova
