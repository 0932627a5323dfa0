// Host strings: reference-counted bytes with an encoding, and the entry
// points through which plug-ins make, read and release them.
#include <cstring>
#include <new>

#include "entry_points.h"
#include "host_state.h"
#include "tavro_host/errors.h"
#include "tavro_host/string.h"

namespace tavro {
namespace internal {

std::atomic<int64_t> g_liveStrings{0};
std::atomic<int64_t> g_liveStringData{0};

TavroString newString(std::string_view bytes, uint32_t encoding) {
  auto* s = new TavroStringImpl;
  s->encoding = encoding;
  s->length = bytes.size();
  s->storage.reserve(bytes.size() + 2);
  s->storage.assign(bytes);
  s->storage.push_back('\0');  // with std::string's own terminator: two NULs
  ++g_liveStrings;
  return s;
}

TavroStringImpl* checkedString(TavroString s, const char* entryPoint) {
  if (!s) return nullptr;
  if (threadIsDetached()) {
    violation(std::string(entryPoint) + ": called while the thread is detached from the runtime");
    return nullptr;
  }
  if (s->magic != TavroStringImpl::kMagic) {
    violation(std::string(entryPoint) + ": argument is not a host string");
    return nullptr;
  }
  if (s->refs.load() <= 0) {
    violation(std::string(entryPoint) + ": host string used after its last release");
    return nullptr;
  }
  return s;
}

void lockString(TavroString s) noexcept {
  if (auto* impl = checkedString(s, "VANTLockString")) ++impl->refs;
}

int32_t unlockString(TavroString s) noexcept {
  auto* impl = checkedString(s, "VANTUnlockString");
  if (!impl) return 0;
  const int32_t left = --impl->refs;
  if (left == 0) {
    impl->magic = 0;
    delete impl;
    --g_liveStrings;
  }
  return left;
}

}  // namespace internal

using internal::checkedString;

// ---- C++ handle ---------------------------------------------------------

String String::adopt(TavroString raw) noexcept { return String(raw); }
String String::retain(TavroString raw) noexcept {
  internal::lockString(raw);
  return String(raw);
}
String String::fromBytes(std::string_view bytes, Encoding encoding) {
  return String(internal::newString(bytes, static_cast<uint32_t>(encoding)));
}
String::String(const String& other) noexcept : raw_(other.raw_) { internal::lockString(raw_); }
String::String(String&& other) noexcept : raw_(other.raw_) { other.raw_ = nullptr; }
String& String::operator=(String other) noexcept {
  std::swap(raw_, other.raw_);
  return *this;
}
String::~String() {
  if (raw_) internal::unlockString(raw_);
}
TavroString String::release() noexcept {
  TavroString r = raw_;
  raw_ = nullptr;
  return r;
}
Encoding String::encoding() const noexcept {
  return raw_ ? static_cast<Encoding>(raw_->encoding.load()) : Encoding::Utf8;
}
std::string String::bytes() const { return raw_ ? raw_->storage.substr(0, raw_->length) : std::string(); }
std::string String::utf8() const {
  std::string out;
  if (!convertText(bytes(), encoding(), Encoding::Utf8, out))
    throw HostError("host string is not valid text in its encoding");
  return out;
}
int32_t String::referenceCount() const noexcept { return raw_ ? raw_->refs.load() : 0; }

// ---- Entry points -------------------------------------------------------

namespace entry {

TavroString TAVRO_CALL BuildString(const void* bytes, int32_t length) {
  if (length < 0) {
    internal::violation("VANTBuildString: negative byte count " + std::to_string(length));
    return nullptr;
  }
  if (!bytes && length > 0) {
    internal::violation("VANTBuildString: null bytes with a non-zero count");
    return nullptr;
  }
  return internal::newString(std::string_view(static_cast<const char*>(bytes), static_cast<size_t>(length)),
                             TAVRO_ENCODING_UTF8);
}

void TAVRO_CALL SetStringEncoding(TavroString s, uint32_t encoding) {
  if (!s) {
    internal::violation("VANTSetStringEncoding: null string");
    return;
  }
  auto* impl = checkedString(s, "VANTSetStringEncoding");
  if (!impl) return;
  if (encoding != TAVRO_ENCODING_UTF8 && encoding != TAVRO_ENCODING_UTF16 && encoding != TAVRO_ENCODING_WINLATIN1 &&
      encoding != 0) {
    internal::violation("VANTSetStringEncoding: unknown encoding " + std::to_string(encoding));
    return;
  }
  impl->encoding = encoding;
}

uint32_t TAVRO_CALL GetStringEncoding(TavroString s) {
  if (!s) return TAVRO_ENCODING_UTF8;  // the empty string
  auto* impl = checkedString(s, "VANTGetStringEncoding");
  return impl ? impl->encoding.load() : 0;
}

const char* TAVRO_CALL StringGetCString(TavroString s) {
  if (!s) return "";
  auto* impl = checkedString(s, "StringGetCString");
  return impl ? impl->storage.c_str() : nullptr;
}

bool TAVRO_CALL GetStringData(TavroString s, uint32_t encoding, TavroStringData* out) {
  if (!out) {
    internal::violation("PluginGetStringData: null out record");
    return false;
  }
  out->data = nullptr;
  out->length = 0;
  out->encoding = encoding;
  std::string bytes;
  uint32_t from = TAVRO_ENCODING_UTF8;
  if (s) {
    auto* impl = checkedString(s, "PluginGetStringData");
    if (!impl) return false;
    bytes = impl->storage.substr(0, impl->length);
    from = impl->encoding;
  }
  if (encoding == 0) encoding = from;  // "its own encoding"
  std::string converted;
  if (!convertText(bytes, static_cast<Encoding>(from), static_cast<Encoding>(encoding), converted)) {
    internal::violation("PluginGetStringData: the string's bytes are not valid in its encoding " +
                        std::to_string(from));
    return false;
  }
  out->encoding = encoding;
  if (converted.empty()) return true;  // null data for the empty string
  char* copy = new char[converted.size() + 2];
  std::memcpy(copy, converted.data(), converted.size());
  copy[converted.size()] = copy[converted.size() + 1] = '\0';
  out->data = copy;
  out->length = converted.size();
  ++internal::g_liveStringData;
  return true;
}

void TAVRO_CALL DisposeStringData(TavroStringData* data) {
  if (!data) {
    internal::violation("PluginDisposeStringData: null record");
    return;
  }
  if (data->data) {
    delete[] data->data;
    --internal::g_liveStringData;
  }
  data->data = nullptr;
  data->length = 0;
}

int32_t TAVRO_CALL LockString(TavroString s) {
  auto* impl = checkedString(s, "VANTLockString");
  if (!impl) return 0;
  return ++impl->refs;
}

int32_t TAVRO_CALL UnlockString(TavroString s) { return internal::unlockString(s); }

int32_t TAVRO_CALL LenB(TavroString s) {
  if (!s) return 0;
  auto* impl = checkedString(s, "LenB");
  return impl ? static_cast<int32_t>(impl->length) : 0;
}

void* TAVRO_CALL LoadGlobalMethod(void* reserved, const char* declaration) {
  if (reserved) internal::violation("VANTLoadGlobalMethod: first argument must be null");
  if (!declaration) {
    internal::violation("VANTLoadGlobalMethod: null declaration");
    return nullptr;
  }
  try {
    const Declaration d = parseDeclaration(declaration);
    if (internal::equalsIgnoreCase(d.name, "LenB") && d.parameters.size() == 1 &&
        d.parameters[0].abi == AbiKind::String && !d.parameters[0].isArray && d.returnAbi == AbiKind::Int32)
      return reinterpret_cast<void*>(&LenB);
    internal::violation(std::string("VANTLoadGlobalMethod: no global method ") + declaration);
  } catch (const HostError& e) {
    internal::violation(std::string("VANTLoadGlobalMethod: ") + e.what());
  }
  return nullptr;
}

}  // namespace entry
}  // namespace tavro
