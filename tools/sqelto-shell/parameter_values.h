// Typed statement parameters as a person writes them after \bind or -p:
// "TYPE:VALUE" (int:42, text:Grüße, date:2021-03-04, ...), "null", or a bare
// value (a whole number is an integer, another number a double, anything
// else text).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include <tavro_host/tavro_host.h>

namespace sqelto_shell {

struct ParameterValue {
  tavro::Value value;
  // The ODBCPreparedStatement constant it is bound as ("ODBC_TYPE_INTEGER").
  std::string bindType;
};

class ParameterError : public std::invalid_argument {
public:
  using std::invalid_argument::invalid_argument;
};

// Throws ParameterError naming the parameter and what is wrong with it.
ParameterValue ParseParameter(const std::string& text);

// The words of a \bind line: blanks separate them, a word in single quotes
// may hold blanks ('' is one quote).
std::vector<std::string> SplitParameterWords(const std::string& line);

// The type names ParseParameter knows, for help texts.
const char* ParameterTypeNames();

}  // namespace sqelto_shell
