// The `port` verb: a tree set against its rewrite.
#include "census.hpp"
#include "cli.hpp"
#include "output.hpp"
#include "port.hpp"
#include "text.hpp"

namespace cli {

namespace {

std::string joined(const std::vector<std::string>& items) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + items[i];
  return out;
}

std::string render_port(const port::Survey& old_survey, const port::Survey& new_survey,
                        const port::PortReport& report, bool all) {
  const auto count = [](std::size_t n) { return text::pad_left(std::to_string(n), 4); };
  const std::vector<const port::PortItem*> exported = report.missing_exported();
  std::string out;
  out += "OLD  " + report.old_label + "  — " + std::to_string(old_survey.symbols.size()) +
         " symbol(s)\n";
  out += "NEW  " + report.new_label + "  — " + std::to_string(new_survey.symbols.size()) +
         " symbol(s)\n\n";
  out += count(report.missing.size()) + "  not carried over (" + std::to_string(exported.size()) +
         " of them exported)\n";
  out += count(report.inherited.size()) + "  duplication INHERITED from the original\n";
  out += count(report.introduced.size()) + "  duplication INTRODUCED by the rewrite\n";
  out += count(report.resolved.size()) + "  duplication the rewrite already RESOLVED\n";
  out += count(report.added.size()) + "  new in the port\n\n";

  if (!report.inherited.empty()) {
    out += "INHERITED — the original hid it in several places and so does the port:\n";
    for (const port::PortItem& item : report.inherited) {
      out += "  " + text::pad_right(item.name, 28) + " " + std::to_string(item.old_files.size()) +
             " file(s) → " + std::to_string(item.new_files.size()) + " file(s)\n";
      out += "      now: " + joined(item.new_files) + "\n";
    }
    out += "\n";
  }
  if (!report.introduced.empty()) {
    out += "INTRODUCED — the rewrite made these duplicates, the original had one:\n";
    for (const port::PortItem& item : report.introduced) {
      out += "  " + text::pad_right(item.name, 28) + " " + std::to_string(item.new_files.size()) +
             " file(s): " + joined(item.new_files) + "\n";
    }
    out += "\n";
  }
  std::vector<const port::PortItem*> listed;
  if (all) {
    for (const port::PortItem& item : report.missing) listed.push_back(&item);
  } else {
    listed = exported;
  }
  if (!listed.empty()) {
    out += "NOT CARRIED OVER — in the original, no counterpart in the port" +
           std::string(all ? "" : " (exported only; --all for the rest)") + ":\n";
    for (std::size_t i = 0; i < listed.size() && i < 40; ++i) {
      out +=
          "  " + text::pad_right(listed[i]->name, 28) + " " + joined(listed[i]->old_files) + "\n";
    }
    if (listed.size() > 40) out += "  … and " + std::to_string(listed.size() - 40) + " more\n";
    out += "\n";
  }
  if (!report.resolved.empty()) {
    out += "RESOLVED — duplication the port already collapsed:\n";
    for (std::size_t i = 0; i < report.resolved.size() && i < 15; ++i) {
      const port::PortItem& item = report.resolved[i];
      out += "  " + text::pad_right(item.name, 28) + " " + std::to_string(item.old_files.size()) +
             " file(s) → 1\n";
    }
    out += "\n";
  }
  out += "A name match is a heuristic: a rename reads as one loss plus one addition.\n";
  return out;
}

}  // namespace

std::uint8_t cmd_port(const Args& args, Sink& sink) {
  std::vector<std::string> paths;
  for (const std::string& arg : args) {
    if (arg.empty() || arg.front() != '-') paths.push_back(arg);
  }
  if (paths.size() < 2) {
    sink.err("usage: quillon keystone port OLD NEW [--all] [--json]\n");
    return 2;
  }
  const bool all = has_flag(args, "--all");
  const bool json = has_flag(args, "--json");
  const auto old_survey = survey_any(paths[0], paths[0]);
  const auto new_survey = survey_any(paths[1], paths[1]);
  if (!old_survey || !new_survey) {
    sink.err("could not survey both trees (need " + all_exts() + " sources)\n");
    return 1;
  }
  const port::PortReport report = port::compare(*old_survey, *new_survey);
  if (json) {
    sink.out(port::to_json(*old_survey, *new_survey, report) + "\n");
  } else {
    sink.out(render_port(*old_survey, *new_survey, report, all));
  }
  return 0;
}

}  // namespace cli
