#include "dodureriradi.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "graph.hpp"
#include "languages.hpp"
#include "parser.hpp"
#include "text.hpp"

namespace dodureriradi {

namespace {

// The first occurrence of `from` in `s` at or after `pos`, as `find` gives it, but looked for by
// the pattern's first character that is not a space: in token text the spaces are everywhere,
// and a search led by them stops at each one.
std::size_t find_step(std::string_view s, std::string_view from, std::size_t pos) {
  const std::size_t anchor = from.find_first_not_of(' ');
  const char* const data = s.data();
  for (std::size_t at = pos + anchor; at < s.size(); ++at) {
    const void* hit = std::memchr(data + at, from[anchor], s.size() - at);
    if (hit == nullptr) break;
    at = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
    const std::size_t start = at - anchor;
    if (start + from.size() > s.size()) break;
    std::size_t k = 0;
    while (k < from.size() && data[start + k] == from[k]) ++k;
    if (k == from.size()) return start;
  }
  return std::string_view::npos;
}

// Every occurrence of `from` replaced by the shorter `to`, scanning from the left without
// overlap, in place: the text written never overtakes the text still to be searched.
void replace_shrinking(std::string& s, std::string_view from, std::string_view to) {
  std::size_t hit = find_step(s, from, 0);
  if (hit == std::string::npos) return;
  char* const data = s.data();
  std::size_t read = 0;
  std::size_t write = 0;
  while (hit != std::string::npos) {
    if (write != read) std::memmove(data + write, data + read, hit - read);
    write += hit - read;
    std::memcpy(data + write, to.data(), to.size());
    write += to.size();
    read = hit + from.size();
    hit = find_step(s, from, read);
  }
  if (write != read) std::memmove(data + write, data + read, s.size() - read);
  write += s.size() - read;
  s.resize(write);
}

}  // namespace

std::string tidy(std::string_view input) {
  std::string result(input);
  // Every step removes a space, so none of them needs a second buffer.
  for (const auto& [from, to] : kTidySteps) replace_shrinking(result, from, to);
  return result;
}

// ---------------------------------------------------------------------------------------------
// File stems

std::string SurveyedFile::stem() const {
  const std::string_view stem = fsys::file_stem(path);
  return text::is_utf8(stem) ? std::string(stem) : text::lossy(stem);
}

// ---------------------------------------------------------------------------------------------
// Labels

std::string_view label(ConflictKind kind) {
  switch (kind) {
    case ConflictKind::Identical:
      return "IDENTICAL bodies → safe mechanical dedupe";
    case ConflictKind::SameSignatureDifferentBody:
      return "same signature, DIFFERENT body → behaviour decision, not a move";
    case ConflictKind::SignaturesDisagree:
      return "SIGNATURES DISAGREE → behaviour decision, not a move";
    case ConflictKind::Convention:
      return "uniform interface (convention) — not duplication";
    case ConflictKind::CfgAlternatives:
      return "cfg-gated alternatives — only one exists per build, nothing to merge";
  }
  return {};
}

std::string_view label(Liveness liveness) {
  switch (liveness) {
    case Liveness::ExternalQualified:
      return "live (external, qualified)";
    case Liveness::SameFileUnqualified:
      return "live (same-file unqualified) ⚠ grep-invisible";
    case Liveness::TestsOnly:
      return "live (tests only) ⚠ grep-invisible";
    case Liveness::NamedInAttribute:
      return "live (named in an attribute, e.g. serde) ⚠ grep-invisible";
    case Liveness::NoCallers:
      return "no callers found in survey";
  }
  return {};
}

namespace {

bool is_actionable(ConflictKind kind) {
  return kind == ConflictKind::Identical || kind == ConflictKind::SameSignatureDifferentBody ||
         kind == ConflictKind::SignaturesDisagree;
}

// ---------------------------------------------------------------------------------------------
// Liveness facts

/// What the survey's call sites say about one function name.
struct CallFacts {
  bool any = false;            // some call matched
  bool outside_tests = false;  // some matching call stands outside tests
  // Files whose non-test calls are qualified: the first such path, and whether another path
  // differs from it (then some file other than any home has one).
  const std::string* qualified_in = nullptr;
  bool qualified_in_two = false;
  // Paths of the files with an unqualified non-test call; sorted and unique once finished.
  std::vector<std::string_view> unqualified_in;

  void add(const RawCall& call, const std::string& path) {
    any = true;
    if (call.in_test) return;
    outside_tests = true;
    if (call.qualified) {
      if (qualified_in == nullptr) {
        qualified_in = &path;
      } else if (*qualified_in != path) {
        qualified_in_two = true;
      }
    } else if (unqualified_in.empty() || unqualified_in.back() != path) {
      unqualified_in.push_back(path);
    }
  }

  void finish() {
    std::sort(unqualified_in.begin(), unqualified_in.end());
    unqualified_in.erase(std::unique(unqualified_in.begin(), unqualified_in.end()),
                         unqualified_in.end());
  }

  /// The verdict for a definition in the file at `home`, when some call matched.
  Liveness judge(std::string_view home) const {
    if (qualified_in != nullptr && (qualified_in_two || *qualified_in != home)) {
      return Liveness::ExternalQualified;
    }
    if (!outside_tests) return Liveness::TestsOnly;
    if (std::binary_search(unqualified_in.begin(), unqualified_in.end(), home)) {
      return Liveness::SameFileUnqualified;
    }
    return Liveness::ExternalQualified;
  }
};

std::string quoted(std::string_view name) {
  std::string needle;
  needle.reserve(name.size() + 2);
  needle += '"';
  needle += name;
  needle += '"';
  return needle;
}

bool quoted_in_attributes(std::string_view name, const std::vector<SurveyedFile>& files) {
  const std::string needle = quoted(name);
  for (const SurveyedFile& file : files) {
    if (file.attr_text.find(needle) != std::string::npos) return true;
  }
  return false;
}

/// Liveness of many names over one survey: the call facts of every name are gathered in one
/// pass, and the texts that stand between two neighbouring double quotes of an attribute text
/// are gathered on first need, so each judgement is a few look-ups. Gives exactly what
/// `liveness_of` gives.
class LivenessIndex {
 public:
  explicit LivenessIndex(const std::vector<SurveyedFile>& files) : files_(files) {
    for (const SurveyedFile& file : files) {
      for (const RawCall& call : file.calls) facts_[call.name].add(call, file.path);
    }
    for (auto& [name, facts] : facts_) facts.finish();
  }

  Liveness judge(std::string_view name, std::string_view home) {
    if (const auto it = facts_.find(name); it != facts_.end()) return it->second.judge(home);
    return named_in_attribute(name) ? Liveness::NamedInAttribute : Liveness::NoCallers;
  }

 private:
  bool named_in_attribute(std::string_view name) {
    // A quoted name without a quote of its own is exactly a text between neighbouring quotes.
    if (name.find('"') != std::string_view::npos) return quoted_in_attributes(name, files_);
    if (!quoted_ready_) {
      for (const SurveyedFile& file : files_) {
        const std::string_view attrs = file.attr_text;
        std::size_t open = attrs.find('"');
        while (open != std::string_view::npos) {
          const std::size_t close = attrs.find('"', open + 1);
          if (close == std::string_view::npos) break;
          quoted_.insert(attrs.substr(open + 1, close - open - 1));
          open = close;
        }
      }
      quoted_ready_ = true;
    }
    return quoted_.contains(name);
  }

  const std::vector<SurveyedFile>& files_;
  std::unordered_map<std::string_view, CallFacts> facts_;
  std::unordered_set<std::string_view> quoted_;
  bool quoted_ready_ = false;
};

}  // namespace

Liveness liveness_of(std::string_view name, const SurveyedFile& home,
                     const std::vector<SurveyedFile>& files) {
  CallFacts facts;
  for (const SurveyedFile& file : files) {
    for (const RawCall& call : file.calls) {
      if (call.name == name) facts.add(call, file.path);
    }
  }
  if (facts.any) {
    facts.finish();
    return facts.judge(home.path);
  }
  return quoted_in_attributes(name, files) ? Liveness::NamedInAttribute : Liveness::NoCallers;
}

// ---------------------------------------------------------------------------------------------
// Duplicated names

std::vector<Conflict> find_conflicts(const std::vector<SurveyedFile>& files) {
  struct Def {
    const SurveyedFile* file;
    const SurveyedFn* fn;
  };
  std::unordered_map<std::string_view, std::vector<Def>> by_name;
  for (const SurveyedFile& file : files) {
    for (const SurveyedFn& fn : file.fns) {
      if (fn.is_test || fn.is_method) continue;
      by_name[fn.name].push_back({&file, &fn});
    }
  }
  std::vector<std::string_view> names;
  for (const auto& [name, defs] : by_name) {
    if (defs.size() >= 2) names.push_back(name);
  }
  std::sort(names.begin(), names.end());

  std::vector<Conflict> conflicts;
  if (names.empty()) return conflicts;
  LivenessIndex liveness(files);
  conflicts.reserve(names.size());
  for (const std::string_view name : names) {
    Conflict conflict;
    conflict.name = std::string(name);
    for (const Def& def : by_name[name]) {
      conflict.sites.push_back({def.file->path, def.fn->signature, def.fn->body, def.fn->cfg,
                                def.fn->is_pub, liveness.judge(name, def.file->path)});
    }
    conflicts.push_back(std::move(conflict));
  }
  return conflicts;
}

ConflictKind Conflict::kind() const {
  const std::size_t n = sites.size();
  if (n >= 5) {
    std::unordered_map<std::string_view, std::size_t> counts;
    std::size_t commonest = 0;
    for (const ConflictSite& site : sites)
      commonest = std::max(commonest, ++counts[site.signature]);
    if (static_cast<double>(commonest) / static_cast<double>(n) >= 0.8) {
      return ConflictKind::Convention;
    }
  }
  if (n >= 2 && std::all_of(sites.begin(), sites.end(),
                            [](const ConflictSite& site) { return site.cfg.has_value(); })) {
    std::unordered_set<std::string_view> predicates;
    for (const ConflictSite& site : sites) predicates.insert(*site.cfg);
    if (predicates.size() == n) return ConflictKind::CfgAlternatives;
  }
  if (n == 0) return ConflictKind::Identical;
  const ConflictSite& first = sites.front();
  const auto differs = [&](auto field) {
    return std::any_of(sites.begin(), sites.end(),
                       [&](const ConflictSite& site) { return site.*field != first.*field; });
  };
  if (differs(&ConflictSite::signature)) return ConflictKind::SignaturesDisagree;
  if (differs(&ConflictSite::body)) return ConflictKind::SameSignatureDifferentBody;
  return ConflictKind::Identical;
}

std::vector<std::pair<std::string, std::vector<const ConflictSite*>>> Conflict::signature_groups()
    const& {
  std::map<std::string_view, std::vector<const ConflictSite*>> by_signature;
  for (const ConflictSite& site : sites) by_signature[site.signature].push_back(&site);
  std::vector<std::pair<std::string, std::vector<const ConflictSite*>>> groups;
  groups.reserve(by_signature.size());
  for (auto& [signature, members] : by_signature) {
    groups.emplace_back(std::string(signature), std::move(members));
  }
  std::stable_sort(groups.begin(), groups.end(),
                   [](const auto& a, const auto& b) { return a.second.size() > b.second.size(); });
  return groups;
}

std::string_view Conflict::dominant_signature() const& {
  std::map<std::string_view, std::size_t> counts;
  for (const ConflictSite& site : sites) ++counts[site.signature];
  std::string_view best;
  std::size_t best_count = 0;
  // Key order is ascending, so `>=` leaves the greatest signature among the commonest.
  for (const auto& [signature, count] : counts) {
    if (count >= best_count) {
      best = signature;
      best_count = count;
    }
  }
  return best;
}

// ---------------------------------------------------------------------------------------------
// Reports

std::string render_duplicates(const std::vector<SurveyedFile>& files) {
  const std::vector<Conflict> conflicts = find_conflicts(files);
  if (conflicts.empty()) return "No duplicated function names across files.\n";

  struct Judged {
    const Conflict* conflict;
    ConflictKind kind;
  };
  std::vector<Judged> actionable;
  std::vector<const Conflict*> filtered;
  std::size_t identical = 0;
  for (const Conflict& conflict : conflicts) {
    const ConflictKind kind = conflict.kind();
    if (is_actionable(kind)) {
      actionable.push_back({&conflict, kind});
      if (kind == ConflictKind::Identical) ++identical;
    } else {
      filtered.push_back(&conflict);
    }
  }

  std::string out = "DUPLICATED NAMES — " + std::to_string(actionable.size()) + " actionable (" +
                    std::to_string(identical) + " provably identical), " +
                    std::to_string(filtered.size()) + " convention(s) filtered out\n\n";

  std::stable_sort(actionable.begin(), actionable.end(), [](const Judged& a, const Judged& b) {
    return static_cast<int>(a.kind) < static_cast<int>(b.kind);
  });
  const std::string indent(6, ' ');
  const std::string under = indent + text::pad_right("", 38) + " └─ ";
  for (const Judged& judged : actionable) {
    const Conflict& conflict = *judged.conflict;
    out += "  " + conflict.name + " (" + std::to_string(conflict.sites.size()) + " sites) — ";
    out += label(judged.kind);
    out += '\n';
    const auto groups = conflict.signature_groups();
    for (const auto& [signature, members] : groups) {
      if (groups.size() >= 2) {
        out += indent + "── " + std::to_string(members.size()) + " site(s) sharing: " + signature +
               '\n';
      }
      for (const ConflictSite* site : members) {
        out += indent + text::pad_right(site->path, 38) + ' ' + site->signature + '\n';
        out += under;
        out += label(site->liveness);
        if (!site->is_pub) out += "  [private]";
        out += '\n';
      }
    }
    out += '\n';
  }

  if (!filtered.empty()) {
    out += "NOT DUPLICATION (conventions and cfg-gated alternatives)\n\n";
    for (const Conflict* conflict : filtered) {
      const std::string_view dominant = conflict->dominant_signature();
      out += "  " + conflict->name + " (" + std::to_string(conflict->sites.size()) + " sites) — ";
      out += dominant;
      out += '\n';
      for (const ConflictSite& site : conflict->sites) {
        if (site.signature == dominant) continue;
        out += indent + "outlier: " + text::pad_right(site.path, 28) + ' ' + site.signature + '\n';
      }
    }
    out += '\n';
  }
  return out;
}

std::string render_invisible(const std::vector<SurveyedFile>& files) {
  std::string rows;
  std::size_t count = 0;
  LivenessIndex liveness(files);
  for (const SurveyedFile& file : files) {
    for (const SurveyedFn& fn : file.fns) {
      if (fn.is_test) continue;
      const Liveness judged = liveness.judge(fn.name, file.path);
      if (judged != Liveness::SameFileUnqualified && judged != Liveness::TestsOnly &&
          judged != Liveness::NamedInAttribute) {
        continue;
      }
      ++count;
      rows += "  " + text::pad_right(file.path, 38) + ' ' + text::pad_right(fn.name, 28) + ' ';
      rows += label(judged);
      rows += '\n';
    }
  }
  if (count == 0) return {};
  return "GREP-INVISIBLE (" + std::to_string(count) +
         " — look dead to `grep module::fn`, but are LIVE)\n\n" + rows + '\n';
}

// ---------------------------------------------------------------------------------------------
// Duplication graph

namespace {

std::string pen_width(std::size_t shared) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", static_cast<double>(shared) + 1.0);
  return buffer;
}

}  // namespace

std::string duplication_dot(const std::vector<SurveyedFile>& files) {
  // Every pair of sites of an actionable conflict in two different files adds the conflict's
  // name to the edge between those files. The files are numbered as they are met, so a pair
  // costs one look-up by two numbers; an edge keeps its first three names, all a label shows.
  struct Pairing {
    std::array<std::string_view, 3> names;
    std::size_t count = 0;
    bool diverged = false;
  };
  std::unordered_map<std::string_view, std::uint32_t> number_of;
  std::vector<std::string_view> path_of;
  std::unordered_map<std::uint64_t, Pairing> pairings;
  std::vector<std::uint32_t> site_numbers;
  const std::vector<Conflict> conflicts = find_conflicts(files);
  for (const Conflict& conflict : conflicts) {
    const ConflictKind kind = conflict.kind();
    if (!is_actionable(kind)) continue;
    const std::vector<ConflictSite>& sites = conflict.sites;
    site_numbers.clear();
    for (const ConflictSite& site : sites) {
      const auto [it, added] =
          number_of.try_emplace(site.path, static_cast<std::uint32_t>(path_of.size()));
      if (added) path_of.push_back(site.path);
      site_numbers.push_back(it->second);
    }
    for (std::size_t i = 0; i < sites.size(); ++i) {
      for (std::size_t j = i + 1; j < sites.size(); ++j) {
        const std::uint32_t a = site_numbers[i];
        const std::uint32_t b = site_numbers[j];
        if (a == b) continue;
        const auto [lo, hi] = std::minmax(a, b);
        Pairing& pairing = pairings[(static_cast<std::uint64_t>(lo) << 32) | hi];
        if (pairing.count < pairing.names.size()) pairing.names[pairing.count] = conflict.name;
        ++pairing.count;
        if (kind != ConflictKind::Identical) pairing.diverged = true;
      }
    }
  }

  // Nodes and edges in byte order of their paths.
  std::vector<std::uint32_t> rank(path_of.size());
  std::vector<std::uint32_t> drawn;  // numbers of the files on some edge, by path
  {
    std::vector<bool> on_edge(path_of.size(), false);
    for (const auto& [key, pairing] : pairings) {
      on_edge[key >> 32] = true;
      on_edge[key & 0xffffffffu] = true;
    }
    for (std::uint32_t n = 0; n < path_of.size(); ++n) {
      if (on_edge[n]) drawn.push_back(n);
    }
    std::sort(drawn.begin(), drawn.end(),
              [&](std::uint32_t x, std::uint32_t y) { return path_of[x] < path_of[y]; });
    for (std::uint32_t r = 0; r < drawn.size(); ++r) rank[drawn[r]] = r;
  }
  struct Drawn {
    std::uint32_t first, second;  // ranks, first < second
    const Pairing* pairing;
  };
  std::vector<Drawn> edges;
  edges.reserve(pairings.size());
  for (const auto& [key, pairing] : pairings) {
    const auto [first, second] = std::minmax(rank[key >> 32], rank[key & 0xffffffffu]);
    edges.push_back({first, second, &pairing});
  }
  std::sort(edges.begin(), edges.end(), [](const Drawn& x, const Drawn& y) {
    return x.first != y.first ? x.first < y.first : x.second < y.second;
  });

  std::string out =
      "graph duplication {\n"
      "  layout=neato; overlap=false; splines=true;\n"
      "  graph [fontname=\"Helvetica\", fontsize=11, labelloc=\"t\"];\n"
      "  label=\"duplicated decisions — edge weight = shared names\\nred = at least one has "
      "diverged (a ruling) · green = all identical (safe to extract)\";\n"
      "  node [shape=box, style=\"rounded,filled\", fillcolor=\"#f6f8fa\", color=\"#c9d1d9\", "
      "fontname=\"Helvetica\", fontsize=10];\n"
      "\n";
  if (edges.empty()) {
    out += "  \"no duplicated decisions\" [shape=plaintext, fillcolor=\"#ffffff\"];\n}\n";
    return out;
  }

  // Paths are escaped for DOT so that a file name with a quote or backslash cannot end the
  // string early; ordinary paths are written unchanged.
  std::vector<std::string_view> drawn_paths;
  drawn_paths.reserve(drawn.size());
  for (const std::uint32_t n : drawn) drawn_paths.push_back(path_of[n]);
  const graph::Labeller labeller(drawn_paths);
  for (const std::string_view path : drawn_paths) {
    out += "  \"" + graph::escape(path) + "\" [label=\"" + graph::escape(labeller.label(path)) +
           "\"];\n";
  }
  out += '\n';
  for (const Drawn& edge : edges) {
    const Pairing& pairing = *edge.pairing;
    const std::size_t n = pairing.count;
    std::string shared;
    if (n < 4) {
      std::array<std::string_view, 3> sorted = pairing.names;
      std::sort(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(n));
      for (std::size_t i = 0; i < n; ++i) {
        if (i > 0) shared += ", ";
        shared += sorted[i];
      }
    } else {
      shared = std::to_string(n) + " shared";
    }
    const char* colour = pairing.diverged ? "#c0392b" : "#2e7d32";
    out += "  \"";
    out += graph::escape(path_of[drawn[edge.first]]);
    out += "\" -- \"";
    out += graph::escape(path_of[drawn[edge.second]]);
    out += "\" [penwidth=";
    out += pen_width(n);
    out += ", color=\"";
    out += colour;
    out += "\", label=\"";
    out += shared;
    out += "\", fontcolor=\"";
    out += colour;
    out += "\"];\n";
  }
  out += "}\n";
  return out;
}

// ---------------------------------------------------------------------------------------------
// Keystone of the code

namespace {

/// The distinct words of a use text: maximal runs of Unicode alphanumerics and '_'.
std::vector<std::string_view> words_of(std::string_view use) {
  std::vector<std::string_view> words;
  std::size_t start = 0;
  std::size_t pos = 0;
  while (pos < use.size()) {
    const std::size_t at = pos;
    const auto byte = static_cast<unsigned char>(use[pos]);
    if (byte < 0x80) {  // ASCII needs no decoding
      ++pos;
      if (byte == '_' || (byte >= '0' && byte <= '9') ||
          ((byte | 0x20) >= 'a' && (byte | 0x20) <= 'z')) {
        continue;
      }
    } else {
      const char32_t c = text::decode(use, pos);
      if (text::is_alphanumeric(c)) continue;
    }
    if (at > start) words.push_back(use.substr(start, at - start));
    start = pos;
  }
  if (use.size() > start) words.push_back(use.substr(start));
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
  return words;
}

}  // namespace

keystone::Keystone to_keystone(const std::vector<SurveyedFile>& files, std::string_view idea) {
  keystone::Keystone result;
  result.idea = std::string(idea);
  result.language = "Rust";
  result.essential_complexity = "(unmapped — surveyed from existing source)";

  // Files by stem, in survey order, so that a use text is matched against the stems its words
  // name instead of against every file.
  std::vector<std::string> stems;
  stems.reserve(files.size());
  for (const SurveyedFile& file : files) stems.push_back(file.stem());
  std::unordered_map<std::string_view, std::vector<std::size_t>> by_stem;
  for (std::size_t g = 0; g < files.size(); ++g) {
    if (!stems[g].empty()) by_stem[stems[g]].push_back(g);
  }
  // Each file's path by the index of the first file with that path, so that paths compare as
  // numbers; a module depends on each path once.
  std::vector<std::size_t> path_id(files.size());
  {
    std::unordered_map<std::string_view, std::size_t> first;
    first.reserve(files.size());
    for (std::size_t g = 0; g < files.size(); ++g) {
      path_id[g] = first.try_emplace(files[g].path, g).first->second;
    }
  }
  std::vector<std::size_t> depended_by(files.size(), files.size());  // last module to depend on it
  std::vector<std::string> because(files.size());                    // made on first use

  result.modules.reserve(files.size());
  for (std::size_t self = 0; self < files.size(); ++self) {
    const SurveyedFile& file = files[self];
    keystone::Module module;
    module.path = file.path;
    module.secret = "(unmapped — run the semantic pass)";
    for (const SurveyedType& type : file.types) {
      if (type.is_pub)
        module.owns.push_back({type.name, "(unmapped — " + type.kind + " declared here)"});
    }
    for (const SurveyedFn& fn : file.fns) {
      if (fn.exposed && !fn.is_test) module.exposes.push_back({fn.name, fn.signature});
    }
    for (const std::string& name : file.reexports) {
      module.exposes.push_back({name, "re-exported by this module"});
    }

    std::vector<std::size_t> named;
    for (const std::string& use : file.uses) {
      named.clear();
      for (const std::string_view word : words_of(use)) {
        if (const auto it = by_stem.find(word); it != by_stem.end()) {
          named.insert(named.end(), it->second.begin(), it->second.end());
        }
      }
      // Distinct words name disjoint sets of files; survey order within one use text.
      std::sort(named.begin(), named.end());
      for (const std::size_t g : named) {
        const std::size_t id = path_id[g];
        if (id == path_id[self] || depended_by[id] == self) continue;
        depended_by[id] = self;
        if (because[g].empty()) because[g] = "imports `" + stems[g] + "`";
        module.depends_on.push_back(
            {files[g].path, because[g], keystone::DependencyNeeds::Contract});
      }
    }

    for (const std::string& test : file.tests) module.laws.push_back("test asserts: " + test);
    result.modules.push_back(std::move(module));
  }
  return result;
}

}  // namespace dodureriradi

// ---------------------------------------------------------------------------------------------
// The survey: the walk over a tree's .rs files and the record of each parsed file.

namespace dodureriradi {
namespace {

std::string syntax_text(const rust::File& syntax, rust::TokenRange range) {
  std::string out;
  out.reserve(static_cast<std::size_t>(range.last - range.first) * 4);
  rust::print_syntax(syntax, range, out);
  return out;
}

std::span<const rust::Attribute> attrs_of(const rust::File& syntax, std::uint32_t first,
                                          std::uint32_t count) {
  return std::span<const rust::Attribute>(syntax.attrs).subspan(first, count);
}

std::span<const rust::Attribute> attrs_of(const rust::File& syntax, const rust::Item& item) {
  return attrs_of(syntax, item.attr_first, item.attr_count);
}

std::span<const std::uint32_t> children_of(const rust::File& syntax, const rust::Item& item) {
  return std::span<const std::uint32_t>(syntax.item_lists)
      .subspan(item.child_first, item.child_count);
}

bool has_test_attr(const rust::File& syntax, std::span<const rust::Attribute> attrs) {
  return std::any_of(attrs.begin(), attrs.end(), [&](const rust::Attribute& a) {
    return syntax.path_is_ident(a.path, "test");
  });
}

// A module is a test module when one of its cfg attributes mentions test anywhere.
bool cfg_mentions_test(const rust::File& syntax, std::span<const rust::Attribute> attrs) {
  return std::any_of(attrs.begin(), attrs.end(), [&](const rust::Attribute& a) {
    return syntax.path_is_ident(a.path, "cfg") &&
           syntax_text(syntax, a.tokens).find("test") != std::string::npos;
  });
}

std::optional<std::string> path_attr(const rust::File& syntax,
                                     std::span<const rust::Attribute> attrs) {
  for (const rust::Attribute& a : attrs) {
    if (!syntax.path_is_ident(a.path, "path")) continue;
    if (a.form != rust::MetaForm::NameValue || a.value.last != a.value.first + 1)
      return std::nullopt;
    const rust::Token& t = syntax.tokens[a.value.first];
    if (t.kind != rust::TokenKind::Literal ||
        (t.lit() != rust::LitKind::Str && t.lit() != rust::LitKind::RawStr)) {
      return std::nullopt;
    }
    std::string value;
    if (!rust::string_literal_value(syntax.tokens.text(a.value.first), value)) return std::nullopt;
    return value;
  }
  return std::nullopt;
}

// Appends " " and the token text of each attribute to `file.attr_text`.
void push_attrs(const rust::File& syntax, std::span<const rust::Attribute> attrs,
                SurveyedFile& file) {
  for (const rust::Attribute& a : attrs) {
    file.attr_text += ' ';
    rust::print_syntax(syntax, a.tokens, file.attr_text);
  }
}

// "pub", the tidied text of a restricted visibility, or empty for a private item.
std::string vis_string(const rust::File& syntax, const rust::Visibility& vis) {
  switch (vis.kind) {
    case rust::VisKind::Public:
      return "pub";
    case rust::VisKind::Restricted:
      return tidy(syntax_text(syntax, vis.tokens));
    case rust::VisKind::Inherited:
      break;
  }
  return {};
}

// The tidied text of the first `cfg` attribute, absent when there is none or it mentions test.
std::optional<std::string> cfg_predicate(const rust::File& syntax,
                                         std::span<const rust::Attribute> attrs) {
  for (const rust::Attribute& a : attrs) {
    if (!syntax.path_is_ident(a.path, "cfg")) continue;
    std::string text = tidy(syntax_text(syntax, a.tokens));
    if (text.find("test") != std::string::npos) return std::nullopt;
    return text;
  }
  return std::nullopt;
}

// Appends the names the use tree rooted at `tree` (an index into `syntax.use_nodes`) makes
// visible.
void collect_reexports(const rust::File& syntax, std::uint32_t tree,
                       std::vector<std::string>& names) {
  const rust::UseTree& t = syntax.use_nodes[tree];
  switch (t.kind) {
    case rust::UseKind::Path:
      collect_reexports(syntax, t.child, names);
      return;
    case rust::UseKind::Name:
      names.push_back(syntax.display(t.ident));
      return;
    case rust::UseKind::Rename:
      names.push_back(syntax.display(t.rename));
      return;
    case rust::UseKind::Glob:
      return;
    case rust::UseKind::Group:
      for (std::uint32_t k = 0; k < t.count; ++k) {
        collect_reexports(syntax, syntax.use_lists[t.child + k], names);
      }
      return;
  }
}

// Gathers the call sites of one function body. The parser has already walked every expression
// of the body (closures, nested blocks and items, initialisers, array lengths, attribute values;
// never the tokens of a macro invocation) and listed the file's calls with a path callee in walk
// order, sorted by their `position`: the callee's first token, or where attributes stand before
// the call the first of them, or for the calls of a where clause the end of the generics it
// belongs to.
struct CallCollector {
  std::vector<RawCall> calls;
  bool in_test = false;

  // Walks the statements of a function body.
  void visit_block(const rust::File& syntax, const rust::Item& fn);
  // Records one call site.
  void visit_expr_call(const rust::File& syntax, const rust::CallSite& call);
};

void CallCollector::visit_block(const rust::File& syntax, const rust::Item& fn) {
  // The calls of the body's statements: those whose position lies between its first statement and
  // its closing brace.
  const auto by_position = [](const rust::CallSite& c, std::uint32_t p) { return c.position < p; };
  auto it = std::lower_bound(syntax.calls.begin(), syntax.calls.end(), fn.body_stmts, by_position);
  for (; it != syntax.calls.end() && it->position < fn.body_close; ++it) {
    visit_expr_call(syntax, *it);
  }
}

void CallCollector::visit_expr_call(const rust::File& syntax, const rust::CallSite& call) {
  calls.push_back(RawCall{syntax.display(call.name), call.qualified, in_test});
}

void record_fn(const rust::File& syntax, const rust::Item& item, bool in_test, bool is_method,
               SurveyedFile& file) {
  const auto attrs = attrs_of(syntax, item);
  if (!is_method) push_attrs(syntax, attrs, file);
  SurveyedFn fn;
  fn.name = syntax.display(item.ident);
  const bool test_attr = has_test_attr(syntax, attrs);
  if (test_attr) file.tests.push_back(fn.name);
  fn.signature = tidy(syntax_text(syntax, item.signature));
  fn.vis = vis_string(syntax, item.vis);
  fn.body.reserve(static_cast<std::size_t>(item.body_close - item.body_stmts) * 4 + 4);
  rust::print_body(syntax, item, fn.body);
  fn.cfg = cfg_predicate(syntax, attrs);
  fn.is_pub = item.vis.kind == rust::VisKind::Public;
  fn.exposed = item.vis.kind != rust::VisKind::Inherited || fn.name == "main";
  fn.is_test = in_test || test_attr;
  fn.is_method = is_method;
  CallCollector collector;
  collector.in_test = fn.is_test;
  collector.visit_block(syntax, item);
  file.fns.push_back(std::move(fn));
  file.calls.insert(file.calls.end(), std::make_move_iterator(collector.calls.begin()),
                    std::make_move_iterator(collector.calls.end()));
}

void record_type(const rust::File& syntax, const rust::Item& item, const char* kind,
                 SurveyedFile& file) {
  file.types.push_back(SurveyedType{syntax.display(item.ident), kind, vis_string(syntax, item.vis),
                                    item.vis.kind == rust::VisKind::Public});
}

// Records the items `items` (indices into `syntax.items`) of one list into `file`; recursive for
// inline modules. `prefix` names the enclosing inline modules joined with '/'.
void walk_items(const rust::File& syntax, std::span<const std::uint32_t> items, bool in_test,
                const std::string& prefix, SurveyedFile& file) {
  for (const std::uint32_t index : items) {
    const rust::Item& item = syntax.items[index];
    switch (item.kind) {
      case rust::ItemKind::Enum:
        push_attrs(syntax, attrs_of(syntax, item), file);
        push_attrs(syntax, attrs_of(syntax, item.member_attr_first, item.member_attr_count), file);
        record_type(syntax, item, "enum", file);
        break;
      case rust::ItemKind::Fn:
        record_fn(syntax, item, in_test, false, file);
        break;
      case rust::ItemKind::Impl:
        for (const std::uint32_t child : children_of(syntax, item)) {
          record_fn(syntax, syntax.items[child], in_test, true, file);
        }
        break;
      case rust::ItemKind::Mod: {
        const auto attrs = attrs_of(syntax, item);
        if (!item.has_body) {
          file.mods.push_back(ModDecl{syntax.display(item.ident), prefix, path_attr(syntax, attrs),
                                      item.vis.kind == rust::VisKind::Public,
                                      item.vis.kind == rust::VisKind::Restricted});
          break;
        }
        const bool test = in_test || cfg_mentions_test(syntax, attrs);
        const std::string name = syntax.display(item.ident);
        const std::string inner = prefix.empty() ? name : prefix + "/" + name;
        walk_items(syntax, children_of(syntax, item), test, inner, file);
        break;
      }
      case rust::ItemKind::Struct:
        push_attrs(syntax, attrs_of(syntax, item), file);
        push_attrs(syntax, attrs_of(syntax, item.member_attr_first, item.member_attr_count), file);
        record_type(syntax, item, "struct", file);
        break;
      case rust::ItemKind::Trait:
        record_type(syntax, item, "trait", file);
        break;
      case rust::ItemKind::Type:
        record_type(syntax, item, "type", file);
        break;
      case rust::ItemKind::Union:
        push_attrs(syntax, attrs_of(syntax, item), file);
        record_type(syntax, item, "union", file);
        break;
      case rust::ItemKind::Use:
        file.uses.push_back(tidy(syntax_text(syntax, item.use_tokens)));
        if (item.vis.kind == rust::VisKind::Public) {
          collect_reexports(syntax, item.use_tree, file.reexports);
        }
        break;
      case rust::ItemKind::Const:
      case rust::ItemKind::ExternCrate:
      case rust::ItemKind::ForeignMod:
      case rust::ItemKind::Macro:
      case rust::ItemKind::Static:
      case rust::ItemKind::TraitAlias:
      case rust::ItemKind::Verbatim:
        break;
    }
  }
}

}  // namespace

std::optional<SurveyedFile> survey_source(std::string_view path, std::string_view source) {
  auto syntax = rust::parse_file(source);
  if (!syntax) return std::nullopt;
  SurveyedFile file;
  file.path = std::string(path);
  walk_items(*syntax,
             std::span<const std::uint32_t>(syntax->item_lists)
                 .subspan(syntax->root_first, syntax->root_count),
             false, std::string(), file);
  return file;
}

std::expected<void, fsys::IoError> for_each_source(const std::string& root,
                                                   const SourceVisitor& visit) {
  const languages::Language& rust = languages::of(languages::Lang::Rust);
  // The file rule, on the extension, gives the same answer on the name's bytes as on its text.
  return fsys::walk(root, {.skip = rust.skips},
                    [&](const fsys::WalkEntry& entry) -> std::expected<void, fsys::IoError> {
                      if (!rust.reads(entry.name)) return {};
                      auto source = fsys::read_text(entry.path);
                      if (!source) return std::unexpected(std::move(source.error()));
                      visit(entry.relative(), *source);
                      return {};
                    });
}

std::expected<std::vector<SurveyEntry>, fsys::IoError> survey_entries(const std::string& root) {
  std::vector<SurveyEntry> entries;
  auto walked = for_each_source(root, [&](std::string path, std::string_view source) {
    auto file = survey_source(path, source);
    entries.push_back(SurveyEntry{std::move(path), std::move(file)});
  });
  if (!walked) return std::unexpected(walked.error());
  std::stable_sort(entries.begin(), entries.end(),
                   [](const SurveyEntry& a, const SurveyEntry& b) { return a.path < b.path; });
  return entries;
}

std::expected<std::vector<SurveyedFile>, fsys::IoError> survey_dir(const std::string& root) {
  auto entries = survey_entries(root);
  if (!entries) return std::unexpected(entries.error());
  std::vector<SurveyedFile> files;
  files.reserve(entries->size());
  for (SurveyEntry& e : *entries) {
    if (e.file) files.push_back(std::move(*e.file));
  }
  return files;
}

}  // namespace dodureriradi
