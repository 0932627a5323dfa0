// The bind-type codes of ODBCPreparedStatement (its ODBC_TYPE_... constants)
// and the texts of the errors a prepared statement reports.
#pragma once

#include <cstdint>

namespace sqelto {

inline constexpr int32_t kBindNull = 0;
inline constexpr int32_t kBindTinyInt = -6;
inline constexpr int32_t kBindSmallInt = 5;
inline constexpr int32_t kBindInteger = 4;
inline constexpr int32_t kBindBigInt = -5;
inline constexpr int32_t kBindFloat = 6;
inline constexpr int32_t kBindDouble = 8;
inline constexpr int32_t kBindDate = 91;
inline constexpr int32_t kBindTime = 92;
inline constexpr int32_t kBindTimestamp = 93;
inline constexpr int32_t kBindBinary = -2;
inline constexpr int32_t kBindString = 1;
inline constexpr int32_t kBindLongString = -1;

// Whether the code is one of the above: a position of any other code is
// left unbound.
constexpr bool IsBindType(int32_t type) {
  switch (type) {
    case kBindNull:
    case kBindTinyInt:
    case kBindSmallInt:
    case kBindInteger:
    case kBindBigInt:
    case kBindFloat:
    case kBindDouble:
    case kBindDate:
    case kBindTime:
    case kBindTimestamp:
    case kBindBinary:
    case kBindString:
    case kBindLongString: return true;
    default: return false;
  }
}

// What a position without a bind type holds. It is the code of
// ODBC_TYPE_LONGSTRING, so an unset type binds as long text.
inline constexpr int32_t kBindTypeGap = -1;

// Positions are zero-based; parameter numbers (position + 1) are 16-bit in
// ODBC, so no statement has more than this many parameters.
inline constexpr int32_t kMaxParameters = 65535;

// Error texts (run messages are formatted with printf conventions).
inline constexpr const char* kBindTypesMissingText = "Bind types were not specified, see BindType";
inline constexpr const char* kTooFewBindTypesFormat = "%d parameters are being bound, but only %ld types were specified";
inline constexpr const char* kNotAStringFormat = "The value of parameter %d is not a string value";
inline constexpr const char* kNotADateFormat = "The value of parameter %d is not a date value";
inline constexpr const char* kUnexpectedNeedDataText = "More data has been requested, which was not expected";
inline constexpr const char* kNoVariantTypeText = "Unable to retrieve Variant type";
inline constexpr const char* kArrayParameterText = "Parameters cannot be arrays";
inline constexpr const char* kUnsupportedVariantFormat = "Unsupported Variant type %d";
// Ours: positions the statement cannot hold are refused rather than written.
inline constexpr const char* kPositionOutOfRangeFormat =
    "Parameter position %d is out of range: positions start at 0 and end at 65534";
inline constexpr const char* kTooManyParametersFormat =
    "%d parameters are more than a statement can take (65535 at most)";
inline constexpr const char* kNotPreparedText = "The statement was not made by ODBCDatabase.Prepare";

}  // namespace sqelto
