#include "app/cli/cli_prompt.h"

#include "platform/text.h"

namespace ordrex::cli {

bool AskYesNo(CliContext& context, std::ostream& shown, const std::string& question) {
  shown << question << " [y/N] " << std::flush;
  std::string answer;
  if (!std::getline(context.in, answer)) {
    shown << "\n";
    return false;
  }
  const std::string word = LowerCase(Trim(answer));
  return word == "y" || word == "yes";
}

}  // namespace ordrex::cli
