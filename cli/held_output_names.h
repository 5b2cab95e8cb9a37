// The output names of a batch while it runs, when other conversions write
// into the same folder (other zentrova-cli processes, on this machine or on
// others sharing the folder).
//
// A task claims its output's name when it starts (the engine creates its
// `.part` file exclusively and locks it). An automatic name
// (`NAME_(new).EXT`, `NAME_(new_N).EXT`) held by another running conversion
// moves on to the next free `NAME_(new_N).EXT`; a name the user gave (-o)
// is not changed: that task fails with the message that the name is in use.
//
// Threads: `Reserve` and `AddTask` on the main thread before the run;
// `NextName` on the tasks' threads; `Output` on the main thread. All
// members are guarded by one mutex.
#pragma once

#include <mutex>
#include <string>
#include <unordered_map>

#include "convert/output_naming.h"

namespace zentrova::cli {

/// Whether a next name may be a file left by an earlier run (--overwrite:
/// replaced when the new one is finished) or must not exist (--no-overwrite).
enum class TExistingOutputs { eoReplace, eoKeep };

class THeldOutputNames {
 public:
  explicit THeldOutputNames(TExistingOutputs existing) : existing_(existing) {}

  /// A name the batch uses (an input or a planned output): never offered.
  void Reserve(const std::string& file_name);
  /// Task `task_index` writes `output` (reserved already); `named_by_user` for -o.
  void AddTask(int task_index, const std::string& output, bool named_by_user);
  /// The next name for task `task_index` whose output `held_library_name`
  /// ("file:" + name) another conversion holds, in the same form; empty when
  /// the name was the user's or the task is unknown.
  std::string NextName(int task_index, const std::string& held_library_name);
  /// The output task `task_index` writes (its last name); empty when unknown.
  std::string Output(int task_index) const;

 private:
  struct TTaskOutput {
    std::string Base;       ///< the name without "_(new…)" and extension; empty: the user's name
    std::string Extension;  ///< ".mp4"
    std::string Output;
  };
  const TExistingOutputs existing_;
  mutable std::mutex mutex_;
  std::unordered_map<int, TTaskOutput> tasks_;  // guarded by mutex_
  app::TClaimedNames taken_;                    // guarded by mutex_: reserved and held names
};

/// `output` split into its base and extension when it is an automatic
/// name ("dir/a_(new_2).mp4" gives "dir/a" and ".mp4"); false otherwise.
bool SplitAutomaticName(const std::string& output, std::string& base, std::string& extension);

}  // namespace zentrova::cli
