// The entry points prepared statements need, as hosts of other versions
// offer them: older second names, and a host that cannot read a Variant's
// type. A name the plug-in has bound stays bound for its process, so each
// case needs a process where it was not bound yet (CTest runs every case in
// its own); run in one process with others, the cases skip.
#include <gtest/gtest.h>

#include <string>

#include "statement_session.h"

using statement_test::StatementSession;
using tavro::Object;
using tavro::Value;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// Whether the resolver was asked for the name during the test: otherwise
// the plug-in had bound it before and the case proves nothing.
bool Asked(tavro::Host& host, const char* name) { return host.lookupCount(name) > 0; }

}  // namespace

TEST(HostEntryPoints, ArraysAndPropertiesThroughTheirSecondNames) {
  StatementSession session;
  tavro::Host& host = session.host();
  for (const char* first : {"PluginObjectArrayGetProc", "PluginIntegerArrayGetProc", "VANTGetPropValueInteger"})
    host.withhold(first);
  Object database = session.Connect();
  Object select = session.Prepare(database, "SELECT ? + ?");
  const auto integer = static_cast<int32_t>(host.constant("ODBCPreparedStatement", "ODBC_TYPE_INTEGER"));
  host.call(select, "BindType", session.Integers({integer, integer}));
  tavro::RecordSet rows(host, host.call<Object>(select, "SelectSQL", session.Vars({Value(40), Value(2)})));
  if (!Asked(host, "PluginObjectArrayGetProc") || !Asked(host, "VANTGetPropValueInteger"))
    GTEST_SKIP() << "the entry points were bound earlier in this process";
  EXPECT_EQ(session.Rows(rows), (Rows{{"42"}}));
  EXPECT_GT(host.lookupCount("RuntimeArrayDirectGetGetProc"), 0);
  EXPECT_GT(host.lookupCount("VANTGetPropValueInt"), 0);
}

TEST(HostEntryPoints, AHostThatCannotReadTheVariantTypeGetsNoStatementRun) {
  StatementSession session;
  tavro::Host& host = session.host();
  host.withhold("VANTGetPropValueInteger");
  host.withhold("VANTGetPropValueInt");
  Object database = session.Connect();
  tavro::Database db = session.Db(database);
  db.execute("CREATE TABLE " + statement_test::UniqueName("typeless") + " (a INTEGER)");
  db.executeWithParams("INSERT INTO " + statement_test::UniqueName("typeless") + " VALUES (?)", session.Vars({Value(1)}));
  if (!Asked(host, "VANTGetPropValueInteger")) GTEST_SKIP() << "the entry point was bound earlier in this process";
  EXPECT_EQ(statement_test::LastError(db), "-1: Unable to retrieve Variant type");
  EXPECT_EQ(session.Rows(database, "SELECT COUNT(*) FROM " + statement_test::UniqueName("typeless")), (Rows{{"0"}}));
  db.execute("DROP TABLE " + statement_test::UniqueName("typeless"));
}
