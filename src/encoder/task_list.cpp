#include "encoder/task_list.h"

#include <fmt/format.h>
#include <stdexcept>
#include <utility>

namespace zentrova {

int TFFmpegList::Add(TTaskPtr task) {
  std::lock_guard lock(mutex_);
  list_.push_back(std::move(task));
  return static_cast<int>(list_.size()) - 1;
}

std::vector<TFFmpegList::TTaskPtr> TFFmpegList::Clear() {
  std::lock_guard lock(mutex_);
  std::vector<TTaskPtr> removed;
  removed.swap(list_);
  return removed;
}

TFFmpegList::TTaskPtr TFFmpegList::Delete(int index) {
  std::lock_guard lock(mutex_);
  CheckIndex(index);
  TTaskPtr removed = std::move(list_[static_cast<std::size_t>(index)]);
  list_.erase(list_.begin() + index);
  return removed;
}

void TFFmpegList::Exchange(int index1, int index2) {
  std::lock_guard lock(mutex_);
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(list_[static_cast<std::size_t>(index1)], list_[static_cast<std::size_t>(index2)]);
}

TFFmpegList::TTaskPtr TFFmpegList::Item(int index) const {
  std::lock_guard lock(mutex_);
  CheckIndex(index);
  return list_[static_cast<std::size_t>(index)];
}

bool TFFmpegList::Present(int index) const {
  std::lock_guard lock(mutex_);
  return index >= 0 && index < static_cast<int>(list_.size()) && list_[static_cast<std::size_t>(index)];
}

int TFFmpegList::IndexOf(const TFFmpegTask* task) const {
  if (!task) return -1;
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < list_.size(); ++i) {
    if (list_[i].get() == task) return static_cast<int>(i);
  }
  return -1;
}

std::pair<int, TFFmpegList::TTaskPtr> TFFmpegList::Locate(const TFFmpegTask* task) const {
  if (!task) return {-1, nullptr};
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < list_.size(); ++i) {
    if (list_[i].get() == task) return {static_cast<int>(i), list_[i]};
  }
  return {-1, nullptr};
}

int TFFmpegList::Count() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(list_.size());
}

std::vector<TFFmpegList::TTaskPtr> TFFmpegList::Snapshot() const {
  std::lock_guard lock(mutex_);
  std::vector<TTaskPtr> tasks;
  tasks.reserve(list_.size());
  for (const TTaskPtr& task : list_) {
    if (task) tasks.push_back(task);
  }
  return tasks;
}

TFFmpegList::TTaskPtr TFFmpegList::Release(const std::weak_ptr<TFFmpeg>& task) {
  const TTaskPtr target = task.lock();
  if (!target) return nullptr;
  std::lock_guard lock(mutex_);
  for (TTaskPtr& entry : list_) {
    if (entry == target) return std::move(entry);
  }
  return nullptr;
}

void TFFmpegList::CheckIndex(int index) const {
  if (index < 0 || index >= static_cast<int>(list_.size())) {
    throw std::out_of_range(fmt::format("List index out of bounds ({})", index));
  }
}

}  // namespace zentrova
