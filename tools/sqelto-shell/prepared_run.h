// Running a statement with parameters through an ODBCPreparedStatement:
// prepared, each value bound with its type, selected with SelectSQL; a
// DatabaseException is shown with the plug-in's code and text.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include <tavro_host/tavro_host.h>

#include "parameter_values.h"

namespace sqelto_shell {

class ShellSession;

// The statement's answer (a RecordSet without columns when it has no
// result); nil, with the error on err, when it failed.
tavro::RecordSet SelectPrepared(ShellSession& session, const std::string& sql,
                                const std::vector<ParameterValue>& parameters, std::ostream& err);

}  // namespace sqelto_shell
