// Parsing of method and constant declarations in the host language's
// syntax, and how declared types cross the call boundary.
#include <cctype>
#include <charconv>

#include "host_state.h"
#include "tavro_host/errors.h"
#include "tavro_host/registry.h"

namespace tavro {
namespace {

class Scanner {
 public:
  explicit Scanner(const std::string& text) : text_(text) {}

  void skipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  bool atEnd() {
    skipBlanks();
    return pos_ >= text_.size();
  }
  bool peek(char c) {
    skipBlanks();
    return pos_ < text_.size() && text_[pos_] == c;
  }
  bool accept(char c) {
    if (!peek(c)) return false;
    ++pos_;
    return true;
  }
  void expect(char c) {
    if (!accept(c)) fail(std::string("expected '") + c + "'");
  }
  std::string identifier() {
    skipBlanks();
    const size_t start = pos_;
    if (pos_ < text_.size() && (std::isalpha(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_')) {
      ++pos_;
      while (pos_ < text_.size() &&
             (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_' || text_[pos_] == '.'))
        ++pos_;
    }
    if (start == pos_) fail("expected a name");
    return text_.substr(start, pos_ - start);
  }
  // Accepts a keyword (case-insensitive) when the next word is it.
  bool keyword(std::string_view word) {
    skipBlanks();
    const size_t save = pos_;
    if (pos_ < text_.size() && std::isalpha(static_cast<unsigned char>(text_[pos_]))) {
      const std::string w = identifier();
      if (internal::equalsIgnoreCase(w, word)) return true;
    }
    pos_ = save;
    return false;
  }
  [[noreturn]] void fail(const std::string& why) const {
    throw HostError("declaration \"" + text_ + "\" does not parse at column " + std::to_string(pos_ + 1) + ": " +
                    why);
  }

 private:
  const std::string& text_;
  size_t pos_ = 0;
};

void parseType(Scanner& sc, std::string& type, bool& isArray) {
  type = sc.identifier();
  if (sc.accept('(')) {
    sc.expect(')');
    isArray = true;
  }
}

}  // namespace

const char* abiKindName(AbiKind kind) noexcept {
  switch (kind) {
    case AbiKind::Void: return "nothing";
    case AbiKind::Int32: return "Int32";
    case AbiKind::Int64: return "Int64";
    case AbiKind::Single: return "Single";
    case AbiKind::Double: return "Double";
    case AbiKind::Boolean: return "Boolean";
    case AbiKind::String: return "String";
    case AbiKind::Object: return "Object";
  }
  return "?";
}

AbiKind abiKindOfType(const std::string& t, bool isArray) {
  using internal::equalsIgnoreCase;
  if (isArray) return AbiKind::Object;
  if (equalsIgnoreCase(t, "Integer") || equalsIgnoreCase(t, "Int32") || equalsIgnoreCase(t, "UInt32") ||
      equalsIgnoreCase(t, "Int16") || equalsIgnoreCase(t, "UInt16") || equalsIgnoreCase(t, "Int8") ||
      equalsIgnoreCase(t, "UInt8") || equalsIgnoreCase(t, "UInteger") || equalsIgnoreCase(t, "Color"))
    return AbiKind::Int32;
  if (equalsIgnoreCase(t, "Int64") || equalsIgnoreCase(t, "UInt64") || equalsIgnoreCase(t, "Currency"))
    return AbiKind::Int64;
  if (equalsIgnoreCase(t, "Single")) return AbiKind::Single;
  if (equalsIgnoreCase(t, "Double")) return AbiKind::Double;
  if (equalsIgnoreCase(t, "Boolean")) return AbiKind::Boolean;
  if (equalsIgnoreCase(t, "String") || equalsIgnoreCase(t, "Text")) return AbiKind::String;
  return AbiKind::Object;  // Variant, RecordSet, RowSet, class names
}

std::string Declaration::canonical() const {
  std::string s = name;
  if (name == "Constructor" && parameters.empty() && returnType.empty()) return s;
  s += '(';
  for (size_t i = 0; i < parameters.size(); ++i) {
    const Parameter& p = parameters[i];
    if (i) s += ", ";
    if (p.paramArray) s += "ParamArray ";
    if (p.assigns) s += "Assigns ";
    s += p.name + (p.isArray ? "()" : "") + " As " + p.type;
  }
  s += ')';
  if (!returnType.empty()) s += " As " + returnType + (returnsArray ? "()" : "");
  return s;
}

Declaration parseDeclaration(const std::string& text) {
  Scanner sc(text);
  Declaration d;
  d.name = sc.identifier();
  if (d.name.find('.') != std::string::npos) sc.fail("a method name has no dots");
  if (sc.accept('(')) {
    if (!sc.accept(')')) {
      do {
        Parameter p;
        for (;;) {
          if (sc.keyword("ParamArray")) p.paramArray = true;
          else if (sc.keyword("Assigns")) p.assigns = true;
          else if (sc.keyword("ByVal") || sc.keyword("ByRef")) {}
          else break;
        }
        p.name = sc.identifier();
        if (sc.accept('(')) {
          sc.expect(')');
          p.isArray = true;
        }
        if (!sc.keyword("As")) sc.fail("expected 'As' and a type for parameter " + p.name);
        bool typeArray = false;
        parseType(sc, p.type, typeArray);
        p.isArray = p.isArray || typeArray;
        p.abi = (p.paramArray || p.isArray) ? AbiKind::Object : abiKindOfType(p.type, false);
        for (const Parameter& q : d.parameters)
          if (internal::equalsIgnoreCase(q.name, p.name)) sc.fail("parameter " + p.name + " appears twice");
        d.parameters.push_back(std::move(p));
      } while (sc.accept(','));
      sc.expect(')');
    }
    for (size_t i = 0; i < d.parameters.size(); ++i) {
      if (d.parameters[i].paramArray && i + 1 != d.parameters.size()) sc.fail("ParamArray must be the last parameter");
      if (d.parameters[i].assigns && i + 1 != d.parameters.size()) sc.fail("Assigns must be the last parameter");
    }
  }
  if (sc.keyword("As")) {
    parseType(sc, d.returnType, d.returnsArray);
    d.returnAbi = abiKindOfType(d.returnType, d.returnsArray);
  }
  if (!sc.atEnd()) sc.fail("unexpected text after the declaration");
  return d;
}

std::pair<std::string, int64_t> parseConstant(const std::string& text) {
  Scanner sc(text);
  std::string name = sc.identifier();
  if (name.find('.') != std::string::npos) sc.fail("a constant name has no dots");
  sc.expect('=');
  sc.skipBlanks();
  const size_t eq = text.find('=');
  std::string rest = text.substr(eq + 1);
  const size_t first = rest.find_first_not_of(" \t");
  const size_t last = rest.find_last_not_of(" \t");
  if (first == std::string::npos) sc.fail("expected a value after '='");
  rest = rest.substr(first, last - first + 1);
  int64_t value = 0;
  const char* b = rest.data();
  const char* e = rest.data() + rest.size();
  auto [ptr, ec] = std::from_chars(b, e, value);
  if (ec != std::errc() || ptr != e)
    throw HostError("constant \"" + text + "\" does not parse: \"" + rest + "\" is not an integer");
  return {name, value};
}

const char* engineWordName(int word) noexcept {
  switch (word) {
    case 0: return "version";
    case 1: return "flags";
    case 2: return "close";
    case 3: return "table schema";
    case 4: return "field schema";
    case 5: return "select";
    case 6: return "execute";
    case 8: return "add record";
    case 9: return "select with parameters";
    case 12: return "index schema";
    case 13: return "last error code";
    case 14: return "last error string";
    case 15: return "commit";
    case 16: return "rollback";
    case 18: return "column types";
    case 25: return "prepare";
    case 26: return "execute with parameters";
    default: return "";
  }
}

const char* cursorWordName(int word) noexcept {
  switch (word) {
    case 0: return "version";
    case 2: return "destroy";
    case 3: return "column count";
    case 4: return "column name";
    case 5: return "record count";
    case 6: return "column value";
    case 8: return "next record";
    case 9: return "delete record";
    case 12: return "update record";
    case 13: return "edit record";
    case 14: return "previous record";
    case 15: return "first record";
    case 16: return "last record";
    case 17: return "column type";
    default: return "";
  }
}

}  // namespace tavro
