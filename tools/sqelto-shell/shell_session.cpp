#include "shell_session.h"

#include "prepared_run.h"
#include "shell_commands.h"

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

bool ShellSession::run(const std::string& sql, OutputFormat format, std::ostream& out, std::ostream& err) {
  if (StatementCommands::IsCommand(sql)) {
    // The catalogue and editing commands, else those of statements; the
    // list of commands has both.
    if (sql == "\\?" || sql == "\\help") {
      out << ShellCommandHelp();
      return commands_.run("\\?", out, err);
    }
    if (HandlesShellCommand(sql)) return RunShellCommand(*this, sql, format, out, err);
    return commands_.run(sql, out, err);
  }
  if (const auto parameters = commands_.parametersForNextStatement(); !parameters.empty())
    return RunPrepared(*this, sql, parameters, format, out, err);
  tavro::RecordSet rows = db_->select(sql);
  if (rows.isNull() || db_->lastErrorCode() != 0) {
    reportError(err);
    return false;
  }
  if (rows.columnCount() > 0) lastQuery_ = sql;
  return printResults(rows, format, out, err);
}

bool ShellSession::printResults(tavro::RecordSet& rows, OutputFormat format, std::ostream& out, std::ostream& err) {
  bool first = true;
  do {
    if (!first) out << ResultSeparator(format);
    first = false;
    if (!printResult(rows, format, out, err)) return false;
  } while (host_.call<bool>(object_, "NextRowSet"));
  return reportFailure(err);
}

bool ShellSession::show(tavro::RecordSet rows, OutputFormat format, std::ostream& out, std::ostream& err) {
  if (rows.isNull()) {
    // A refusal always has its error; say something all the same.
    if (reportFailure(err)) err << "error: no answer from the plug-in\n";
    return false;
  }
  return printResult(rows, format, out, err) && reportFailure(err);
}

bool ShellSession::printResult(tavro::RecordSet& rows, OutputFormat format, std::ostream& out, std::ostream& err) {
  const int32_t columns = rows.columnCount();
  if (columns == 0) {
    out << "OK\n";
    return true;
  }
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
  printer.finish();
  // A fetch that failed part-way ends the rows early; say so.
  return reportFailure(err);
}

int32_t ShellSession::rowsAffected() const {
  return static_cast<const sqelto::ConnectionRecord*>(db_->record())->rowsAffected;
}

}  // namespace sqelto_shell
