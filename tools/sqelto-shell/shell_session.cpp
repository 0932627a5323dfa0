#include "shell_session.h"

#include "prepared_run.h"
#include "shell_commands.h"
#include "statement_splitter.h"

#include <vector>

extern "C" int32_t TAVRO_CALL VANTPluginMain(TavroResolver resolver);

namespace sqelto_shell {

ShellSession::ShellSession(const std::string& pluginPath) {
  // The SQLite3 driver converts text with the process's locale.
  tavro::useUtf8Locale();
  if (pluginPath.empty()) {
    host_.runPluginMain(&VANTPluginMain);
    linked_ = true;
  } else {
    host_.load(pluginPath);
  }
  object_ = host_.createInstance("ODBCDatabase");
  db_.emplace(host_, object_);
}

ShellSession::~ShellSession() {
  db_.reset();
  object_ = tavro::Object();
}

sqelto::ConnectionRecord* ShellSession::cancellableRecord() const {
  return linked_ ? static_cast<sqelto::ConnectionRecord*>(db_->record()) : nullptr;
}

void ShellSession::reportError(std::ostream& err) {
  const int32_t code = db_->lastErrorCode();
  const std::string text = db_->lastErrorString();
  err << "error " << code << ": " << (text.empty() ? "(no message)" : text) << '\n';
}

bool ShellSession::connect(const ConnectRequest& request, std::ostream& err) {
  host_.setProperty(object_, "DataSource", tavro::Value(request.dataSource));
  if (!request.userName.empty()) host_.setProperty(object_, "UserName", tavro::Value(request.userName));
  if (!request.password.empty()) host_.setProperty(object_, "Password", tavro::Value(request.password));
  if (request.timeoutSeconds > 0) host_.setProperty(object_, "Timeout", tavro::Value(request.timeoutSeconds));
  if (host_.call<bool>(object_, "Connect")) return true;
  reportError(err);
  return false;
}

bool ShellSession::reportFailure(std::ostream& err) {
  if (db_->lastErrorCode() == 0) return true;
  reportError(err);
  return false;
}

namespace {

// Commands after which the latest result is still the one shown last: the
// editing commands themselves and those that neither show nor change rows.
bool KeepsLatestResult(const std::string& line) {
  const std::string name = line.substr(0, line.find_first_of(" \t"));
  return name == "\\edit" || name == "\\delete" || name == "\\bind" || name == "\\?" || name == "\\help";
}

}  // namespace

bool ShellSession::run(const std::string& sql, OutputFormat format, std::ostream& out, std::ostream& err) {
  const bool ok = runUnchecked(sql, format, out, err);
  CheckWritten(out);
  return ok;
}

bool ShellSession::runUnchecked(const std::string& sql, OutputFormat format, std::ostream& out, std::ostream& err) {
  if (StatementCommands::IsCommand(sql)) {
    if (!KeepsLatestResult(sql)) latest_.reset();
    // The catalogue and editing commands, else those of statements; the
    // list of commands has both.
    if (sql == "\\?" || sql == "\\help") {
      status(format, out, err) << ShellCommandHelp();
      return commands_.run("\\?", format, out, err);
    }
    if (HandlesShellCommand(sql)) return RunShellCommand(*this, sql, format, out, err);
    return commands_.run(sql, format, out, err);
  }
  latest_.reset();
  std::vector<ParameterValue> parameters = commands_.parametersForNextStatement();
  // Values without a marker would be dropped without a word by the driver.
  if (const std::size_t markers = CountParameterMarkers(sql); parameters.size() > markers) {
    err << "sqelto-shell: " << parameters.size() << (parameters.size() == 1 ? " parameter" : " parameters")
        << " given, but the statement has " << markers << (markers == 1 ? " marker" : " markers") << " (?)\n";
    return false;
  }
  tavro::RecordSet rows = select(sql, parameters, err);
  if (rows.isNull()) return false;
  const bool query = rows.columnCount() > 0;
  if (!printResults(rows, format, out, err)) return false;
  if (query) latest_ = LatestQuery{sql, std::move(parameters)};
  return true;
}

tavro::RecordSet ShellSession::select(const std::string& sql, const std::vector<ParameterValue>& parameters,
                                      std::ostream& err) {
  if (!parameters.empty()) return SelectPrepared(*this, sql, parameters, err);
  tavro::RecordSet rows = db_->select(sql);
  if (rows.isNull() || db_->lastErrorCode() != 0) {
    reportError(err);
    return {};
  }
  return rows;
}

tavro::RecordSet ShellSession::readLatestResultAgain(std::ostream& err) {
  if (!latest_) {
    err << "no result to edit: the latest statement showed none (run a SELECT over one table first)\n";
    return {};
  }
  return select(latest_->sql, latest_->parameters, err);
}

bool ShellSession::printResults(tavro::RecordSet& rows, OutputFormat format, std::ostream& out, std::ostream& err) {
  bool first = true;
  do {
    if (!printResult(rows, format, first, out, err)) return false;
    first = false;
  } while (host_.call<bool>(object_, "NextRowSet"));
  return reportFailure(err);
}

bool ShellSession::show(tavro::RecordSet rows, OutputFormat format, std::ostream& out, std::ostream& err) {
  if (rows.isNull()) {
    // A refusal always has its error; say something all the same.
    if (reportFailure(err)) err << "error: no answer from the plug-in\n";
    return false;
  }
  return printResult(rows, format, true, out, err) && reportFailure(err);
}

void ShellSession::separateResult(OutputFormat format, bool firstOfStatement, std::ostream& out) {
  // Tables set apart the result sets of one statement; CSV every two, so
  // that the output of several statements still reads as CSV.
  const bool separate = format == OutputFormat::Csv ? csvResultShown_ : !firstOfStatement;
  if (separate) out << ResultSeparator(format);
  if (format == OutputFormat::Csv) csvResultShown_ = true;
}

void ShellSession::showValue(const std::string& name, const std::string& value, OutputFormat format,
                             std::ostream& out) {
  if (format != OutputFormat::Csv) {
    out << value << '\n';
    return;
  }
  separateResult(format, true, out);
  ResultPrinter printer(out, format, {name});
  printer.row({Cell{value}});
  printer.finish();
}

bool ShellSession::printResult(tavro::RecordSet& rows, OutputFormat format, bool firstOfStatement, std::ostream& out,
                               std::ostream& err) {
  const int32_t columns = rows.columnCount();
  if (columns == 0) {
    status(format, out, err) << "OK\n";
    return true;
  }
  separateResult(format, firstOfStatement, out);
  std::vector<std::string> names;
  for (int32_t i = 0; i < columns; ++i) names.push_back(rows.columnName(i));
  ResultPrinter printer(out, format, std::move(names));
  while (rows.next()) {
    std::vector<Cell> cells;
    cells.reserve(static_cast<std::size_t>(columns));
    for (int32_t i = 0; i < columns; ++i) {
      const tavro::Value value = rows.value(i);
      cells.push_back(value.isNil() ? Cell{} : Cell{value.toString()});
    }
    printer.row(std::move(cells));
  }
  // A fetch that failed part-way ends the rows early; say so.
  printer.finish(db_->lastErrorCode() == 0);
  return reportFailure(err);
}

int32_t ShellSession::rowsAffected() const {
  return static_cast<const sqelto::ConnectionRecord*>(db_->record())->rowsAffected;
}

}  // namespace sqelto_shell
