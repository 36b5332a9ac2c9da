// The `check` verb: the declared keystone against the code, as a drift report.
#include "census.hpp"
#include "cli.hpp"
#include "drift.hpp"
#include "output.hpp"
#include "text.hpp"

namespace cli {

namespace {

using drift::DriftKind;

std::string_view kind_label(DriftKind kind) {
  switch (kind) {
    case DriftKind::MissingFile:
      return "declared, but no such file";
    case DriftKind::NotPublic:
      return "declared in `exposes`, not public in the code";
    case DriftKind::NoLaws:
      return "declared with no laws";
    case DriftKind::Undeclared:
      return "in the code, declared nowhere";
    case DriftKind::UndeclaredExposure:
      return "public, but not declared in `exposes`";
  }
  return {};
}

bool is_extra(DriftKind kind) {
  return kind == DriftKind::Undeclared || kind == DriftKind::UndeclaredExposure;
}

}  // namespace

std::uint8_t cmd_check(const Args& args, Sink& sink) {
  const std::string path = path_arg(args);
  const std::string declared_file =
      option_value(args, "--declared").value_or(fsys::join(path, "keystone.json"));
  const auto declared = read_keystone(declared_file);
  if (!declared) {
    sink.err("cannot read a keystone from " + declared_file + "\n");
    return 1;
  }
  keystone::Keystone code;
  {
    const auto files = dodureriradi::survey_dir(path);
    if (!files || files->empty()) {
      sink.err("no .rs files under " + path + "\n");
      return 1;
    }
    code = dodureriradi::to_keystone(*files, declared->idea);
  }  // only the code's keystone is compared, so the survey is let go
  const drift::DriftReport report = drift::drift(*declared, code);
  const bool strict = has_flag(args, "--strict");

  std::size_t serious = 0;
  for (const drift::DriftItem& item : report.items) serious += !is_extra(item.kind);
  const std::size_t extras = report.items.size() - serious;

  std::string out = "Declared " + std::to_string(report.declared) + " module(s) · surveyed " +
                    std::to_string(report.surveyed) + " file(s) · " +
                    std::to_string(report.matched) + " matched\n\n";
  const bool drifted = !report.items.empty() && (strict || serious > 0);
  if (!drifted) {
    out += "No drift — every declared module still matches the code.\n";
    if (!report.items.empty()) {
      out += "(" + std::to_string(report.items.size()) +
             " extra item(s) in the code, not declared — run with --strict to list them.)\n";
    }
    sink.out(out);
    return 0;
  }

  for (const DriftKind kind : {DriftKind::MissingFile, DriftKind::NotPublic, DriftKind::NoLaws,
                               DriftKind::Undeclared, DriftKind::UndeclaredExposure}) {
    if (const std::size_t n = report.count(kind); n != 0) {
      out += text::pad_left(std::to_string(n), 4) + "  " + std::string(kind_label(kind)) + "\n";
    }
  }
  out += "\n";
  for (const auto& [module, items] : drift::by_module(report)) {
    std::string lines;
    for (const drift::DriftItem* item : items) {
      if (!strict && is_extra(item->kind)) continue;
      lines += "      " + text::pad_right(item->name.value_or(""), 44) + " " +
               std::string(kind_label(item->kind)) + "\n";
    }
    if (!lines.empty()) out += "  " + module + "\n" + lines;
  }
  out += "\n" + std::to_string(strict ? report.items.size() : serious) +
         " drift item(s) — the declaration and the code disagree.\n";
  if (!strict) {
    out += "(+" + std::to_string(extras) + " undeclared extras hidden; --strict shows them.)\n";
  }
  sink.out(out);
  return 1;
}

}  // namespace cli
