// TfrmConverter: the application's main window — the conversion list, its
// command buttons, the log pane and the options dialog.
//
// Adding files: a worker probes the files of a batch (one open dialog
// selection or one drop) in order while the window stays usable; the
// options dialog takes each probed source over and is shown once per batch,
// for its first file that can be opened; each file becomes one encoder task
// and one list row as its probe arrives. Start runs the tasks, several at
// once; progress and termination reports update the rows; the popup menu
// plays a finished output or opens its folder.
//
// Ownership: the window owns the encoder (given at construction), the
// decoder, the logger, the options dialog, the drop watch and the batch's
// prober. It installs the Qt preview windows for the engine (process-wide)
// when it is made.
// Threads: GUI thread only. The encoder's hook handlers run on worker
// threads; they touch no widget and post what the user must see.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "app/ui/button_states.h"
#include "app/ui/conversion_list.h"
#include "app/ui/converter_encoder.h"
#include "app/ui/file_prober.h"
#include "app/ui/frame_hooks.h"
#include "convert/output_naming.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace zentrova {
class TRIDarivir;
class TZOVuzodi;
}  // namespace zentrova

namespace zentrova::ui {

class TConversionListView;
class TDecoderFrameSource;
class TDropWatch;
class TfrmOption;

/// The two web buttons' and the caption's addresses.
struct TWebPages {
  /// Shown after the caption; empty: the caption ends after the version.
  QString HomePage;
  /// What "官方网站" and "访问官网" open.
  QUrl First;
  QUrl Second;
};

class TfrmConverter : public QWidget {
  Q_DECLARE_TR_FUNCTIONS(TfrmConverter)

 public:
  TfrmConverter(std::unique_ptr<IConverterEncoder> encoder, TWebPages pages, QWidget* parent = nullptr);
  ~TfrmConverter() override;

  /// Start-up: loads the media libraries from `library_folder` first, else
  /// the system's. False after showing "无法加载解码库!": the application
  /// is to quit.
  bool LoadLibraries(const std::string& library_folder);

  /// Starts adding the files as one batch and returns: a worker probes them
  /// in order, and each becomes a row as its probe arrives (see the class
  /// comment); the dialog is shown for the first file that can be probed. A
  /// folder adds the media files in it. Cancelling the dialog adds nothing
  /// of the batch. Files that cannot be added, and the sources whose bit
  /// rate could not be read after the dialog, are logged and, after the
  /// batch, named in one message box. Files given while a batch is being
  /// added are added after it. Start waits for the batch's end; Clear and
  /// closing the window stop it.
  void AddFiles(const QStringList& files);
  /// A batch is being added (its files are probed, or its dialog is open).
  bool Adding() const { return prober_ != nullptr; }
  /// Files from outside (a drop, the command line, a second start): added
  /// as by AddFiles once the caller has returned, while files can be added;
  /// during a run they are logged as not added.
  void OpenFiles(const QStringList& files);

  TConverterState State() const { return state_; }
  const TConversionList& List() const { return *list_; }
  TfrmOption& OptionDialog() const { return *option_dialog_; }
  QPlainTextEdit* LogPane() const { return mmo_log_; }
  QTableView* ListView() const;
  QPushButton* AddButton() const { return btn_add_; }
  QPushButton* RemoveButton() const { return btn_remove_; }
  QPushButton* ClearButton() const { return btn_clear_; }
  QPushButton* StartButton() const { return btn_start_; }
  QPushButton* StopButton() const { return btn_stop_; }
  QPushButton* PauseButton() const { return btn_pause_; }
  QPushButton* ResumeButton() const { return btn_resume_; }
  QPushButton* WebButton1() const { return btn1_; }
  QPushButton* WebButton2() const { return btn2_; }
  QGroupBox* TaskCountGroup() const { return grp_option_; }
  QLineEdit* TaskCountEdit() const { return edt_tasks_count_; }
  QCheckBox* ThreadModeCheck() const { return chk_thread_mode_; }
  QCheckBox* PreviewCheck() const { return chk_preview_; }
  QGroupBox* LogLevelGroup() const { return grp_log_level_; }
  QGroupBox* PriorityGroup() const { return grp_priority_; }
  QLabel* AdvertisementLabel() const { return lbl2_; }
  /// The status line under the list (files done, percentage, time left).
  QLabel* StatusLine() const { return lbl_status_; }
  QMenu* PopupMenu() const { return popup_menu_; }
  TDropWatch& DropWatch() const { return *drop_watch_; }
  /// The drop hint is still painted on the list.
  bool DropHintShown() const;

  /// The open dialog's file chooser (tests answer it without a dialog).
  using TFilesChooser =
      std::function<QStringList(QWidget* parent, const QString& title, const QString& filter)>;
  void SetFilesChooser(TFilesChooser chooser) { choose_files_ = std::move(chooser); }

  // Handlers of the buttons and menu items.
  void btnAddClick();
  void btnRemoveClick();
  void btnClearClick();
  void btnStartClick();
  void btnStopClick();
  void btnPauseClick();
  void btnResumeClick();
  void PopupMenu1Popup();
  void mnuPlayClick();
  void mnuOpenFolderClick();
  QAction* PlayAction() const { return mnu_play_; }
  QAction* OpenFolderAction() const { return mnu_open_folder_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  /// Asks whether to stop a running batch and quit; true: quit.
  bool ConfirmQuitDuringRun();
  void UpdateStatusLine();
  /// Takes the probed files that wait, for a slice of time, and comes back
  /// for the rest later (the event loop runs in between).
  void TakeProbedFiles();
  /// TakeProbedFiles on the GUI thread, later; any thread may ask.
  void PostTakeProbedFiles();
  /// TakeProbedFiles; an error it throws is told and stops the batch.
  void TakeProbedFilesGuarded();
  /// One probed file of the batch: logged as not added, or given to the
  /// dialog (shown for the batch's first one) and added as a task. False
  /// when the dialog was closed without OK (the batch has ended).
  bool AddProbedFile(const TProbedFile& file);
  /// Ends the batch: tells what was not added, then adds the files given meanwhile.
  void EndAdding();
  /// Stops the batch being added, if any; the files given meanwhile are dropped.
  void StopAdding();
  /// Shows the batch's files that were not added and its other notes in one message box.
  void TellBatchNotes(const QStringList& unadded, const QStringList& notes);
  void CreateHiddenControls();
  void ConnectHandlers();
  /// Delete removes, Enter plays, Tab leaves the list.
  void ConnectKeyboard();
  void AttachEvents();
  void DetachEvents();
  void SetState(TConverterState state);
  void AddLog(const QString& line);
  /// Three lines: empty, `message`, empty.
  void AddLogBlock(const QString& message);
  /// `input_duration` (microseconds) and `input_size` (bytes) fill the row.
  void AddConversionTask(const TInputOptions& input, const TOutputOptions& output,
                         std::int64_t input_duration, std::int64_t input_size);
  /// The row the popup menu acts on: the selected one, else the last; -1: none.
  int ChosenRow() const;
  int SelectedRow() const;
  /// Opens the row's output with the desktop when the row ended well and the file exists.
  void PlayRow(int row);
  /// Runs `action`, turning an escaping exception into a log line and a box.
  void Guard(const char* what, const std::function<void()>& action);

  void DERodorirProgress(const TProgressInfo& progress);
  void DERodorirTerminate(const TTerminateInfo& end);
  void DERodorirAudioOutputHook(const TAudioHookCall& call);
  /// Shows a hook's message on the GUI thread, later (never blocks the worker).
  void PostHookMessage(const QString& text);

  std::unique_ptr<IConverterEncoder> encoder_;
  std::unique_ptr<TRIDarivir> decoder_;
  std::unique_ptr<TDecoderFrameSource> frames_;
  std::unique_ptr<TZOVuzodi> logger_;
  std::unique_ptr<TFrameHooks> hooks_;
  TWebPages pages_;
  TConversionList* list_ = nullptr;
  app::TClaimedNames claimed_;
  TConverterState state_ = TConverterState::Empty;
  TButtonStates buttons_;
  TFilesChooser choose_files_;
  QElapsedTimer run_clock_;        ///< since Start; invalid before the first run
  std::int64_t run_took_ms_ = -1;  ///< the ended run's wall time; -1 while none has ended
  int log_lines_ = 0;              ///< lines added to the log pane
  // The batch being added (null: none); files handed over meanwhile wait in
  // pending_files_ and are added after it.
  std::unique_ptr<TFileProber> prober_;
  // The last ended batch's prober: its worker was still returning when the
  // batch ended (the GUI thread runs first when woken), so it is joined a
  // batch later, by then without waiting.
  std::unique_ptr<TFileProber> ended_prober_;
  QStringList pending_files_;
  struct TBatch {
    int Done = 0;                 ///< files taken from the prober
    bool DialogAnswered = false;  ///< the dialog was shown for this batch and closed with OK
    bool DialogOpen = false;      ///< taking files waits for the dialog (and a message before it)
    QStringList Unadded;          ///< "name: reason"
    QStringList Notes;            ///< messages about files that were added
  } batch_;

  // Tasks whose audio hook switched itself off; read and written by the
  // workers' hook calls (guarded by audio_hook_lock_), cleared on the GUI
  // thread when the list is cleared.
  std::mutex audio_hook_lock_;
  std::set<int> audio_hook_off_;

  TfrmOption* option_dialog_ = nullptr;
  TDropWatch* drop_watch_ = nullptr;
  TConversionListView* lv_files_ = nullptr;
  QPushButton* btn_add_ = nullptr;
  QPushButton* btn_remove_ = nullptr;
  QPushButton* btn_clear_ = nullptr;
  QPushButton* btn_start_ = nullptr;
  QPushButton* btn_stop_ = nullptr;
  QPushButton* btn_pause_ = nullptr;
  QPushButton* btn_resume_ = nullptr;
  QPushButton* btn1_ = nullptr;
  QPushButton* btn2_ = nullptr;
  QLabel* lbl1_ = nullptr;
  QLabel* lbl2_ = nullptr;
  QLabel* lbl_status_ = nullptr;
  QPlainTextEdit* mmo_log_ = nullptr;
  QGroupBox* grp_option_ = nullptr;
  QLineEdit* edt_tasks_count_ = nullptr;
  QCheckBox* chk_thread_mode_ = nullptr;
  QCheckBox* chk_preview_ = nullptr;
  QGroupBox* grp_log_level_ = nullptr;
  QButtonGroup* log_levels_ = nullptr;
  QGroupBox* grp_priority_ = nullptr;
  QButtonGroup* priorities_ = nullptr;
  QMenu* popup_menu_ = nullptr;
  QAction* mnu_add_ = nullptr;
  QAction* mnu_remove_ = nullptr;
  QAction* mnu_clear_ = nullptr;
  QAction* mnu_play_ = nullptr;
  QAction* mnu_open_folder_ = nullptr;
};

/// "Zentrova v3.50", then three blanks and the home page when there is one.
QString ConverterCaption(const QString& home_page);
/// The task count typed by the user: a decimal integer; 1 when it is not a
/// number or below 1 (a run always uses worker threads).
int TaskCountOf(const QString& text);

}  // namespace zentrova::ui
