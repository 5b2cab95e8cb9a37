#include "app/ui/app_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace zentrova::ui {
namespace {

/// The installed copy of a document, else the source tree's.
QUrl Document(const char* installed_name, const char* source_path) {
  const QString installed = QDir(QCoreApplication::applicationDirPath())
                                .filePath(QStringLiteral(ZENTROVA_DOC_DIR_FROM_BIN "/") + installed_name);
  if (QFileInfo::exists(installed)) return QUrl::fromLocalFile(QDir::cleanPath(installed));
  return QUrl::fromLocalFile(QString::fromUtf8(source_path));
}

}  // namespace

std::string LibraryFolder() {
  return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("LibAV")).toStdString();
}

TWebPages DefaultWebPages() {
  TWebPages pages;
  pages.HomePage = QStringLiteral(ZENTROVA_HOME_PAGE);
  if (!pages.HomePage.isEmpty()) {
    pages.First = QUrl(pages.HomePage);
    pages.Second = pages.First;
    return pages;
  }
  pages.First = Document("manual.html", ZENTROVA_SOURCE_DIR "/app/ui/share/manual.html");
  pages.Second = Document("README.md", ZENTROVA_SOURCE_DIR "/README.md");
  return pages;
}

}  // namespace zentrova::ui
