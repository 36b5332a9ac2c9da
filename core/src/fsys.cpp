#include "fsys.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include "text.hpp"

namespace fsys {

IoError os_error(int errnum) {
  return IoError{std::string(std::strerror(errnum)) + " (os error " + std::to_string(errnum) + ")"};
}

IoError invalid_utf8() { return IoError{"stream did not contain valid UTF-8"}; }

namespace {

EntryType type_of_mode(mode_t mode) {
  if (S_ISREG(mode)) return EntryType::File;
  if (S_ISDIR(mode)) return EntryType::Directory;
  if (S_ISLNK(mode)) return EntryType::Symlink;
  return EntryType::Other;
}

// Closes a descriptor or directory stream on every path out of a function.
struct FdGuard {
  int fd;
  ~FdGuard() {
    if (fd >= 0) ::close(fd);
  }
};
struct DirGuard {
  DIR* dir;
  ~DirGuard() {
    if (dir) ::closedir(dir);
  }
};

}  // namespace

std::expected<std::vector<DirEntry>, IoError> list_dir(const std::string& path) {
  DirGuard guard{::opendir(path.c_str())};
  if (!guard.dir) return std::unexpected(os_error(errno));
  std::vector<DirEntry> entries;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(guard.dir);
    if (!entry) {
      if (errno != 0) return std::unexpected(os_error(errno));
      break;
    }
    std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    EntryType type = EntryType::Other;
    switch (entry->d_type) {
      case DT_REG:
        type = EntryType::File;
        break;
      case DT_DIR:
        type = EntryType::Directory;
        break;
      case DT_LNK:
        type = EntryType::Symlink;
        break;
      case DT_UNKNOWN: {
        struct stat st;
        if (::fstatat(::dirfd(guard.dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
          return std::unexpected(os_error(errno));
        }
        type = type_of_mode(st.st_mode);
        break;
      }
      default:
        type = EntryType::Other;
        break;
    }
    entries.push_back(DirEntry{std::string(name), type});
  }
  return entries;
}

std::expected<std::string, IoError> read_file(const std::string& path) {
  FdGuard guard{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
  if (guard.fd < 0) return std::unexpected(os_error(errno));
  struct stat st;
  if (::fstat(guard.fd, &st) != 0) return std::unexpected(os_error(errno));
  if (S_ISDIR(st.st_mode)) return std::unexpected(os_error(EISDIR));
  if (!S_ISREG(st.st_mode)) return std::unexpected(os_error(EINVAL));
  // Read straight into the text, sized by the file's status; a file that has grown since is
  // read on in chunks, and one that has shrunk is cut where its data ends.
  std::string content;
  std::size_t have = 0;
  int failure = 0;
  const auto size = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
  content.resize_and_overwrite(size, [&](char* data, std::size_t n) {
    while (have < n) {
      const ssize_t got = ::read(guard.fd, data + have, n - have);
      if (got < 0) {
        if (errno == EINTR) continue;
        failure = errno;
        break;
      }
      if (got == 0) break;
      have += static_cast<std::size_t>(got);
    }
    return have;
  });
  if (failure != 0) return std::unexpected(os_error(failure));
  if (have < size) return content;
  char chunk[1 << 16];
  for (;;) {
    const ssize_t n = ::read(guard.fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(os_error(errno));
    }
    if (n == 0) break;
    content.append(chunk, static_cast<std::size_t>(n));
  }
  return content;
}

std::expected<std::string, IoError> read_text(const std::string& path) {
  auto content = read_file(path);
  if (content && !text::is_utf8(*content)) return std::unexpected(invalid_utf8());
  return content;
}

std::expected<void, IoError> write_file(const std::string& path, std::string_view content) {
  FdGuard guard{::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)};
  if (guard.fd < 0) return std::unexpected(os_error(errno));
  while (!content.empty()) {
    const ssize_t n = ::write(guard.fd, content.data(), content.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(os_error(errno));
    }
    content.remove_prefix(static_cast<std::size_t>(n));
  }
  const int fd = guard.fd;
  guard.fd = -1;
  if (::close(fd) != 0) return std::unexpected(os_error(errno));
  return {};
}

namespace {

// The status of a path through symbolic links: whether it is a directory, and its identity.
struct Status {
  bool directory = false;
  std::uint64_t dev = 0;
  std::uint64_t ino = 0;
};

std::optional<Status> status_of(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return Status{S_ISDIR(st.st_mode), static_cast<std::uint64_t>(st.st_dev),
                static_cast<std::uint64_t>(st.st_ino)};
}

// One directory on the walk's current path, linked towards the root; a link back to any of them
// closes a cycle and is not entered.
struct Ancestor {
  std::uint64_t dev = 0;
  std::uint64_t ino = 0;
  std::shared_ptr<const Ancestor> up;
};

bool on_path(const Ancestor* a, std::uint64_t dev, std::uint64_t ino) {
  for (; a != nullptr; a = a->up.get()) {
    if (a->dev == dev && a->ino == ino) return true;
  }
  return false;
}

// A directory the walk has yet to list or to finish.
struct Pending {
  std::string dir;
  std::string rel;
  std::shared_ptr<const Ancestor> self;  // with links followed: it and the directories above it
                                         // (none for a root whose status is unknown)
  bool listed = false;
  std::vector<DirEntry> entries;
  std::size_t next = 0;        // the next entry to look at
  std::vector<Pending> later;  // subdirectories met, walked once this directory is done
};

std::string relative_name(const std::string& rel, std::string_view name) {
  std::string out;
  out.reserve(rel.size() + 1 + name.size());
  out += rel;
  if (!rel.empty()) out += '/';
  if (text::is_utf8(name)) {
    out += name;
  } else {
    out += text::lossy(name);
  }
  return out;
}

}  // namespace

bool is_directory(const std::string& path) {
  const auto status = status_of(path);
  return status && status->directory;
}

std::string WalkEntry::relative() const { return relative_name(rel, name); }

std::expected<void, IoError> walk(const std::string& root, const WalkRules& rules,
                                  const WalkVisitor& visit) {
  std::vector<Pending> stack(1);
  stack.front().dir = root;
  if (rules.follow_links) {
    if (const auto status = status_of(root)) {
      stack.front().self = std::make_shared<const Ancestor>(status->dev, status->ino, nullptr);
    }
  }
  while (!stack.empty()) {
    Pending& top = stack.back();
    if (!top.listed) {
      auto listing = list_dir(top.dir);
      if (!listing) {
        if (!rules.pass_over_unlistable) return std::unexpected(std::move(listing.error()));
        stack.pop_back();
        continue;
      }
      top.entries = std::move(*listing);
      top.listed = true;
    }
    if (top.next == top.entries.size()) {
      std::vector<Pending> later = std::move(top.later);
      stack.pop_back();
      for (Pending& sub : later) stack.push_back(std::move(sub));
      continue;
    }
    const DirEntry& entry = top.entries[top.next++];
    std::string path = join(top.dir, entry.name);
    std::optional<Status> directory;
    if (!rules.follow_links) {
      if (entry.type == EntryType::Directory) directory = Status{true};
    } else if (entry.type == EntryType::Directory || entry.type == EntryType::Symlink) {
      directory = status_of(path);
      if (directory && !directory->directory) directory.reset();
    }
    if (!directory) {
      if (auto visited = visit(WalkEntry{top.dir, top.rel, entry.name, entry.type, path});
          !visited) {
        return visited;
      }
      continue;
    }
    if (!rules.hidden && entry.name.starts_with('.')) continue;
    if (rules.skip != nullptr && rules.skip(text::lossy(entry.name))) continue;
    Pending sub{std::move(path), relative_name(top.rel, entry.name)};
    if (rules.follow_links) {
      if (on_path(top.self.get(), directory->dev, directory->ino)) continue;
      sub.self = std::make_shared<const Ancestor>(directory->dev, directory->ino, top.self);
    }
    if (rules.nested) {
      stack.push_back(std::move(sub));  // `top` and `entry` are not used again
    } else {
      top.later.push_back(std::move(sub));
    }
  }
  return {};
}

std::string join(std::string_view dir, std::string_view name) {
  std::string out(dir);
  if (!out.empty() && out.back() != '/') out += '/';
  out += name;
  return out;
}

namespace {

// Calls `each` with every component of `path`, by the rule `components` states.
template <typename Each>
void for_each_component(std::string_view path, Each&& each) {
  std::size_t pos = 0;
  if (path.starts_with('/')) {
    each(Component{path.substr(0, 1), 0, 1});
    pos = 1;
  }
  while (pos <= path.size()) {
    std::size_t next = path.find('/', pos);
    if (next == std::string_view::npos) next = path.size();
    const std::string_view name = path.substr(pos, next - pos);
    if (!name.empty() && (name != "." || pos == 0)) each(Component{name, pos, next});
    pos = next + 1;
  }
}

// Where a file name's extension begins: one past its last '.', or npos when the name has no '.'
// or its only '.' is its first character.
std::size_t extension_start(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? std::string_view::npos : dot + 1;
}

}  // namespace

std::vector<Component> components(std::string_view path) {
  std::vector<Component> out;
  for_each_component(path, [&](const Component& c) { out.push_back(c); });
  return out;
}

std::string_view file_name(std::string_view path) {
  std::string_view last;
  for_each_component(path, [&](const Component& c) { last = c.text; });
  if (last == "/" || last == "." || last == "..") return {};
  return last;
}

std::string_view file_stem(std::string_view path) {
  const std::string_view name = file_name(path);
  const std::size_t start = extension_start(name);
  return start == std::string_view::npos ? name : name.substr(0, start - 1);
}

std::string_view extension(std::string_view path) {
  const std::string_view name = file_name(path);
  const std::size_t start = extension_start(name);
  return start == std::string_view::npos ? std::string_view() : name.substr(start);
}

}  // namespace fsys
