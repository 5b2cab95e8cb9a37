#include "app/ui/single_instance.h"

#include <unistd.h>

#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>

namespace zentrova::ui {

QString SingleInstanceName() {
  return QStringLiteral("zentrova-%1").arg(static_cast<qulonglong>(::getuid()));
}

std::optional<int> HandOver(const QString& name, const QStringList& files, int timeout_ms) {
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(timeout_ms)) return std::nullopt;
  {
    QDataStream out(&socket);
    out << files;
  }
  if (!socket.waitForBytesWritten(timeout_ms)) return std::nullopt;
  QDataStream in(&socket);
  qint32 taken = -1;
  while (true) {
    in.startTransaction();
    in >> taken;
    if (in.commitTransaction()) return taken;
    if (!socket.waitForReadyRead(timeout_ms)) return std::nullopt;
  }
}

TSingleInstance::TSingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::Listen() {
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, [this] { Serve(); });
  if (server_->listen(name_)) return true;
  // A socket of a window that is gone: take its place.
  QLocalServer::removeServer(name_);
  return server_->listen(name_);
}

void TSingleInstance::Serve() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      QDataStream in(socket);
      in.startTransaction();
      QStringList files;
      in >> files;
      if (!in.commitTransaction()) return;  // the rest is still on its way
      if (on_files_) on_files_(files);
      QDataStream out(socket);
      out << static_cast<qint32>(files.size());
      socket->flush();
    });
  }
}

}  // namespace zentrova::ui
