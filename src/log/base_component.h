// The common base of the logger, the decoder component and the encoder component.
#pragma once

#include <string>

namespace zentrova {

/// What opening an input may reach (the media libraries, given a name and
/// the file's content, can open further files, devices and network
/// addresses). The application and zentrova-cli ask for `LocalFiles` or
/// `LocalFilesAndNetwork`; library callers keep `Full`, the whole option
/// language. The rules themselves are in options/input_guard.h.
enum class TInputPolicy {
  Full,                  ///< whatever the name and the content ask for (the default)
  LocalFiles,            ///< one local regular file, or a playlist named so with files under its folder
  LocalFilesAndNetwork,  ///< the same, and an explicit network address
};

/// Version text, about text and the read/write time-outs that the engine
/// applies to inputs and outputs. Components are identities: not copyable.
/// Threads: the properties are for the thread that owns the component (the
/// main thread); nothing here is locked.
class TFFBaseComponent {
 public:
  TFFBaseComponent() = default;
  virtual ~TFFBaseComponent() = default;
  TFFBaseComponent(const TFFBaseComponent&) = delete;
  TFFBaseComponent& operator=(const TFFBaseComponent&) = delete;

  /// Free text; stored, with no effect.
  const std::string& About() const { return FAbout; }
  void SetAbout(std::string value) { FAbout = std::move(value); }
  /// "6.5b".
  const std::string& Version() const { return FVersion; }

  /// Read time-out in milliseconds (default 30000).
  int ReadTimeout() const { return FReadTimeout; }
  /// Write time-out in milliseconds (default 30000).
  int WriteTimeout() const { return FWriteTimeout; }
  /// Stores the value; the encoder component also passes it on to its tasks.
  virtual void SetReadTimeout(int value_ms);
  virtual void SetWriteTimeout(int value_ms);
  /// What opening an input may reach (default `TInputPolicy::Full`); the
  /// encoder component applies it to the inputs added after the change.
  TInputPolicy InputPolicy() const { return FInputPolicy; }
  void SetInputPolicy(TInputPolicy value) { FInputPolicy = value; }

  /// The component's class name, e.g. "TZOVuzodi".
  virtual const char* ClassName() const { return "TFFBaseComponent"; }
  /// The about box's text: the class name without its first letter, then
  /// the version, e.g. "ZOVuzodi 6.5b". The front end shows it.
  std::string AboutText() const;

 protected:
  std::string FAbout;
  std::string FVersion = "6.5b";
  int FReadTimeout = 30000;
  int FWriteTimeout = 30000;
  TInputPolicy FInputPolicy = TInputPolicy::Full;
};

}  // namespace zentrova
