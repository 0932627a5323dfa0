// The plug-in path: an ODBCDatabase connected through Connect, auto-commit
// off through SetConnectionAttribute, the insert made by Prepare with its
// bind types set once, and for every row the host's call of ExecuteSQL with
// the row's five values as the ParamArray, then the engine's commit word.
// The host program's part (making the Variants) is not timed; the host's
// dispatch of the method call and everything the plug-in does is.
#include <chrono>
#include <stdexcept>

#include <tavro_host/tavro_host.h>

#include "insert_path.hpp"
#include "insert_rows.hpp"

namespace odbc_bench {
namespace {

class PluginInsertPath final : public InsertPath {
public:
  std::string name() const override { return "plugin"; }

  double insertAll(const std::string& connectionString, int rows) override {
    tavro::useUtf8Locale();
    tavro::Host host;
    host.load(SQELTO_PLUGIN_PATH);
    tavro::Object database = host.createInstance("ODBCDatabase");
    host.setProperty(database, "DataSource", tavro::Value(connectionString));
    tavro::Database db(host, database);
    if (!host.call<bool>(database, "Connect")) throw std::runtime_error("connect: " + db.lastErrorString());
    host.call(database, "SetConnectionAttribute", 102, 0);  // SQL_AUTOCOMMIT off
    tavro::Object insert = host.call<tavro::Object>(database, "Prepare", "INSERT INTO insert_rows VALUES (?, ?, ?, ?, ?)");
    if (!insert) throw std::runtime_error("prepare: " + db.lastErrorString());
    auto type = [&](const char* name) { return static_cast<int32_t>(host.constant("ODBCPreparedStatement", name)); };
    host.call(insert, "BindType",
              host.makeIntegerArray({type("ODBC_TYPE_INTEGER"), type("ODBC_TYPE_STRING"), type("ODBC_TYPE_DOUBLE"),
                                     type("ODBC_TYPE_TIMESTAMP"), type("ODBC_TYPE_STRING")}));

    // The method as the runtime calls it: looked up once, then called with
    // the statement and the ParamArray.
    const tavro::MethodInfo& method =
        host.resolveMethod(insert, "ExecuteSQL", {tavro::AbiKind::Object}, tavro::AbiKind::Void);
    auto executeSQL = reinterpret_cast<ExecuteSQLFn>(const_cast<void*>(method.function));

    // Each row's Variants are made as a host program makes them, then timed
    // while the statement binds and executes them. The program keeps a row's
    // values until the next row ran, so the statement's release of them (it
    // holds them until they are replaced) frees nothing inside the timing:
    // freeing the program's values is the program's business, as in the raw
    // loop.
    std::chrono::steady_clock::duration spent{};
    tavro::Object previous;
    for (int i = 1; i <= rows; ++i) {
      tavro::Object values = parameters(host, insertRow(i));
      const auto start = std::chrono::steady_clock::now();
      insertTimedRow(host, executeSQL, insert, values);
      spent += std::chrono::steady_clock::now() - start;
      previous = std::move(values);
    }
    const auto start = std::chrono::steady_clock::now();
    db.commit();
    spent += std::chrono::steady_clock::now() - start;
    if (db.lastErrorCode() != 0) throw std::runtime_error("commit: " + db.lastErrorString());
    return std::chrono::duration<double>(spent).count();
  }

private:
  using ExecuteSQLFn = void(TAVRO_CALL*)(TavroObject, TavroObject);

  // The runtime's call of the method: under its lock, and a raised
  // DatabaseException surfaces after it.
  [[gnu::noinline]] static void insertTimedRow(tavro::Host& host, ExecuteSQLFn executeSQL,
                                               const tavro::Object& insert, const tavro::Object& values) {
    tavro::Host::CallScope scope(host);
    executeSQL(insert.get(), values.get());
    scope.finish();
  }

  static tavro::Object parameters(tavro::Host& host, const InsertRow& row) {
    return host.makeVariantArray({host.makeVariant(tavro::Value(row.id)), host.makeVariant(tavro::Value(row.name)),
                                  host.makeVariant(tavro::Value(row.amount)),
                                  host.makeVariant(tavro::Value::timestamp(
                                      {row.year, row.month, row.day, row.hour, row.minute, row.second, 0})),
                                  host.makeVariant(tavro::Value(row.note))});
  }
};

}  // namespace

std::unique_ptr<InsertPath> pluginInsertPath() { return std::make_unique<PluginInsertPath>(); }

std::vector<std::unique_ptr<InsertPath>> allInsertPaths() {
  std::vector<std::unique_ptr<InsertPath>> paths;
  paths.push_back(rawOdbcInsertPath());
  paths.push_back(pluginInsertPath());
  return paths;
}

}  // namespace odbc_bench
