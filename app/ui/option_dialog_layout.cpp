// TfrmOption's controls: creation, captions, layout and enable rules.
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTextDocument>
#include <QTextLayout>
#include <QVBoxLayout>
#include <cmath>
#include <vector>

#include "app/ui/clip_preview.h"
#include "app/ui/option_dialog.h"
#include "app/ui/source_summary.h"

namespace zentrova::ui {
namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// The frame sizes most people want, named plainly; the list shows them
/// first (after "Auto"), then every other size of the item table.
constexpr std::pair<std::string_view, const char*> kCommonFrameSizes[] = {
    {"1920x1080", "1920x1080 - 1080p (Full HD)"}, {"1280x720", "1280x720 - 720p (HD)"},
    {"852x480", "852x480 - 480p (wide SD)"},      {"640x480", "640x480 - 480p (4:3, VGA)"},
    {"320x240", "320x240 - 240p (QVGA)"},
};

/// "1280x720" of "1280x720 - hd720".
std::string_view SizeOf(std::string_view item) {
  return item.substr(0, item.find(' '));
}

/// The frame-size items: the default first, the common sizes, a separator,
/// the rest; each item's data is its index in the item table.
/// `default_text` is the default item in the window's language.
void FillFrameSizes(QComboBox* combo, const app::TChoiceGroup& sizes, const QString& default_text) {
  auto index_of = [&sizes](std::string_view size) {
    for (std::size_t i = 0; i < sizes.Items.size(); ++i)
      if (SizeOf(sizes.Items[i]) == size) return static_cast<int>(i);
    return -1;
  };
  auto common = [](std::string_view size) {
    for (const auto& [common_size, name] : kCommonFrameSizes)
      if (common_size == size) return true;
    return false;
  };
  combo->addItem(default_text, sizes.DefaultIndex);
  for (const auto& [size, name] : kCommonFrameSizes)
    if (const int index = index_of(size); index >= 0) combo->addItem(QString::fromUtf8(name), index);
  combo->insertSeparator(combo->count());
  for (std::size_t i = 0; i < sizes.Items.size(); ++i) {
    const int index = static_cast<int>(i);
    if (index != sizes.DefaultIndex && !common(SizeOf(sizes.Items[i])))
      combo->addItem(Text(sizes.Items[i]), index);
  }
  combo->setCurrentIndex(0);
}

/// Each check box enables exactly its companions.
void EnableWith(QCheckBox* check, std::vector<QWidget*> companions) {
  auto follow = [companions = std::move(companions)](bool checked) {
    for (QWidget* companion : companions) companion->setEnabled(checked);
  };
  follow(check->isChecked());
  QObject::connect(check, &QCheckBox::toggled, check, std::move(follow));
}

/// The height of `box` (scroll bars always on, no wrapping) that shows
/// `lines` lines without scrolling: lines as tall as those with Chinese
/// labels (their font is taller), the text's margins above and below, and the
/// pixel the view keeps free.
int HeightForLines(QPlainTextEdit* box, int lines) {
  QTextLayout sample(QStringLiteral("0 时长"), box->font(), box->viewport());
  sample.beginLayout();
  QTextLine line = sample.createLine();
  line.setLeadingIncluded(true);
  line.setLineWidth(1000);
  sample.endLayout();
  const qreal text = line.height() * lines + 2 * box->document()->documentMargin();
  return static_cast<int>(std::ceil(text)) + 1 + 2 * box->frameWidth() +
         box->horizontalScrollBar()->sizeHint().height();
}

}  // namespace

QWidget* TfrmOption::Hidden(QWidget* control) {
  control->setVisible(false);
  hidden_.push_back(control);
  return control;
}

QGroupBox* TfrmOption::CreateChoiceGroup(app::TChoice choice, int columns) {
  const app::TChoiceGroup& row = app::ChoiceGroup(choice);
  auto* box = new QGroupBox(OptionText(row.Caption), this);
  box->setObjectName(Text(row.Control));
  auto* buttons = new QButtonGroup(box);
  auto* grid = new QGridLayout(box);
  for (std::size_t i = 0; i < row.Items.size(); ++i) {
    auto* radio = new QRadioButton(OptionText(row.Items[i]), box);
    const int index = static_cast<int>(i);
    buttons->addButton(radio, index);
    grid->addWidget(radio, index / columns, index % columns);
    if (index == row.DefaultIndex) radio->setChecked(true);
  }
  choice_buttons_[static_cast<std::size_t>(choice)] = buttons;
  choice_boxes_[static_cast<std::size_t>(choice)] = box;
  if (!row.Shown) Hidden(box);
  return box;
}

TEffectControls TfrmOption::CreateEffect(const char* caption, int reset_value) {
  TEffectControls effect;
  effect.Check = new QCheckBox(tr(caption), grp_filters_);
  effect.Slider = new QSlider(Qt::Horizontal, grp_filters_);
  effect.Slider->setRange(app::kEffectSliderMin, app::kEffectSliderMax);
  effect.Slider->setValue(reset_value);
  effect.Slider->setMinimumWidth(200);
  effect.Reset = new QPushButton(tr("重置"), grp_filters_);
  QSlider* slider = effect.Slider;
  connect(effect.Reset, &QPushButton::clicked, slider,
          [slider, reset_value] { slider->setValue(reset_value); });
  EnableWith(effect.Check, {effect.Slider, effect.Reset});
  return effect;
}

TEdgeEdits TfrmOption::CreateEdgeEdits() {
  TEdgeEdits edits{};
  for (QLineEdit*& edit : edits) edit = new QLineEdit(QStringLiteral("0"), this);
  return edits;
}

void TfrmOption::CreateShownControls() {
  auto* info_box = new QGroupBox(tr("源视频文件信息"), this);
  info_ = new QPlainTextEdit(info_box);
  info_->setReadOnly(true);
  info_->setLineWrapMode(QPlainTextEdit::NoWrap);
  info_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  info_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  info_->setFixedHeight(HeightForLines(info_, kSourceSummaryMostLines));
  (new QVBoxLayout(info_box))->addWidget(info_);

  auto* volume_box = new QGroupBox(tr("音频音量"), this);
  chk_audio_volume_ = new QCheckBox(tr("调整音频音量"), volume_box);
  edt_audio_volume_ = new QLineEdit(QStringLiteral("256"), volume_box);
  edt_audio_volume_->setToolTip(tr("256=normal"));
  auto* volume_layout = new QHBoxLayout(volume_box);
  volume_layout->addWidget(chk_audio_volume_);
  volume_layout->addWidget(edt_audio_volume_);

  const app::TChoiceGroup& sizes = app::ChoiceGroup(app::TChoice::FrameSize);
  auto* size_box = new QGroupBox(OptionText(sizes.Caption), this);
  cbo_frame_size_ = new QComboBox(size_box);
  cbo_frame_size_->setObjectName(Text(sizes.Control));
  cbo_frame_size_->setEditable(false);
  FillFrameSizes(cbo_frame_size_, sizes,
                 OptionText(sizes.Items[static_cast<std::size_t>(sizes.DefaultIndex)]));
  (new QVBoxLayout(size_box))->addWidget(cbo_frame_size_);

  auto* rate_box = new QGroupBox(tr("码率 (Kbps)"), this);
  edt_video_bit_rate_ = new QLineEdit(QStringLiteral("200"), rate_box);
  edt_audio_bit_rate_ = new QLineEdit(QStringLiteral("128"), rate_box);
  auto* rate_layout = new QFormLayout(rate_box);
  rate_layout->addRow(tr("视频比特率"), edt_video_bit_rate_);
  rate_layout->addRow(tr("音频比特率"), edt_audio_bit_rate_);

  QGroupBox* frame_rate_box = CreateChoiceGroup(app::TChoice::FrameRate, 1);
  QGroupBox* aspect_box = CreateChoiceGroup(app::TChoice::AspectRatio, 1);

  grp_filters_ = new QGroupBox(tr("视频过滤器"), this);
  brightness_ = CreateEffect(QT_TRANSLATE_NOOP("TfrmOption", "亮度"), app::kBrightnessReset);
  saturation_ = CreateEffect(QT_TRANSLATE_NOOP("TfrmOption", "饱和度"), app::kSaturationReset);
  hue_ = CreateEffect(QT_TRANSLATE_NOOP("TfrmOption", "色调"), app::kHueReset);
  chk_water_mark_ = new QCheckBox(tr("设置水印:"), grp_filters_);
  edt_water_mark_ = new QLineEdit(grp_filters_);
  btn_water_mark_ = new QPushButton(tr("选择..."), grp_filters_);
  EnableWith(chk_water_mark_, {edt_water_mark_, btn_water_mark_});
  auto* filters = new QGridLayout(grp_filters_);
  int row = 0;
  for (const TEffectControls* effect : {&brightness_, &saturation_, &hue_}) {
    filters->addWidget(effect->Check, row, 0);
    filters->addWidget(effect->Slider, row, 1);
    filters->addWidget(effect->Reset, row, 2);
    ++row;
  }
  filters->addWidget(chk_water_mark_, row, 0);
  filters->addWidget(edt_water_mark_, row, 1);
  filters->addWidget(btn_water_mark_, row, 2);

  auto* out_label = new QLabel(tr("输出目录:"), this);
  edt_out_path_ = new QLineEdit(OutputFolderPlaceholder(), this);
  edt_out_path_->setReadOnly(true);
  btn_out_path_ = new QPushButton(tr("选择..."), this);
  btn_ok_ = new QPushButton(tr("确定"), this);
  btn_ok_->setDefault(true);
  connect(btn_ok_, &QPushButton::clicked, this, &TfrmOption::accept);
  // Esc and the window's close button reject too: the batch is not added.
  btn_cancel_ = new QPushButton(QCoreApplication::translate("TfrmOption", "Cancel"), this);
  connect(btn_cancel_, &QPushButton::clicked, this, &TfrmOption::reject);
  connect(btn_water_mark_, &QPushButton::clicked, this, [this] { btnSelectWaterMarkClick(); });
  connect(btn_out_path_, &QPushButton::clicked, this, [this] { btnOutPathClick(); });

  auto* left = new QVBoxLayout;
  left->addWidget(volume_box);
  left->addWidget(size_box);
  left->addWidget(rate_box);
  auto* out_row = new QHBoxLayout;
  out_row->addWidget(out_label);
  out_row->addWidget(edt_out_path_, 1);
  out_row->addWidget(btn_out_path_);
  auto* ok_row = new QHBoxLayout;
  ok_row->addStretch(1);
  ok_row->addWidget(btn_ok_);
  ok_row->addWidget(btn_cancel_);

  // The settings scroll when the screen is too small for them (a high scale
  // factor); the OK row stays in view below them.
  auto* content = new QWidget;
  auto* grid = new QGridLayout(content);
  grid->addWidget(info_box, 0, 0, 1, 3);
  grid->addLayout(left, 1, 0);
  grid->addWidget(frame_rate_box, 1, 1);
  grid->addWidget(aspect_box, 1, 2);
  grid->addWidget(grp_filters_, 2, 0, 1, 3);
  grid->addLayout(out_row, 3, 0, 1, 3);
  scroll_ = new QScrollArea(this);
  scroll_->setWidget(content);
  scroll_->setWidgetResizable(true);
  scroll_->setFrameShape(QFrame::NoFrame);
  auto* dialog = new QVBoxLayout(this);
  dialog->addWidget(scroll_, 1);
  dialog->addLayout(ok_row);
}

void TfrmOption::CreateHiddenControls() {
  CreateChoiceGroup(app::TChoice::OutputFormat, 4);
  CreateChoiceGroup(app::TChoice::Norm, 1);
  CreateChoiceGroup(app::TChoice::AudioChannels, 1);
  CreateChoiceGroup(app::TChoice::AudioSampleRate, 1);
  CreateChoiceGroup(app::TChoice::AudioCodec, 1);
  CreateChoiceGroup(app::TChoice::VideoCodec, 1);

  auto* crop_pad = new QGroupBox(QStringLiteral("Crop and Pad"), this);
  chk_crop_ = new QCheckBox(QStringLiteral("Crop"), crop_pad);
  chk_pad_ = new QCheckBox(QStringLiteral("Pad"), crop_pad);
  crop_edits_ = CreateEdgeEdits();
  pad_edits_ = CreateEdgeEdits();
  auto* crop_layout = new QGridLayout(crop_pad);
  crop_layout->addWidget(chk_crop_, 0, 1);
  crop_layout->addWidget(chk_pad_, 0, 2);
  const char* edges[] = {"Top", "Bottom", "Left", "Right"};
  for (int i = 0; i < 4; ++i) {
    crop_layout->addWidget(new QLabel(QString::fromUtf8(edges[i]), crop_pad), i + 1, 0);
    crop_layout->addWidget(crop_edits_[static_cast<std::size_t>(i)], i + 1, 1);
    crop_layout->addWidget(pad_edits_[static_cast<std::size_t>(i)], i + 1, 2);
  }
  EnableWith(chk_crop_, {crop_edits_[0], crop_edits_[1], crop_edits_[2], crop_edits_[3]});
  EnableWith(chk_pad_, {pad_edits_[0], pad_edits_[1], pad_edits_[2], pad_edits_[3]});
  Hidden(crop_pad);

  auto* hooks = new QGroupBox(QStringLiteral("Hook"), this);
  chk_video_input_hook_ = new QCheckBox(QStringLiteral("Video Input Hook"), hooks);
  chk_video_output_hook_ = new QCheckBox(QStringLiteral("Video Output Hook"), hooks);
  chk_audio_hook_ = new QCheckBox(QStringLiteral("Audio Hook"), hooks);
  auto* hook_layout = new QVBoxLayout(hooks);
  hook_layout->addWidget(chk_video_input_hook_);
  hook_layout->addWidget(chk_video_output_hook_);
  hook_layout->addWidget(chk_audio_hook_);
  Hidden(hooks);

  // Further video filters: inside the shown filter group, but not shown.
  chk_vert_flip_ = new QCheckBox(QStringLiteral("Vertically Flip"), grp_filters_);
  chk_hori_flip_ = new QCheckBox(QStringLiteral("Horizontally Flip"), grp_filters_);
  chk_negate_ = new QCheckBox(QStringLiteral("Negate"), grp_filters_);
  chk_deinterlace_ = new QCheckBox(QStringLiteral("Deinterlace"), grp_filters_);
  chk_rotate_ = new QCheckBox(QStringLiteral("Rotate"), grp_filters_);
  edt_rotate_ = new QLineEdit(QStringLiteral("45"), grp_filters_);
  EnableWith(chk_rotate_, {edt_rotate_});
  for (QWidget* control : {static_cast<QWidget*>(chk_vert_flip_), static_cast<QWidget*>(chk_hori_flip_),
                           static_cast<QWidget*>(chk_negate_), static_cast<QWidget*>(chk_deinterlace_),
                           static_cast<QWidget*>(chk_rotate_), static_cast<QWidget*>(edt_rotate_)})
    Hidden(control);

  chk_overwrite_ = new QCheckBox(QStringLiteral("Overwrite Existing File"), this);
  chk_overwrite_->setChecked(true);
  Hidden(chk_overwrite_);

  clip_ = new TClipPreview(state_, this);
  Hidden(clip_);
}

void TfrmOption::ConnectEnableRules() {
  EnableWith(chk_audio_volume_, {edt_audio_volume_});
}

}  // namespace zentrova::ui
