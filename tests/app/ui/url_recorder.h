// Records the URLs the application asks the desktop to open (files,
// folders, web pages) instead of opening them.
#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QUrl>
#include <vector>

namespace zentrova::test {

class UrlRecorder : public QObject {
  Q_OBJECT

 public:
  UrlRecorder() {
    for (const char* scheme : {"file", "http", "https"})
      QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
  }
  ~UrlRecorder() override {
    for (const char* scheme : {"file", "http", "https"})
      QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
  }

  std::vector<QUrl> opened;

 public slots:
  void Open(const QUrl& url) { opened.push_back(url); }
};

}  // namespace zentrova::test
