#include "statement_commands.h"

#include <charconv>

#include "shell_session.h"

namespace sqelto_shell {
namespace {

constexpr int32_t kAutoCommitAttribute = 102;  // SQL_ATTR_AUTOCOMMIT

void Help(std::ostream& out) {
  out << "\\begin               start a transaction (auto-commit off)\n"
         "\\commit              commit it (auto-commit on again)\n"
         "\\rollback            roll it back (auto-commit on again)\n"
         "\\bind VALUE...       parameters of the next statement: TYPE:VALUE, null, or a bare value\n"
         "                     (types: "
      << ParameterTypeNames()
      << ")\n"
         "\\info N              what the driver answers to GetInfo(N)\n"
         "\\?                   this list\n";
}

}  // namespace

std::vector<ParameterValue> StatementCommands::parametersForNextStatement() {
  if (!nextSet_) return standing_;
  nextSet_ = false;
  return std::move(next_);
}

bool StatementCommands::run(const std::string& line, OutputFormat format, std::ostream& out, std::ostream& err) {
  const std::size_t end = line.find_first_of(" \t");
  const std::string command = line.substr(0, end);
  const std::size_t from = line.find_first_not_of(" \t", end);
  const std::string argument = from == std::string::npos ? "" : line.substr(from, line.find_last_not_of(" \t") + 1 - from);
  std::ostream& status = ShellSession::status(format, out, err);
  if (command == "\\?") {
    Help(status);
    return true;
  }
  if (command == "\\begin" || command == "\\commit" || command == "\\rollback") {
    if (!argument.empty()) {
      err << "sqelto-shell: " << command << " takes no words after it: " << argument << '\n';
      return false;
    }
    return transaction(command, status, err);
  }
  if (command == "\\info") return info(argument, format, out, err);
  if (command == "\\bind") {
    try {
      std::vector<ParameterValue> values;
      for (const std::string& word : SplitParameterWords(argument)) values.push_back(ParseParameter(word));
      next_ = std::move(values);
      nextSet_ = true;
      status << "(" << next_.size() << (next_.size() == 1 ? " parameter" : " parameters") << " for the next statement)\n";
      return true;
    } catch (const ParameterError& e) {
      err << "sqelto-shell: " << e.what() << '\n';
      return false;
    }
  }
  err << "sqelto-shell: unknown command " << command << " (\\? lists them)\n";
  return false;
}

bool StatementCommands::transaction(const std::string& command, std::ostream& status, std::ostream& err) {
  tavro::Host& host = session_.host();
  if (command == "\\begin") {
    host.call(session_.database(), "SetConnectionAttribute", kAutoCommitAttribute, 0);
  } else {
    if (command == "\\commit")
      session_.engine().commit();
    else
      session_.engine().rollback();
    if (!session_.reportFailure(err)) return false;
    host.call(session_.database(), "SetConnectionAttribute", kAutoCommitAttribute, 1);
  }
  if (!session_.reportFailure(err)) return false;
  status << (command == "\\begin" ? "BEGIN" : command == "\\commit" ? "COMMIT" : "ROLLBACK") << '\n';
  return true;
}

bool StatementCommands::info(const std::string& argument, OutputFormat format, std::ostream& out,
                             std::ostream& err) {
  int32_t type = 0;
  const auto [ptr, ec] = std::from_chars(argument.data(), argument.data() + argument.size(), type);
  if (argument.empty() || ec != std::errc() || ptr != argument.data() + argument.size()) {
    err << "sqelto-shell: \\info needs a number (an SQLGetInfo type, e.g. \\info 17)\n";
    return false;
  }
  tavro::Host& host = session_.host();
  const tavro::Object answer = host.call<tavro::Object>(session_.database(), "GetInfo", type);
  if (!answer) {
    session_.reportFailure(err);
    return false;
  }
  session_.showValue("Value", host.getProperty(answer, "StringValue").asText(), format, out);
  return true;
}

}  // namespace sqelto_shell
