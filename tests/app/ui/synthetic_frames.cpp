#include "synthetic_frames.h"

#include <algorithm>

namespace zentrova::test {

bool SyntheticFrames::DecodeNext() {
  ++next_calls;
  if (next_ >= count_) return false;
  current_ = next_++;
  return true;
}

bool SyntheticFrames::DecodePrevious() {
  ++previous_calls;
  if (current_ <= 0) return false;
  --current_;
  next_ = current_ + 1;
  return true;
}

bool SyntheticFrames::Seek(std::int64_t pts, ui::TPreviewSeek mode) {
  seeks.push_back(mode);
  if (std::find(failing_modes.begin(), failing_modes.end(), mode) != failing_modes.end()) return false;
  // Every fourth picture is a key frame; a plain seek lands on the key frame
  // at or after the time, the others at or before it.
  const std::int64_t index = std::clamp<std::int64_t>((pts - first_pts_) / interval_us_, 0, count_ - 1);
  std::int64_t key = index / 4 * 4;
  if (mode == ui::TPreviewSeek::Plain && key < index) key += 4;
  if (mode == ui::TPreviewSeek::Any) key = index;
  if (key >= count_) return false;
  next_ = static_cast<int>(key);
  current_ = -1;
  return true;
}

bool SyntheticFrames::CopyToBitmap(TBitmap& bitmap) {
  if (current_ < 0) return false;
  bitmap.SetPixelFormat(TBMPPixelFormat::pf32bit);
  bitmap.SetSize(width_, height_);
  if (bitmap.Empty()) return true;
  bitmap.Fill(Level(current_));
  return true;
}

}  // namespace zentrova::test
