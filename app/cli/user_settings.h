#pragma once
// The user's settings as the verbs use them: warnings and failures go to standard error.

#include "app/cli/cli_context.h"
#include "app/session/user_settings.h"

namespace ordrex::cli {

class UserSettings : public ordrex::UserSettings {
 public:
  explicit UserSettings(CliContext& context)
      : ordrex::UserSettings(
            context.environment, context.clock,
            [&context](const std::string& text) {
              context.err << "ordrex-cli: warning: " << text << "\n";
            },
            [&context](const std::string& text) {
              context.err << "ordrex-cli: " << text << "\n";
            }) {}
};

}  // namespace ordrex::cli
