// Running a statement with parameters through an ODBCPreparedStatement:
// prepared, each value bound with its type, selected with SelectSQL; a
// DatabaseException is shown with the plug-in's code and text.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "parameter_values.h"
#include "result_printer.h"

namespace sqelto_shell {

class ShellSession;

bool RunPrepared(ShellSession& session, const std::string& sql, const std::vector<ParameterValue>& parameters,
                 OutputFormat format, std::ostream& out, std::ostream& err);

}  // namespace sqelto_shell
