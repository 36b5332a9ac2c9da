// End-to-end cases of the command line, kept as data under tests/cli/<case>/:
//   cmd     a shell command run with /bin/sh in a scratch copy of the case directory; $QK is the
//           tool, and `quillon` (the launcher) is on PATH
//   stdout, stderr, status   what it must print and return (a missing file means empty / 0)
//   fixtures  optional; lines "NAME DEST": tests/fixtures/NAME is copied to DEST in the copy
//             of the case, so cases share their trees; a NAME with a '/' is a path from the
//             source directory (samples/port/legacy: the README's trees serve the cases too)
// Set UPDATE_GOLDEN=1 to rewrite the expectations from what the tool does now.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support.hpp"

namespace {

namespace fs = std::filesystem;

const fs::path kCases = fs::path(QK_SOURCE_DIR) / "tests" / "cli";
const fs::path kFixtures = fs::path(QK_SOURCE_DIR) / "tests" / "fixtures";

void copy_fixtures(const fs::path& dir, const fs::path& work) {
  std::istringstream lines(support::slurp((dir / "fixtures").string()));
  std::string name, dest;
  while (lines >> name >> dest) {
    const fs::path from =
        name.find('/') == std::string::npos ? kFixtures / name : fs::path(QK_SOURCE_DIR) / name;
    const fs::path to = work / dest;
    if (fs::is_directory(from)) fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  }
}

std::vector<std::string> case_names() {
  std::vector<std::string> names;
  if (!fs::is_directory(kCases)) return names;
  for (const auto& entry : fs::directory_iterator(kCases)) {
    if (entry.is_directory() && fs::exists(entry.path() / "cmd")) {
      names.push_back(entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct Outcome {
  std::string out, err;
  int status = 0;
};

Outcome run_case(const fs::path& work, const std::string& command, const fs::path& scratch) {
  const std::string out_file = (scratch / "stdout").string();
  const std::string err_file = (scratch / "stderr").string();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(work.c_str()) != 0) ::_exit(127);
    const int out = ::open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int in = ::open("/dev/null", O_RDONLY);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    const std::string path =
        std::string(QK_BINARY_DIR) + ":" + (std::getenv("PATH") ?: "/usr/bin:/bin");
    ::setenv("PATH", path.c_str(), 1);
    ::setenv("QK", (std::string(QK_BINARY_DIR) + "/quillon-keystone").c_str(), 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    ::unsetenv("NO_COLOR");
    ::execl("/usr/bin/timeout", "timeout", "120", "/bin/sh", "-c", command.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  Outcome outcome;
  outcome.out = support::slurp(out_file);
  outcome.err = support::slurp(err_file);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return outcome;
}

void write_or_remove(const fs::path& file, const std::string& content, bool keep_empty = false) {
  if (content.empty() && !keep_empty) {
    fs::remove(file);
    return;
  }
  std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
}

class CliCase : public testing::TestWithParam<std::string> {};

TEST_P(CliCase, MatchesGolden) {
  const fs::path dir = kCases / GetParam();
  support::TempDir scratch;
  const fs::path work = fs::path(scratch.path()) / "case";
  fs::copy(dir, work, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  copy_fixtures(dir, work);
  const std::string command = support::slurp((dir / "cmd").string());
  const Outcome got = run_case(work, command, scratch.path());

  const char* update = std::getenv("UPDATE_GOLDEN");
  if (update && *update && std::string(update) != "0") {
    write_or_remove(dir / "stdout", got.out);
    write_or_remove(dir / "stderr", got.err);
    write_or_remove(dir / "status", got.status == 0 ? "" : std::to_string(got.status) + "\n");
    return;
  }
  const std::string status_text = support::slurp((dir / "status").string());
  const int want_status = status_text.empty() ? 0 : std::atoi(status_text.c_str());
  EXPECT_EQ(got.out, support::slurp((dir / "stdout").string())) << "stdout of " << GetParam();
  EXPECT_EQ(got.err, support::slurp((dir / "stderr").string())) << "stderr of " << GetParam();
  EXPECT_EQ(got.status, want_status) << "status of " << GetParam();
}

// Every ```console block of the README: its "$ build/quillon ..." command, run from the source
// directory, prints exactly the lines that follow it.
TEST(Readme, ExamplesPrintWhatTheySay) {
  const std::string readme = support::slurp((fs::path(QK_SOURCE_DIR) / "README.md").string());
  ASSERT_FALSE(readme.empty());
  std::size_t pos = 0, examples = 0;
  const std::string open = "```console\n$ ", close = "```\n";
  while ((pos = readme.find(open, pos)) != std::string::npos) {
    const std::size_t command_start = pos + open.size();
    const std::size_t command_end = readme.find('\n', command_start);
    const std::size_t end = readme.find(close, command_end);
    ASSERT_NE(end, std::string::npos);
    std::string command = readme.substr(command_start, command_end - command_start);
    const std::string expected = readme.substr(command_end + 1, end - command_end - 1);
    const std::string program = "build/quillon ";
    ASSERT_TRUE(command.starts_with(program)) << command;
    command = "cd " + std::string(QK_SOURCE_DIR) + " && " + std::string(QK_BINARY_DIR) +
              "/quillon " + command.substr(program.size()) + " 2>/dev/null";
    std::string got;
    support::run_shell(command, &got);
    EXPECT_EQ(got, expected) << command;
    ++examples;
    pos = end;
  }
  EXPECT_GT(examples, 0u);
}

INSTANTIATE_TEST_SUITE_P(Golden, CliCase, testing::ValuesIn(case_names()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           return support::test_name(info.param);
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CliCase);

}  // namespace
