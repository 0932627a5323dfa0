// The design-time command "Select ODBC Database...": asks for a data source
// name, a user and a password in the host's connection dialog and adds the
// answer to the project as a data source of kind "ODBC".
#pragma once

#include <string>
#include <string_view>

#include <tavro/plugin_sdk.h>

namespace sqelto {

// The name the project shows for a data source: the ASCII letters of the
// data source name, and its digits once a letter was kept ("1st-Data_Base 2"
// gives "stDataBase2"); "ODBCDatabase1" when nothing remains.
std::string DataSourceIdentifier(std::string_view dataSourceName);

// The dialog function registered with the command.
void TAVRO_CALL ODBCConnectionDialog();

}  // namespace sqelto
