#include "app/ui/drop_watch.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace zentrova::ui {
namespace {

bool HasLocalFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return false;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return true;
  return false;
}

}  // namespace

TDropWatch::TDropWatch(QObject* owner) : QObject(owner) {}

TDropWatch::~TDropWatch() {
  RemoveWatch();
}

void TDropWatch::SetWatchControl(QWidget* control) {
  if (control == control_) return;
  RemoveWatch();
  control_ = control;
  InstallWatch();
}

void TDropWatch::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (hook_running_ && control_) control_->setAcceptDrops(enabled_);
}

void TDropWatch::InstallWatch() {
  hook_running_ = false;
  if (!control_) return;
  control_->installEventFilter(this);
  control_->setAcceptDrops(enabled_);
  // A destroyed control is forgotten: the watch goes idle and disabled.
  destroyed_connection_ = connect(control_, &QObject::destroyed, this, [this] {
    hook_running_ = false;
    enabled_ = false;
    control_ = nullptr;
  });
  hook_running_ = true;
}

void TDropWatch::RemoveWatch() {
  if (hook_running_ && control_) {
    control_->setAcceptDrops(false);
    control_->removeEventFilter(this);
  }
  disconnect(destroyed_connection_);
  hook_running_ = false;
}

bool TDropWatch::eventFilter(QObject* watched, QEvent* event) {
  if (watched != control_) return false;
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (enabled_ && HasLocalFile(drag->mimeData()))
        drag->acceptProposedAction();
      else
        drag->ignore();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (!enabled_ || !HasLocalFile(drop->mimeData())) {
        drop->ignore();
        return true;
      }
      files_.clear();
      for (const QUrl& url : drop->mimeData()->urls())
        if (url.isLocalFile()) files_ << url.toLocalFile();
      drop->acceptProposedAction();
      if (on_files_dropped_) on_files_dropped_(this, files_);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace zentrova::ui
