// Cuts the media libraries' log text into whole lines per thread and folds
// repeated lines. Internal to the log subsystem.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace zentrova::detail {

/// Not thread-safe: the library log callback guards it with its lock.
class LibraryLineAssembler {
 public:
  /// True when the thread has no unfinished line (a new line starts, so the
  /// object prefix belongs in front of the next text).
  bool LineStarts(unsigned thread_id) const;

  /// Takes one composed library text of `thread_id` and returns the lines to
  /// deliver now, in order. With `fold`, a text that ends with a line feed
  /// and equals the previous text is only counted; the next different text
  /// first yields "<previous> (repeated N times)" for N > 2, or the previous
  /// line once more for N == 2. A tail without line feed stays pending for
  /// the thread's next text.
  /// `level` is the library level number of the text; an unfinished line
  /// keeps the level of its latest part.
  std::vector<std::string> Add(unsigned thread_id, const std::string& text, bool fold, int level);

  struct Unfinished {
    std::string text;
    int level = 0;
  };
  /// Returns the thread's unfinished line (empty text when none) and forgets
  /// the thread.
  Unfinished Drop(unsigned thread_id);

 private:
  std::unordered_map<unsigned, Unfinished> pending_;  // threads with an unfinished line
  std::string previous_;                              // last text, for folding
  int repeat_count_ = 0;
};

}  // namespace zentrova::detail
