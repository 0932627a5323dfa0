// Entry points for databases, cursors, the connection dialog, design-time
// data sources and leaving / re-entering the runtime.
#include "entry_points.h"
#include "host_state.h"
#include "tavro_host/errors.h"

namespace tavro::entry {
namespace {

using internal::violation;

TavroObjectImpl* databaseObject(TavroObject o, const char* entryPoint) {
  if (!o) {
    violation(std::string(entryPoint) + ": null database object");
    return nullptr;
  }
  TavroObjectImpl* impl = internal::checkedObject(o, entryPoint);
  if (!impl) return nullptr;
  if (!impl->cls || !impl->cls->derivesFrom("Database")) {
    violation(std::string(entryPoint) + ": a " + (impl->cls ? impl->cls->info.name : std::string("?")) +
              " is not a Database");
    return nullptr;
  }
  return impl;
}

bool engineRegistered(const TavroEngineRecord* engine) {
  internal::HostState* st = internal::currentState();
  if (!st) return false;
  std::lock_guard lock(st->mu);
  for (auto& e : st->engines)
    if (e.record == engine) return true;
  return false;
}

TavroString databaseString(TavroObject o, const char* entryPoint, const char* prop) {
  TavroObjectImpl* impl = databaseObject(o, entryPoint);
  if (!impl) return nullptr;
  auto it = impl->props.find(prop);
  if (it == impl->props.end() || it->second.kind() != Value::Kind::Text) return nullptr;
  String s = it->second.hostString() ? it->second.hostString() : String::fromUtf8(it->second.asText());
  return s.release();
}

TavroObject wrapCursor(TavroCursorHandle* handle, TavroCursorRecord* record, bool rowSet, const char* entryPoint) {
  internal::HostState* st = internal::currentState();
  if (!st || !handle) return nullptr;  // nothing to wrap
  {
    std::lock_guard lock(st->mu);
    bool known = false;
    for (auto& c : st->cursors)
      if (c.record == record) known = true;
    if (!known) {
      st->violations.push_back(std::string(entryPoint) + ": cursor record was never registered");
      return nullptr;
    }
    if (!record->destroy) {
      // Without a destroy word the cursor could never be freed.
      st->violations.push_back(std::string(entryPoint) + ": cursor record has no destroy word; cursor refused");
      return nullptr;
    }
    if (st->refuseWrap) return nullptr;
    if (auto owner = st->cursorOwners.find(handle); owner != st->cursorOwners.end()) {
      // Two owners would both call the destroy word.
      st->violations.push_back(std::string(entryPoint) + ": the cursor handle belongs to a " +
                               (owner->second->rowSet ? "RowSet" : "RecordSet") + " already");
      return nullptr;
    }
  }
  TavroObject o = internal::newObject(internal::builtinClass(rowSet ? "RowSet" : "RecordSet"),
                                      internal::ObjectKind::Cursor, 0);
  o->handle = handle;
  o->cursorRecord = record;
  o->rowSet = rowSet;
  std::lock_guard lock(st->mu);
  st->cursorOwners.emplace(handle, o);
  return o;
}

internal::Dialog* checkedDialog(TavroDialog dialog, const char* entryPoint) {
  internal::HostState* st = internal::currentState();
  if (!st || !dialog) {
    violation(std::string(entryPoint) + ": null dialog");
    return nullptr;
  }
  std::lock_guard lock(st->mu);
  for (auto& d : st->dialogs)
    if (reinterpret_cast<TavroDialog>(d.get()) == dialog) {
      if (d->record.deleted) break;
      return d.get();
    }
  st->violations.push_back(std::string(entryPoint) + ": not a live connection dialog");
  return nullptr;
}

// A label or title as UTF-8; bytes that are not text in their encoding are
// kept as they are (and reported) rather than failing the dialog.
std::string utf8Of(TavroString s, const char* entryPoint) {
  internal::checkTextEncoding(s, entryPoint);
  String str = String::retain(s);
  try {
    return str.utf8();
  } catch (const HostError&) {
    violation(std::string(entryPoint) + ": string is not valid text in its encoding");
    return str.bytes();
  }
}

}  // namespace

void TAVRO_CALL DesignAddDataSource(const char* identifier, const char* kind, const void* data, int32_t length) {
  internal::HostState* st = internal::currentState();
  if (!st) return;
  if (!identifier || !kind || length < 0 || (!data && length > 0)) {
    violation("DesignAddDataSource: null identifier or kind, or bytes that do not match their count");
    return;
  }
  std::lock_guard lock(st->mu);
  st->design.push_back({identifier, kind, std::string(static_cast<const char*>(data), static_cast<size_t>(length))});
}

TavroDialog TAVRO_CALL DialogCreate() {
  internal::HostState* st = internal::currentState();
  if (!st) return nullptr;
  std::lock_guard lock(st->mu);
  st->dialogs.push_back(std::make_unique<internal::Dialog>());
  return reinterpret_cast<TavroDialog>(st->dialogs.back().get());
}

void TAVRO_CALL DialogAddField(TavroDialog dialog, TavroString label, int32_t reserved, int32_t isPassword) {
  internal::Dialog* d = checkedDialog(dialog, "VANTDBConnectionDialogAddField");
  if (!d) return;
  if (!internal::requiredString(label, "VANTDBConnectionDialogAddField")) return;
  const std::string text = utf8Of(label, "VANTDBConnectionDialogAddField");
  std::lock_guard lock(internal::currentState()->mu);
  d->record.fields.push_back({text, reserved, isPassword});
}

TavroString TAVRO_CALL DialogShow(TavroDialog dialog, TavroString title) {
  internal::Dialog* d = checkedDialog(dialog, "VANTDBConnectionDialogShow");
  if (!d) return nullptr;
  if (!internal::requiredString(title, "VANTDBConnectionDialogShow")) return nullptr;
  const std::string text = utf8Of(title, "VANTDBConnectionDialogShow");
  internal::HostState* st = internal::currentState();
  std::lock_guard lock(st->mu);
  d->record.title = text;
  ++d->record.shown;
  std::string answer = std::move(st->dialogScript);
  st->dialogScript.clear();
  // The answer is the stored data-source data: three NUL-terminated fields.
  return internal::newString(answer, TAVRO_ENCODING_UTF8);
}

void TAVRO_CALL DialogDelete(TavroDialog dialog) {
  internal::Dialog* d = checkedDialog(dialog, "VANTDBConnectionDialogDelete");
  if (!d) return;
  std::lock_guard lock(internal::currentState()->mu);
  d->record.deleted = true;
}

int32_t TAVRO_CALL ConstructDBDatabase(TavroObject instance, TavroDatabase db, TavroEngineRecord* engine) {
  TavroObjectImpl* impl = databaseObject(instance, "VANTConstructDBDatabase");
  if (!impl) return 0;
  if (!engine || !engineRegistered(engine)) {
    violation("VANTConstructDBDatabase: engine record was never registered");
    return 0;
  }
  if (impl->engine) {
    violation("VANTConstructDBDatabase: the instance is bound already");
    return 0;
  }
  if (!internal::claimDatabaseRecord(db, impl, "VANTConstructDBDatabase")) return 0;
  impl->db = db;
  impl->engine = engine;
  return 1;
}

TavroObject TAVRO_CALL DatabaseFromDB(TavroDatabase db, TavroEngineRecord* engine) {
  if (!engine || !engineRegistered(engine)) {
    violation("VANTdbDatabaseFromDBDatabase: engine record was never registered");
    return nullptr;
  }
  TavroObject o = nullptr;
  try {
    o = internal::instantiate(internal::builtinClass("Database"));
  } catch (const std::exception& e) {
    violation(std::string("VANTdbDatabaseFromDBDatabase: ") + e.what());
  }
  if (!o) return nullptr;
  if (!internal::claimDatabaseRecord(db, o, "VANTdbDatabaseFromDBDatabase")) {
    internal::unlockObject(o);
    return nullptr;
  }
  o->db = db;
  o->engine = engine;
  o->standaloneDatabase = true;
  o->connected = true;
  return o;
}

TavroDatabase TAVRO_CALL DBFromDatabase(TavroObject database) {
  TavroObjectImpl* impl = databaseObject(database, "VANTGetDBFromVANTdbDatabase");
  return impl ? impl->db : nullptr;
}

TavroString TAVRO_CALL GetDBHost(TavroObject database) { return databaseString(database, "VANTGetDBHost", "Host"); }
TavroString TAVRO_CALL GetDBUserName(TavroObject database) {
  return databaseString(database, "VANTGetDBUserName", "UserName");
}
TavroString TAVRO_CALL GetDBPassword(TavroObject database) {
  return databaseString(database, "VANTGetDBPassword", "Password");
}
TavroString TAVRO_CALL GetDBDatabaseName(TavroObject database) {
  return databaseString(database, "VANTGetDBDatabaseName", "DatabaseName");
}

void TAVRO_CALL SetDBIsConnected(TavroObject database, bool connected) {
  if (TavroObjectImpl* impl = databaseObject(database, "VANTSetDBIsConnected")) impl->connected = connected;
}

TavroObject TAVRO_CALL CursorToRecordSet(TavroCursorHandle* handle, TavroCursorRecord* record) {
  try {
    return wrapCursor(handle, record, false, "VANTdbCursorFromDBCursor");
  } catch (const std::exception& e) {
    violation(std::string("VANTdbCursorFromDBCursor: ") + e.what());
    return nullptr;
  }
}
TavroObject TAVRO_CALL CursorToRowSet(TavroCursorHandle* handle, TavroCursorRecord* record) {
  try {
    return wrapCursor(handle, record, true, "NewRowSetFromDBCursor");
  } catch (const std::exception& e) {
    violation(std::string("NewRowSetFromDBCursor: ") + e.what());
    return nullptr;
  }
}

void* TAVRO_CALL DetachCurrentThread() { return internal::detachThread(); }
void TAVRO_CALL AttachCurrentThread(void* token) { internal::attachThread(token); }

}  // namespace tavro::entry
