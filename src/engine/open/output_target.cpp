#include "engine/open/output_target.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fmt/format.h>
#include <system_error>

#include "media/ff.h"

namespace zentrova {

namespace {

std::string SystemText(int error_number) {
  return std::system_category().message(error_number);
}

bool SameInode(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

std::optional<std::filesystem::path> TOutputTarget::PlainLocalPath(const std::string& library_name) {
  const char* protocol = ff::avio_find_protocol_name(library_name.c_str());
  if (!protocol || std::strcmp(protocol, "file") != 0) return std::nullopt;
  std::string_view path = library_name;
  if (path.starts_with("file:")) path.remove_prefix(5);
  if (path.empty()) return std::nullopt;
  std::filesystem::path result{std::string(path)};
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(result, error);
  // A device, a pipe or a folder is written as it is: renaming over it
  // would replace the special file itself.
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return std::nullopt;
  return result;
}

std::filesystem::path TOutputTarget::PartPath(const std::filesystem::path& final_path) {
  std::filesystem::path part = final_path;
  part += ".part";
  return part;
}

std::unique_ptr<TOutputTarget> TOutputTarget::Acquire(const std::filesystem::path& final_path,
                                                      std::string& error, bool* held_by_another) {
  if (held_by_another) *held_by_another = false;
  const std::filesystem::path part = PartPath(final_path);
  // The name is claimed by creating the file exclusively; an existing one is
  // taken over only when no writer locks it. A writer that finishes renames
  // or removes the file it locked: a file taken over must still be the one
  // under the name once locked.
  for (int attempt = 0; attempt < 8; ++attempt) {
    bool created = true;
    int fd = ::open(part.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) {
      created = false;
      fd = ::open(part.c_str(), O_RDWR | O_CLOEXEC);
      if (fd < 0 && errno == ENOENT) continue;  // its writer has just finished
    }
    if (fd < 0) {
      error = fmt::format("Could not create \"{}\": {}", part.string(), SystemText(errno));
      return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int lock_error = errno;
      ::close(fd);
      if (lock_error == EWOULDBLOCK) {
        if (held_by_another) *held_by_another = true;
        error = fmt::format("Output file \"{}\" is being written by another conversion (\"{}\" is in use).",
                            final_path.string(), part.string());
      } else {
        error = fmt::format("Could not lock \"{}\": {}", part.string(), SystemText(lock_error));
      }
      return nullptr;
    }
    struct stat held {};
    struct stat named {};
    if (::fstat(fd, &held) == 0 && ::stat(part.c_str(), &named) == 0 && SameInode(held, named)) {
      if (!created && ::ftruncate(fd, 0) != 0) {
        error = fmt::format("Could not empty \"{}\": {}", part.string(), SystemText(errno));
        ::close(fd);
        return nullptr;
      }
      return std::unique_ptr<TOutputTarget>(new TOutputTarget(final_path, fd));
    }
    ::close(fd);  // renamed or removed by its writer meanwhile: try the name again
  }
  error = fmt::format("Could not lock \"{}\": it keeps changing.", part.string());
  return nullptr;
}

TOutputTarget::TOutputTarget(std::filesystem::path final_path, int fd)
    : final_path_(std::move(final_path)), part_path_(PartPath(final_path_)), fd_(fd) {}

TOutputTarget::~TOutputTarget() {
  Abandon();
}

std::string TOutputTarget::LibraryPartName() const {
  return "file:" + part_path_.string();
}

void TOutputTarget::Unlock() {
  if (fd_ < 0) return;
  ::close(fd_);  // releases the lock
  fd_ = -1;
}

bool TOutputTarget::Commit(bool keep_existing, std::string& error) {
  if (fd_ < 0) {
    error = fmt::format("\"{}\" is no longer held.", part_path_.string());
    return false;
  }
  // With keep_existing a hard link refuses an existing name atomically; a
  // file system without hard links gets a check, then the rename.
  bool linked = false;
  int ret = -1;
  if (keep_existing) {
    ret = ::link(part_path_.c_str(), final_path_.c_str());
    linked = ret == 0;
    if (ret != 0 && errno != EEXIST) {
      struct stat existing {};
      if (::lstat(final_path_.c_str(), &existing) == 0)
        errno = EEXIST;
      else
        ret = ::rename(part_path_.c_str(), final_path_.c_str());
    }
  } else {
    ret = ::rename(part_path_.c_str(), final_path_.c_str());
  }
  if (ret != 0) {
    error = errno == EEXIST ? fmt::format("File \"{}\" already exists. Ignore.", final_path_.string())
                            : fmt::format("Could not rename \"{}\" to \"{}\": {}", part_path_.string(),
                                          final_path_.string(), SystemText(errno));
    Abandon();
    return false;
  }
  if (linked) ::unlink(part_path_.c_str());
  Unlock();
  return true;
}

void TOutputTarget::Abandon() {
  if (fd_ < 0) return;
  ::unlink(part_path_.c_str());  // still locked: nobody else has taken it over
  Unlock();
}

}  // namespace zentrova
