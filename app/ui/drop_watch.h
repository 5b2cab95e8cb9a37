// TDropWatch: makes a widget accept files dragged from the desktop and
// reports each drop as the list of local file names, in drop order.
//
// Watching installs an event filter on the widget and sets its
// acceptDrops; `Enabled` switches acceptDrops while watching. A watched
// widget that is destroyed is forgotten (the watch goes idle). A drop with
// no handler has no effect. Children that take drops themselves (line
// edits, text panes) should have their acceptDrops switched off by the
// window, so that a drop anywhere reaches the watched widget.
//
// Qt's drag and drop takes the place of replacing the window's procedure;
// the desktop has no message filter between privilege levels, so there is
// nothing to let drop messages through at start-up.
//
// The handler is called inside the drop event; a handler that opens modal
// windows must queue its work instead (the dragging program waits for the
// drop to finish). GUI thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>

class QWidget;

namespace zentrova::ui {

class TDropWatch : public QObject {
 public:
  /// `sender` is this watch; `files` is reused (cleared) for every drop.
  using TFilesDroppedEvent = std::function<void(TDropWatch* sender, const QStringList& files)>;

  explicit TDropWatch(QObject* owner = nullptr);
  ~TDropWatch() override;

  QWidget* WatchControl() const { return control_; }
  /// Watches `control` (null: none), first leaving the previous one as it was.
  void SetWatchControl(QWidget* control);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  const TFilesDroppedEvent& OnFilesDropped() const { return on_files_dropped_; }
  void SetOnFilesDropped(TFilesDroppedEvent handler) { on_files_dropped_ = std::move(handler); }
  /// The names of the last drop.
  const QStringList& Files() const { return files_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void InstallWatch();
  void RemoveWatch();

  bool enabled_ = false;
  QPointer<QWidget> control_;
  bool hook_running_ = false;
  QMetaObject::Connection destroyed_connection_;
  TFilesDroppedEvent on_files_dropped_;
  QStringList files_;
};

}  // namespace zentrova::ui
