// TOutputTarget: the temporary file a plain local output is written to.
//
// A finished output replaces the file under its name in one step: the muxer
// writes `NAME.EXT.part` beside it, and only a run that ends with a finished
// file (converted, stopped, incomplete) renames it over `NAME.EXT`. A failed
// run removes it; a process that dies leaves only the `.part` file behind,
// never a half file under the output's name.
//
// A writer claims the name by creating the `.part` file exclusively and
// holds an exclusive `flock` on it for its whole life, on a descriptor of its
// own. The next writer of the same output takes over a stale, unlocked
// `.part` (truncating it) and refuses one that another running conversion
// holds (several processes may write into one folder).
//
// Ownership: the output file record owns its target; destroying a target
// that was not committed removes the `.part` file (the run failed or never
// ended). Threads: the thread that opens, runs and releases the output.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace zentrova {

/// What becomes of an output's file when its run ends.
enum class TOutputFate { ofKeep, ofDiscard };

class TOutputTarget {
 public:
  /// The local path of `library_name` when the output is a plain local file
  /// (a name without protocol, or with `file:`) that is not an existing
  /// device, pipe or other special file; nothing otherwise.
  static std::optional<std::filesystem::path> PlainLocalPath(const std::string& library_name);
  /// The temporary name of `final_path`: `final_path` + ".part".
  static std::filesystem::path PartPath(const std::filesystem::path& final_path);

  /// Claims the output's name: creates `final_path.part` exclusively (or
  /// takes over a stale, unlocked one) and locks it. Null with `error` set
  /// when it cannot be created, or when another running conversion holds it
  /// (then `*held_by_another` is set true).
  static std::unique_ptr<TOutputTarget> Acquire(const std::filesystem::path& final_path, std::string& error,
                                                bool* held_by_another = nullptr);

  ~TOutputTarget();
  TOutputTarget(const TOutputTarget&) = delete;
  TOutputTarget& operator=(const TOutputTarget&) = delete;

  /// The name the muxer's byte stream opens (`file:` + the `.part` path).
  std::string LibraryPartName() const;
  const std::filesystem::path& FinalPath() const { return final_path_; }

  /// Renames the `.part` file over the final name; false with `error` set
  /// (the `.part` file is then removed). With `keep_existing` an existing
  /// final file is never replaced (the engine's -n).
  bool Commit(bool keep_existing, std::string& error);
  /// Removes the `.part` file (a failed or abandoned output). Idempotent.
  void Abandon();

 private:
  TOutputTarget(std::filesystem::path final_path, int fd);
  void Unlock();

  std::filesystem::path final_path_;
  std::filesystem::path part_path_;
  int fd_ = -1;  // holds the lock; -1 once committed or abandoned
};

}  // namespace zentrova
