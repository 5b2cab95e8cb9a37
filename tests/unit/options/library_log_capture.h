// Records the media library's log output for the duration of a test.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zentrova::test {

/// Installs a library log callback that records every message with its level;
/// the destructor puts the project's own callback back. One at a time, on the
/// test's thread.
class LibraryLogCapture {
 public:
  LibraryLogCapture();
  ~LibraryLogCapture();
  LibraryLogCapture(const LibraryLogCapture&) = delete;
  LibraryLogCapture& operator=(const LibraryLogCapture&) = delete;

  struct Message {
    int level;
    std::string text;
  };
  const std::vector<Message>& Messages() const { return messages_; }
  /// True when a message at `level` contains `text`.
  bool Has(int level, std::string_view text) const;
  /// Every message, joined.
  std::string All() const;

 private:
  std::vector<Message> messages_;
};

}  // namespace zentrova::test
