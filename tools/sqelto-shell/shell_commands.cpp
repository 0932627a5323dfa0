#include "shell_commands.h"

#include <cctype>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

namespace sqelto_shell {
namespace {

// Splits at blanks; single or double quotes keep blanks inside a word.
std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (char c : text) {
    if (quote != 0) {
      if (c == quote) {
        quote = 0;
      } else {
        word += c;
      }
    } else if (c == '\'' || c == '"') {
      quote = c;
      inWord = true;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

bool Usage(std::ostream& err, const std::string& usage) {
  err << "usage: " << usage << '\n';
  return false;
}

using Command = std::function<bool(ShellSession&, const std::vector<std::string>&, OutputFormat, std::ostream&,
                                   std::ostream&)>;

// A catalogue question with a fixed number of arguments.
Command Catalogue(std::size_t arguments, const std::string& usage,
                  std::function<tavro::RecordSet(ShellSession&, const std::vector<std::string>&)> ask) {
  return [=](ShellSession& session, const std::vector<std::string>& words, OutputFormat format, std::ostream& out,
             std::ostream& err) {
    if (words.size() != arguments + 1) return Usage(err, usage);
    return session.show(ask(session, words), format, out, err);
  };
}

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"\\tables", Catalogue(0, "\\tables",
                             [](ShellSession& s, const std::vector<std::string>&) {
                               return s.withExtendedSchema([&] { return s.database().tableSchema(); });
                             })},
      {"\\columns", Catalogue(1, "\\columns TABLE",
                              [](ShellSession& s, const std::vector<std::string>& w) {
                                return s.database().fieldSchema(w[1]);
                              })},
      {"\\indexes", Catalogue(1, "\\indexes TABLE",
                              [](ShellSession& s, const std::vector<std::string>& w) {
                                return s.withExtendedSchema([&] { return s.database().indexSchema(w[1]); });
                              })},
      {"\\pk", Catalogue(1, "\\pk TABLE",
                         [](ShellSession& s, const std::vector<std::string>& w) {
                           return s.method("PrimaryKeys", w[1]);
                         })},
      // The keys of TABLE that refer to other tables.
      {"\\fk", Catalogue(1, "\\fk TABLE",
                         [](ShellSession& s, const std::vector<std::string>& w) {
                           return s.method("ForeignKeys", std::string(), w[1]);
                         })},
      {"\\types", Catalogue(0, "\\types",
                            [](ShellSession& s, const std::vector<std::string>&) {
                              return s.method("GetSQLTypeInfo", 0);
                            })},
      {"\\dsn", Catalogue(0, "\\dsn",
                          [](ShellSession& s, const std::vector<std::string>&) { return s.method("DataSourceNames"); })},
      {"\\help", [](ShellSession&, const std::vector<std::string>&, OutputFormat, std::ostream& out, std::ostream&) {
         out << ShellCommandHelp();
         return true;
       }},
  };
  return commands;
}

}  // namespace

bool IsShellCommand(std::string_view line) {
  const std::size_t start = line.find_first_not_of(" \t");
  return start != std::string_view::npos && line[start] == '\\';
}

bool RunShellCommand(ShellSession& session, std::string_view line, OutputFormat format, std::ostream& out,
                     std::ostream& err) {
  const std::vector<std::string> words = Words(line);
  const auto command = words.empty() ? Commands().end() : Commands().find(words[0]);
  if (command == Commands().end()) {
    err << "unknown command " << (words.empty() ? std::string(line) : words[0]) << " (\\help lists them)\n";
    return false;
  }
  return command->second(session, words, format, out, err);
}

const char* ShellCommandHelp() {
  return "\\tables            tables and views of the data source\n"
         "\\columns TABLE     the fields of a table\n"
         "\\indexes TABLE     the unique indexes of a table\n"
         "\\pk TABLE          the primary key of a table\n"
         "\\fk TABLE          the foreign keys of a table\n"
         "\\types             the SQL types of the data source\n"
         "\\dsn               the ODBC data sources (user, then system)\n";
}

}  // namespace sqelto_shell
