#include "cli/parse.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>

namespace cli {

namespace {

// CLI11's messages may run over lines (a list of extras, a nested cause); a usage error here
// is always one.
std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  while (!text.empty() && text.back() == ' ') {
    text.pop_back();
  }
  return text;
}

class SynopsisFormatter : public CLI::Formatter {
 public:
  explicit SynopsisFormatter(std::vector<std::string> synopsis) : synopsis_(std::move(synopsis)) {
    column_width(30);
  }
  std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode mode) const override {
    std::string text = "Usage:";
    for (const std::string& line : synopsis_) {
      text += (text == "Usage:" ? " " : "       ") + app->get_name() + " " + line + "\n";
    }
    return text + "\n" + make_description(app) + make_positionals(app) + make_groups(app, mode) +
           "\n" + make_footer(app);
  }
  // The value's name only: the relations between options are the description's to explain.
  std::string make_option_opts(const CLI::Option* option) const override {
    const std::string name = option->get_type_name();
    return name.empty() ? "" : " " + name;
  }

 private:
  std::vector<std::string> synopsis_;
};

}  // namespace

void SetSynopsis(CLI::App& app, std::vector<std::string> synopsis) {
  app.formatter(std::make_shared<SynopsisFormatter>(std::move(synopsis)));
}

Outcome Parse(CLI::App& app, const std::vector<std::string>& args, const std::string& version) {
  // "/path" is a file, not an option, on Windows too (CLI11 takes /x for an option there).
  app.allow_windows_style_options(false);
  app.set_help_flag("-h,--help", "this text");
  app.set_version_flag("--version", app.get_name() + " " + version, "the version");
  try {
    // CLI11 takes the arguments last first.
    app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
  } catch (const CLI::CallForHelp&) {
    return {Outcome::Kind::Help, app.help()};
  } catch (const CLI::CallForVersion& e) {
    return {Outcome::Kind::Version, std::string(e.what()) + "\n"};
  } catch (const CLI::Error& e) {
    return {Outcome::Kind::UsageError, OneLine(e.what())};
  }
  return {};
}

int Report(const Outcome& outcome, const std::string& program) {
  switch (outcome.kind) {
    case Outcome::Kind::Help:
    case Outcome::Kind::Version:
      std::fputs(outcome.text.c_str(), stdout);
      return 0;
    case Outcome::Kind::UsageError:
      std::fprintf(stderr, "%s: %s (%s --help shows the usage)\n", program.c_str(),
                   outcome.text.c_str(), program.c_str());
      return 2;
    case Outcome::Kind::Run:
      break;
  }
  return 0;
}

}  // namespace cli
