#include "editing_errors.h"

namespace sqelto {

const char* EditingErrorText(int32_t code) {
  switch (code) {
    case kNotEditableCode:
      return "The RecordSet cannot be edited because the uniqueness of its rows cannot be verified.";
    case kNotOneTableCode: return "The fields cannot be updated because they do not all belong to the same table.";
    case kUnnamedFieldsCode: return "The fields cannot be updated because some of their names cannot be determined.";
    case kNoCurrentRecordCode:
      return "The operation could not be performed because there is no current record on which to perform it.";
    case kNoTableCode: return "The fields cannot be updated because the table can't be determined.";
    default: return "An unknown error has occurred.";
  }
}

}  // namespace sqelto
