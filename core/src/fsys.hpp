// File-system access for the surveys and the command line: directory listings, the one tree walk
// every survey and census takes, file status, whole-file reads and writes, and the components of
// a path, with failures carried as values holding the system's own error text.
#pragma once

#include <cstdint>
#include <expected>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "text.hpp"

namespace fsys {

/// An I/O failure; `message` is the user text, e.g. "No such file or directory (os error 2)" or
/// "stream did not contain valid UTF-8".
struct IoError {
  std::string message;
};

/// The text of a system error number: the C library's message and " (os error N)".
IoError os_error(int errnum);

/// The error a whole-file read gives for content that is not valid UTF-8.
IoError invalid_utf8();

enum class EntryType : std::uint8_t { File, Directory, Symlink, Other };

struct DirEntry {
  std::string name;  // the raw bytes of the name, as the system returned them
  EntryType type;    // the entry's own type: a symbolic link is not followed
};

/// Lists a directory in the file system's order ("." and ".." left out). An entry whose type the
/// listing does not report is asked with lstat; a failure there fails the listing.
std::expected<std::vector<DirEntry>, IoError> list_dir(const std::string& path);

/// Reads a whole file (following symbolic links) without checking its encoding. Only regular
/// files are read: a directory fails with EISDIR, and a FIFO, socket or device fails with EINVAL
/// without blocking, since it is opened non-blocking and never read.
std::expected<std::string, IoError> read_file(const std::string& path);

/// Reads a whole file as UTF-8 text; content that is not valid UTF-8 gives `invalid_utf8()`.
std::expected<std::string, IoError> read_text(const std::string& path);

/// Writes `content` as the whole file, creating it or truncating it.
std::expected<void, IoError> write_file(const std::string& path, std::string_view content);

/// Whether `path`, following symbolic links, is a directory; false when its status is unknown.
bool is_directory(const std::string& path);

/// `dir` joined with `name` by one '/' (no '/' added when `dir` is empty or ends with one).
std::string join(std::string_view dir, std::string_view name);

// ---------------------------------------------------------------------------------------------
// Tree walk

/// A test on a file or directory name.
using NameRule = bool (*)(std::string_view name);

/// How `walk` goes through a tree. The root itself is always listed, whatever its name.
struct WalkRules {
  /// Directories below the root that are not entered, by name (bytes that are not UTF-8 tested
  /// as U+FFFD); hidden directories (a name beginning with '.') are not entered either.
  NameRule skip = nullptr;
  /// Hidden directories are entered like any other.
  bool hidden = false;
  /// A directory is an entry whose status, through symbolic links, says so, and a link to a
  /// directory is entered unless that directory is already on the current path (a cycle of
  /// links). Otherwise a directory is an entry the listing reports as one, and no link is entered.
  bool follow_links = false;
  /// A directory that cannot be listed is passed over; otherwise its error ends the walk.
  bool pass_over_unlistable = false;
  /// A directory is walked whole where its parent's listing names it. Otherwise a directory's
  /// other entries come first, then its subdirectories, the last one found first.
  bool nested = false;
};

/// An entry that `walk` does not enter: a file, a link it does not follow, or anything else that
/// is not a directory.
struct WalkEntry {
  const std::string& dir;   // the directory listed: the root joined with the names below it
  const std::string& rel;   // that directory relative to the root: its names as text joined
                            // with '/', non-UTF-8 bytes as U+FFFD; empty for the root
  std::string_view name;    // the entry's name, the bytes the system gave
  EntryType type;           // as listed: a symbolic link is not followed
  const std::string& path;  // `dir` joined with `name`

  /// The entry's path relative to the root, written like `rel`.
  std::string relative() const;
};

/// Called with each entry the walk does not enter; an error ends the walk with it.
using WalkVisitor = std::function<std::expected<void, IoError>(const WalkEntry& entry)>;

/// Walks the tree below `root`, each directory's entries in the file system's order, and hands
/// `visit` every entry it does not enter as a directory. The first error, of a listing that is
/// not passed over or of `visit`, ends the walk.
std::expected<void, IoError> walk(const std::string& root, const WalkRules& rules,
                                  const WalkVisitor& visit);

// ---------------------------------------------------------------------------------------------
// Path components, as the platform's path library sees them. The views point into the path, so
// a temporary path is refused.

/// One component of a path and its byte range in the path's text.
struct Component {
  std::string_view text;
  std::size_t begin = 0;
  std::size_t end = 0;
};

/// The components of `path`: a leading '/' is one component (the root), empty names vanish, and
/// "." counts only at the very start of a relative path.
std::vector<Component> components(std::string_view path);
std::vector<Component> components(text::TemporaryString auto&& path) = delete;

/// The last component when it names a file; empty when there is none, or it is the root, "." or
/// "..". So "src/a.rs" gives "a.rs", "src/" gives "src" and "src/.." gives nothing.
std::string_view file_name(std::string_view path);
std::string_view file_name(text::TemporaryString auto&& path) = delete;

/// The file name up to its last '.'; the whole name when it has no '.' or its only '.' is its
/// first character ("src/a.b.rs" gives "a.b", "src/.hidden" gives ".hidden").
std::string_view file_stem(std::string_view path);
std::string_view file_stem(text::TemporaryString auto&& path) = delete;

/// The file name after its last '.'; empty when it has no '.' or its only '.' is its first
/// character ("src/a.rs" gives "rs", "src/.rs" nothing).
std::string_view extension(std::string_view path);
std::string_view extension(text::TemporaryString auto&& path) = delete;

}  // namespace fsys
