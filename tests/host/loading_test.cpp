// Loading a plug-in: the registration order, the records as the host keeps
// them, the resolver's bookkeeping and the describe report.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "fake_plugin_fixture.h"

using tavro::Host;

TEST_F(FakePluginTest, RegistersInOrderAndReturnsTheDataSourceResult) {
  EXPECT_EQ(result_, 1);
  EXPECT_EQ(host_.announcedVersion(), 13);
  std::vector<std::string> order;
  for (const auto& e : host_.registrationLog()) {
    EXPECT_TRUE(e.accepted) << e.entryPoint << ": " << e.problem;
    order.push_back(e.entryPoint + (e.subject.empty() ? "" : " " + e.subject));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"RegisterPluginVersion 13", "PluginRegisterDBCursor",
                                             "PluginRegisterDBEngine", "PluginRegisterClass FakeCounter",
                                             "PluginRegisterClass FakeDatabase", "PluginRegisterModule FakeConstants",
                                             "RegisterDataSourceInterface Fake dialog...", "RegisterDataSource FAKE"}));
  EXPECT_TRUE(host_.violations().empty());
}

TEST_F(FakePluginTest, KeepsClassesWithTheirEntriesAndWritesTheDataOffset) {
  const tavro::ClassInfo* counter = host_.findClass("FakeCounter");
  ASSERT_NE(counter, nullptr);
  EXPECT_EQ(counter->record->dataOffset, counter->dataOffset);
  EXPECT_GT(counter->dataOffset, 0u);
  ASSERT_EQ(counter->methods.size(), 26u);
  EXPECT_EQ(counter->methods[1].attributes, (tavro::Attributes{{"Deprecated", "\"Add\""}}));
  EXPECT_EQ(counter->methods[20].flags, 0x84u);
  EXPECT_EQ(counter->methods[20].declaration.name, "Constructor");
  ASSERT_EQ(counter->properties.size(), 4u);
  EXPECT_TRUE(counter->properties[2].readOnly);
  EXPECT_FALSE(counter->properties[3].directGet);
  EXPECT_EQ(host_.constant("FakeCounter", "START"), 7);
  EXPECT_EQ(host_.constant("FakeConstants", "NEGATIVE"), -7);
  EXPECT_THROW(host_.constant("FakeConstants", "MISSING"), tavro::HostError);

  // An instance's data lies where the plug-in finds it through word 4.
  tavro::Object o = host_.createInstance("FakeCounter");
  EXPECT_EQ(static_cast<char*>(o.instanceData()), reinterpret_cast<char*>(o.get()) + counter->dataOffset);
  EXPECT_TRUE(o.isa("FakeCounter"));
  EXPECT_TRUE(host_.createInstance("FakeDatabase").isa("Database"));
}

TEST_F(FakePluginTest, OnePluginPerHost) {
  EXPECT_THROW(host_.load(FAKE_PLUGIN_PATH), tavro::LoadError);
  EXPECT_EQ(host_.classes().size(), 2u);  // what the first load registered is untouched
}

TEST(HostLoading, WithheldRegisterDataSourceMakesTheResultZero) {
  Host host;
  host.withhold("RegisterDataSource");
  EXPECT_EQ(host.load(FAKE_PLUGIN_PATH), 0);
  EXPECT_TRUE(host.dataSources().empty());
  EXPECT_EQ(host.lookupCount("RegisterDataSource"), 1);
  EXPECT_EQ(host.lookupCount("PluginRegisterClass"), 2);
  EXPECT_EQ(host.lookupCount("NoSuchName"), 0);
}

TEST(HostLoading, MissingLibraryOrExportIsALoadError) {
  Host host;
  EXPECT_THROW(host.load("/nonexistent/libnothing.so"), tavro::LoadError);
  Host::servedNames();  // the table is usable without a plug-in
}

TEST(HostLoading, OneHostAtATime) {
  Host host;
  EXPECT_THROW(Host second, tavro::HostError);
  EXPECT_EQ(&Host::current(), &host);
}

TEST(HostLoading, ResolverServesEveryEntryPointThePluginUses) {
  Host host;
  const std::vector<std::string> names = Host::servedNames();
  for (const char* name :
       {"RegisterPluginVersion", "PluginRegisterDBCursor", "PluginRegisterDBEngine", "PluginRegisterClass",
        "PluginRegisterModule", "RegisterDataSourceInterface", "RegisterDataSource", "DesignAddDataSource",
        "VANTDBConnectionDialogCreate", "VANTDBConnectionDialogAddField", "VANTDBConnectionDialogShow",
        "VANTDBConnectionDialogDelete", "VANTConstructDBDatabase", "VANTdbDatabaseFromDBDatabase",
        "VANTGetDBFromVANTdbDatabase", "VANTGetDBHost", "VANTGetDBUserName", "VANTGetDBPassword",
        "VANTSetDBIsConnected", "VANTdbCursorFromDBCursor", "NewRowSetFromDBCursor", "VANTBuildString",
        "VANTSetStringEncoding", "VANTGetStringEncoding", "StringGetCString", "PluginGetStringData",
        "PluginDisposeStringData", "VANTUnlockString", "VANTLockObject", "VANTUnlockObject", "pluginObjectType",
        "CreateInstance", "PluginNewInstanceOfClass", "RuntimeObjectIsa", "RuntimeRaiseException", "RuntimeUBound",
        "PluginIntegerArrayGetProc", "PluginObjectArrayGetProc", "RuntimeArrayDirectGetGetProc",
        "VANTGetPropValueInteger", "VANTGetPropValueInt", "VANTGetPropValueInt64", "VANTGetPropValueSingle",
        "VANTGetPropValueDouble", "VANTGetPropValueString", "VANTGetPropValueObject", "VANTSetPropValueInteger",
        "VANTSetPropValueInt", "VANTSetPropValueString", "IntegerToVariant", "Int32ToVariant", "StringToVariant",
        "VANTLoadGlobalMethod", "_UnsafeDetachCurrentThread", "_UnsafeAttachCurrentThread"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    EXPECT_NE(Host::resolver()(name), nullptr) << name;
  }
  host.withhold("VANTBuildString");
  EXPECT_EQ(Host::resolver()("VANTBuildString"), nullptr);
  EXPECT_EQ(Host::resolver()("VANTBuildString"), nullptr);
  EXPECT_EQ(host.lookupCount("VANTBuildString"), 3);
}

TEST_F(FakePluginTest, DescribeReportsRecordsClassesAndModule) {
  std::ostringstream out;
  host_.describe(out);
  const std::string report = out.str();
  for (const char* line : {"Announced host version: 13", "VANTPluginMain result: 1", "  4. PluginRegisterClass FakeCounter",
                           "    word  5  select                    function",
                           "    word  3  table schema              empty",
                           "     2. Increment(amount As Integer) As Integer   [flags 0x4, function]  Deprecated=\"Add\"",
                           "    21. Constructor   [flags 0x84, no function]",
                           "set none (read-only)", "Module FakeConstants: 2 constants", "    NEGATIVE   =  -7",
                           "  \"Fake dialog...\"", "  \"FAKE\""})
    EXPECT_NE(report.find(line), std::string::npos) << "missing: " << line << "\n" << report;
}

TEST(HostTool, DescribeCommandPrintsTheReport) {
  // cmd.exe, which runs commands on Windows, wants backslashes and knows no /dev/null.
  const std::string tool = std::filesystem::path(TAVRO_HOST_TOOL).make_preferred().string();
  const std::string plugin = std::filesystem::path(FAKE_PLUGIN_PATH).make_preferred().string();
#ifdef _WIN32
  const std::string discard = " > NUL 2>&1";
#else
  const std::string discard = " > /dev/null 2>&1";
#endif
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((tool + " describe " + plugin + " 2>&1").c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  std::string out;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe.get())) > 0) out.append(buf.data(), n);
  EXPECT_NE(out.find("Class FakeDatabase"), std::string::npos) << out;
  EXPECT_NE(out.find("superclass: Database"), std::string::npos) << out;
  EXPECT_EQ(pclose(pipe.release()), 0);
  // A plug-in that cannot be loaded is reported, with a failing status.
  EXPECT_NE(std::system((tool + " describe " + std::filesystem::path("/nonexistent/plugin.so").make_preferred().string() +
                         discard).c_str()), 0);
}

#ifndef _WIN32
// The tool's statuses: 2 for a refused command line, 1 for a plug-in that
// did not load (with nothing on standard output) or output that could not be
// written.
TEST(HostTool, StatusesTellRefusalFromFailure) {
  const std::string tool = TAVRO_HOST_TOOL;
  const auto status = [](const std::string& command) {
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  EXPECT_EQ(status(tool + " > /dev/null 2>&1"), 2);
  EXPECT_EQ(status(tool + " describe > /dev/null 2>&1"), 2);
  EXPECT_EQ(status(tool + " describe --no-such-option x > /dev/null 2>&1"), 2);
  EXPECT_EQ(status(tool + " describe '' 2>&1 | grep -q 'the plug-in path is empty'"), 0);
  EXPECT_EQ(status(tool + " describe '' > /dev/null 2>&1"), 2);
  EXPECT_EQ(status("test -z \"$(" + tool + " describe /nonexistent/plugin.so 2>/dev/null)\""), 0);
  EXPECT_EQ(status(tool + " describe " + FAKE_PLUGIN_PATH + " > /dev/full 2>/dev/null"), 1);
#ifdef SQELTO_PLUGIN_PATH
  // The reason is named even when the description outgrows the stream's
  // buffer, so that the first failed write happens before the final flush.
  EXPECT_EQ(status(tool + " describe " + SQELTO_PLUGIN_PATH +
                   " 2>&1 >/dev/full | grep -q 'cannot write the output: No space left on device'"),
            0);
#endif
  EXPECT_EQ(status(tool + " describe " + FAKE_PLUGIN_PATH + " > /dev/null 2>&1"), 0);
}
#endif
