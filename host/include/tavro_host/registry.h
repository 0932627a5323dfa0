// What the host received from a plug-in, as it keeps it after validation.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <tavro/plugin_sdk.h>

namespace tavro {

// How a value crosses the call boundary, derived from a declared type name.
enum class AbiKind { Void, Int32, Int64, Single, Double, Boolean, String, Object };
const char* abiKindName(AbiKind kind) noexcept;
// "Integer" -> Int32, "String" -> String, "RecordSet" -> Object, ...
AbiKind abiKindOfType(const std::string& typeName, bool isArray);

// A parsed declaration such as "Bind(zeroBasedIndex As Integer, param As Variant)".
struct Parameter {
  std::string name;
  std::string type;       // as written, e.g. "Integer", "Variant"
  bool isArray = false;   // "values() As Variant"
  bool paramArray = false;
  bool assigns = false;
  AbiKind abi = AbiKind::Object;
};

struct Declaration {
  std::string name;
  std::vector<Parameter> parameters;
  std::string returnType;  // empty: no result
  bool returnsArray = false;
  AbiKind returnAbi = AbiKind::Void;
  // Canonical text, e.g. "Bind(zeroBasedIndex As Integer, param As Variant)".
  std::string canonical() const;
};

// Parses a method or global-method declaration; throws HostError with the
// position and reason when it does not parse.
Declaration parseDeclaration(const std::string& text);

// "NAME   =  -5" -> {"NAME", -5}; throws HostError when it does not parse.
std::pair<std::string, int64_t> parseConstant(const std::string& text);

using Attributes = std::vector<std::pair<std::string, std::string>>;

struct MethodInfo {
  const TavroMethodEntry* entry = nullptr;
  std::string declarationText;
  Declaration declaration;
  uintptr_t flags = 0;
  const void* function = nullptr;  // null for the function-less "Constructor"
  Attributes attributes;
};

struct PropertyInfo {
  const TavroPropertyEntry* entry = nullptr;
  std::string name;
  std::string type;
  uintptr_t flags = 0;
  bool directGet = false;   // getter word -1
  bool directSet = false;   // setter word -1
  bool readOnly = false;    // setter word 0
  const void* getter = nullptr;  // when not direct
  const void* setter = nullptr;
  uintptr_t offset = 0;
  Attributes attributes;
};

struct ConstantInfo {
  std::string declaration;
  std::string name;
  int64_t value = 0;
  uintptr_t flags = 0;
};

struct ClassInfo {
  const TavroClassRecord* record = nullptr;  // null for the host's own classes
  std::string name;
  std::string superclass;
  uintptr_t dataSize = 0;
  uintptr_t dataOffset = 0;  // what the host wrote into word 4
  bool hasConstructor = false;
  bool hasDestructor = false;
  std::string interfaces;
  uintptr_t flags = 0;
  std::vector<PropertyInfo> properties;
  std::vector<MethodInfo> methods;
  std::vector<ConstantInfo> constants;
  bool builtin = false;
};

struct ModuleInfo {
  const TavroModuleRecord* record = nullptr;
  std::string name;
  std::vector<ConstantInfo> constants;
};

struct EngineInfo {
  const TavroEngineRecord* record = nullptr;
};

struct CursorInfo {
  const TavroCursorRecord* record = nullptr;
};

struct DataSourceInterfaceInfo {
  std::string title;
  TavroConnectionDialogFn dialog = nullptr;
};

struct DataSourceInfo {
  std::string kind;
  TavroDataSourceOpenerFn opener = nullptr;
};

// One registration call, in the order the plug-in made them.
struct RegistrationEvent {
  std::string entryPoint;  // "RegisterPluginVersion", "PluginRegisterClass", ...
  std::string subject;     // "13", class or module name, dialog title, kind; empty for engine/cursor
  bool accepted = true;
  std::string problem;     // why it was refused
};

// Names of the words of the engine and cursor records, for reports.
const char* engineWordName(int word) noexcept;  // empty string for reserved words
const char* cursorWordName(int word) noexcept;

}  // namespace tavro
