// One SQL session through the plug-in: the substitute host with Sqelto
// loaded, one ODBCDatabase object, and statements run through the engine's
// select word. The shell makes no ODBC calls of its own.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include <tavro_host/tavro_host.h>

#include "result_printer.h"

namespace sqelto_shell {

struct ConnectRequest {
  std::string dataSource;  // a DSN name or a full connection string
  std::string userName;
  std::string password;
};

class ShellSession {
public:
  // Loads the plug-in; throws tavro::LoadError with the reason when it cannot.
  explicit ShellSession(const std::string& pluginPath);

  // Connects; on failure writes "error <code>: <text>" to err and answers false.
  bool connect(const ConnectRequest& request, std::ostream& err);

  // Runs one statement: a result is printed as it is read, a statement
  // without result prints "OK". A failure writes the plug-in's last-error
  // code and text to err and answers false.
  bool run(const std::string& sql, OutputFormat format, std::ostream& out, std::ostream& err);

private:
  void reportError(std::ostream& err);

  tavro::Host host_;
  tavro::Object object_;
  std::optional<tavro::Database> db_;
};

}  // namespace sqelto_shell
