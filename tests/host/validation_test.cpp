// A strict host refuses malformed registrations, names what was wrong and
// does not keep the refused record.
#include <functional>

#include <gtest/gtest.h>

#include "tavro_host/tavro_host.h"

namespace {

std::function<void(TavroResolver)> g_scenario;

int32_t TAVRO_CALL scenarioMain(TavroResolver resolve) {
  reinterpret_cast<TavroRegisterPluginVersionFn>(resolve("RegisterPluginVersion"))(13);
  g_scenario(resolve);
  return 5;
}

void TAVRO_CALL method(TavroObject) {}

struct Records {
  TavroMethodEntry methods[2] = {{reinterpret_cast<void*>(&method), 0, "Run(count as Integer) as Boolean", 4, 0, nullptr},
                                 {nullptr, 0, "Constructor", 0x84, 0, nullptr}};
  TavroPropertyEntry properties[1] = {
      {0, "Size", "Integer", 4, TAVRO_DIRECT_ACCESS, TAVRO_DIRECT_ACCESS, 4, 0, 0, 0, 0, nullptr}};
  TavroConstantEntry constants[1] = {{"LIMIT = 3", 0, 4, 0, 0}};
  TavroClassRecord cls{};
  TavroEngineRecord engine{};
  TavroModuleRecord module{};

  Records() {
    cls.version = 13;
    cls.name = "Checked";
    cls.dataSize = 8;
    cls.properties = properties;
    cls.propertyCount = 1;
    cls.methods = methods;
    cls.methodCount = 2;
    cls.constants = constants;
    cls.constantCount = 1;
    cls.flags = 4;
    engine.version = 2;
    engine.flags = 0x400;
    module.version = 13;
    module.name = "Mod";
  }
};

// Registers the class (and engine, module) of `r`; returns the load error
// text, or "" when everything was accepted.
std::string load(Records& r) {
  tavro::Host host;
  g_scenario = [&r](TavroResolver resolve) {
    reinterpret_cast<TavroRegisterDBEngineFn>(resolve("PluginRegisterDBEngine"))(&r.engine);
    reinterpret_cast<TavroRegisterClassFn>(resolve("PluginRegisterClass"))(&r.cls);
    reinterpret_cast<TavroRegisterModuleFn>(resolve("PluginRegisterModule"))(&r.module);
  };
  try {
    EXPECT_EQ(host.runPluginMain(&scenarioMain), 5);
    EXPECT_EQ(r.cls.dataOffset, host.findClass("Checked")->dataOffset);
    return "";
  } catch (const tavro::LoadError& e) {
    EXPECT_EQ(host.findClass("Checked") != nullptr, std::string(e.what()).find("PluginRegisterClass") == std::string::npos)
        << "a refused class must not be kept";
    return e.what();
  }
}

#define EXPECT_REFUSED(records, fragment)                                   \
  do {                                                                      \
    const std::string why = load(records);                                  \
    EXPECT_NE(why.find(fragment), std::string::npos) << "error was: " << why; \
  } while (0)

}  // namespace

TEST(HostValidation, AcceptsAWellFormedClass) {
  Records r;
  EXPECT_EQ(load(r), "");
}

TEST(HostValidation, RefusesBadVersionWords) {
  Records a;
  a.cls.version = 12;
  EXPECT_REFUSED(a, "version word is 12, expected 13");
  Records b;
  b.engine.version = 3;
  EXPECT_REFUSED(b, "engine record: version word is 3, expected 2");
  Records c;
  c.module.version = 0;
  EXPECT_REFUSED(c, "PluginRegisterModule Mod: version word is 0");
}

TEST(HostValidation, RefusesAClassWithoutFlag4) {
  Records r;
  r.cls.flags = 0;
  EXPECT_REFUSED(r, "flag 4 is not set in word 20");
}

TEST(HostValidation, RefusesDeclarationsThatDoNotParse) {
  Records a;
  a.methods[0].declaration = "Run(count Integer) as Boolean";
  EXPECT_REFUSED(a, "expected 'As' and a type for parameter count");
  Records b;
  b.methods[0].declaration = "Run(count as Integer as Boolean";
  EXPECT_REFUSED(b, "expected ')'");
  Records c;
  c.constants[0].declaration = "LIMIT = three";
  EXPECT_REFUSED(c, "\"three\" is not an integer");
  Records d;
  d.methods[0].declaration = "Run(count as Integer) as Thing";
  EXPECT_REFUSED(d, "result type Thing is unknown");
}

TEST(HostValidation, RefusesCountsThatDoNotMatchTheirTables) {
  Records a;
  a.cls.methods = nullptr;
  EXPECT_REFUSED(a, "method table is null but its count is 2");
  Records b;
  b.cls.propertyCount = 0;
  EXPECT_REFUSED(b, "property table is given but its count is 0");
  Records c;
  c.module.constantCount = 1000000;
  EXPECT_REFUSED(c, "is not believable");
}

TEST(HostValidation, RefusesPropertiesOutsideTheirDataOrOfUnknownType) {
  Records a;
  a.properties[0].offset = 6;  // 4 bytes from 6 pass the 8-byte instance data
  EXPECT_REFUSED(a, "lies outside the 8-byte instance data");
  Records b;
  b.properties[0].type = "Widget";
  EXPECT_REFUSED(b, "type Widget is not a property type this host knows");
  Records c;
  c.properties[0].getter = nullptr;
  EXPECT_REFUSED(c, "getter word is 0");
}

TEST(HostValidation, RefusesWrongFlagsReservedWordsAndDuplicates) {
  Records a;
  a.methods[0].flags = 0x84;
  EXPECT_REFUSED(a, "flags 0x84 belong to a constructor entry");
  Records b;
  b.cls.reserved21[3] = 1;
  EXPECT_REFUSED(b, "word 24 must be 0");
  Records c;
  c.engine.reserved10[0] = 7;
  EXPECT_REFUSED(c, "engine record: word 10 must be 0");
  Records d;
  d.constants[0].flags = 0;
  EXPECT_REFUSED(d, "flags 0, expected 4");
  Records e;
  e.cls.superclass = "NoSuchClass";
  EXPECT_REFUSED(e, "superclass NoSuchClass is unknown");
  Records f;
  f.methods[1] = f.methods[0];
  EXPECT_REFUSED(f, "duplicates an earlier overload");
  Records g;
  g.cls.name = "Database";
  EXPECT_REFUSED(g, "a class named Database exists already");
}

TEST(HostValidation, RefusesAVersionOtherThan13) {
  tavro::Host host;
  EXPECT_THROW(host.runPluginMain([](TavroResolver resolve) TAVRO_CALL -> int32_t {
                 reinterpret_cast<TavroRegisterPluginVersionFn>(resolve("RegisterPluginVersion"))(12);
                 return 0;
               }),
               tavro::LoadError);
  EXPECT_EQ(host.announcedVersion(), 12);
}

TEST(HostDeclarations, ParsesTheForms) {
  const tavro::Declaration d = tavro::parseDeclaration("Bind(zeroBasedIndex As Integer, param As Variant, type As Integer)");
  ASSERT_EQ(d.parameters.size(), 3u);
  EXPECT_EQ(d.parameters[0].abi, tavro::AbiKind::Int32);
  EXPECT_EQ(d.parameters[1].abi, tavro::AbiKind::Object);
  EXPECT_EQ(d.returnAbi, tavro::AbiKind::Void);
  const tavro::Declaration p = tavro::parseDeclaration("SQLSelect(ParamArray params As Variant) As RecordSet");
  EXPECT_TRUE(p.parameters[0].paramArray);
  EXPECT_EQ(p.returnAbi, tavro::AbiKind::Object);
  const tavro::Declaration a = tavro::parseDeclaration("ConnectionAttribute(attributeID as Integer, Assigns value as Integer)");
  EXPECT_TRUE(a.parameters[1].assigns);
  EXPECT_TRUE(tavro::parseDeclaration("BindType(types() As Integer)").parameters[0].isArray);
  EXPECT_EQ(tavro::parseDeclaration("LenB( s as string ) as integer").canonical(), "LenB(s As string) As integer");
  EXPECT_THROW(tavro::parseDeclaration("Run(ParamArray a As Variant, b As Integer)"), tavro::HostError);
  EXPECT_THROW(tavro::parseDeclaration("Run(a As Integer, a As Integer)"), tavro::HostError);
  EXPECT_THROW(tavro::parseDeclaration("Run() As"), tavro::HostError);
  EXPECT_EQ(tavro::parseConstant("SQL_CVT_TIMESTAMP     =  131072").second, 131072);
}
