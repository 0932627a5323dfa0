#include "prepared_run.h"

#include "shell_session.h"

namespace sqelto_shell {

tavro::RecordSet SelectPrepared(ShellSession& session, const std::string& sql,
                                const std::vector<ParameterValue>& parameters, std::ostream& err) {
  tavro::Host& host = session.host();
  const tavro::Object statement = host.call<tavro::Object>(session.database(), "Prepare", sql);
  if (!statement) {
    session.reportFailure(err);
    return {};
  }
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    const auto position = static_cast<int32_t>(i);
    const auto type = static_cast<int32_t>(host.constant("ODBCPreparedStatement", parameters[i].bindType));
    const tavro::Value& value = parameters[i].value;
    host.call(statement, "Bind", position, value.isNil() ? tavro::Object() : host.makeVariant(value), type);
  }
  try {
    tavro::RecordSet rows(host, host.call<tavro::Object>(statement, "SelectSQL", host.makeVariantArray({})));
    if (rows.isNull()) session.reportFailure(err);
    return rows;
  } catch (const tavro::RaisedException& e) {
    err << "error " << e.errorNumber() << ": " << (e.message().empty() ? "(no message)" : e.message()) << '\n';
    return {};
  }
}

}  // namespace sqelto_shell
