// The "Database" superclass's operations through the engine record, and
// RecordSet / RowSet objects through the cursor record.
#include "tavro_host/database.h"

#include <cstring>

#include "host_state.h"

namespace tavro {
namespace {

template <class Fn>
Fn need(Fn fn, int word, const char* what) {
  if (!fn) throw HostError(std::string(what) + " record word " + std::to_string(word) + " is empty");
  return fn;
}

uint16_t bigEndian16(const unsigned char* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

}  // namespace

// ---- RecordSet ------------------------------------------------------------

RecordSet::RecordSet(Host& host, Object object) : host_(&host), object_(std::move(object)) {
  if (object_ && object_.get()->kind != internal::ObjectKind::Cursor)
    throw HostError("a " + object_.className() + " is not a RecordSet or RowSet");
}

bool RecordSet::isRowSet() const { return object_ && object_.get()->rowSet; }
TavroCursorHandle* RecordSet::handle() const { return object_ ? object_.get()->handle : nullptr; }
const TavroCursorRecord* RecordSet::cursorRecord() const { return object_ ? object_.get()->cursorRecord : nullptr; }

namespace {
const TavroCursorRecord& recordOf(const Object& o) {
  if (!o) throw HostError("operation on a nil RecordSet");
  return *o.get()->cursorRecord;
}
}  // namespace

int32_t RecordSet::columnCount() {
  auto fn = need(recordOf(object_).columnCount, 3, "cursor");
  Host::CallScope scope(*host_);
  const int32_t n = fn(handle());
  scope.finish();
  return n;
}

bool RecordSet::columnNameIsNull(int32_t column) {
  auto fn = need(recordOf(object_).columnName, 4, "cursor");
  Host::CallScope scope(*host_);
  String s = String::adopt(fn(handle(), column));
  scope.finish();
  return !s;
}

std::string RecordSet::columnName(int32_t column) {
  auto fn = need(recordOf(object_).columnName, 4, "cursor");
  Host::CallScope scope(*host_);
  String s = String::adopt(fn(handle(), column));
  internal::checkTextEncoding(s.get(), "ColumnName");
  scope.finish();
  return s ? s.utf8() : std::string();
}

int32_t RecordSet::columnType(int32_t column) {
  auto fn = need(recordOf(object_).columnType, 17, "cursor");
  Host::CallScope scope(*host_);
  const int32_t t = fn(handle(), column);
  scope.finish();
  return t;
}

int32_t RecordSet::recordCount() {
  auto fn = need(recordOf(object_).recordCount, 5, "cursor");
  Host::CallScope scope(*host_);
  const int32_t n = fn(handle());
  scope.finish();
  return n;
}

bool RecordSet::next() {
  auto fn = need(recordOf(object_).nextRecord, 8, "cursor");
  Host::CallScope scope(*host_);
  const bool more = fn(handle());
  scope.finish();
  return more;
}

#define TAVRO_CURSOR_ACTION(method, field, word)          \
  void RecordSet::method() {                              \
    auto fn = need(recordOf(object_).field, word, "cursor"); \
    Host::CallScope scope(*host_);                        \
    fn(handle());                                         \
    scope.finish();                                       \
  }
TAVRO_CURSOR_ACTION(previous, previousRecord, 14)
TAVRO_CURSOR_ACTION(first, firstRecord, 15)
TAVRO_CURSOR_ACTION(last, lastRecord, 16)
TAVRO_CURSOR_ACTION(edit, editRecord, 13)
TAVRO_CURSOR_ACTION(remove, deleteRecord, 9)
#undef TAVRO_CURSOR_ACTION

void RecordSet::update(const std::vector<std::pair<int32_t, std::string>>& fields) {
  auto fn = need(recordOf(object_).updateRecord, 12, "cursor");
  std::vector<TavroUpdateField> nodes(fields.size());
  std::vector<String> values;
  for (size_t i = 0; i < fields.size(); ++i) {
    values.push_back(host_->makeString(fields[i].second));
    nodes[i].column = fields[i].first;
    nodes[i].value = values.back().get();
    nodes[i].next = i + 1 < fields.size() ? &nodes[i + 1] : nullptr;
  }
  Host::CallScope scope(*host_);
  fn(handle(), nodes.empty() ? nullptr : nodes.data());
  scope.finish();
}

namespace {

// The byte size each fixed-size type code carries, or 0 for the others.
int32_t fixedSizeOf(uint8_t type) {
  switch (type) {
    case TAVRO_COLUMN_TINYINT:
    case TAVRO_COLUMN_SMALLINT: return 2;
    case TAVRO_COLUMN_INTEGER:
    case TAVRO_COLUMN_FLOAT: return 4;
    case TAVRO_COLUMN_INT64:
    case TAVRO_COLUMN_DOUBLE: return 8;
    case TAVRO_COLUMN_BOOLEAN: return 1;
    case TAVRO_COLUMN_DATE:
    case TAVRO_COLUMN_TIME: return 6;
    case TAVRO_COLUMN_TIMESTAMP: return 16;
    default: return 0;
  }
}

// Decodes one value in the host value format. The caller holds the runtime
// lock: a string in the cursor's value slot is only good until the next value
// is read, possibly by another thread as soon as the lock is given up.
Value decodeValue(const void* raw, uint8_t type, int32_t length, int32_t column) {
  const auto* p = static_cast<const unsigned char*>(raw);
  auto malformed = [&](const std::string& why) {
    const std::string text =
        "ColumnValue: column " + std::to_string(column) + " value of type " + std::to_string(type) + ": " + why;
    internal::violation(text);
    return HostError(text);
  };
  if (!p) throw malformed("null value pointer");
  if (length < 0) throw malformed("negative length " + std::to_string(length));
  if (const int32_t size = fixedSizeOf(type); size != 0 && length != size)
    throw malformed("length " + std::to_string(length) + " where the type has " + std::to_string(size) + " bytes");
  Value v;
  switch (type) {
    case TAVRO_COLUMN_NULL:
      // The value is NULL: no bytes, the pointer at four zero bytes.
      if (length != 0) throw malformed("NULL with length " + std::to_string(length));
      if (p[0] || p[1] || p[2] || p[3]) throw malformed("NULL whose value bytes are not zero");
      break;
    case TAVRO_COLUMN_TINYINT:
    case TAVRO_COLUMN_SMALLINT: {
      int16_t n;
      std::memcpy(&n, p, 2);
      v = Value(int32_t{n});
      break;
    }
    case TAVRO_COLUMN_INTEGER: {
      int32_t n;
      std::memcpy(&n, p, 4);
      v = Value(n);
      break;
    }
    case TAVRO_COLUMN_INT64: {
      int64_t n;
      std::memcpy(&n, p, 8);
      v = Value(n);
      break;
    }
    case TAVRO_COLUMN_FLOAT: {
      float f;
      std::memcpy(&f, p, 4);
      v = Value(f);
      break;
    }
    case TAVRO_COLUMN_DOUBLE: {
      double d;
      std::memcpy(&d, p, 8);
      v = Value(d);
      break;
    }
    case TAVRO_COLUMN_BOOLEAN: v = Value(p[0] != 0); break;
    case TAVRO_COLUMN_DATE: v = Value::date(bigEndian16(p), bigEndian16(p + 2), bigEndian16(p + 4)); break;
    case TAVRO_COLUMN_TIME: v = Value::time(bigEndian16(p), bigEndian16(p + 2), bigEndian16(p + 4)); break;
    case TAVRO_COLUMN_TIMESTAMP: {
      DateTime dt{bigEndian16(p), bigEndian16(p + 2), bigEndian16(p + 4), bigEndian16(p + 6), bigEndian16(p + 8),
                  bigEndian16(p + 10), 0};
      std::memcpy(&dt.fraction, p + 12, 4);
      v = Value::timestamp(dt);
      break;
    }
    case TAVRO_COLUMN_CHAR:
    case TAVRO_COLUMN_TEXT:
    case TAVRO_COLUMN_LONG_TEXT:
    case TAVRO_COLUMN_DECIMAL: {
      // Text handed to the host as bytes is UTF-8.
      std::string text(reinterpret_cast<const char*>(p), static_cast<size_t>(length));
      if (!isValidText(text, Encoding::Utf8)) throw malformed("the bytes are not valid UTF-8");
      v = Value(std::move(text));
      break;
    }
    case TAVRO_COLUMN_BINARY:
    case TAVRO_COLUMN_LONG_BINARY: v = Value(Bytes(p, p + length)); break;
    case TAVRO_COLUMN_HOST_STRING: {
      // The value points at a slot holding a host string, and says so with length 4.
      if (length != 4) throw malformed("length " + std::to_string(length) + " where a string slot has 4");
      TavroString s;
      std::memcpy(&s, p, sizeof s);
      if (!s) throw malformed("the slot holds a null string");
      if (!internal::checkedString(s, "ColumnValue")) throw malformed("the slot holds no host string");
      internal::checkTextEncoding(s, "ColumnValue");
      const uint32_t encoding = internal::stringBlock(s)->encoding.load(std::memory_order_relaxed);
      // A string without an encoding (recorded above) is read as UTF-8.
      if (!isValidText(bytesOf(s), encoding ? static_cast<Encoding>(encoding) : Encoding::Utf8))
        throw malformed("the string is not valid text in its encoding " + std::to_string(encoding));
      v = Value(String::retain(s));
      break;
    }
    default: throw malformed("not a host column type");
  }
  v.columnType = type;
  v.columnLength = length;
  return v;
}

}  // namespace

Value RecordSet::value(int32_t column) {
  auto fn = need(recordOf(object_).columnValue, 6, "cursor");
  void* raw = nullptr;
  uint8_t type = 0;
  int32_t length = 0;
  Host::CallScope scope(*host_);
  fn(handle(), column, &raw, &type, &length);
  Value v = decodeValue(raw, type, length, column);
  scope.finish();
  return v;
}

// ---- Database --------------------------------------------------------------

Database::Database(Host& host, Object object) : host_(host), object_(std::move(object)) {
  if (!object_ || !object_.get()->cls || !object_.get()->cls->derivesFrom("Database"))
    throw HostError("a " + object_.className() + " is not a Database");
  if (!object_.get()->engine) throw HostError("the " + object_.className() + " is not bound to an engine");
}

TavroDatabase Database::record() const {
  // A database made from a stand-alone record gave it back to the engine
  // when it was closed; nothing may reach the record after that.
  if (object_.get()->standaloneDatabase && !object_.get()->db)
    throw HostError("the database was closed: its engine has taken its record back");
  return object_.get()->db;
}
const TavroEngineRecord* Database::engine() const { return object_.get()->engine; }
bool Database::isConnected() const { return object_.get()->connected; }

namespace {
RecordSet cursorResult(Host& host, TavroObject raw) {
  Object o = Object::adopt(raw);
  return RecordSet(host, std::move(o));
}
}  // namespace

RecordSet Database::select(std::string_view sql) { return select(host_.makeString(sql)); }

RecordSet Database::select(const String& sql) {
  auto fn = need(engine()->select, 5, "engine");
  Host::CallScope scope(host_);
  RecordSet r = cursorResult(host_, fn(record(), sql.get()));
  scope.finish();
  return r;
}

void Database::execute(std::string_view sql) { execute(host_.makeString(sql)); }

void Database::execute(const String& sql) {
  auto fn = need(engine()->execute, 6, "engine");
  Host::CallScope scope(host_);
  fn(record(), sql.get());
  scope.finish();
}

void Database::addRecord(std::string_view table, const std::vector<ColumnInput>& values) {
  auto fn = need(engine()->addRecord, 8, "engine");
  String t = host_.makeString(table);
  std::vector<TavroColumnValue> nodes(values.size());
  std::vector<String> keep;
  for (size_t i = 0; i < values.size(); ++i) {
    keep.push_back(host_.makeString(values[i].name));
    nodes[i].name = keep.back().get();
    // Binary values (types 14, 16 and 17) are bytes, not text: the
    // runtime's strings of them carry no encoding.
    const bool binary = values[i].type == TAVRO_COLUMN_BINARY || values[i].type == TAVRO_COLUMN_LONG_BINARY ||
                        values[i].type == 17;
    keep.push_back(host_.makeString(values[i].value, binary ? Encoding::Unknown : Encoding::Utf8));
    nodes[i].value = keep.back().get();
    nodes[i].type = values[i].type;
    nodes[i].next = i + 1 < values.size() ? &nodes[i + 1] : nullptr;
  }
  Host::CallScope scope(host_);
  fn(record(), t.get(), nodes.empty() ? nullptr : nodes.data());
  scope.finish();
}

RecordSet Database::selectWithParams(std::string_view sql, const Object& params) {
  auto fn = need(engine()->selectWithParams, 9, "engine");
  String s = host_.makeString(sql);
  Host::CallScope scope(host_);
  RecordSet r = cursorResult(host_, fn(record(), s.get(), params.get()));
  scope.finish();
  return r;
}

RecordSet Database::tableSchema() {
  auto fn = need(engine()->tableSchema, 3, "engine");
  Host::CallScope scope(host_);
  RecordSet r = cursorResult(host_, fn(record()));
  scope.finish();
  return r;
}

RecordSet Database::fieldSchema(std::string_view table) {
  auto fn = need(engine()->fieldSchema, 4, "engine");
  String t = host_.makeString(table);
  Host::CallScope scope(host_);
  RecordSet r = cursorResult(host_, fn(record(), t.get()));
  scope.finish();
  return r;
}

RecordSet Database::indexSchema(std::string_view table) {
  auto fn = need(engine()->indexSchema, 12, "engine");
  String t = host_.makeString(table);
  Host::CallScope scope(host_);
  RecordSet r = cursorResult(host_, fn(record(), t.get()));
  scope.finish();
  return r;
}

int32_t Database::lastErrorCode() {
  auto fn = need(engine()->lastErrorCode, 13, "engine");
  Host::CallScope scope(host_);
  const int32_t code = fn(record());
  scope.finish();
  return code;
}

std::string Database::lastErrorString() {
  auto fn = need(engine()->lastErrorString, 14, "engine");
  Host::CallScope scope(host_);
  String s = String::adopt(fn(record()));
  internal::checkTextEncoding(s.get(), "last error string");
  scope.finish();
  return s ? s.utf8() : std::string();
}

void Database::commit() {
  auto fn = need(engine()->commit, 15, "engine");
  Host::CallScope scope(host_);
  fn(record());
  scope.finish();
}

void Database::rollback() {
  auto fn = need(engine()->rollback, 16, "engine");
  Host::CallScope scope(host_);
  fn(record());
  scope.finish();
}

ColumnTypes Database::columnTypes() {
  auto fn = need(engine()->columnTypes, 18, "engine");
  const int32_t* codes = nullptr;
  const char* names = nullptr;
  int32_t bytes = 0;
  {
    Host::CallScope scope(host_);
    fn(&codes, &names, &bytes);
    scope.finish();
  }
  if (bytes < 0 || bytes % 4 != 0 || bytes > 4096) throw HostError("column types: byte size " + std::to_string(bytes) + " is not a whole number of codes");
  if (bytes > 0 && !codes) throw HostError("column types: null code array");
  ColumnTypes out;
  out.codes.assign(codes, codes + bytes / 4);
  out.names = names ? names : "";
  out.codeBytes = bytes;
  return out;
}

Object Database::prepare(std::string_view sql) {
  auto fn = need(engine()->prepare, 25, "engine");
  String s = host_.makeString(sql);
  Host::CallScope scope(host_);
  Object o = Object::adopt(fn(record(), s.get()));
  scope.finish();
  return o;
}

void Database::executeWithParams(std::string_view sql, const Object& params) {
  auto fn = need(engine()->executeWithParams, 26, "engine");
  String s = host_.makeString(sql);
  Host::CallScope scope(host_);
  fn(record(), s.get(), params.get());
  scope.finish();
}

void Database::close() {
  auto fn = need(engine()->close, 2, "engine");
  TavroDatabase db = record();
  Host::CallScope scope(host_);
  fn(db);
  if (object_.get()->standaloneDatabase) {
    internal::releaseDatabaseRecord(db, object_.get());  // the engine has it back
    object_.get()->db = nullptr;
    object_.get()->connected = false;
  }
  scope.finish();
}

}  // namespace tavro
