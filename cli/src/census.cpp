#include "census.hpp"

#include "fsys.hpp"
#include "text.hpp"

namespace cli {

std::string_view ext(Lang lang) { return languages::of(lang).ext; }

std::string all_exts() {
  std::string out;
  for (const languages::Language& language : languages::all()) {
    if (!out.empty()) out += '/';
    out += language.ext;
  }
  return out;
}

std::optional<Lang> classify(std::string_view name) {
  // The first row whose rule counts the name decides; none counts a name under three bytes.
  for (const languages::Language& language : languages::all()) {
    if (language.counts(name)) return language.lang;
  }
  return std::nullopt;
}

Census source_counts(const std::string& root) {
  Census counts;
  // Nothing the census meets fails it: unlistable directories are passed over.
  (void)fsys::walk(
      root, {.skip = languages::census_skips, .follow_links = true, .pass_over_unlistable = true},
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
  if (*lang == Lang::Rust) {
    const auto files = dodureriradi::survey_dir(dir);
    if (!files) return std::nullopt;
    return port::Survey::from_rust(*files, label);
  }
  const languages::Language& language = languages::of(*lang);
  auto survey =
      port::survey_lexical(dir, label, language.reads, language.skips, language.recognise);
  if (!survey) return std::nullopt;
  return std::move(*survey);
}

std::expected<std::vector<dodureriradi::SurveyedFile>, std::uint8_t> surveyed(const Args& args,
                                                                              Sink& sink) {
  const std::string path = path_arg(args);
  auto files = dodureriradi::survey_dir(path);
  if (!files) {
    sink.err("cannot survey " + path + ": " + files.error().message + "\n");
    return std::unexpected(std::uint8_t{1});
  }
  if (files->empty()) {
    sink.err("no .rs files under " + path + "\n");
    return std::unexpected(std::uint8_t{1});
  }
  return std::move(*files);
}

}  // namespace cli
