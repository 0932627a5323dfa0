// The person-readable report of everything a plug-in registered.
#include <iomanip>
#include <ostream>
#include <sstream>

#include "host_state.h"

namespace tavro {
namespace {

std::string hex(uintptr_t v) {
  std::ostringstream s;
  s << "0x" << std::uppercase << std::hex << v;
  return s.str();
}

std::string attributes(const Attributes& attrs) {
  std::string s;
  for (auto& [n, v] : attrs) s.append("  ").append(n).append("=").append(v);
  return s;
}

void words(std::ostream& out, const uintptr_t* w, int count, const char* (*name)(int), const std::vector<int>& integerWords) {
  for (int i = 0; i < count; ++i) {
    const std::string label = *name(i) ? name(i) : "(reserved)";
    out << "    word " << std::setw(2) << i << "  " << std::left << std::setw(26) << label << std::right;
    bool integer = false;
    for (int k : integerWords) integer = integer || k == i;
    if (integer) out << (i == 1 ? hex(w[i]) : std::to_string(w[i]));
    else if (!*name(i)) out << (w[i] ? hex(w[i]) : "0");
    else out << (w[i] ? "function" : "empty");
    out << "\n";
  }
}

// Flags are printed once when all constants share them, else per constant.
void constants(std::ostream& out, const std::vector<ConstantInfo>& list, const char* indent) {
  bool uniform = true;
  for (const ConstantInfo& c : list) uniform = uniform && c.flags == list.front().flags;
  if (!list.empty() && uniform) out << indent << "(all with flags " << hex(list.front().flags) << ")\n";
  for (const ConstantInfo& c : list) {
    out << indent << c.declaration;
    if (!uniform) out << "   [flags " << hex(c.flags) << "]";
    out << "\n";
  }
}

}  // namespace

void Host::describe(std::ostream& out) const {
  std::lock_guard lock(state_->mu);
  const HostState& st = *state_;
  out << "Announced host version: " << (st.version < 0 ? std::string("none") : std::to_string(st.version)) << "\n";
  out << "VANTPluginMain result: " << (st.mainResult ? std::to_string(*st.mainResult) : std::string("not run")) << "\n";

  out << "\nRegistration order:\n";
  int n = 0;
  for (const RegistrationEvent& e : st.events) {
    out << "  " << ++n << ". " << e.entryPoint;
    if (!e.subject.empty()) out << " " << e.subject;
    if (!e.accepted) out << "   REFUSED: " << e.problem;
    out << "\n";
  }

  for (size_t i = 0; i < st.engines.size(); ++i) {
    out << "\nEngine record";
    if (st.engines.size() > 1) out << " " << i + 1;
    out << " (28 words):\n";
    words(out, reinterpret_cast<const uintptr_t*>(st.engines[i].record), 28, &engineWordName, {0, 1});
  }
  for (size_t i = 0; i < st.cursors.size(); ++i) {
    out << "\nCursor record";
    if (st.cursors.size() > 1) out << " " << i + 1;
    out << " (21 words):\n";
    words(out, reinterpret_cast<const uintptr_t*>(st.cursors[i].record), 21, &cursorWordName, {0});
  }

  for (const auto& cls : st.pluginClasses) {
    const ClassInfo& c = cls->info;
    out << "\nClass " << c.name << "\n";
    out << "  superclass: " << (c.superclass.empty() ? "none" : c.superclass) << "\n";
    out << "  instance data: " << c.dataSize << " bytes, at offset " << c.dataOffset << " in each instance\n";
    out << "  constructor: " << (c.hasConstructor ? "yes" : "no") << ", destructor: " << (c.hasDestructor ? "yes" : "no")
        << "\n";
    out << "  interfaces: " << (c.interfaces.empty() ? "none" : c.interfaces) << "\n";
    out << "  flags: " << hex(c.flags) << "\n";
    out << "  methods (" << c.methods.size() << "):\n";
    int m = 0;
    for (const MethodInfo& mi : c.methods) {
      out << "    " << std::setw(2) << ++m << ". " << mi.declarationText << "   [flags " << hex(mi.flags) << ", "
          << (mi.function ? "function" : "no function") << "]" << attributes(mi.attributes) << "\n";
    }
    out << "  properties (" << c.properties.size() << "):\n";
    for (const PropertyInfo& p : c.properties) {
      out << "    " << std::left << std::setw(20) << p.name << std::setw(9) << p.type << std::right << " offset "
          << std::setw(5) << p.offset << "  get " << (p.directGet ? "direct" : "getter") << ", set "
          << (p.readOnly ? "none (read-only)" : p.directSet ? "direct" : "setter") << ", flags " << hex(p.flags)
          << attributes(p.attributes) << "\n";
    }
    out << "  constants (" << c.constants.size() << "):\n";
    constants(out, c.constants, "    ");
  }

  for (const auto& mod : st.modules) {
    out << "\nModule " << mod->name << ": " << mod->constants.size() << " constants\n";
    constants(out, mod->constants, "    ");
  }

  out << "\nData-source commands (connection dialogs):\n";
  if (st.interfaces.empty()) out << "  none\n";
  for (const auto& i : st.interfaces)
    out << "  \"" << i.title << "\"" << (i.dialog ? "" : "   (no dialog function)") << "\n";
  out << "Data-source kinds (openers):\n";
  if (st.dataSources.empty()) out << "  none\n";
  for (const auto& d : st.dataSources)
    out << "  \"" << d.kind << "\"" << (d.opener ? "" : "   (no opener function)") << "\n";
  if (!st.loadProblems.empty()) {
    out << "\nProblems:\n";
    for (const auto& p : st.loadProblems) out << "  " << p << "\n";
  }
}

}  // namespace tavro
