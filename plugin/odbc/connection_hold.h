// A reference to a connection record held by something that works on its
// connection besides the host object: a cursor or a prepared statement.
// Holders derive from ConnectionHold.
//
// The record is the instance data of an ODBCDatabase host object, and the
// host frees that instance when its program drops the object, while cursors
// it handed out may still be in use. The object's destructor then moves the
// record into memory of its own (OutliveHostInstance) and points every hold
// at the moved record; the last release closes the connection and frees it.
// When the connection handle is closed, every hold hears of it before the
// handle goes (ConnectionClosing), so nothing made on the old handle can be
// reached through a new one that happens to reuse its address.
#pragma once

#include "connection_record.h"

namespace sqelto {

class ConnectionHold {
public:
  ConnectionHold(const ConnectionHold&) = delete;
  ConnectionHold& operator=(const ConnectionHold&) = delete;

  ConnectionRecord* record() const { return record_; }

  // The record's connection handle is about to be disconnected and freed:
  // free and forget every statement made on it.
  virtual void ConnectionClosing() = 0;

protected:
  // Adds a reference to the record.
  explicit ConnectionHold(ConnectionRecord* record);
  // Releases it; the last release closes the connection.
  virtual ~ConnectionHold();

private:
  friend ConnectionRecord* OutliveHostInstance(ConnectionRecord* instanceRecord);
  ConnectionRecord* record_;
};

// Called by ODBCDatabase's destructor before it drops the host object's
// reference: when holds remain, moves the record out of the host instance
// into memory of its own, re-points the holds at it, and returns the moved
// record; otherwise returns the record unchanged. The host strings the
// record stores belong to the host instance and are not taken along.
ConnectionRecord* OutliveHostInstance(ConnectionRecord* instanceRecord);

// Tells every hold of the record that its connection handle is closing.
void NotifyConnectionClosing(ConnectionRecord* record);

// After the last release: frees a record that OutliveHostInstance moved
// (the memory of a record in a host instance belongs to the host), or one
// handed over with FreeAtLastRelease.
void FreeIfMoved(ConnectionRecord* record);

// A stand-alone record (NewStandaloneRecord) that the plug-in owns from now
// on: its last release frees it, like a moved one.
void FreeAtLastRelease(ConnectionRecord* record);

}  // namespace sqelto
