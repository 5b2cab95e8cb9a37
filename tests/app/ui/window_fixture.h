// The main window over a fake encoder, generated media to add and an answer
// for the options dialog: what the window's tests share.
#pragma once

#include <QDialog>
#include <QUrl>
#include <memory>
#include <string>

#include "app/ui/converter_window.h"
#include "add_and_wait.h"
#include "app/ui/option_dialog.h"
#include "fake_encoder.h"
#include "media/test_media.h"
#include "modal_watcher.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::ui {

/// A window over a fake encoder, with the media libraries loaded for its decoder.
struct WindowFixture {
  test::FakeEncoderLog log;
  test::FakeEncoder* encoder = nullptr;
  std::unique_ptr<TfrmConverter> window;

  explicit WindowFixture(QString home_page = {}) {
    test::LoadMediaLibraries();
    auto fake = std::make_unique<test::FakeEncoder>(log);
    encoder = fake.get();
    TWebPages pages;
    pages.HomePage = std::move(home_page);
    pages.First = QUrl(QStringLiteral("https://example.org/first"));
    pages.Second = QUrl::fromLocalFile(QStringLiteral("/usr/share/doc/zentrova/README.md"));
    window = std::make_unique<TfrmConverter>(std::move(fake), pages);
  }
  TfrmConverter& w() { return *window; }
};

/// Generated media in a test's folder: two clips and a non-media file.
struct Media {
  test::TempDir dir;
  std::string clip = dir.File("第一 clip.mp4");
  std::string wav = dir.File("tone.wav");
  std::string garbage = dir.File("not media.mp4");
  Media() {
    test::MakeClip(clip, test::Mp4H264Aac(2.0));
    test::MakeClip(wav, test::WavS16(1.0));
    test::MakeGarbageFile(garbage, 4096);
  }
};

/// Answers the options dialog with OK and counts its showings.
struct DialogAnswer {
  int shown = 0;
  explicit DialogAnswer(test::ModalWatcher& watcher, TfrmConverter& window) {
    watcher.SetAnswer([this, &window](QWidget* modal) {
      if (modal == &window.OptionDialog()) {
        ++shown;
        window.OptionDialog().accept();
      } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
      }
    });
  }
};

}  // namespace zentrova::ui
