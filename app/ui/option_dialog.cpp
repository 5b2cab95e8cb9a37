#include "app/ui/source_summary.h"
#include "app/ui/option_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QSlider>
#include <QStringList>
#include <cmath>

#include "app/ui/clip_preview.h"
#include "app/ui/file_filter.h"
#include "app/ui/message_box.h"
#include "convert/option_builder.h"

namespace zentrova::ui {
namespace {

std::string Std(const QString& text) {
  return text.toStdString();
}

// A whole number of at least 0, or (not `whole`) a finite number above 0.
bool IsNumber(const QString& text, bool whole) {
  bool ok = false;
  if (whole) return text.trimmed().toLongLong(&ok) >= 0 && ok;
  const double value = text.trimmed().toDouble(&ok);
  return ok && std::isfinite(value) && value > 0;
}

app::TEdgeTexts EdgeTexts(const TEdgeEdits& edits) {
  app::TEdgeTexts texts;
  texts.Top = Std(edits[0]->text());
  texts.Bottom = Std(edits[1]->text());
  texts.Left = Std(edits[2]->text());
  texts.Right = Std(edits[3]->text());
  return texts;
}

}  // namespace

QString TfrmOption::OptionText(std::string_view text) {
  return QCoreApplication::translate("zentrova::app", std::string(text).c_str());
}

QString TfrmOption::OutputFolderPlaceholder() {
  return OptionText(app::kOutputFolderPlaceholder);
}

bool TfrmOption::OutputFolderChosen() const {
  return edt_out_path_->text() != OutputFolderPlaceholder();
}

TfrmOption::TfrmOption(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
  setWindowTitle(tr("视频输出选项"));
  setModal(true);
  CreateShownControls();
  CreateHiddenControls();
  ConnectEnableRules();
}

TfrmOption::~TfrmOption() = default;

QButtonGroup* TfrmOption::ChoiceButtons(app::TChoice choice) const {
  return choice_buttons_[static_cast<std::size_t>(choice)];
}

QGroupBox* TfrmOption::ChoiceBox(app::TChoice choice) const {
  return choice_boxes_[static_cast<std::size_t>(choice)];
}

QString TfrmOption::AssignSource(const app::TSourceProbe& probe, IFrameSource* frames,
                                 TSourceMessage message) {
  app::OutputSettings settings = Settings();
  const app::TAssignResult result = app::AssignSource(state_, probe, settings);
  frames_ = frames;
  clip_->SetSource(frames);
  clip_->Reset(result.FullReset);

  edt_video_bit_rate_->setText(QString::fromStdString(settings.VideoBitRate));
  info_->setPlainText(SourceSummaryLines(probe, edt_video_bit_rate_->text()).join('\n'));
  // The remaining steps still run after the message: the file is added
  // with the bit rate the edit holds. The message names the file (a batch
  // of dropped files shows one per file).
  QString text;
  if (!result.Message.empty())
    text = QFileInfo(QString::fromStdString(probe.FileName)).fileName() + QStringLiteral(": ") +
           OptionText(result.Message);
  if (!text.isEmpty() && message == TSourceMessage::Show) {
    ShowMessage(this, QMessageBox::NoIcon, text);
    text.clear();
  }

  clip_->SetSliderEnabled(state_.SliderEnabled);
  if (state_.VideoStreamIndex >= 0) clip_->DecodeAndShow();
  clip_->SliderSetup();
  return text;
}

app::OutputSettings TfrmOption::Settings() const {
  auto chosen = [this](app::TChoice choice) {
    return app::ValidIndex(choice, ChoiceButtons(choice)->checkedId());
  };
  app::OutputSettings s;
  s.Format = static_cast<app::TOutputFormat>(chosen(app::TChoice::OutputFormat));
  s.Norm = static_cast<app::TNorm>(chosen(app::TChoice::Norm));
  s.AudioChannels = static_cast<app::TAudioChannels>(chosen(app::TChoice::AudioChannels));
  s.AudioSampleRate = chosen(app::TChoice::AudioSampleRate);
  s.FrameSize = app::ValidIndex(app::TChoice::FrameSize, cbo_frame_size_->currentData().toInt());
  s.FrameRate = chosen(app::TChoice::FrameRate);
  s.AspectRatio = chosen(app::TChoice::AspectRatio);
  s.AudioCodec = static_cast<app::TAudioCodec>(chosen(app::TChoice::AudioCodec));
  s.VideoCodec = static_cast<app::TVideoCodec>(chosen(app::TChoice::VideoCodec));

  s.AudioVolume = chk_audio_volume_->isChecked();
  s.AudioVolumeText = Std(edt_audio_volume_->text());
  s.VideoBitRate = Std(edt_video_bit_rate_->text());
  s.AudioBitRate = Std(edt_audio_bit_rate_->text());

  s.Crop = chk_crop_->isChecked();
  s.CropEdges = EdgeTexts(crop_edits_);
  s.Pad = chk_pad_->isChecked();
  s.PadEdges = EdgeTexts(pad_edits_);

  s.CutClipEnabled = clip_->CutClip()->isEnabledTo(clip_);
  s.CutClipChecked = clip_->CutClip()->isChecked();

  s.VideoInputHook = chk_video_input_hook_->isChecked();
  s.VideoOutputHook = chk_video_output_hook_->isChecked();
  s.AudioHook = chk_audio_hook_->isChecked();

  s.VertFlip = chk_vert_flip_->isChecked();
  s.HoriFlip = chk_hori_flip_->isChecked();
  s.Negate = chk_negate_->isChecked();
  s.Deinterlace = chk_deinterlace_->isChecked();
  s.Rotate = chk_rotate_->isChecked();
  s.RotateText = Std(edt_rotate_->text());
  s.Brightness = brightness_.Check->isChecked();
  s.BrightnessPosition = brightness_.Slider->value();
  s.Saturation = saturation_.Check->isChecked();
  s.SaturationPosition = saturation_.Slider->value();
  s.Hue = hue_.Check->isChecked();
  s.HuePosition = hue_.Slider->value();

  s.WaterMark = chk_water_mark_->isChecked();
  s.WaterMarkFile = Std(edt_water_mark_->text());
  s.OutPath = OutputFolderChosen() ? Std(edt_out_path_->text()) : std::string(app::kOutputFolderPlaceholder);
  s.Overwrite = chk_overwrite_->isChecked();
  return s;
}

TInputOptions TfrmOption::BuildInputOptions() const {
  return app::BuildInputOptions(Settings(), state_.Facts());
}

TOutputOptions TfrmOption::BuildOutputOptions(const app::BuildEnv& env) const {
  return app::BuildOutputOptions(Settings(), state_.Facts(), env);
}

void TfrmOption::btnSelectWaterMarkClick() {
  const QString chosen = choose_file_(this, QtFileFilter(kWaterMarkFileFilter), edt_water_mark_->text());
  if (!chosen.isEmpty()) edt_water_mark_->setText(chosen);
}

void TfrmOption::btnOutPathClick() {
  const QString current = edt_out_path_->text();
  const QString initial =
      OutputFolderChosen() ? current : QFileInfo(QString::fromStdString(state_.FileName)).absolutePath();
  const QString chosen = choose_folder_(this, tr("Select Output Folder"), initial);
  if (chosen.isEmpty()) return;
  if (optical_disc_(chosen)) {
    ShowMessage(this, QMessageBox::Information, tr("Output folder cannot be located in CD-ROM."));
    return;
  }
  edt_out_path_->setText(chosen);
}

QString TfrmOption::OutputCheckPath() const {
  if (OutputFolderChosen()) return edt_out_path_->text();
  return QString::fromStdString(state_.FileName);
}

void TfrmOption::accept() {
  if (optical_disc_(OutputCheckPath())) {
    ShowMessage(this, QMessageBox::Information, tr("输入文件夹位于光盘, 请选择选择一个输出目录."));
    btn_out_path_->setFocus();
    return;
  }
  if (!CheckNumberFields()) return;
  QDialog::accept();
}

bool TfrmOption::CheckNumberFields() {
  struct TNumberField {
    QLineEdit* Edit;
    const char* Caption;
    bool Whole;
    bool Used;
  };
  const TNumberField fields[] = {
      {edt_video_bit_rate_, QT_TRANSLATE_NOOP("TfrmOption", "视频比特率 (video bit rate, kb/s)"), false,
       true},
      {edt_audio_bit_rate_, QT_TRANSLATE_NOOP("TfrmOption", "音频比特率 (audio bit rate, kb/s)"), false,
       true},
      {edt_audio_volume_, QT_TRANSLATE_NOOP("TfrmOption", "调整音频音量 (volume, 256 = unchanged)"), true,
       chk_audio_volume_->isChecked()},
  };
  for (const TNumberField& field : fields) {
    if (!field.Used || IsNumber(field.Edit->text(), field.Whole)) continue;
    ShowMessage(this, QMessageBox::Warning,
                tr("%1: \"%2\" is not a number.").arg(tr(field.Caption), field.Edit->text()));
    field.Edit->setFocus();
    field.Edit->selectAll();
    return false;
  }
  return true;
}

void TfrmOption::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QScreen* shown_on = screen()) {
    // As large as the settings want, as long as the screen has room.
    const QRect room = shown_on->availableGeometry();
    const QSize frame = frameGeometry().size() - geometry().size();
    const QMargins margins = layout()->contentsMargins();
    QSize wanted = scroll_->widget()->sizeHint();
    // Room for a vertical scroll bar, so that a scrolling dialog needs no horizontal one.
    wanted.rwidth() += margins.left() + margins.right() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    wanted.rheight() += margins.top() + margins.bottom() + layout()->spacing() + btn_ok_->sizeHint().height();
    resize(wanted.boundedTo(room.size() - frame));
    QRect placed = frameGeometry();
    placed.moveCenter(room.center());
    move(placed.topLeft());
  }
}

}  // namespace zentrova::ui
