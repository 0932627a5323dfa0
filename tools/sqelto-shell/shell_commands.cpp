#include "shell_commands.h"

#include <cctype>
#include <charconv>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

#include "odbc/ascii_case.h"

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

using Command =
    std::function<bool(ShellSession&, const std::vector<std::string>&, OutputFormat, std::ostream&, std::ostream&)>;

// A catalogue question with a fixed number of arguments.
Command Catalogue(std::size_t arguments, const std::string& usage,
                  std::function<tavro::RecordSet(ShellSession&, const std::vector<std::string>&)> ask) {
  return [=](ShellSession& session, const std::vector<std::string>& words, OutputFormat format, std::ostream& out,
             std::ostream& err) {
    if (words.size() != arguments + 1) return Usage(err, usage);
    return session.show(ask(session, words), format, out, err);
  };
}

// A row number as written: a plain whole number from 1 (no sign, blanks or
// other characters), else nothing.
std::optional<long> RowNumber(const std::string& text) {
  long row = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), row);
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front())) || ec != std::errc() ||
      ptr != text.data() + text.size() || row < 1)
    return std::nullopt;
  return row;
}

// The latest result read again and moved to its row `number` (1-based);
// nil with a message on err when there is no such row.
tavro::RecordSet RowOfLatestResult(ShellSession& session, const std::string& number, std::ostream& err) {
  const std::optional<long> row = RowNumber(number);
  if (!row) {
    err << "row numbers are whole numbers from 1: " << number << '\n';
    return {};
  }
  tavro::RecordSet rows = session.readLatestResultAgain(err);
  if (rows.isNull()) return {};
  for (long i = 0; i < *row; ++i) {
    if (!rows.next()) {
      if (session.reportFailure(err)) err << "the latest result has no row " << *row << '\n';
      return {};
    }
  }
  return rows;
}

// "1 row updated", "2 rows deleted", or the plug-in's error.
bool ReportEdit(ShellSession& session, const char* done, OutputFormat format, std::ostream& out, std::ostream& err) {
  if (!session.reportFailure(err)) return false;
  const int32_t rows = session.rowsAffected();
  ShellSession::status(format, out, err) << rows << (rows == 1 ? " row " : " rows ") << done << '\n';
  return true;
}

bool EditRow(ShellSession& session, const std::vector<std::string>& words, OutputFormat format, std::ostream& out,
             std::ostream& err) {
  if (words.size() < 3) return Usage(err, "\\edit ROW COLUMN=VALUE ...");
  tavro::RecordSet rows = RowOfLatestResult(session, words[1], err);
  if (rows.isNull()) return false;
  std::vector<std::pair<int32_t, std::string>> fields;
  for (std::size_t i = 2; i < words.size(); ++i) {
    const std::size_t equals = words[i].find('=');
    if (equals == std::string::npos || equals == 0) return Usage(err, "\\edit ROW COLUMN=VALUE ...");
    const std::string name = words[i].substr(0, equals);
    int32_t column = -1;
    for (int32_t c = 0; c < rows.columnCount() && column < 0; ++c)
      if (sqelto::EqualIgnoringAsciiCase(rows.columnName(c), name)) column = c;
    if (column < 0) {
      err << "the latest result has no column " << name << '\n';
      return false;
    }
    fields.emplace_back(column, words[i].substr(equals + 1));
  }
  rows.edit();
  if (session.engine().lastErrorCode() == 0) rows.update(fields);
  return ReportEdit(session, "updated", format, out, err);
}

bool DeleteRow(ShellSession& session, const std::vector<std::string>& words, OutputFormat format, std::ostream& out,
               std::ostream& err) {
  if (words.size() != 2) return Usage(err, "\\delete ROW");
  tavro::RecordSet rows = RowOfLatestResult(session, words[1], err);
  if (rows.isNull()) return false;
  rows.remove();
  return ReportEdit(session, "deleted", format, out, err);
}

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"\\tables", Catalogue(0, "\\tables",
                             [](ShellSession& s, const std::vector<std::string>&) {
                               return s.withExtendedSchema([&] { return s.engine().tableSchema(); });
                             })},
      {"\\columns",
       Catalogue(1, "\\columns TABLE",
                 [](ShellSession& s, const std::vector<std::string>& w) { return s.engine().fieldSchema(w[1]); })},
      {"\\indexes", Catalogue(1, "\\indexes TABLE",
                              [](ShellSession& s, const std::vector<std::string>& w) {
                                return s.withExtendedSchema([&] { return s.engine().indexSchema(w[1]); });
                              })},
      {"\\pk",
       Catalogue(1, "\\pk TABLE",
                 [](ShellSession& s, const std::vector<std::string>& w) { return s.method("PrimaryKeys", w[1]); })},
      // The keys of TABLE that refer to other tables.
      {"\\fk", Catalogue(1, "\\fk TABLE",
                         [](ShellSession& s, const std::vector<std::string>& w) {
                           return s.method("ForeignKeys", std::string(), w[1]);
                         })},
      {"\\types",
       Catalogue(0, "\\types",
                 [](ShellSession& s, const std::vector<std::string>&) { return s.method("GetSQLTypeInfo", 0); })},
      {"\\dsn",
       Catalogue(0, "\\dsn",
                 [](ShellSession& s, const std::vector<std::string>&) { return s.method("DataSourceNames"); })},
      {"\\edit", EditRow},
      {"\\delete", DeleteRow},
  };
  return commands;
}

}  // namespace

bool HandlesShellCommand(std::string_view line) {
  const std::vector<std::string> words = Words(line);
  return !words.empty() && Commands().count(words[0]) > 0;
}

bool RunShellCommand(ShellSession& session, std::string_view line, OutputFormat format, std::ostream& out,
                     std::ostream& err) {
  const std::vector<std::string> words = Words(line);
  const auto command = words.empty() ? Commands().end() : Commands().find(words[0]);
  if (command == Commands().end()) {
    err << "unknown command " << (words.empty() ? std::string(line) : words[0]) << " (\\? lists them)\n";
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
         "\\dsn               the ODBC data sources (user, then system)\n"
         "\\edit ROW C=V ...  change columns of row ROW (from 1) of the latest result\n"
         "\\delete ROW        delete row ROW of the latest result\n";
}

}  // namespace sqelto_shell
