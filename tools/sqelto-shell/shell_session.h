// One SQL session through the plug-in: the substitute host with Sqelto in
// it, one ODBCDatabase object, and statements run through the engine's select
// word. The plug-in's code is linked into the shell and started through the
// host as a loaded library would be (its only shell-specific use is
// cancelling a running statement); --plugin loads a library instead.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include <tavro_host/tavro_host.h>

#include "odbc/connection_record.h"
#include "parameter_values.h"
#include "result_printer.h"
#include "statement_commands.h"

namespace sqelto_shell {

struct ConnectRequest {
  std::string dataSource;  // a DSN name or a full connection string
  std::string userName;
  std::string password;
  int32_t timeoutSeconds = 0;  // the plug-in's Timeout: login, then query timeout; 0 = the driver's
};

class ShellSession {
public:
  // Starts the linked plug-in, or loads the library at `pluginPath` when it
  // is not empty; throws tavro::LoadError with the reason when it cannot.
  explicit ShellSession(const std::string& pluginPath);
  ~ShellSession();

  // Connects; on failure writes "error <code>: <text>" to err and answers false.
  bool connect(const ConnectRequest& request, std::ostream& err);

  // Runs one statement: a result is printed as it is read, a statement
  // without result prints "OK". A failure writes the plug-in's last-error
  // code and text to err and answers false. Throws OutputError when out
  // cannot be written.
  bool run(const std::string& sql, OutputFormat format, std::ostream& out, std::ostream& err);

  // Where lines that are not results go ("OK", "BEGIN", "1 row updated"):
  // standard error in CSV, so that the output stays CSV alone.
  static std::ostream& status(OutputFormat format, std::ostream& out, std::ostream& err) {
    return format == OutputFormat::Csv ? err : out;
  }

  // The connection record, for cancelling its running statement; null when
  // the plug-in is a loaded library (its code is not the shell's to call).
  sqelto::ConnectionRecord* cancellableRecord() const;

  // Parameters for every statement that has none of its own (-p).
  void setStandingParameters(std::vector<ParameterValue> values) { commands_.setStandingParameters(std::move(values)); }

  // For the backslash commands and prepared runs.
  tavro::Host& host() { return host_; }
  const tavro::Object& database() const { return object_; }
  tavro::Database& engine() { return *db_; }
  // False, with "error <code>: <text>" on err, when the last error is set.
  bool reportFailure(std::ostream& err);
  // Prints a result and every further result set of its statement, in turn
  // (a statement without columns prints "OK").
  bool printResults(tavro::RecordSet& rows, OutputFormat format, std::ostream& out, std::ostream& err);
  // Prints one answer that is a single value (\info) as results are printed.
  void showValue(const std::string& name, const std::string& value, OutputFormat format, std::ostream& out);
  // Prints an answer of the catalogue (no further result sets); a nil answer
  // or a failure while reading it reports the plug-in's error.
  bool show(tavro::RecordSet rows, OutputFormat format, std::ostream& out, std::ostream& err);

  // The latest result shown, read again (with the parameters it was read
  // with) for \edit and \delete. Nil, with the reason on err, when the latest
  // statement or command showed no such result: it failed, had no result,
  // or was an answer of the catalogue.
  tavro::RecordSet readLatestResultAgain(std::ostream& err);
  // The row count of the latest statement, as the plug-in recorded it.
  int32_t rowsAffected() const;
  // A method of the ODBCDatabase object answering with a result set.
  template <class... A>
  tavro::RecordSet method(const char* name, A&&... args) {
    return tavro::RecordSet(host_, host_.call<tavro::Object>(object_, name, std::forward<A>(args)...));
  }
  // Runs ask with the connection's ExtendedSchema switched on.
  template <class Ask>
  tavro::RecordSet withExtendedSchema(Ask ask) {
    const bool before = host_.getProperty(object_, "ExtendedSchema").asBoolean();
    host_.setProperty(object_, "ExtendedSchema", tavro::Value(true));
    tavro::RecordSet rows = ask();
    host_.setProperty(object_, "ExtendedSchema", tavro::Value(before));
    return rows;
  }

  // Misuse of host entry points the plug-in made so far.
  std::vector<std::string> misuse() const { return host_.violations(); }

private:
  void reportError(std::ostream& err);
  bool runUnchecked(const std::string& sql, OutputFormat format, std::ostream& out, std::ostream& err);
  bool printResult(tavro::RecordSet& rows, OutputFormat format, bool firstOfStatement, std::ostream& out,
                   std::ostream& err);
  void separateResult(OutputFormat format, bool firstOfStatement, std::ostream& out);
  tavro::RecordSet select(const std::string& sql, const std::vector<ParameterValue>& parameters, std::ostream& err);

  tavro::Host host_;
  bool linked_ = false;
  tavro::Object object_;
  std::optional<tavro::Database> db_;
  StatementCommands commands_{*this};
  // The statement behind the latest result shown, if it can be read again.
  struct LatestQuery {
    std::string sql;
    std::vector<ParameterValue> parameters;
  };
  std::optional<LatestQuery> latest_;
  // CSV results on this output so far: the next one is set apart by an empty line.
  bool csvResultShown_ = false;
};

}  // namespace sqelto_shell
