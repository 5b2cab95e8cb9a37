// The first error line the media libraries log on one thread: the cause a
// user can act on, which the engine's own failure line ("Could not write
// header …") only summarises.
#pragma once

#include <string>

namespace zentrova {

/// While it lives, keeps the first line the media libraries log at error
/// level or worse on the thread that created it (any logger setting: also
/// when no logger takes library lines). Created and destroyed on that
/// thread, on its stack: a conversion run wraps itself in one. Captures nest;
/// the innermost one gets the lines until it ends.
class TLibraryErrorCapture {
 public:
  TLibraryErrorCapture();
  ~TLibraryErrorCapture();
  TLibraryErrorCapture(const TLibraryErrorCapture&) = delete;
  TLibraryErrorCapture& operator=(const TLibraryErrorCapture&) = delete;

  /// The first error line without the library objects' addresses
  /// ("mp4: track 0: muxing mp3 at 8000hz is not standard, …"); empty when
  /// none came.
  const std::string& FirstError() const { return FFirstError; }

  /// `step` followed by the first error line when there was one that the
  /// step's text does not already hold: "STEP: CAUSE".
  std::string WithCause(const std::string& step) const;

  /// True when the calling thread has a capture that still waits for its
  /// first error line.
  static bool Waiting();
  /// Called by the library log callback with each composed library text of
  /// the calling thread and its library level number.
  static void Offer(int library_level, const std::string& text);

 private:
  TLibraryErrorCapture* FOuter;
  std::string FFirstError;
};

/// A library line without the "[name @ 0x…] " object prefixes, keeping the
/// innermost object's name: "[mp4 @ 0x55d…] track 0: …" gives "mp4: track 0: …".
/// Leading and trailing white space is removed.
std::string WithoutObjectAddress(const std::string& line);

}  // namespace zentrova
