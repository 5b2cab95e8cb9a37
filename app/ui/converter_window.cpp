// TfrmConverter: construction, controls and their layout.
#include "app/ui/converter_window.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/ui/conversion_list_view.h"
#include "app/ui/decoder_source.h"
#include "app/ui/drop_watch.h"
#include "app/ui/option_dialog.h"
#include "app/ui/window_geometry.h"
#include "decoder/ridarivir.h"
#include "log/logger.h"
#include "qt/previewer_form.h"

namespace zentrova::ui {
namespace {

constexpr const char* kLogLevels[] = {
    QT_TRANSLATE_NOOP("TfrmConverter", "Quiet"),   QT_TRANSLATE_NOOP("TfrmConverter", "Panic"),
    QT_TRANSLATE_NOOP("TfrmConverter", "Fatal"),   QT_TRANSLATE_NOOP("TfrmConverter", "Error"),
    QT_TRANSLATE_NOOP("TfrmConverter", "Warning"), QT_TRANSLATE_NOOP("TfrmConverter", "Info"),
    QT_TRANSLATE_NOOP("TfrmConverter", "Verbose"), QT_TRANSLATE_NOOP("TfrmConverter", "Debug"),
    QT_TRANSLATE_NOOP("TfrmConverter", "Trace")};
constexpr int kDefaultLogLevel = 4;  // "Warning"
constexpr const char* kPriorities[] = {
    QT_TRANSLATE_NOOP("TfrmConverter", "Idle"), QT_TRANSLATE_NOOP("TfrmConverter", "Lowest"),
    QT_TRANSLATE_NOOP("TfrmConverter", "Lower"), QT_TRANSLATE_NOOP("TfrmConverter", "Normal")};
constexpr int kDefaultPriority = 3;  // "Normal"

/// The application's icon, drawn by the output hook: a blue disc with a
/// white play triangle (made here, so no file is needed at run time).
QImage ApplicationIcon() {
  QImage icon(32, 32, QImage::Format_ARGB32_Premultiplied);
  icon.fill(Qt::transparent);
  QPainter painter(&icon);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x1E, 0x6F, 0xD9));
  painter.drawEllipse(1, 1, 30, 30);
  painter.setBrush(Qt::white);
  const QPointF triangle[] = {{12, 9}, {24, 16}, {12, 23}};
  painter.drawPolygon(triangle, 3);
  return icon;
}

QGroupBox* RadioGroup(QWidget* parent, const char* caption, const char* const* items, int count, int selected,
                      QButtonGroup*& buttons) {
  auto* box = new QGroupBox(TfrmConverter::tr(caption), parent);
  buttons = new QButtonGroup(box);
  auto* layout = new QVBoxLayout(box);
  for (int i = 0; i < count; ++i) {
    auto* radio = new QRadioButton(TfrmConverter::tr(items[i]), box);
    buttons->addButton(radio, i);
    layout->addWidget(radio);
    if (i == selected) radio->setChecked(true);
  }
  box->setVisible(false);
  return box;
}

}  // namespace

QString ConverterCaption(const QString& home_page) {
  const QString caption = QStringLiteral("Zentrova v3.50");
  return home_page.isEmpty() ? caption : caption + QStringLiteral("   ") + home_page;
}

int TaskCountOf(const QString& text) {
  bool number = false;
  const int count = text.trimmed().toInt(&number, 10);
  return number && count >= 1 ? count : 1;
}

TfrmConverter::TfrmConverter(std::unique_ptr<IConverterEncoder> encoder, TWebPages pages, QWidget* parent)
    : QWidget(parent),
      encoder_(std::move(encoder)),
      decoder_(std::make_unique<TRIDarivir>()),
      frames_(std::make_unique<TDecoderFrameSource>(*decoder_)),
      logger_(std::make_unique<TZOVuzodi>()),
      hooks_(std::make_unique<TFrameHooks>(ApplicationIcon())),
      pages_(std::move(pages)) {
  decoder_->SetInputPolicy(TInputPolicy::LocalFiles);  // as the encoder's inputs
  setWindowTitle(ConverterCaption(pages_.HomePage));
  setWindowIcon(QIcon(QPixmap::fromImage(hooks_->Icon())));
  // A previewed task shows its pictures in a window of its own.
  InstallQtPreviewWindows();
  CreateControls();
  CreateHiddenControls();
  ConnectHandlers();

  drop_watch_ = new TDropWatch(this);
  drop_watch_->SetOnFilesDropped([this](TDropWatch*, const QStringList& files) { OpenFiles(files); });
  drop_watch_->SetWatchControl(this);
  option_dialog_ = new TfrmOption(this);
  SetState(TConverterState::Empty);
  AttachEvents();
  RestoreWindowGeometry(*this, QSize(1280, 800));
}

TfrmConverter::~TfrmConverter() {
  StopAdding();
  DetachEvents();
  encoder_->Stop(TStopWait::swWait);
}

QTableView* TfrmConverter::ListView() const {
  return lv_files_;
}

bool TfrmConverter::DropHintShown() const {
  return lv_files_->DropHintShown();
}

void TfrmConverter::CreateControls() {
  lv_files_ = new TConversionListView(this);
  list_ = new TConversionList(lv_files_);
  lv_files_->SetList(list_, TConversionList::kWidths.data(), TConversionList::kColumnCount,
                     TConversionList::kOutputNameColumn, TConversionList::kProgressColumn,
                     TConversionList::kPercentRole);
  lv_files_->setMinimumSize(640, 220);
  lbl_status_ = new QLabel(this);
  // Drops anywhere reach the window, which watches them.
  lv_files_->setAcceptDrops(false);
  lv_files_->viewport()->setAcceptDrops(false);

  btn_add_ = new QPushButton(tr("添加视频文件"), this);
  btn_remove_ = new QPushButton(tr("删除"), this);
  btn_clear_ = new QPushButton(tr("清空"), this);
  btn_start_ = new QPushButton(tr("开始"), this);
  btn_stop_ = new QPushButton(tr("停止"), this);
  btn_pause_ = new QPushButton(tr("暂停"), this);
  btn_resume_ = new QPushButton(tr("继续"), this);
  btn1_ = new QPushButton(tr("官方网站"), this);
  btn2_ = new QPushButton(tr("访问官网"), this);

  grp_option_ = new QGroupBox(tr("多线程模式"), this);
  auto* label1 = new QLabel(tr("线程数:"), grp_option_);
  edt_tasks_count_ = new QLineEdit(QStringLiteral("3"), grp_option_);
  edt_tasks_count_->setAcceptDrops(false);
  auto* option_layout = new QHBoxLayout(grp_option_);
  option_layout->addWidget(label1);
  option_layout->addWidget(edt_tasks_count_);

  lbl1_ = new QLabel(tr("输出日志:"), this);
  mmo_log_ = new QPlainTextEdit(this);
  mmo_log_->setReadOnly(true);
  mmo_log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmo_log_->setAcceptDrops(false);
  mmo_log_->viewport()->setAcceptDrops(false);
  mmo_log_->setMinimumHeight(180);

  lbl2_ = new QLabel(tr("Zentrova 组件库\n"
                        "TDERodorir: 多任务批量转换组件\n"
                        "TRIDarivir: 解码与逐帧预览组件"),
                     this);

  auto* buttons = new QVBoxLayout;
  for (QPushButton* button :
       {btn_add_, btn_remove_, btn_clear_, btn_start_, btn_stop_, btn_pause_, btn_resume_})
    buttons->addWidget(button);
  buttons->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addWidget(lv_files_, 1);
  top->addLayout(buttons);

  // The Preview switch beside the task count: usable while a batch runs.
  chk_preview_ = new QCheckBox(QCoreApplication::translate("TfrmConverter", "Preview"), this);
  chk_preview_->setToolTip(QCoreApplication::translate(
      "TfrmConverter", "Show the pictures of the running conversions in a window"));
  auto* task_row = new QHBoxLayout;
  task_row->addWidget(grp_option_);
  task_row->addWidget(chk_preview_);
  auto* side = new QVBoxLayout;
  side->addLayout(task_row);
  side->addWidget(btn1_);
  side->addWidget(btn2_);
  side->addStretch(1);
  side->addWidget(lbl2_);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(mmo_log_, 1);
  bottom->addLayout(side);

  auto* window = new QVBoxLayout(this);
  window->addLayout(top, 3);
  window->addWidget(lbl_status_);
  window->addWidget(lbl1_);
  window->addLayout(bottom, 2);

  popup_menu_ = new QMenu(this);
  mnu_add_ = popup_menu_->addAction(tr("Add"));
  mnu_remove_ = popup_menu_->addAction(tr("Remove"));
  mnu_clear_ = popup_menu_->addAction(tr("Clear"));
  popup_menu_->addSeparator();
  mnu_play_ = popup_menu_->addAction(tr("Play Output"));
  mnu_open_folder_ = popup_menu_->addAction(tr("Open Folder"));
}

void TfrmConverter::CreateHiddenControls() {
  // Present but never shown to the user: their settings keep their values.
  chk_thread_mode_ = new QCheckBox(tr("Thread Mode"), grp_option_);
  chk_thread_mode_->setChecked(true);
  chk_thread_mode_->setVisible(false);
  grp_log_level_ = RadioGroup(this, QT_TRANSLATE_NOOP("TfrmConverter", "Log Level"), kLogLevels, 9,
                              kDefaultLogLevel, log_levels_);
  grp_priority_ = RadioGroup(this, QT_TRANSLATE_NOOP("TfrmConverter", "Thread Priority"), kPriorities, 4,
                             kDefaultPriority, priorities_);
}

}  // namespace zentrova::ui
