// TfrmConverter: adding files, the command buttons, the popup menu and the
// encoder's events.
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QShortcut>
#include <exception>
#include <utility>

#include "app/ui/added_files.h"
#include "app/ui/batch_status.h"
#include "app/ui/conversion_list_view.h"
#include "app/ui/converter_window.h"
#include "app/ui/decoder_source.h"
#include "app/ui/drop_watch.h"
#include "app/ui/file_filter.h"
#include "app/ui/file_prober.h"
#include "app/ui/log_line.h"
#include "app/ui/message_box.h"
#include "app/ui/list_texts.h"
#include "app/ui/option_dialog.h"
#include "convert/build_env.h"
#include "convert/library_names.h"
#include "app/ui/window_geometry.h"
#include "decoder/ridarivir.h"
#include "log/logger.h"

namespace zentrova::ui {
namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

QStringList ChooseMediaFiles(QWidget* parent, const QString& title, const QString& filter) {
  return QFileDialog::getOpenFileNames(parent, title, QString(), filter, nullptr,
                                       QFileDialog::DontUseNativeDialog);
}

/// Opens a file or folder with the desktop's handler for it.
void OpenWithDesktop(const QString& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace

void TfrmConverter::ConnectHandlers() {
  auto on_click = [this](QPushButton* button, const char* what, void (TfrmConverter::*handler)()) {
    connect(button, &QPushButton::clicked, this,
            [this, what, handler] { Guard(what, [&] { (this->*handler)(); }); });
  };
  on_click(btn_add_, "btnAddClick", &TfrmConverter::btnAddClick);
  on_click(btn_remove_, "btnRemoveClick", &TfrmConverter::btnRemoveClick);
  on_click(btn_clear_, "btnClearClick", &TfrmConverter::btnClearClick);
  on_click(btn_start_, "btnStartClick", &TfrmConverter::btnStartClick);
  on_click(btn_stop_, "btnStopClick", &TfrmConverter::btnStopClick);
  on_click(btn_pause_, "btnPauseClick", &TfrmConverter::btnPauseClick);
  on_click(btn_resume_, "btnResumeClick", &TfrmConverter::btnResumeClick);
  connect(btn1_, &QPushButton::clicked, this, [this] { QDesktopServices::openUrl(pages_.First); });
  connect(btn2_, &QPushButton::clicked, this, [this] { QDesktopServices::openUrl(pages_.Second); });
  connect(chk_preview_, &QCheckBox::toggled, this,
          [this](bool checked) { Guard("chkPreviewClick", [&] { encoder_->SetPreview(checked); }); });
  connect(log_levels_, &QButtonGroup::idClicked, this, [this](int index) {
    Guard("grpLogLevelClick", [&] { logger_->SetLogLevel(static_cast<TLogLevel>(index)); });
  });

  auto on_menu = [this](QAction* action, const char* what, void (TfrmConverter::*handler)()) {
    connect(action, &QAction::triggered, this,
            [this, what, handler] { Guard(what, [&] { (this->*handler)(); }); });
  };
  on_menu(mnu_add_, "btnAddClick", &TfrmConverter::btnAddClick);
  on_menu(mnu_remove_, "btnRemoveClick", &TfrmConverter::btnRemoveClick);
  on_menu(mnu_clear_, "btnClearClick", &TfrmConverter::btnClearClick);
  on_menu(mnu_play_, "mnuPlayClick", &TfrmConverter::mnuPlayClick);
  on_menu(mnu_open_folder_, "mnuOpenFolderClick", &TfrmConverter::mnuOpenFolderClick);
  connect(popup_menu_, &QMenu::aboutToShow, this,
          [this] { Guard("PopupMenu1Popup", [&] { PopupMenu1Popup(); }); });
  connect(lv_files_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { popup_menu_->popup(lv_files_->viewport()->mapToGlobal(at)); });
  ConnectKeyboard();
}

void TfrmConverter::ConnectKeyboard() {
  // Tab leaves the list for the buttons instead of walking its cells.
  lv_files_->setTabKeyNavigation(false);
  auto* remove = new QShortcut(QKeySequence::Delete, lv_files_, nullptr, nullptr, Qt::WidgetShortcut);
  connect(remove, &QShortcut::activated, this, [this] {
    if (btn_remove_->isEnabled()) Guard("btnRemoveClick", [&] { btnRemoveClick(); });
  });
  // Enter (or a double click) on a row plays its output once it is there.
  connect(lv_files_, &QAbstractItemView::activated, this,
          [this](const QModelIndex& index) { Guard("mnuPlayClick", [&] { PlayRow(index.row()); }); });
}

void TfrmConverter::AttachEvents() {
  encoder_->SetOnProgress(
      [this](const TProgressInfo& p) { Guard("DERodorirProgress", [&] { DERodorirProgress(p); }); });
  encoder_->SetOnTerminate(
      [this](const TTerminateInfo& t) { Guard("DERodorirTerminate", [&] { DERodorirTerminate(t); }); });
  const TFrameHooks* hooks = hooks_.get();
  encoder_->SetOnVideoInputHook([hooks](TVideoHookCall& call) { hooks->VideoInputHook(call); });
  encoder_->SetOnVideoOutputHook([hooks](TVideoHookCall& call) { hooks->VideoOutputHook(call); });
  encoder_->SetOnAudioOutputHook([this](const TAudioHookCall& call) { DERodorirAudioOutputHook(call); });
  logger_->SetOnLog([this](const void*, int thread_id, TLogLevel level, const std::string& message) {
    AddLog(Text(LogPaneLine(thread_id, level, message)));
  });
}

void TfrmConverter::DetachEvents() {
  encoder_->SetOnVideoInputHook(nullptr);
  encoder_->SetOnVideoOutputHook(nullptr);
  encoder_->SetOnAudioOutputHook(nullptr);
  encoder_->SetOnProgress(nullptr);
  encoder_->SetOnTerminate(nullptr);
}

bool TfrmConverter::LoadLibraries(const std::string& library_folder) {
  if (encoder_->AVLibLoaded() || encoder_->LoadAVLib(library_folder)) {
    // The log pane starts at the chosen level ("Warning"): the library's
    // warnings and errors, not the encoders' statistics.
    logger_->SetLogLevel(static_cast<TLogLevel>(std::max(0, log_levels_->checkedId())));
    logger_->ApplyLogLevel();
    return true;
  }
  AddLogBlock(Text(encoder_->LastErrMsg()));
  ShowMessage(this, QMessageBox::Critical, tr("无法加载解码库!"));
  return false;
}

void TfrmConverter::Guard(const char* what, const std::function<void()>& action) {
  QString message;
  try {
    action();
    return;
  } catch (const std::exception& error) {
    message = QString::fromUtf8(error.what());
  } catch (...) {
    message = tr("unknown error");
  }
  AddLogBlock(QStringLiteral("***%1: %2").arg(QString::fromUtf8(what), message));
  ShowMessage(this, QMessageBox::Warning, message);
}

void TfrmConverter::SetState(TConverterState state) {
  buttons_ = ButtonStates(state);
  state_ = state;
  btn_add_->setEnabled(buttons_.Add);
  btn_remove_->setEnabled(buttons_.Remove);
  // Clear also stops a batch being added, before its first row too.
  btn_clear_->setEnabled(buttons_.Clear || Adding());
  // A run starts once the batch being added has ended.
  btn_start_->setEnabled(buttons_.Start && !Adding());
  btn_stop_->setEnabled(buttons_.Stop);
  btn_pause_->setEnabled(buttons_.Pause);
  btn_resume_->setEnabled(buttons_.Resume);
  if (buttons_.TaskCount) grp_option_->setEnabled(*buttons_.TaskCount);
  // Files are taken only while they can be added.
  drop_watch_->SetEnabled(buttons_.Add);
  if (state == TConverterState::Empty) lv_files_->ShowDropHint();
  UpdateStatusLine();
}

void TfrmConverter::UpdateStatusLine() {
  TBatchRun run = TBatchRun::Ended;
  if (state_ == TConverterState::Running || state_ == TConverterState::Resumed) run = TBatchRun::Going;
  if (state_ == TConverterState::Paused || state_ == TConverterState::Stopping) run = TBatchRun::Held;
  const std::int64_t elapsed_ms =
      run_took_ms_ >= 0 ? run_took_ms_ : (run_clock_.isValid() ? run_clock_.elapsed() : -1);
  QString text = BatchStatusText(*list_, elapsed_ms, run);
  if (state_ == TConverterState::Paused)
    text += QStringLiteral(" · ") + QCoreApplication::translate("TfrmConverter", "paused");
  if (state_ == TConverterState::Stopping)
    text += QStringLiteral(" · ") + QCoreApplication::translate("TfrmConverter", "stopping…");
  if (Adding())
    text += QStringLiteral(" · ") + QCoreApplication::translate("TfrmConverter", "Adding %1 of %2")
                                        .arg(batch_.Done)
                                        .arg(prober_->Total());
  lbl_status_->setText(text);
}

void TfrmConverter::AddLog(const QString& line) {
  // appendPlainText adds nothing for an empty line to an empty pane: the
  // empty lines that open the log are kept by adding the block by hand.
  if (mmo_log_->document()->isEmpty() && log_lines_ > 0) {
    QTextCursor cursor(mmo_log_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertBlock();
    cursor.insertText(line);
  } else {
    mmo_log_->appendPlainText(line);
  }
  ++log_lines_;
}

void TfrmConverter::AddLogBlock(const QString& message) {
  AddLog(QString());
  AddLog(message);
  AddLog(QString());
}

void TfrmConverter::btnAddClick() {
  const QString title = tr("选择视频文件(支持多选)");
  const QString filter = QtFileFilter(kMediaFileFilter);
  const QStringList files =
      choose_files_ ? choose_files_(this, title, filter) : ChooseMediaFiles(this, title, filter);
  if (!files.isEmpty()) AddFiles(files);
}

void TfrmConverter::OpenFiles(const QStringList& files) {
  // The giver (a dragging program, a second start) waits for its hand-over
  // to finish: add the files (with the modal dialog) after it has returned.
  QMetaObject::invokeMethod(
      this,
      [this, files] {
        if (files.isEmpty()) return;
        if (!Adding() && !btn_add_->isEnabled()) {
          AddLogBlock(tr("***Files cannot be added while converting: ") + files.join(QStringLiteral(", ")));
          return;
        }
        Guard("AddFiles", [&] { AddFiles(files); });
      },
      Qt::QueuedConnection);
}

void TfrmConverter::AddFiles(const QStringList& files) {
  if (Adding()) {
    // A batch is being added: these follow it.
    pending_files_ += files;
    return;
  }
  batch_ = {};
  // The worker only posts: the results are taken on this thread, in turns.
  prober_ = std::make_unique<TFileProber>(ExpandFolders(files), TInputPolicy::LocalFiles,
                                          [this] { PostTakeProbedFiles(); });
  SetState(state_);  // Start waits for the batch
}

void TfrmConverter::TakeProbedFiles() {
  // While the dialog is open its caller goes on taking files once it closes.
  if (!Adding() || batch_.DialogOpen) return;
  // A turn of a few files or milliseconds, whichever ends first, keeps the
  // window answering between turns.
  constexpr int kTurnFiles = 8;
  constexpr int kTurnMs = 20;
  QElapsedTimer turn;
  turn.start();
  const TFileProber* prober = prober_.get();
  bool more = true;  // files may wait still
  for (int taken = 0; taken < kTurnFiles && turn.elapsed() < kTurnMs; ++taken) {
    std::optional<TProbedFile> file = prober_->TakeNext();
    if (!file) {
      more = false;  // the worker wakes the next turn
      break;
    }
    ++batch_.Done;
    if (!AddProbedFile(*file) || prober_.get() != prober) return;
  }
  UpdateStatusLine();
  if (prober_->Finished())
    EndAdding();
  else if (more)
    // The next turn is a timer, like the window's others: a posted call would
    // be served before the timers and input that are due.
    QTimer::singleShot(1, Qt::PreciseTimer, this, [this] { TakeProbedFilesGuarded(); });
}

void TfrmConverter::PostTakeProbedFiles() {
  QMetaObject::invokeMethod(
      this, [this] { TakeProbedFilesGuarded(); }, Qt::QueuedConnection);
}

void TfrmConverter::TakeProbedFilesGuarded() {
  bool failed = true;
  Guard("AddFiles", [&] {
    TakeProbedFiles();
    failed = false;
  });
  // What failed was told; the batch ends there rather than wait forever.
  if (failed) StopAdding();
}

bool TfrmConverter::AddProbedFile(const TProbedFile& file) {
  if (!file.Loaded) {
    AddLogBlock(tr("***文件加载错误: ") + file.Name + QStringLiteral("  ") + Text(file.Error));
    batch_.Unadded << QStringLiteral("%1: %2").arg(QFileInfo(file.Name).fileName(),
                                                   UnaddableReason(file.Name, file.Error));
    return true;
  }
  if (!batch_.DialogAnswered) {
    // From here on, until the dialog has closed, modal windows run the event
    // loop (a message about the source, the dialog): no other file is taken.
    batch_.DialogOpen = true;
    // The dialog's preview shows the first picture of the file the dialog is
    // shown for: the window's decoder opens it here (one file per batch).
    const bool pictures = decoder_->LoadFile(app::InputUrl(file.Name.toStdString()));
    option_dialog_->AssignSource(file.Probe, pictures ? frames_.get() : nullptr);
    // OK (or Enter) applies the settings to the whole batch; closing the
    // dialog otherwise adds none of it.
    const bool accepted = option_dialog_->exec() == QDialog::Accepted;
    batch_.DialogOpen = false;
    decoder_->CloseFile();
    if (!Adding()) return false;  // cleared or closed meanwhile
    if (!accepted) {
      AddLogBlock(
          QCoreApplication::translate(
              "TfrmConverter",
              "***Options dialog closed without OK: no file of this batch was added (%1 in the batch).")
              .arg(prober_->Total()));
      batch_.Unadded.clear();
      EndAdding();
      return false;
    }
    batch_.DialogAnswered = true;
  } else {
    // The rest of the batch decodes nothing here; a message about a source
    // is logged and told with the batch's end instead of one box per file.
    const QString note = option_dialog_->AssignSource(file.Probe, nullptr, TSourceMessage::Return);
    if (!note.isEmpty()) {
      AddLogBlock(QStringLiteral("***") + note);
      batch_.Notes << note;
    }
  }
  const TOutputOptions output = option_dialog_->BuildOutputOptions(app::SystemBuildEnv(&claimed_));
  const TInputOptions input = option_dialog_->BuildInputOptions();
  AddConversionTask(input, output, file.Probe.FileDuration, file.Size);
  return true;
}

void TfrmConverter::EndAdding() {
  prober_->Stop();  // a batch cancelled in the dialog probes no further
  ended_prober_ = std::move(prober_);
  const TBatch ended = std::exchange(batch_, {});
  SetState(state_);
  if (!ended.Unadded.isEmpty() || !ended.Notes.isEmpty()) TellBatchNotes(ended.Unadded, ended.Notes);
  if (!pending_files_.isEmpty() && !Adding()) AddFiles(std::exchange(pending_files_, {}));
}

void TfrmConverter::StopAdding() {
  if (!Adding()) return;
  const int left = prober_->Total() - batch_.Done;
  prober_.reset();  // joins the worker: it ends inside or after its file
  batch_ = {};
  pending_files_.clear();
  if (left > 0)
    AddLogBlock(QCoreApplication::translate("TfrmConverter", "***Adding stopped: %1 files were not added.")
                    .arg(left));
}

void TfrmConverter::TellBatchNotes(const QStringList& unadded, const QStringList& notes) {
  QStringList parts;
  if (!unadded.isEmpty())
    parts << QCoreApplication::translate("TfrmConverter", "These files were not added:") +
                 QStringLiteral("\n\n") + unadded.join('\n');
  if (!notes.isEmpty())
    parts << QCoreApplication::translate("TfrmConverter", "These files were added with a note:") +
                 QStringLiteral("\n\n") + notes.join('\n');
  ShowMessage(this, QMessageBox::Warning, parts.join(QStringLiteral("\n\n")));
}

void TfrmConverter::AddConversionTask(const TInputOptions& input, const TOutputOptions& output,
                                      std::int64_t input_duration, std::int64_t input_size) {
  // Adding a task creates no file: the output appears when its run ends well.
  const int task = encoder_->AddTask(input);
  if (task < 0) {
    AddLogBlock(tr("***File open error: ") + Text(encoder_->LastErrMsg()));
    return;
  }
  if (encoder_->SetOutput(task, output) < 0) {
    const QString error = Text(encoder_->LastErrMsg());
    encoder_->RemoveTask(task);
    AddLogBlock(tr("***Cannot do convert, error: ") + error);
    return;
  }
  TConversionRow row;
  row.InputFile = input.FileName;
  row.InputDuration = input_duration;
  row.InputSize = input_size;
  row.OutputFile = output.FileName;
  row.OutputFolder = QFileInfo(Text(output.FileName)).absolutePath().toStdString() + '/';
  list_->Append(std::move(row));
  claimed_.Claim(input.FileName);
  claimed_.Claim(output.FileName);
  lv_files_->HideDropHint();
  AddLogBlock(tr("***File has been added to convert list."));
  SetState(TConverterState::Ready);
}

int TfrmConverter::SelectedRow() const {
  const QModelIndexList rows = lv_files_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

int TfrmConverter::ChosenRow() const {
  const int selected = SelectedRow();
  if (list_->Contains(selected)) return selected;
  return list_->Count() - 1;
}

void TfrmConverter::btnRemoveClick() {
  const int row = SelectedRow();
  if (!list_->Contains(row)) return;
  encoder_->RemoveTask(row);
  claimed_.Release(list_->Row(row).InputFile);
  claimed_.Release(list_->Row(row).OutputFile);
  list_->Remove(row);
  SetState(list_->Count() > 0 ? TConverterState::Ready : TConverterState::Empty);
}

void TfrmConverter::btnClearClick() {
  StopAdding();
  encoder_->ClearTasks();
  for (int row = 0; row < list_->Count(); ++row) {
    claimed_.Release(list_->Row(row).InputFile);
    claimed_.Release(list_->Row(row).OutputFile);
  }
  list_->Clear();
  run_clock_.invalidate();
  run_took_ms_ = -1;
  {
    std::lock_guard lock(audio_hook_lock_);
    audio_hook_off_.clear();
  }
  SetState(TConverterState::Empty);
}

void TfrmConverter::btnStartClick() {
  run_clock_.start();
  run_took_ms_ = -1;
  encoder_->SetThreadPriority(static_cast<TRunPriority>(std::max(0, priorities_->checkedId())));
  const bool threads = chk_thread_mode_->isChecked();
  SetState(TConverterState::Running);
  if (!threads) {
    btn_stop_->setEnabled(false);
    btn_pause_->setEnabled(false);
  }
  // Without thread mode the run happens inside Start (its events too).
  encoder_->Start(threads ? TaskCountOf(edt_tasks_count_->text()) : 0);
}

void TfrmConverter::btnStopClick() {
  // The buttons and rows say so at once; the tasks finalise their outputs
  // meanwhile and the run's final event ends the batch.
  list_->SetStopping();
  SetState(TConverterState::Stopping);
  encoder_->Stop(TStopWait::swNoWait);
}

void TfrmConverter::btnPauseClick() {
  SetState(TConverterState::Paused);
  encoder_->Pause();
}

void TfrmConverter::btnResumeClick() {
  SetState(TConverterState::Resumed);
  encoder_->Resume();
}

void TfrmConverter::PopupMenu1Popup() {
  mnu_add_->setEnabled(btn_add_->isEnabled());
  mnu_remove_->setEnabled(btn_remove_->isEnabled());
  mnu_clear_->setEnabled(btn_clear_->isEnabled());
  mnu_open_folder_->setEnabled(list_->Count() > 0);
  const int row = ChosenRow();
  mnu_play_->setEnabled(list_->Contains(row) && list_->Row(row).Marker);
}

void TfrmConverter::mnuPlayClick() {
  PlayRow(ChosenRow());
}

void TfrmConverter::PlayRow(int row) {
  if (!list_->Contains(row) || !list_->Row(row).Marker) return;
  const QString file = Text(list_->Row(row).OutputFile);
  if (QFileInfo::exists(file)) OpenWithDesktop(file);
}

void TfrmConverter::mnuOpenFolderClick() {
  const int row = ChosenRow();
  if (!list_->Contains(row)) return;
  const QString folder = Text(list_->Row(row).OutputFolder);
  if (!folder.isEmpty() && QDir(folder).exists()) OpenWithDesktop(folder);
}

void TfrmConverter::DERodorirProgress(const TProgressInfo& progress) {
  if (!list_->Contains(progress.TaskIndex)) return;
  list_->SetProgress(progress.TaskIndex, progress);
  UpdateStatusLine();
  // Without thread mode the GUI thread is busy converting: paint now.
  if (!chk_thread_mode_->isChecked()) lv_files_->viewport()->repaint();
}

void TfrmConverter::DERodorirTerminate(const TTerminateInfo& end) {
  if (end.TaskIndex < 0) {
    run_took_ms_ = run_clock_.isValid() ? run_clock_.elapsed() : 0;
    SetState(TConverterState::Ended);
    return;
  }
  if (!list_->Contains(end.TaskIndex)) return;
  const TConversionRow& row = list_->Row(end.TaskIndex);
  // What became of the row in its progress column, why in its tool tip.
  TRowOutcome outcome = TRowOutcome::Converted;
  QStringList notes;
  if (end.Exception) {
    outcome = TRowOutcome::Failed;
    notes << Text(end.ExceptionMsg);
  } else if (end.Incomplete) {
    outcome = TRowOutcome::Incomplete;
    notes << Text(end.IncompleteMsg);
    AddLog(tr("***Incomplete: ") + Text(end.IncompleteMsg));
  } else if (!end.Finished) {
    outcome = TRowOutcome::Stopped;
    notes << (row.Ran
                  ? QCoreApplication::translate(
                        "TfrmConverter",
                        "Stopped by the user after %1 of %2; the output holds what was converted.")
                        .arg(MediaTimeText(row.CurrentDuration), DurationText(row.InputDuration))
                  : QCoreApplication::translate(
                        "TfrmConverter", "Stopped by the user before it started; no output was written."));
  }
  if (end.DecodeErrors > 0)
    notes << QCoreApplication::translate("TfrmConverter", "Decoding errors: %1").arg(end.DecodeErrors);
  // A task stopped before it started wrote nothing: there is nothing to play.
  if (!end.Exception && (end.Finished || row.Ran)) list_->SetMarker(end.TaskIndex);
  list_->SetOutcome(end.TaskIndex, outcome, notes.join('\n'));
  UpdateStatusLine();
  if (!chk_thread_mode_->isChecked()) lv_files_->viewport()->repaint();
  if (end.Exception) {
    // Shown after the event has returned: the encoder's delivery goes on.
    const QString message = Text(end.ExceptionMsg);
    QMetaObject::invokeMethod(
        this, [this, message] { ShowMessage(this, QMessageBox::Warning, message); }, Qt::QueuedConnection);
  }
}

void TfrmConverter::DERodorirAudioOutputHook(const TAudioHookCall& call) {
  {
    std::lock_guard lock(audio_hook_lock_);
    if (audio_hook_off_.count(call.TaskIndex) != 0) return;
  }
  const TAudioHookResult result = TFrameHooks::AudioOutputHook(call);
  if (result == TAudioHookResult::Edited) return;
  bool first = false;
  {
    std::lock_guard lock(audio_hook_lock_);
    first = audio_hook_off_.insert(call.TaskIndex).second;
  }
  if (!first) return;
  const std::string_view text =
      result == TAudioHookResult::Mono ? kMonoHookMessage : kSampleFormatHookMessage;
  PostHookMessage(tr(std::string(text).c_str()));
}

void TfrmConverter::PostHookMessage(const QString& text) {
  QMetaObject::invokeMethod(
      this, [this, text] { ShowMessage(this, QMessageBox::Information, text); }, Qt::QueuedConnection);
}

bool TfrmConverter::ConfirmQuitDuringRun() {
  QMessageBox box(
      QMessageBox::Question, QString::fromUtf8(kApplicationTitle),
      QCoreApplication::translate("TfrmConverter", "Conversions are running. Stop them and quit?"),
      QMessageBox::Yes | QMessageBox::No, this);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void TfrmConverter::closeEvent(QCloseEvent* event) {
  if (RunActive(state_) && !ConfirmQuitDuringRun()) {
    event->ignore();
    return;
  }
  SaveWindowGeometry(*this);
  StopAdding();
  DetachEvents();
  try {
    // The running tasks finalise their outputs before the window goes.
    encoder_->Stop(TStopWait::swWait);
  } catch (const std::exception& error) {
    AddLogBlock(QString::fromUtf8(error.what()));
  }
  logger_->SetOnLog(nullptr);
  event->accept();
}

}  // namespace zentrova::ui
