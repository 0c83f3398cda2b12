#include <unistd.h>

#include <iostream>

#include "app/cli/cli_app.h"

extern char** environ;

int main(int argc, char** argv) {
  ordrex::cli::CliContext context{
      std::cout, std::cerr, std::cin, ordrex::SystemClock::Instance(), {}, isatty(1) != 0};
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text(*entry);
    const auto eq = text.find('=');
    if (eq != std::string::npos) context.environment[text.substr(0, eq)] = text.substr(eq + 1);
  }
  return ordrex::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc), context);
}
