// TfrmOption: the modal options dialog "视频输出选项" that the main window
// shows once per batch of added files.
//
// The dialog shows the source's stream information and the settings a user
// changes (volume, frame size, frame rate, aspect ratio, bit rates,
// brightness, saturation, hue, watermark, output folder). It also carries
// the controls the user does not see (output formats, norms, channels,
// sample rates, codecs, crop and pad, flips, rotation, deinterlacing, hooks,
// overwrite, and the clip group with its preview): they keep their values
// and their logic runs. `Settings()` reads every control into the plain
// settings record; the option strings are built from it by src/convert.
//
// Ownership: one dialog for the process, owned by the main window. The frame
// source given to `AssignSource` stays the caller's and must stay alive
// while the dialog may use it (until the next `AssignSource`).
// GUI thread only.
#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <array>
#include <vector>

#include "app/ui/choosers.h"
#include "app/ui/frame_source.h"
#include "app/ui/optical_disc.h"
#include "convert/build_env.h"
#include "convert/output_settings.h"
#include "convert/source_state.h"
#include "encoder/task_options.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSlider;

namespace zentrova::ui {

class TClipPreview;

/// What `AssignSource` does with a message about the source.
enum class TSourceMessage {
  Show,    ///< in a message box
  Return,  ///< to the caller (a batch tells them together)
};

/// One edge set of the crop or pad group: Top, Bottom, Left, Right.
using TEdgeEdits = std::array<QLineEdit*, 4>;

/// A check box with a slider and its "重置" button.
struct TEffectControls {
  QCheckBox* Check = nullptr;
  QSlider* Slider = nullptr;
  QPushButton* Reset = nullptr;
};

class TfrmOption : public QDialog {
  Q_DECLARE_TR_FUNCTIONS(TfrmOption)

 public:
  explicit TfrmOption(QWidget* parent = nullptr);
  ~TfrmOption() override;

  /// Takes over a probed source: the information text, the video bit rate,
  /// the stream indexes, the slider, and the source's first picture decoded
  /// into the preview. The same source again (name, duration and start time
  /// equal) keeps the clip marks and first picture time. When the stream
  /// line has no bit rate, "码率信息严重错误!" (after the file's name) is
  /// shown, or returned with `TSourceMessage::Return`, and the rest still
  /// runs. `frames` may be null (nothing is decoded). Returns the message
  /// that was not shown, or an empty text.
  QString AssignSource(const app::TSourceProbe& probe, IFrameSource* frames,
                       TSourceMessage message = TSourceMessage::Show);

  /// Every control's value, shown or not.
  app::OutputSettings Settings() const;
  /// The source facts the builders read (clip marks, first picture time...).
  const app::TSourceState& SourceState() const { return state_; }
  /// The task's records for the current source.
  TInputOptions BuildInputOptions() const;
  TOutputOptions BuildOutputOptions(const app::BuildEnv& env) const;

  /// Closes with OK unless the output would go to an optical disc, or a bit
  /// rate or the volume (when used) is not a number; then tells the user,
  /// naming the field, and stays open.
  void accept() override;

  // Replaceable platform services (tests).
  void SetOpticalDiscTest(TOpticalDiscTest test) { optical_disc_ = std::move(test); }
  void SetFolderChooser(TFolderChooser chooser) { choose_folder_ = std::move(chooser); }
  void SetFileChooser(TFileChooser chooser) { choose_file_ = std::move(chooser); }

  // The controls, for the main window's tests and the screenshot script.
  QPlainTextEdit* InfoText() const { return info_; }
  QCheckBox* AudioVolumeCheck() const { return chk_audio_volume_; }
  QLineEdit* AudioVolumeEdit() const { return edt_audio_volume_; }
  QComboBox* FrameSizeCombo() const { return cbo_frame_size_; }
  QButtonGroup* ChoiceButtons(app::TChoice choice) const;
  QGroupBox* ChoiceBox(app::TChoice choice) const;
  QLineEdit* VideoBitRateEdit() const { return edt_video_bit_rate_; }
  QLineEdit* AudioBitRateEdit() const { return edt_audio_bit_rate_; }
  const TEffectControls& Brightness() const { return brightness_; }
  const TEffectControls& Saturation() const { return saturation_; }
  const TEffectControls& Hue() const { return hue_; }
  QCheckBox* WaterMarkCheck() const { return chk_water_mark_; }
  QLineEdit* WaterMarkEdit() const { return edt_water_mark_; }
  QPushButton* WaterMarkButton() const { return btn_water_mark_; }
  QLineEdit* OutPathEdit() const { return edt_out_path_; }
  QPushButton* OutPathButton() const { return btn_out_path_; }
  QPushButton* OkButton() const { return btn_ok_; }
  /// Closes without OK: the main window adds nothing of the batch.
  QPushButton* CancelButton() const { return btn_cancel_; }
  /// The shown settings, scrolling when the screen is too small for them.
  QScrollArea* SettingsArea() const { return scroll_; }
  QCheckBox* CropCheck() const { return chk_crop_; }
  const TEdgeEdits& CropEdits() const { return crop_edits_; }
  QCheckBox* PadCheck() const { return chk_pad_; }
  const TEdgeEdits& PadEdits() const { return pad_edits_; }
  QCheckBox* RotateCheck() const { return chk_rotate_; }
  QLineEdit* RotateEdit() const { return edt_rotate_; }
  QCheckBox* VertFlipCheck() const { return chk_vert_flip_; }
  QCheckBox* HoriFlipCheck() const { return chk_hori_flip_; }
  QCheckBox* NegateCheck() const { return chk_negate_; }
  QCheckBox* DeinterlaceCheck() const { return chk_deinterlace_; }
  QCheckBox* VideoInputHookCheck() const { return chk_video_input_hook_; }
  QCheckBox* VideoOutputHookCheck() const { return chk_video_output_hook_; }
  QCheckBox* AudioHookCheck() const { return chk_audio_hook_; }
  QCheckBox* OverwriteCheck() const { return chk_overwrite_; }
  TClipPreview* ClipGroup() const { return clip_; }
  /// Every control the user does not see (groups and boxes).
  const std::vector<QWidget*>& HiddenControls() const { return hidden_; }

  // The buttons' actions.
  void btnSelectWaterMarkClick();
  void btnOutPathClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CreateShownControls();
  void CreateHiddenControls();
  void ConnectEnableRules();
  QGroupBox* CreateChoiceGroup(app::TChoice choice, int columns);
  TEffectControls CreateEffect(const char* caption, int reset_value);
  TEdgeEdits CreateEdgeEdits();
  QWidget* Hidden(QWidget* control);
  /// A text of the shared builders (src/convert: captions, placeholder, messages) in the window's language.
  static QString OptionText(std::string_view text);
  /// The output-folder edit's text while no folder is chosen, in the window's language.
  static QString OutputFolderPlaceholder();
  /// The output-folder edit holds a chosen folder, not the placeholder.
  bool OutputFolderChosen() const;
  /// The folder whose volume the OK check looks at.
  QString OutputCheckPath() const;
  /// False (after telling the user and focusing the field) when a number
  /// field the options use holds something else.
  bool CheckNumberFields();

  app::TSourceState state_;
  IFrameSource* frames_ = nullptr;
  TOpticalDiscTest optical_disc_ = IsOnOpticalDisc;
  TFolderChooser choose_folder_ = browse_for_folder;
  TFileChooser choose_file_ = ChooseOpenFile;

  QPlainTextEdit* info_ = nullptr;
  QCheckBox* chk_audio_volume_ = nullptr;
  QLineEdit* edt_audio_volume_ = nullptr;
  QComboBox* cbo_frame_size_ = nullptr;
  std::array<QButtonGroup*, 9> choice_buttons_{};
  std::array<QGroupBox*, 9> choice_boxes_{};
  QLineEdit* edt_video_bit_rate_ = nullptr;
  QLineEdit* edt_audio_bit_rate_ = nullptr;
  TEffectControls brightness_;
  TEffectControls saturation_;
  TEffectControls hue_;
  QCheckBox* chk_water_mark_ = nullptr;
  QLineEdit* edt_water_mark_ = nullptr;
  QPushButton* btn_water_mark_ = nullptr;
  QLineEdit* edt_out_path_ = nullptr;
  QPushButton* btn_out_path_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  QPushButton* btn_ok_ = nullptr;
  QPushButton* btn_cancel_ = nullptr;
  QGroupBox* grp_filters_ = nullptr;

  QCheckBox* chk_crop_ = nullptr;
  TEdgeEdits crop_edits_{};
  QCheckBox* chk_pad_ = nullptr;
  TEdgeEdits pad_edits_{};
  QCheckBox* chk_rotate_ = nullptr;
  QLineEdit* edt_rotate_ = nullptr;
  QCheckBox* chk_vert_flip_ = nullptr;
  QCheckBox* chk_hori_flip_ = nullptr;
  QCheckBox* chk_negate_ = nullptr;
  QCheckBox* chk_deinterlace_ = nullptr;
  QCheckBox* chk_video_input_hook_ = nullptr;
  QCheckBox* chk_video_output_hook_ = nullptr;
  QCheckBox* chk_audio_hook_ = nullptr;
  QCheckBox* chk_overwrite_ = nullptr;
  TClipPreview* clip_ = nullptr;
  std::vector<QWidget*> hidden_;
};

}  // namespace zentrova::ui
