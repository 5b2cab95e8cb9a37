#include "app/ui/single_instance.h"

#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <memory>

namespace zentrova::ui {
namespace {

/// A hand-over larger than this is no newcomer of ours: it is dropped.
constexpr qsizetype kMaxHandOverBytes = 4 * 1024 * 1024;

/// The files of a complete hand-over in `data`; nothing while it is incomplete
/// (or malformed: `malformed` is set then).
std::optional<QStringList> ReadHandOver(const QByteArray& data, bool& malformed) {
  const qsizetype line_end = data.indexOf('\n');
  if (line_end < 0) {
    malformed = data.size() > 16;
    return std::nullopt;
  }
  bool number = false;
  const qsizetype count = data.left(line_end).toLongLong(&number);
  if (!number || count < 0 || count > kMaxHandOverBytes) {  // every name takes a byte at least
    malformed = true;
    return std::nullopt;
  }
  QStringList files;
  qsizetype at = line_end + 1;
  while (files.size() < count) {
    const qsizetype end = data.indexOf('\0', at);
    if (end < 0) return std::nullopt;
    files << QString::fromUtf8(data.mid(at, end - at));
    at = end + 1;
  }
  return files;
}

}  // namespace

QString SingleInstanceName() {
  return QStringLiteral("zentrova-%1").arg(static_cast<qulonglong>(::getuid()));
}

std::optional<int> HandOver(const QString& name, const QStringList& files, int timeout_ms) {
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(timeout_ms)) return std::nullopt;
  QByteArray message = QByteArray::number(files.size()) + '\n';
  for (const QString& file : files) message += file.toUtf8() + '\0';
  socket.write(message);
  QByteArray answer;
  while (!answer.endsWith('\n')) {
    if (!socket.waitForReadyRead(timeout_ms)) return -1;
    answer += socket.readAll();
  }
  bool number = false;
  const int taken = answer.trimmed().toInt(&number);
  return number ? taken : -1;
}

TSingleInstance::TSingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::Listen() {
  // A window that answers keeps its socket (listening would put a new socket
  // in its place); one that is gone left a socket nobody answers on.
  QLocalSocket probe;
  probe.connectToServer(name_);
  if (probe.waitForConnected(1000)) return false;
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, [this] { Serve(); });
  if (server_->listen(name_)) return true;
  QLocalServer::removeServer(name_);
  return server_->listen(name_);
}

void TSingleInstance::Serve() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto received = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, received] {
      *received += socket->readAll();
      bool malformed = received->size() > kMaxHandOverBytes;
      const std::optional<QStringList> files = malformed ? std::nullopt : ReadHandOver(*received, malformed);
      if (malformed) {
        socket->abort();
        return;
      }
      if (!files) return;  // the rest is still on its way
      received->clear();
      if (on_files_) on_files_(*files);
      socket->write(QByteArray::number(files->size()) + '\n');
      socket->flush();
    });
  }
}

}  // namespace zentrova::ui
