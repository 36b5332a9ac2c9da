#include "census.hpp"

#include <array>

#include "fsys.hpp"
#include "text.hpp"

namespace cli {

std::string_view ext(Lang lang) {
  static constexpr std::array<std::string_view, 7> kExts{".rs", ".go", ".swift", ".ts",
                                                         ".kt", ".py", ".zig"};
  return kExts[static_cast<std::size_t>(lang)];
}

std::string all_exts() {
  std::string out;
  for (const Lang lang : kLangs) {
    if (!out.empty()) out += '/';
    out += ext(lang);
  }
  return out;
}

std::optional<Lang> classify(std::string_view n) {
  if (n.size() < 3) return std::nullopt;
  const auto ends = [&](std::string_view s) { return n.ends_with(s); };
  if (ends(".rs")) return Lang::Rust;
  if (ends(".go")) return ends("_test.go") ? std::nullopt : std::optional(Lang::Go);
  if (ends(".swift")) return Lang::Swift;
  if (ends(".ts") || ends(".tsx")) {
    const bool test = ends(".d.ts") || n.find(".test.") != std::string_view::npos ||
                      n.find(".spec.") != std::string_view::npos;
    return test ? std::nullopt : std::optional(Lang::TypeScript);
  }
  if (ends(".kt")) {
    return ends("Test.kt") || ends("Tests.kt") ? std::nullopt : std::optional(Lang::Kotlin);
  }
  if (ends(".py")) {
    const bool test = n.starts_with("test_") || ends("_test.py") || n == "conftest.py";
    return test ? std::nullopt : std::optional(Lang::Python);
  }
  if (ends(".zig")) return Lang::Zig;
  return std::nullopt;
}

namespace {

bool skipped_dir(std::string_view name) {
  static constexpr std::array<std::string_view, 14> kSkip{
      "out",         "Pods",        "dist",         "venv",         "build",
      "target",      "vendor",      "gradle",       "zig-out",      "coverage",
      "DerivedData", "__pycache__", "node_modules", "site-packages"};
  if (name.starts_with('.') || name.ends_with(".egg-info")) return true;
  for (const std::string_view s : kSkip) {
    if (name == s) return true;
  }
  return false;
}

}  // namespace

Census source_counts(const std::string& root) {
  Census counts;
  // Nothing the census meets fails it: unlistable directories are passed over.
  (void)fsys::walk(root, {.skip = skipped_dir, .follow_links = true, .pass_over_unlistable = true},
                   [&](const fsys::WalkEntry& entry) -> std::expected<void, fsys::IoError> {
                     if (const auto lang = classify(text::lossy(entry.name))) ++counts[*lang];
                     return {};
                   });
  return counts;
}

std::optional<Lang> dominant(const Census& counts) {
  std::optional<Lang> best;
  std::size_t best_count = 0;
  for (const auto& [lang, count] : counts) {  // in language order, so ties keep the earlier
    if (count > best_count) {
      best = lang;
      best_count = count;
    }
  }
  return best;
}

std::vector<std::string> other_langs(Lang dominant_lang, const Census& counts) {
  std::vector<std::string> out;
  for (const auto& [lang, count] : counts) {
    if (lang != dominant_lang) out.push_back(std::to_string(count) + " " + std::string(ext(lang)));
  }
  return out;
}

}  // namespace cli

#include "cli.hpp"
#include "output.hpp"

namespace cli {

std::optional<port::Survey> survey_any(const std::string& dir, std::string_view label) {
  const auto lang = dominant(source_counts(dir));
  if (!lang) return std::nullopt;
  std::expected<port::Survey, fsys::IoError> survey;
  switch (*lang) {
    case Lang::Rust: {
      const auto files = dodureriradi::survey_dir(dir);
      if (!files) return std::nullopt;
      return port::Survey::from_rust(*files, label);
    }
    case Lang::Go:
      survey = port::survey_go_dir(dir, label);
      break;
    case Lang::Swift:
      survey = port::survey_swift_dir(dir, label);
      break;
    case Lang::TypeScript:
      survey = port::survey_ts_dir(dir, label);
      break;
    case Lang::Kotlin:
      survey = port::survey_kotlin_dir(dir, label);
      break;
    case Lang::Python:
      survey = port::survey_python_dir(dir, label);
      break;
    case Lang::Zig:
      survey = port::survey_zig_dir(dir, label);
      break;
  }
  if (!survey) return std::nullopt;
  return std::move(*survey);
}

std::expected<std::vector<dodureriradi::SurveyedFile>, std::uint8_t> surveyed(const Args& args) {
  const std::string path = path_arg(args);
  auto files = dodureriradi::survey_dir(path);
  if (!files) {
    output::err("cannot survey " + path + ": " + files.error().message + "\n");
    return std::unexpected(std::uint8_t{1});
  }
  if (files->empty()) {
    output::err("no .rs files under " + path + "\n");
    return std::unexpected(std::uint8_t{1});
  }
  return std::move(*files);
}

}  // namespace cli
