// A second connection for a driver that allows one active statement per
// connection: cursor editing's catalogue queries and statements cannot run
// beside the cursor's own open statement there.
#pragma once

#include "connection_record.h"

namespace sqelto {

class TemporaryConnection {
public:
  // A stand-alone record connected with the completed connection string of
  // `like` (what the driver manager made of the original one).
  explicit TemporaryConnection(const ConnectionRecord* like);
  // Closes the connection and frees the record.
  ~TemporaryConnection();
  TemporaryConnection(const TemporaryConnection&) = delete;
  TemporaryConnection& operator=(const TemporaryConnection&) = delete;

  bool connected() const { return record_ != nullptr && IsConnected(record_); }
  // Null only when no record could be had at all.
  ConnectionRecord* record() const { return record_; }
  // Copies this connection's last error (code and text) into `into`.
  void CopyLastErrorTo(ConnectionRecord* into) const;

private:
  ConnectionRecord* record_;
};

// True when the connection's driver runs only one statement at a time.
inline bool NeedsTemporaryConnection(const ConnectionRecord* record) { return record->maxActiveStatements == 1; }

}  // namespace sqelto
