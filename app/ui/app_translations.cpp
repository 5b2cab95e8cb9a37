#include "app/ui/app_translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace zentrova::ui {

bool ChineseLocale(const QLocale& locale) {
  const QStringList languages = locale.uiLanguages();
  const QString first = languages.isEmpty() ? locale.name() : languages.first();
  return first.startsWith(QLatin1String("zh"), Qt::CaseInsensitive);
}

QString TranslationsFolder() {
  const QString installed = QDir::cleanPath(
      QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(ZENTROVA_TRANSLATIONS_FROM_BIN)));
  if (QFileInfo::exists(installed + QStringLiteral("/zentrova_en.qm"))) return installed;
  return QStringLiteral(ZENTROVA_TRANSLATIONS_BUILD_DIR);
}

TAppTranslations::TAppTranslations(const QLocale& locale) {
  const QString suffix = ChineseLocale(locale) ? QStringLiteral("zh_CN") : QStringLiteral("en");
  auto install = [this](const QString& file, const QString& folder) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(file, folder)) return false;
    QCoreApplication::installTranslator(translator.get());
    installed_.push_back(std::move(translator));
    return true;
  };
  loaded_ = install(QStringLiteral("zentrova_") + suffix, TranslationsFolder());
  install(QStringLiteral("qtbase_") + suffix, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

TAppTranslations::~TAppTranslations() {
  for (const auto& translator : installed_) QCoreApplication::removeTranslator(translator.get());
}

}  // namespace zentrova::ui
