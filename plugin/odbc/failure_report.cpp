#include "failure_report.h"

#include <string>

#include "last_error.h"

namespace sqelto {
namespace {

void IfStillNoError(ConnectionRecord* record, const char* call) {
  if (record->lastErrorCode != 0 || !IsConnected(record)) return;
  const std::string text = std::string(call) + " failed and the driver gave no reason.";
  SetLastError(record, kOwnFailureCode, text.c_str());
}

}  // namespace

void ReportStatementFailure(ConnectionRecord* record, SQLHSTMT statement, const char* call) {
  ReadStatementDiagnostics(record, statement);
  IfStillNoError(record, call);
}

void ReportConnectionFailure(ConnectionRecord* record, const char* call) {
  ReadConnectionDiagnostics(record);
  IfStillNoError(record, call);
}

}  // namespace sqelto
