// What the built plug-in registers, as the substitute host receives it.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <odbc/connection_record.h>
#include <tavro_host/tavro_host.h>

#include "checked_host.h"

#include "expected_constant_values.h"

namespace {

using sqelto::ConnectionRecord;

class Registration : public ::testing::Test {
 protected:
  void SetUp() override { result_ = host_.load(SQELTO_PLUGIN_PATH); }

  const tavro::ClassInfo &Class(const std::string &name) {
    const tavro::ClassInfo *info = host_.findClass(name);
    if (info == nullptr) throw std::runtime_error("class not registered: " + name);
    return *info;
  }

  sqelto_test::CheckedHost host_;
  int32_t result_ = -1;
};

struct ExpectedMethod {
  const char *declaration;
  const char *deprecatedBy;  // attribute value, or null
};

TEST_F(Registration, AnnouncesVersion13AndRegistersInTheHostsOrder) {
  EXPECT_EQ(host_.announcedVersion(), 13);
  std::vector<std::string> order;
  for (const tavro::RegistrationEvent &event : host_.registrationLog()) {
    order.push_back(event.entryPoint + (event.subject.empty() ? "" : " " + event.subject));
    EXPECT_TRUE(event.accepted) << event.entryPoint << ": " << event.problem;
  }
  EXPECT_EQ(order, (std::vector<std::string>{
                       "RegisterPluginVersion 13",
                       "PluginRegisterDBCursor",
                       "PluginRegisterDBEngine",
                       "PluginRegisterClass ODBCDatabase",
                       "PluginRegisterClass ODBCPreparedStatement",
                       "PluginRegisterModule ODBCConstant",
                       "RegisterDataSourceInterface Select ODBC Database...",
                       "RegisterDataSource ODBC",
                   }));
  ASSERT_EQ(host_.dataSources().size(), 1u);
  EXPECT_EQ(host_.dataSources()[0].kind, "ODBC");
  ASSERT_EQ(host_.dataSourceInterfaces().size(), 1u);
  EXPECT_EQ(host_.dataSourceInterfaces()[0].title, "Select ODBC Database...");
}

TEST_F(Registration, EntryResultIsWhatRegisterDataSourceAnswered) {
  ASSERT_TRUE(host_.pluginMainResult().has_value());
  EXPECT_EQ(*host_.pluginMainResult(), result_);
  EXPECT_NE(result_, 0) << "the host accepted the data source";
}

TEST(RegistrationWithoutDataSources, EntryAnswersZeroAndSkipsOnlyThatStep) {
  sqelto_test::CheckedHost host;
  host.withhold("RegisterDataSource");
  EXPECT_EQ(host.load(SQELTO_PLUGIN_PATH), 0);
  EXPECT_TRUE(host.dataSources().empty());
  // Everything before the missing step still arrived.
  EXPECT_NE(host.findClass("ODBCPreparedStatement"), nullptr);
  EXPECT_EQ(host.dataSourceInterfaces().size(), 1u);
}

TEST_F(Registration, EngineAndCursorRecords) {
  ASSERT_EQ(host_.engines().size(), 1u);
  const TavroEngineRecord *engine = host_.engines()[0].record;
  EXPECT_EQ(engine->version, 2u);
  EXPECT_EQ(engine->flags, 0x400u);
  EXPECT_EQ(engine->reserved7, 0u);
  EXPECT_EQ(engine->reserved17, 0u);
  EXPECT_EQ(engine->reserved27, 0u);

  // Word 18 lists the column types the engine supports.
  ASSERT_NE(engine->columnTypes, nullptr);
  const int32_t *codes = nullptr;
  const char *names = nullptr;
  int32_t codeBytes = 0;
  engine->columnTypes(&codes, &names, &codeBytes);
  ASSERT_EQ(codeBytes, 52);
  EXPECT_EQ(std::vector<int32_t>(codes, codes + 13), (std::vector<int32_t>{4, 5, 5, 1, 2, 3, 6, 7, 13, 8, 9, 10, 14}));
  EXPECT_STREQ(names, "char,varchar,text,tinyint,smallint,integer,float,double,decimal,date,time,timestamp,blob");

  ASSERT_EQ(host_.cursors().size(), 1u);
  const TavroCursorRecord *cursor = host_.cursors()[0].record;
  EXPECT_EQ(cursor->version, 2u);
  EXPECT_EQ(cursor->reserved1, 0u);
  EXPECT_EQ(cursor->reserved7, 0u);
}

// A host may call an engine word before it has a connection record to give:
// every word that takes one answers nothing then, and touches nothing.
TEST_F(Registration, EngineWordsGivenNoConnectionRecordAnswerNothing) {
  ASSERT_EQ(host_.engines().size(), 1u);
  const TavroEngineRecord *engine = host_.engines()[0].record;
  engine->close(nullptr);
  EXPECT_EQ(engine->tableSchema(nullptr), nullptr);
  EXPECT_EQ(engine->fieldSchema(nullptr, nullptr), nullptr);
  EXPECT_EQ(engine->select(nullptr, nullptr), nullptr);
  engine->execute(nullptr, nullptr);
  engine->addRecord(nullptr, nullptr, nullptr);
  EXPECT_EQ(engine->selectWithParams(nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(engine->indexSchema(nullptr, nullptr), nullptr);
  EXPECT_EQ(engine->lastErrorCode(nullptr), 0);
  EXPECT_EQ(engine->lastErrorString(nullptr), nullptr);
  engine->commit(nullptr);
  engine->rollback(nullptr);
  EXPECT_EQ(engine->prepare(nullptr, nullptr), nullptr);
  engine->executeWithParams(nullptr, nullptr, nullptr);
}

TEST_F(Registration, ODBCDatabaseClass) {
  const tavro::ClassInfo &info = Class("ODBCDatabase");
  EXPECT_EQ(info.superclass, "Database");
  EXPECT_EQ(info.dataSize, sizeof(ConnectionRecord));
  EXPECT_TRUE(info.flags & 4u);
  EXPECT_TRUE(info.hasConstructor);
  EXPECT_TRUE(info.hasDestructor);
  EXPECT_TRUE(info.interfaces.empty());
  EXPECT_TRUE(info.constants.empty());

  const ExpectedMethod expected[] = {
      {"Connect() as Boolean", nullptr},
      {"DataSourceNames() as RecordSet", "\"DataSources\""},
      {"DataSources() as RowSet", nullptr},
      {"DriverNames() as RecordSet", "\"Drivers\""},
      {"Drivers() as RowSet", nullptr},
      {"GetInfo(infoType as integer) as Variant", "\"ConnectionInfo\""},
      {"GetConnectionAttribute(infoType as Integer) as Variant", "\"ConnectionAttribute\""},
      {"SetConnectionAttribute(infoType as Integer, value as Integer)", "\"ConnectionAttribute\""},
      {"ConnectionAttribute(attributeID as Integer) as Variant", nullptr},
      {"ConnectionAttribute(attributeID as Integer, Assigns value as Integer)", nullptr},
      {"PrimaryKeys(table as String) as RecordSet", nullptr},
      {"ForeignKeys(primaryTable as String, foreignTable as String) as RecordSet", nullptr},
      {"SpecialColumns(identifierType as Integer, table as String, scope as Integer, nullable as Integer) as "
       "RecordSet",
       nullptr},
      {"TablePrivileges(table as String) as RecordSet", nullptr},
      {"ColumnPrivileges(table as String, column as String) as RecordSet", nullptr},
      {"Procedures() as RecordSet", nullptr},
      {"ProcedureColumns(procedure as String) as RecordSet", nullptr},
      {"NextRecordset() as Boolean", "\"NextRowSet\""},
      {"NextRowSet() as Boolean", nullptr},
      {"GetSQLTypeInfo(dataType as Integer) as RecordSet", "\"DataTypeInfo\""},
      {"DataTypeInfo(value as Integer) as RowSet", nullptr},
      {"Prepare(statement As String) as ODBCPreparedStatement", nullptr},
  };
  ASSERT_EQ(info.methods.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(expected[i].declaration);
    const tavro::MethodInfo &method = info.methods[i];
    EXPECT_EQ(method.declarationText, expected[i].declaration);
    EXPECT_EQ(method.flags, 4u);
    if (expected[i].deprecatedBy == nullptr) {
      EXPECT_TRUE(method.attributes.empty());
    } else {
      EXPECT_EQ(method.attributes, (tavro::Attributes{{"Deprecated", expected[i].deprecatedBy}}));
    }
  }

  struct ExpectedProperty {
    const char *name;
    const char *type;
    std::size_t offset;
    bool readOnly;
    const char *deprecatedBy;
  };
  const ExpectedProperty properties[] = {
      {"Timeout", "Integer", offsetof(ConnectionRecord, timeout), false, nullptr},
      {"ExtendedSchema", "Boolean", offsetof(ConnectionRecord, extendedSchema), false, "\"IsExtendedSchema\""},
      {"IsExtendedSchema", "Boolean", offsetof(ConnectionRecord, extendedSchema), false, nullptr},
      {"Attribute", "Integer", offsetof(ConnectionRecord, attribute), false, nullptr},
      {"AttributeString", "String", offsetof(ConnectionRecord, attributeString), false, nullptr},
      {"DatabaseName", "String", offsetof(ConnectionRecord, databaseName), false, nullptr},
      {"DataSource", "String", offsetof(ConnectionRecord, dataSource), false, nullptr},
      {"DBMS", "String", offsetof(ConnectionRecord, dbms), true, nullptr},
      {"ScrollableCursor", "Boolean", offsetof(ConnectionRecord, scrollableCursor), false, "\"IsScrollableCursor\""},
      {"IsScrollableCursor", "Boolean", offsetof(ConnectionRecord, scrollableCursor), false, nullptr},
  };
  ASSERT_EQ(info.properties.size(), std::size(properties));
  for (std::size_t i = 0; i < std::size(properties); ++i) {
    SCOPED_TRACE(properties[i].name);
    const tavro::PropertyInfo &property = info.properties[i];
    EXPECT_EQ(property.name, properties[i].name);
    EXPECT_EQ(property.type, properties[i].type);
    EXPECT_EQ(property.offset, properties[i].offset);
    EXPECT_EQ(property.flags, 4u);
    EXPECT_TRUE(property.directGet);
    EXPECT_EQ(property.readOnly, properties[i].readOnly);
    EXPECT_EQ(property.directSet, !properties[i].readOnly);
    if (properties[i].deprecatedBy == nullptr) {
      EXPECT_TRUE(property.attributes.empty());
    } else {
      EXPECT_EQ(property.attributes, (tavro::Attributes{{"Deprecated", properties[i].deprecatedBy}}));
    }
  }
}

TEST_F(Registration, ODBCPreparedStatementClass) {
  const tavro::ClassInfo &info = Class("ODBCPreparedStatement");
  EXPECT_TRUE(info.superclass.empty());
  EXPECT_EQ(info.dataSize, sizeof(void *));
  EXPECT_TRUE(info.flags & 4u);
  EXPECT_FALSE(info.hasConstructor);
  EXPECT_EQ(info.interfaces, "PreparedSQLStatement");
  EXPECT_TRUE(info.properties.empty());

  const char *declarations[] = {
      "Bind(zeroBasedIndex As Integer, param As Variant)",
      "Bind(values() As Variant)",
      "Bind(zeroBasedIndex As Integer, param As Variant, type As Integer)",
      "BindType(zeroBasedIndex As Integer, type As Integer)",
      "BindType(types() As Integer)",
      "SQLSelect(ParamArray params As Variant) As RecordSet",
      "SelectSQL(ParamArray params As Variant) As RowSet",
      "SQLExecute(ParamArray params As Variant)",
      "ExecuteSQL(ParamArray params As Variant)",
      "Constructor",
  };
  ASSERT_EQ(info.methods.size(), std::size(declarations));
  for (std::size_t i = 0; i < std::size(declarations); ++i) {
    SCOPED_TRACE(declarations[i]);
    EXPECT_EQ(info.methods[i].declarationText, declarations[i]);
    EXPECT_TRUE(info.methods[i].attributes.empty());
    // The function-less "Constructor" entry carries 0x84, every other entry 4.
    EXPECT_EQ(info.methods[i].flags, i + 1 == std::size(declarations) ? 0x84u : 4u);
  }
  EXPECT_EQ(info.methods.back().function, nullptr);

  const std::vector<std::pair<std::string, int64_t>> constants = {
      {"ODBC_TYPE_NULL", 0},     {"ODBC_TYPE_TINYINT", -6}, {"ODBC_TYPE_SMALLINT", 5}, {"ODBC_TYPE_INTEGER", 4},
      {"ODBC_TYPE_BIGINT", -5},  {"ODBC_TYPE_FLOAT", 6},    {"ODBC_TYPE_DOUBLE", 8},   {"ODBC_TYPE_DATE", 91},
      {"ODBC_TYPE_TIME", 92},    {"ODBC_TYPE_TIMESTAMP", 93}, {"ODBC_TYPE_BINARY", -2}, {"ODBC_TYPE_STRING", 1},
      {"ODBC_TYPE_LONGSTRING", -1},
  };
  ASSERT_EQ(info.constants.size(), constants.size());
  for (std::size_t i = 0; i < constants.size(); ++i) {
    const tavro::ConstantInfo &constant = info.constants[i];
    EXPECT_EQ(constant.declaration, constants[i].first + " = " + std::to_string(constants[i].second));
    EXPECT_EQ(constant.name, constants[i].first);
    EXPECT_EQ(constant.value, constants[i].second);
    EXPECT_EQ(constant.flags, 4u);
  }
}

TEST_F(Registration, ODBCConstantModuleCarriesTheOdbcHeaderValuesAligned) {
  ASSERT_EQ(host_.modules().size(), 1u);
  const tavro::ModuleInfo &module = *host_.modules()[0];
  EXPECT_EQ(module.name, "ODBCConstant");
  EXPECT_EQ(module.record->version, 13u);

  const auto expected = ExpectedOdbcConstants();
  ASSERT_EQ(expected.size(), 443u);
  ASSERT_EQ(module.constants.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const tavro::ConstantInfo &constant = module.constants[i];
    const std::string &name = expected[i].first;
    SCOPED_TRACE(constant.declaration);
    EXPECT_EQ(constant.name, name);
    EXPECT_EQ(constant.value, expected[i].second);
    EXPECT_EQ(constant.flags, 0u);

    // Names are padded with blanks to 22 characters, so the equals signs line
    // up in column 22, or followed by one blank when they are 22 or longer;
    // after "= " comes a sign position: a blank for 0 and up, "-" below.
    const std::string &text = constant.declaration;
    const std::size_t equals = std::max<std::size_t>(name.size() + 1, 22);
    ASSERT_GT(text.size(), equals + 3);
    EXPECT_EQ(text.substr(0, name.size()), name);
    EXPECT_EQ(text.find_first_not_of(' ', name.size()), equals);
    EXPECT_EQ(text.substr(equals, 2), "= ");
    EXPECT_EQ(text[equals + 2], expected[i].second < 0 ? '-' : ' ');
    EXPECT_EQ(text.substr(equals + 3), std::to_string(expected[i].second < 0 ? -expected[i].second
                                                                             : expected[i].second));
  }
  // Written out in full, including a negative value and a name longer than
  // the field.
  std::map<std::string, std::string> byName;
  for (const tavro::ConstantInfo &constant : module.constants) byName[constant.name] = constant.declaration;
  EXPECT_EQ(module.constants[0].declaration, "SQL_ACTIVE_CONNECTIONS =  0");
  EXPECT_EQ(byName["SQL_CVT_TIMESTAMP"], "SQL_CVT_TIMESTAMP     =  131072");
  EXPECT_EQ(byName["SQL_BIT"], "SQL_BIT               = -7");
  EXPECT_EQ(byName["SQL_SQL92_RELATIONAL_JOIN_OPERATORS"], "SQL_SQL92_RELATIONAL_JOIN_OPERATORS =  " +
                                                               std::to_string(SQL_SQL92_RELATIONAL_JOIN_OPERATORS));
}

TEST_F(Registration, ODBCDatabaseInstancesAreBoundConnectionRecords) {
  tavro::Object database = host_.createInstance("ODBCDatabase");
  auto *record = static_cast<ConnectionRecord *>(database.instanceData());
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->refCount, 1) << "the host object's reference";

  // The constructor bound the record to the host's database object.
  tavro::Database bound(host_, database);
  EXPECT_EQ(bound.record(), record);
  EXPECT_EQ(bound.engine(), host_.engines()[0].record);
  EXPECT_EQ(bound.columnTypes().codeBytes, 52);

  // The host reads and writes the record directly at the registered offsets.
  host_.setProperty(database, "Timeout", int32_t{30});
  EXPECT_EQ(record->timeout, 30);
  host_.setProperty(database, "Attribute", int32_t{1209});
  EXPECT_EQ(record->attribute, 1209);
  host_.setProperty(database, "ScrollableCursor", true);
  EXPECT_EQ(record->scrollableCursor, 1);
  EXPECT_TRUE(host_.getProperty(database, "IsScrollableCursor").asBoolean());
  host_.setProperty(database, "IsExtendedSchema", true);
  EXPECT_EQ(record->extendedSchema, 1);
  EXPECT_TRUE(host_.getProperty(database, "ExtendedSchema").asBoolean());
  EXPECT_EQ(record->allowsBinds, 0);
  host_.setProperty(database, "DataSource", "Driver=SQLite3;Database=:memory:");
  EXPECT_NE(record->dataSource, nullptr);
  EXPECT_EQ(host_.getProperty(database, "DataSource").asText(), "Driver=SQLite3;Database=:memory:");

  // "DBMS" is the driver's answer; host code cannot assign it.
  EXPECT_THROW(host_.setProperty(database, "DBMS", "forged"), tavro::HostError);
  EXPECT_EQ(record->dbms, nullptr);
}

}  // namespace
