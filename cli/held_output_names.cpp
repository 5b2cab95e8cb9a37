#include "cli/held_output_names.h"

#include <filesystem>
#include <regex>
#include <string_view>
#include <system_error>

#include "convert/library_names.h"

namespace zentrova::cli {
namespace {

constexpr std::string_view kFilePrefix = "file:";

std::string WithoutFilePrefix(const std::string& library_name) {
  return library_name.starts_with(kFilePrefix) ? library_name.substr(kFilePrefix.size()) : library_name;
}

}  // namespace

bool SplitAutomaticName(const std::string& output, std::string& base, std::string& extension) {
  static const std::regex kAutomatic(R"(^(.*)_\(new(_[0-9]+)?\)(\.[^./]*)?$)");
  std::smatch match;
  if (!std::regex_match(output, match, kAutomatic) || match[1].length() == 0) return false;
  base = match[1].str();
  extension = match[3].str();
  return true;
}

void THeldOutputNames::Reserve(const std::string& file_name) {
  std::lock_guard lock(mutex_);
  taken_.Claim(file_name);
}

void THeldOutputNames::AddTask(int task_index, const std::string& output, bool named_by_user) {
  TTaskOutput task;
  task.Output = output;
  if (!named_by_user) SplitAutomaticName(output, task.Base, task.Extension);  // else no Base: kept
  std::lock_guard lock(mutex_);
  tasks_[task_index] = std::move(task);
}

std::string THeldOutputNames::NextName(int task_index, const std::string& held_library_name) {
  std::lock_guard lock(mutex_);
  const auto it = tasks_.find(task_index);
  if (it == tasks_.end() || it->second.Base.empty()) return {};
  taken_.Claim(WithoutFilePrefix(held_library_name));
  const auto exists = [](const std::string& name) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(name), error);
  };
  const auto taken = [this](const std::string& name) { return taken_.Contains(name); };
  TTaskOutput& task = it->second;
  task.Output = app::ChooseOutputFileName(task.Base, task.Extension, existing_ == TExistingOutputs::eoReplace,
                                          exists, taken);
  taken_.Claim(task.Output);
  return app::LocalFileUrl(task.Output);
}

std::string THeldOutputNames::Output(int task_index) const {
  std::lock_guard lock(mutex_);
  const auto it = tasks_.find(task_index);
  return it == tasks_.end() ? std::string() : it->second.Output;
}

}  // namespace zentrova::cli
