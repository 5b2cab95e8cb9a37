// TFFmpegList: the encoder's ordered list of tasks.
//
// An entry may be empty: a task released after its run (automatic release)
// leaves its entry empty so that the indexes of the other tasks never shift;
// only `Delete` moves later entries down.
//
// Ownership and threads: entries are shared pointers, so a task taken from
// the list stays alive while it is used even if its entry is released
// meanwhile. Every operation takes the list's mutex for the time of the
// list access only (never while a task runs code), so the main thread, the
// workers (looking up their index) and the termination delivery thread
// (releasing a task) may use the list at once. Operations that remove tasks
// hand them back, so that the caller destroys them outside the lock.
#pragma once

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "encoder/encoder_task.h"

namespace zentrova {

class TFFmpegList {
 public:
  using TTaskPtr = std::shared_ptr<TFFmpeg>;

  /// Appends a task; its index.
  int Add(TTaskPtr task);
  /// Empties the list; the tasks it held.
  std::vector<TTaskPtr> Clear();
  /// Removes the entry at `index` (later entries move down); its task.
  /// std::out_of_range for an index outside the list.
  TTaskPtr Delete(int index);
  /// Swaps two entries; std::out_of_range for an index outside the list.
  void Exchange(int index1, int index2);
  /// The task at `index` (null for an empty entry); std::out_of_range for an
  /// index outside the list.
  TTaskPtr Item(int index) const;
  /// True when `index` is inside the list and its entry holds a task.
  bool Present(int index) const;
  /// The index of `task`; -1 when it is in no entry.
  int IndexOf(const TFFmpegTask* task) const;
  /// The index of `task` and the entry's pointer, in one look (-1 and null
  /// when it is in no entry).
  std::pair<int, TTaskPtr> Locate(const TFFmpegTask* task) const;
  /// Entries, empty ones included.
  int Count() const;
  /// The non-empty entries in list order (for broadcasts).
  std::vector<TTaskPtr> Snapshot() const;
  /// Empties the entry that holds `task` (when any); the task it held, so
  /// that a release of a task that left the list meanwhile frees nothing.
  TTaskPtr Release(const std::weak_ptr<TFFmpeg>& task);

 private:
  void CheckIndex(int index) const;  // under mutex_

  mutable std::mutex mutex_;
  std::vector<TTaskPtr> list_;  // guarded by mutex_
};

}  // namespace zentrova
