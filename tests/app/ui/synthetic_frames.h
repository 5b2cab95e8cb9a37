// A frame source made of numbered synthetic pictures, for the preview's
// stepping and seeking logic: picture i has time first_pts + i * interval_us
// and every pixel's blue, green and red bytes equal to (i * 7) mod 256.
// It records what it was asked, and its seeks can be made to fail.
#pragma once

#include <cstdint>
#include <vector>

#include "app/ui/frame_source.h"

namespace zentrova::test {

class SyntheticFrames : public ui::IFrameSource {
 public:
  SyntheticFrames(int count, std::int64_t interval_us, int width = 64, int height = 48,
                  std::int64_t first_pts = 0)
      : count_(count), interval_us_(interval_us), width_(width), height_(height), first_pts_(first_pts) {}

  bool DecodeNext() override;
  bool DecodePrevious() override;
  bool Seek(std::int64_t pts, ui::TPreviewSeek mode) override;
  std::int64_t CurrentPTS() const override { return first_pts_ + current_ * interval_us_; }
  bool CopyToBitmap(TBitmap& bitmap) override;

  /// The grey level of picture `index`.
  static std::uint8_t Level(int index) { return static_cast<std::uint8_t>(index * 7 % 256); }

  int Current() const { return current_; }
  /// Seeks with these modes fail.
  std::vector<ui::TPreviewSeek> failing_modes;
  /// Every seek asked for, in order.
  std::vector<ui::TPreviewSeek> seeks;
  int next_calls = 0;
  int previous_calls = 0;

 private:
  int count_;
  std::int64_t interval_us_;
  int width_, height_;
  std::int64_t first_pts_;
  int current_ = -1;  ///< -1: before the first picture
  int next_ = 0;      ///< the picture the next DecodeNext gives
};

}  // namespace zentrova::test
