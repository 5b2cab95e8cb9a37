#include "app/ui/optical_disc.h"

#include <QStorageInfo>

namespace zentrova::ui {

bool IsOnOpticalDisc(const QString& path) {
  if (path.isEmpty()) return false;
  const QStorageInfo volume(path);
  if (!volume.isValid()) return false;
  const QByteArray type = volume.fileSystemType().toLower();
  return type == "iso9660" || type == "udf";
}

}  // namespace zentrova::ui
