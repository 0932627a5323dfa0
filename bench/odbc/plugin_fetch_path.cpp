#include "plugin_fetch_path.hpp"

#include <tavro_host/tavro_host.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace odbc_bench {
namespace {

uint16_t BigEndian16(const unsigned char* bytes) { return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]); }

template <typename T>
T Read(const void* value) {
  T out;
  std::memcpy(&out, value, sizeof out);
  return out;
}

// One value in the host value format, folded into the totals the way the
// raw loop folds the same value.
void ReadValue(const void* value, uint8_t type, int32_t length, FetchTotals& totals) {
  const auto* bytes = static_cast<const unsigned char*>(value);
  switch (type) {
    case TAVRO_COLUMN_NULL: ++totals.nulls; break;
    case TAVRO_COLUMN_TINYINT:
    case TAVRO_COLUMN_SMALLINT: totals.addInteger(Read<int16_t>(value)); break;
    case TAVRO_COLUMN_INTEGER: totals.addInteger(Read<int32_t>(value)); break;
    case TAVRO_COLUMN_INT64: totals.addInteger(Read<int64_t>(value)); break;
    case TAVRO_COLUMN_FLOAT: totals.addDouble(Read<float>(value)); break;
    case TAVRO_COLUMN_DOUBLE: totals.addDouble(Read<double>(value)); break;
    case TAVRO_COLUMN_BOOLEAN: totals.addInteger(bytes[0]); break;
    case TAVRO_COLUMN_DATE:
      totals.addTimestamp(BigEndian16(bytes), BigEndian16(bytes + 2), BigEndian16(bytes + 4), 0, 0, 0, 0);
      break;
    case TAVRO_COLUMN_TIME:
      totals.addTimestamp(0, 0, 0, BigEndian16(bytes), BigEndian16(bytes + 2), BigEndian16(bytes + 4), 0);
      break;
    case TAVRO_COLUMN_TIMESTAMP:
      totals.addTimestamp(BigEndian16(bytes), BigEndian16(bytes + 2), BigEndian16(bytes + 4), BigEndian16(bytes + 6),
                          BigEndian16(bytes + 8), BigEndian16(bytes + 10), Read<uint32_t>(bytes + 12));
      break;
    case TAVRO_COLUMN_HOST_STRING: {
      // The host reads its own string's bytes and length directly.
      const std::string_view text = tavro::bytesOf(*static_cast<const TavroString*>(value));
      totals.addText(text.data(), text.size());
      break;
    }
    default: totals.addText(static_cast<const char*>(value), static_cast<std::size_t>(length)); break;
  }
}

// Connects, selects and reads every value; the objects it makes are released
// (and the connection closed) before it returns, as the raw loop's are.
FetchTotals fetchThroughPlugin(tavro::Host& host, const std::string& connectionString, const std::string& query) {
  tavro::Object object = host.createInstance("ODBCDatabase");
  host.setProperty(object, "DataSource", tavro::Value(connectionString));
  tavro::Database db(host, object);
  if (!host.call<bool>(object, "Connect"))
    throw std::runtime_error("plug-in connect failed: " + db.lastErrorString());
  tavro::RecordSet rows = db.select(query);
  if (rows.isNull()) throw std::runtime_error("plug-in select failed: " + db.lastErrorString());

  const TavroCursorRecord* words = rows.cursorRecord();
  TavroCursorHandle* handle = rows.handle();
  FetchTotals totals;
  {
    // One runtime-lock scope for the whole walk, as a host thread running a
    // loop over a RecordSet holds the runtime.
    tavro::Host::CallScope scope(host);
    const int32_t columns = words->columnCount(handle);
    while (words->nextRecord(handle)) {
      ++totals.rows;
      for (int32_t column = 0; column < columns; ++column) {
        void* value = nullptr;
        uint8_t type = 0;
        int32_t length = 0;
        words->columnValue(handle, column, &value, &type, &length);
        ReadValue(value, type, length, totals);
      }
    }
    scope.finish();
  }
  if (db.lastErrorCode() != 0) throw std::runtime_error("plug-in fetch failed: " + db.lastErrorString());
  return totals;
}

}  // namespace

FetchTotals PluginFetchPath::fetchAll(const std::string& connectionString, const std::string& query) {
  tavro::useUtf8Locale();
  tavro::Host host;
  host.load(SQELTO_PLUGIN_PATH);
  const auto start = std::chrono::steady_clock::now();
  const FetchTotals totals = fetchThroughPlugin(host, connectionString, query);
  seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return totals;
}

}  // namespace odbc_bench
