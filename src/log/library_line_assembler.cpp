#include "log/library_line_assembler.h"

#include <fmt/format.h>

#include "log/plain_text.h"

namespace zentrova::detail {

bool LibraryLineAssembler::LineStarts(unsigned thread_id) const {
  const auto it = pending_.find(thread_id);
  return it == pending_.end() || it->second.text.empty();
}

std::vector<std::string> LibraryLineAssembler::Add(unsigned thread_id, const std::string& text, bool fold,
                                                   int level) {
  std::vector<std::string> lines;
  if (fold && !text.empty() && text.back() == '\n' && text == previous_) {
    ++repeat_count_;
    return lines;
  }
  if (repeat_count_ > 2)
    lines.push_back(fmt::format("{} (repeated {} times)", Trim(previous_), repeat_count_));
  else if (repeat_count_ == 2)
    lines.emplace_back(Trim(previous_));
  repeat_count_ = 0;
  if (fold) previous_ = text;

  const auto it = pending_.try_emplace(thread_id).first;
  std::string& pending = it->second.text;
  pending += text;
  it->second.level = level;
  std::size_t start = 0;
  for (std::size_t feed = pending.find('\n'); feed != std::string::npos; feed = pending.find('\n', start)) {
    lines.push_back(pending.substr(start, feed - start));
    start = feed + 1;
  }
  pending.erase(0, start);
  // A thread without an unfinished line keeps no entry: thread ids come and go.
  if (pending.empty()) pending_.erase(it);
  return lines;
}

LibraryLineAssembler::Unfinished LibraryLineAssembler::Drop(unsigned thread_id) {
  const auto it = pending_.find(thread_id);
  if (it == pending_.end()) return {};
  Unfinished unfinished = std::move(it->second);
  pending_.erase(it);
  return unfinished;
}

}  // namespace zentrova::detail
