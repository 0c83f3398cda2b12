#include <unistd.h>

#include <iostream>

#include "app/cli/cli_app.h"
#include "app/session/process_environment.h"

int main(int argc, char** argv) {
  ordrex::cli::CliContext context{std::cout,
                                  std::cerr,
                                  std::cin,
                                  ordrex::SystemClock::Instance(),
                                  ordrex::ProcessEnvironment(),
                                  isatty(1) != 0,
                                  /*processes=*/nullptr,
                                  /*waitOneSecond=*/{},
                                  /*executable=*/{},
                                  /*idleSince=*/{}};
  return ordrex::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc), context);
}
