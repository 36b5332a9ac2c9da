// The Rust survey: the walk over a tree's .rs files and the record of each parsed file.
#include <algorithm>
#include <utility>

#include "dodureriradi.hpp"
#include "text.hpp"

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

bool skipped_dir(std::string_view name) {
  static constexpr std::string_view kSkipped[] = {
      "target", "vendor", "build", ".git", "Pods", "zig-out", "DerivedData", "node_modules"};
  return name.starts_with('.') ||
         std::find(std::begin(kSkipped), std::end(kSkipped), name) != std::end(kSkipped);
}

// The extension of a file name is the part after its last '.', unless that '.' is the first
// character.
bool rust_extension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot != std::string_view::npos && dot != 0 && name.substr(dot + 1) == "rs";
}

}  // namespace

void push_attrs(const rust::File& syntax, std::span<const rust::Attribute> attrs,
                SurveyedFile& file) {
  for (const rust::Attribute& a : attrs) {
    file.attr_text += ' ';
    rust::print_syntax(syntax, a.tokens, file.attr_text);
  }
}

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

void CallCollector::visit_block(const rust::File& syntax, const rust::Item& fn) {
  // The calls of the body's statements: those between its first statement and its closing brace.
  const auto by_position = [](const rust::CallSite& c, std::uint32_t p) { return c.position < p; };
  auto it = std::lower_bound(syntax.calls.begin(), syntax.calls.end(), fn.body_stmts, by_position);
  for (; it != syntax.calls.end() && it->position < fn.body_close; ++it) {
    visit_expr_call(syntax, *it);
  }
}

void CallCollector::visit_expr_call(const rust::File& syntax, const rust::CallSite& call) {
  calls.push_back(RawCall{syntax.display(call.name), call.qualified, in_test});
}

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

std::expected<std::vector<SurveyEntry>, fsys::IoError> survey_entries(const std::string& root) {
  std::vector<SurveyEntry> entries;
  // Directories still to list: the full path to open and the path relative to the root.
  std::vector<std::pair<std::string, std::string>> stack{{root, std::string()}};
  while (!stack.empty()) {
    auto [dir, rel] = std::move(stack.back());
    stack.pop_back();
    auto listing = fsys::list_dir(dir);
    if (!listing) return std::unexpected(listing.error());
    for (const fsys::DirEntry& e : *listing) {
      std::string full = fsys::join(dir, e.name);
      std::string sub = rel.empty() ? e.name : rel + "/" + e.name;
      if (e.type == fsys::EntryType::Directory) {
        if (!skipped_dir(text::lossy(e.name))) stack.emplace_back(std::move(full), std::move(sub));
        continue;
      }
      if (!rust_extension(e.name)) continue;
      auto source = fsys::read_text(full);
      if (!source) return std::unexpected(source.error());
      std::string path = text::is_utf8(sub) ? std::move(sub) : text::lossy(sub);
      auto file = survey_source(path, *source);
      entries.push_back(SurveyEntry{std::move(path), std::move(file)});
    }
  }
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
