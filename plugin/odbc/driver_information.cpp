#include "driver_information.h"

#include <cstring>

#include "../frame/host_api.h"
#include "../frame/trace.h"
#include "connection_record.h"
#include "failure_report.h"
#include "failure_shield.h"
#include "last_error.h"
#include "odbc_api.h"
#include "variant_answers.h"

namespace sqelto {
namespace {

struct InfoRange {
  int32_t first, last;
  InfoClass kind;
};

// Information types by how their answer is read. Everything else (115,
// 122-126, 10006-10020, unknown types) is not supported.
constexpr InfoRange kInfoRanges[] = {
    {0, 1, InfoClass::Small},        {2, 2, InfoClass::Text},         {3, 5, InfoClass::Integer},
    {6, 7, InfoClass::Text},         {8, 8, InfoClass::Integer},      {9, 9, InfoClass::Small},
    {10, 11, InfoClass::Text},       {12, 12, InfoClass::Small},      {13, 14, InfoClass::Text},
    {15, 15, InfoClass::Small},      {16, 21, InfoClass::Text},       {22, 24, InfoClass::Small},
    {25, 25, InfoClass::Text},       {26, 26, InfoClass::Integer},    {27, 27, InfoClass::Text},
    {28, 28, InfoClass::Small},      {29, 29, InfoClass::Text},       {30, 35, InfoClass::Small},
    {36, 42, InfoClass::Text},       {43, 44, InfoClass::Integer},    {45, 45, InfoClass::Text},
    {46, 46, InfoClass::Small},      {47, 47, InfoClass::Text},       {48, 72, InfoClass::Integer},
    {73, 73, InfoClass::Text},       {74, 75, InfoClass::Small},      {76, 76, InfoClass::Integer},
    {77, 77, InfoClass::Text},       {78, 83, InfoClass::Integer},    {84, 85, InfoClass::Small},
    {86, 86, InfoClass::Integer},    {87, 87, InfoClass::Text},       {88, 88, InfoClass::Small},
    {89, 90, InfoClass::Text},       {91, 92, InfoClass::Integer},    {93, 93, InfoClass::Small},
    {94, 94, InfoClass::Text},       {95, 96, InfoClass::Integer},    {97, 101, InfoClass::Small},
    {102, 102, InfoClass::Integer},  {103, 103, InfoClass::Text},     {104, 105, InfoClass::Integer},
    {106, 107, InfoClass::Small},    {108, 110, InfoClass::Integer},  {111, 111, InfoClass::Text},
    {112, 112, InfoClass::Integer},  {113, 113, InfoClass::Text},     {114, 114, InfoClass::Small},
    {116, 116, InfoClass::Small},    {117, 121, InfoClass::Integer},  {127, 170, InfoClass::Integer},
    {171, 171, InfoClass::Text},     {172, 172, InfoClass::Integer},  {563, 563, InfoClass::Text},
    {564, 564, InfoClass::Integer},  {1058, 1058, InfoClass::BuildStamp}, {10000, 10000, InfoClass::Text},
    {10001, 10001, InfoClass::Integer}, {10002, 10004, InfoClass::Text}, {10005, 10005, InfoClass::Small},
    {10021, 10022, InfoClass::Integer},
};

TavroObject TextAnswer(ConnectionRecord* record, SQLUSMALLINT infoType) {
  SQLWCHAR wide[256] = {};  // 512 bytes
  SQLSMALLINT byteLength = 0;
  if (!odbc::Succeeded(SQLGetInfoW(record->hdbc, infoType, wide, sizeof wide, &byteLength))) {
    ReportConnectionFailure(record, "SQLGetInfo");
    return nullptr;
  }
  // The length is what the whole answer needs; a longer one was cut to the
  // buffer (and the UTF-8 form is cut again below, at a character border).
  std::size_t units = byteLength > 0 ? static_cast<std::size_t>(byteLength) / sizeof(SQLWCHAR) : 0;
  units = odbc::Utf16Length(odbc::AsUnits(wide), units < 255 ? units : 255);
  char utf8[kInfoTextBytes + 1] = {};
  const std::size_t bytes = odbc::Utf16ToUtf8(odbc::AsUnits(wide), units, utf8, kInfoTextBytes);
  return TextVariant(utf8, bytes);
}

// Drivers write 16- or 32-bit answers, and pointer-sized ones for the
// handle types (3-5, 76): a zeroed word of 64 bits takes any of them.
TavroObject NumberAnswer(ConnectionRecord* record, SQLUSMALLINT infoType, bool small) {
  uint64_t word = 0;
  SQLSMALLINT length = 0;
  if (!odbc::Succeeded(SQLGetInfoA(record->hdbc, infoType, &word, small ? 2 : 4, &length))) {
    ReportConnectionFailure(record, "SQLGetInfo");
    return nullptr;
  }
  uint32_t value = 0;
  if (small) {
    uint16_t half = 0;
    std::memcpy(&half, &word, sizeof half);
    value = half;
  } else if (length == sizeof(uint64_t)) {
    value = static_cast<uint32_t>(word);
  } else {
    std::memcpy(&value, &word, sizeof value);
  }
  return host::IntegerToVariant(static_cast<int32_t>(value));
}

}  // namespace

InfoClass ClassifyInfoType(int32_t infoType) {
  for (const InfoRange& range : kInfoRanges)
    if (infoType >= range.first && infoType <= range.last) return range.kind;
  return InfoClass::Unsupported;
}

const char* BuildStamp() { return __DATE__ " " __TIME__; }

TavroObject TAVRO_CALL ODBCGetInfo(TavroObject database, int32_t infoType) {
  auto* record = static_cast<ConnectionRecord*>(host::GetDBFromDatabase(database));
  if (record == nullptr) return nullptr;
  return ShieldedCall(record, TavroObject{nullptr}, [&]() -> TavroObject {
    SQELTO_TRACE(record, "ENTER ODBCGetInfo(", record, ", ", infoType, ")");
    if (!IsConnected(record)) {
      SetLastError(record, kNotConnectedCode, kNotConnectedText);
      return nullptr;
    }
    ClearLastError(record);
    const auto type = static_cast<SQLUSMALLINT>(infoType);
    switch (ClassifyInfoType(infoType)) {
      case InfoClass::Text: return TextAnswer(record, type);
      case InfoClass::Small: return NumberAnswer(record, type, true);
      case InfoClass::Integer: return NumberAnswer(record, type, false);
      case InfoClass::BuildStamp: return TextVariant(BuildStamp(), std::strlen(BuildStamp()));
      case InfoClass::Unsupported: break;
    }
    SetLastError(record, kOptionNotSupportedCode, kOptionNotSupportedText);
    return nullptr;
  });
}

}  // namespace sqelto
