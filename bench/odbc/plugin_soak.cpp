#include "plugin_soak.hpp"

#include <tavro_host/tavro_host.h>

#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace odbc_bench {
namespace {

constexpr int kRows = 20;

long residentKilobytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void run(tavro::Database& db, const std::string& sql) {
  db.execute(sql);
  if (db.lastErrorCode() != 0) throw std::runtime_error(sql + ": " + db.lastErrorString());
}

}  // namespace

SoakReport soakPlugin(const std::string& connectionString, long long cycles) {
  tavro::useUtf8Locale();
  tavro::Host host;
  host.load(SQELTO_PLUGIN_PATH);
  SoakReport report;
  {
    tavro::Object object = host.createInstance("ODBCDatabase");
    host.setProperty(object, "DataSource", tavro::Value(connectionString));
    tavro::Database db(host, object);
    if (!host.call<bool>(object, "Connect")) throw std::runtime_error("soak connect failed: " + db.lastErrorString());
    run(db, "DROP TABLE IF EXISTS soak_rows");
    run(db, "CREATE TABLE soak_rows (id INTEGER, name VARCHAR(40), amount DOUBLE, note TEXT)");
    for (int i = 1; i <= kRows; ++i)
      run(db, "INSERT INTO soak_rows VALUES (" + std::to_string(i) + ", 'Grüße " + std::to_string(i) + "', " +
                  std::to_string(i) + ".5, " + (i % 4 == 0 ? std::string("NULL") : "'note ✓ " + std::to_string(i) + "'") + ")");

    report.stringsBefore = host.liveStrings();
    report.objectsBefore = host.liveObjects();
    const long long checkpoint = cycles >= 10 ? cycles / 10 : 1;
    for (long long cycle = 1; cycle <= cycles; ++cycle) {
      tavro::RecordSet rows = db.select("SELECT id, name, amount, note FROM soak_rows ORDER BY id");
      if (rows.isNull()) throw std::runtime_error("soak select failed: " + db.lastErrorString());
      int row = 0;
      while (rows.next()) {
        ++row;
        if (rows.value(0).asInteger() != row || rows.value(1).asText() != "Grüße " + std::to_string(row))
          throw std::runtime_error("soak read a wrong value in cycle " + std::to_string(cycle));
        rows.value(2);
        rows.value(3);
        report.valuesRead += 4;
      }
      if (row != kRows) throw std::runtime_error("soak read " + std::to_string(row) + " rows");
      rows.reset();
      if (cycle % checkpoint == 0) report.residentKilobytes.emplace_back(cycle, residentKilobytes());
    }
    report.cycles = cycles;
    report.stringsAfter = host.liveStrings();
    report.objectsAfter = host.liveObjects();
    run(db, "DROP TABLE soak_rows");
  }
  if (!host.violations().empty()) throw std::runtime_error("the plug-in misused the host: " + host.violations().front());
  return report;
}

}  // namespace odbc_bench
