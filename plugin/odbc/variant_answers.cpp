#include "variant_answers.h"

#include "../frame/host_api.h"

namespace sqelto {

TavroObject TextVariant(const char* utf8, std::size_t length) {
  TavroString text = host::BuildString(utf8, static_cast<int32_t>(length));
  if (text == nullptr) return nullptr;
  host::SetStringEncoding(text, TAVRO_ENCODING_UTF8);
  TavroObject variant = host::StringToVariant(text);
  host::UnlockString(text);  // the variant holds its own reference
  return variant;
}

}  // namespace sqelto
