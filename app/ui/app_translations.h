// The application's language: a Chinese desktop (first user-interface
// language "zh…") gets the Chinese captions and Chinese for every other
// text; any other desktop gets English throughout. The catalogues are Qt
// translation files: zentrova_zh_CN.qm / zentrova_en.qm from the installed
// share folder (else from the build tree), and Qt's own qtbase_*.qm for its
// dialogs.
//
// GUI thread; construct after the QApplication and before any window.
#pragma once

#include <QLocale>
#include <QString>
#include <memory>
#include <vector>

class QTranslator;

namespace zentrova::ui {

/// True when `locale`'s first user-interface language is Chinese.
bool ChineseLocale(const QLocale& locale);

/// The folder of the application's .qm files: the installed one when it
/// exists, else the build tree's.
QString TranslationsFolder();

/// Installs the catalogues for `locale` on the application and removes
/// them again when destroyed.
class TAppTranslations {
 public:
  explicit TAppTranslations(const QLocale& locale);
  ~TAppTranslations();
  TAppTranslations(const TAppTranslations&) = delete;
  TAppTranslations& operator=(const TAppTranslations&) = delete;

  /// The application's own catalogue was found and installed.
  bool Loaded() const { return loaded_; }

 private:
  std::vector<std::unique_ptr<QTranslator>> installed_;
  bool loaded_ = false;
};

}  // namespace zentrova::ui
