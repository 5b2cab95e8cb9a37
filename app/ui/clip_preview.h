// The options dialog's clip group "Cut a piece clip (seconds)": a preview of
// the source's pictures with a slider, the clip start and end marks and the
// "Cut Clip" box.
//
// The group is part of the dialog but not shown to the user; its logic runs
// all the same: every source's first picture is decoded into the preview and
// its time becomes the source's first picture time (which moves a clip's
// input seek), and the marks and "Cut Clip" feed the option builders.
//
// The group reads and writes the dialog's source state (clip marks, first
// picture time, duration, steps); the dialog owns that state and the frame
// source and outlives the group's use of them. GUI thread only.
#pragma once

#include <QGroupBox>
#include <QImage>
#include <cstdint>

#include "app/ui/frame_source.h"
#include "convert/source_state.h"
#include "picture/bitmap.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace zentrova::ui {

class TPreviewArea;

class TClipPreview : public QGroupBox {
 public:
  /// Size of the preview picture, pixels.
  static constexpr int kPreviewWidth = 240;
  static constexpr int kPreviewHeight = 180;
  /// The preview's fill while it shows no picture (sky blue).
  static constexpr QRgb kPreviewFill = 0xFFA6CAF0;

  TClipPreview(app::TSourceState& state, QWidget* parent);

  /// The source the preview decodes from; null for none.
  void SetSource(IFrameSource* source) { source_ = source; }

  /// Preview reset: time 0, no picture, the slider disabled at 0 and set
  /// up. `full` also clears the slider's selection, disables and unchecks
  /// "Cut Clip" and shows "N/A" in the start and end edits.
  void Reset(bool full);
  /// The slider's range and steps from the source's step count, keeping
  /// the thumb at the same relative place.
  void SliderSetup();
  /// Enables the slider (for a source whose duration is known).
  void SetSliderEnabled(bool enabled);
  /// Decodes the source's next picture and shows it; false when none came.
  bool DecodeAndShow();

  // The group's controls' actions (also reachable from tests).
  void TrackBar1Change(int position);
  void btnNextFrameClick();
  void btnStartTimeClick();
  void btnEndTimeClick();
  /// Shows the last picture at its own size in a modal window.
  void Image1Click();

  std::int64_t CurrentPTS() const { return FCurrentPTS; }
  const TBitmap& Picture() const { return FBitmap; }
  /// What the preview area shows.
  const QImage& PreviewImage() const;
  int SelectionStart() const { return selection_start_; }
  int SelectionEnd() const { return selection_end_; }

  QSlider* Slider() const { return slider_; }
  QLabel* TimeLabel() const { return time_label_; }
  QLineEdit* StartEdit() const { return start_edit_; }
  QLineEdit* EndEdit() const { return end_edit_; }
  QCheckBox* CutClip() const { return cut_clip_; }
  QPushButton* NextFrameButton() const { return next_frame_; }
  QPushButton* SetStartButton() const { return set_start_; }
  QPushButton* SetEndButton() const { return set_end_; }
  QWidget* PreviewArea() const;

 private:
  /// Shows the source's current picture: its time, the slider's place, the
  /// picture fitted into the preview.
  void ShowCurrentPicture();
  void ShowTime();
  std::int64_t TargetTime(int position) const;
  /// Seeks near `target` and decodes up to the first picture at or after it.
  void JumpTo(std::int64_t target);

  app::TSourceState& state_;
  IFrameSource* source_ = nullptr;
  TBitmap FBitmap;
  std::int64_t FCurrentPTS = 0;
  int FLastPosition = 0;
  bool FChanging = false;
  int selection_start_ = 0;
  int selection_end_ = 0;

  TPreviewArea* preview_ = nullptr;
  QSlider* slider_ = nullptr;
  QLabel* time_label_ = nullptr;
  QLineEdit* start_edit_ = nullptr;
  QLineEdit* end_edit_ = nullptr;
  QPushButton* set_start_ = nullptr;
  QPushButton* set_end_ = nullptr;
  QPushButton* next_frame_ = nullptr;
  QCheckBox* cut_clip_ = nullptr;
};

}  // namespace zentrova::ui
