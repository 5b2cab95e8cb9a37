// One window per user: the first start listens on a local socket named for
// the user; a later start hands its files to that window over the socket and
// ends, so two windows never write the same outputs.
//
// The socket lives in the temporary folder (TMPDIR) under the name
// "zentrova-<uid>" and only its user may connect. A socket left behind by a
// window that crashed answers nobody: the next start removes it and listens.
//
// Protocol: the newcomer sends the number of files as a decimal line, then
// each absolute file name in UTF-8 followed by a NUL byte (no files: the
// window only comes to the front); the window answers with the number of
// files it was handed, as a decimal line. Anything else (or more than a few
// MiB) is dropped.
//
// GUI thread for the listening side; `HandOver` blocks and may run on any
// thread (it needs no event loop).
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QLocalServer;

namespace zentrova::ui {

/// "zentrova-<uid>": the socket name of this user's window.
QString SingleInstanceName();

/// Hands `files` to the window listening on `name`: nothing when no window
/// listens; -1 when one listens but does not answer within `timeout_ms`;
/// else the number of files it took.
std::optional<int> HandOver(const QString& name, const QStringList& files, int timeout_ms = 5000);

class TSingleInstance : public QObject {
 public:
  using TFilesHandler = std::function<void(const QStringList& files)>;

  explicit TSingleInstance(QString name, QObject* parent = nullptr);
  ~TSingleInstance() override;

  /// Starts listening, replacing a socket nobody answers on. False when
  /// another window listens already or the socket cannot be made.
  bool Listen();
  /// Called on the GUI thread with each newcomer's files.
  void SetOnFiles(TFilesHandler handler) { on_files_ = std::move(handler); }

 private:
  void Serve();

  QString name_;
  QLocalServer* server_ = nullptr;
  TFilesHandler on_files_;
};

}  // namespace zentrova::ui
