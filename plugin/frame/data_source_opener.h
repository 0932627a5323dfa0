// The opener of design-time data sources of kind "ODBC": connects a new
// stand-alone connection record with the stored data source name, user and
// password and hands it to the host as a database object.
#pragma once

#include <optional>
#include <string>

#include <tavro/plugin_sdk.h>

namespace sqelto {

// The stored data: the data source name, the user and the password, each
// ended by a NUL.
struct StoredDataSource {
  std::string name, user, password;
};
StoredDataSource SplitStoredDataSource(const char* stored);

// The opener registered for the kind; null when the connection fails.
TavroObject TAVRO_CALL ODBCOpenDataSource(const char* stored);

// Engine word 2 (close). The host closes a database the opener made once,
// when it is done with it: the record is then closed and released, and
// freed once no cursor holds it. Other records are only closed.
void TAVRO_CALL ODBCCloseForHost(TavroDatabase db);

}  // namespace sqelto
