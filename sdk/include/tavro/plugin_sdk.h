/*
 * The Tavro runtime's plug-in interface, as both sides see it.
 *
 * A plug-in exports one function, VANTPluginMain, and imports nothing from the
 * host at link time: the host passes a resolver through which the plug-in
 * finds every host entry point by name. What crosses the boundary after that
 * are the plain records below (class, method, property, constant, attribute,
 * module, engine and cursor records) and the host's opaque strings and objects.
 *
 * Every record is an array of words. A word is pointer-sized, so on a 32-bit
 * target the records have exactly their historical 32-bit layout, and on a
 * 64-bit target the same word counts and order with wider words. Integer words
 * hold their value (-1 is all ones).
 *
 * This header is C-compatible: the host and its plug-ins may be built by
 * different compilers.
 */
#ifndef TAVRO_PLUGIN_SDK_H
#define TAVRO_PLUGIN_SDK_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#include <cstdbool>
extern "C" {
#else
#include <stdbool.h>
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define TAVRO_CALL __cdecl
#else
#define TAVRO_CALL
#endif

#if defined(_WIN32)
#define TAVRO_EXPORT __declspec(dllexport)
#else
#define TAVRO_EXPORT __attribute__((visibility("default")))
#endif

/* ------------------------------------------------------------------------ */
/* Versions, flags and codes                                                 */
/* ------------------------------------------------------------------------ */

/* Announced through "RegisterPluginVersion" and written in word 0 of every
 * class and module record. */
#define TAVRO_HOST_VERSION 13

/* Version words of the engine and cursor records, and the engine's flags. */
#define TAVRO_DB_RECORD_VERSION 2
#define TAVRO_ENGINE_FLAGS 0x400

/* Flags of method, property and constant entries and of class records. */
#define TAVRO_FLAG_ENTRY 4      /* an entry with a function / class registered by a plug-in */
#define TAVRO_FLAG_CONSTRUCTOR 0x84 /* the "Constructor" method entry without a function */

/* Getter or setter word meaning "read or write the value directly in the
 * instance data at the property's offset". */
#define TAVRO_DIRECT_ACCESS ((void *)(intptr_t)-1)

/* Host text encodings. */
#define TAVRO_ENCODING_UTF8 0x08000100u
#define TAVRO_ENCODING_UTF16 0x0100u
#define TAVRO_ENCODING_WINLATIN1 0x0500u

/* Host column type codes, used by cursors and the field schema. */
enum TavroColumnType {
  TAVRO_COLUMN_NULL = 0,       /* the value is NULL (ColumnValue's type out) */
  TAVRO_COLUMN_TINYINT = 1,
  TAVRO_COLUMN_SMALLINT = 2,
  TAVRO_COLUMN_INTEGER = 3,
  TAVRO_COLUMN_CHAR = 4,
  TAVRO_COLUMN_TEXT = 5,
  TAVRO_COLUMN_FLOAT = 6,
  TAVRO_COLUMN_DOUBLE = 7,
  TAVRO_COLUMN_DATE = 8,
  TAVRO_COLUMN_TIME = 9,
  TAVRO_COLUMN_TIMESTAMP = 10,
  TAVRO_COLUMN_BOOLEAN = 12,
  TAVRO_COLUMN_DECIMAL = 13,
  TAVRO_COLUMN_BINARY = 14,
  TAVRO_COLUMN_LONG_TEXT = 15,
  TAVRO_COLUMN_LONG_BINARY = 16,
  TAVRO_COLUMN_HOST_STRING = 18, /* value points at a TavroString slot */
  TAVRO_COLUMN_INT64 = 19,
  TAVRO_COLUMN_UNKNOWN = 255
};

/* Host variant type codes, read from a variant's integer property "Type". */
enum TavroVariantType {
  TAVRO_VARIANT_NIL = 0,
  TAVRO_VARIANT_INTEGER = 2,
  TAVRO_VARIANT_INT64 = 3,
  TAVRO_VARIANT_SINGLE = 4,
  TAVRO_VARIANT_DOUBLE = 5,
  TAVRO_VARIANT_CURRENCY = 6,
  TAVRO_VARIANT_DATE = 7,
  TAVRO_VARIANT_STRING = 8,
  TAVRO_VARIANT_OBJECT = 9,
  TAVRO_VARIANT_BOOLEAN = 11,
  TAVRO_VARIANT_COLOR = 16,
  TAVRO_VARIANT_TEXT = 37,
  TAVRO_VARIANT_DATETIME = 38,
  TAVRO_VARIANT_ARRAY = 0x1000 /* bit set on top of the element type */
};

/* ------------------------------------------------------------------------ */
/* Opaque host values                                                        */
/* ------------------------------------------------------------------------ */

typedef struct TavroStringImpl *TavroString;   /* reference-counted host string */
typedef struct TavroObjectImpl *TavroObject;   /* host object (instances, variants, arrays, ...) */
typedef struct TavroClassImpl *TavroClass;     /* host class, from pluginObjectType */
typedef struct TavroDialogImpl *TavroDialog;   /* host connection dialog */
typedef TavroObject TavroArray;                /* host arrays are objects */

/* The resolver handed to VANTPluginMain: NUL-terminated ASCII name in, the
 * host function's address out, or null when the host has no such function. */
typedef void *(TAVRO_CALL *TavroResolver)(const char *name);

/* A copy of a host string's bytes in a requested encoding (PluginGetStringData);
 * released with PluginDisposeStringData. */
typedef struct TavroStringData {
  const char *data;   /* the bytes, NUL-terminated for convenience; null when empty */
  size_t length;      /* byte count, without the terminator */
  uint32_t encoding;  /* encoding of the bytes */
} TavroStringData;

/* ------------------------------------------------------------------------ */
/* Registration records                                                      */
/* ------------------------------------------------------------------------ */

/* Attribute pair (2 words): name, value as a host-language literal. */
typedef struct TavroAttribute {
  const char *name;
  const char *value;
} TavroAttribute;

/* Method entry (6 words). */
typedef struct TavroMethodEntry {
  void *function;            /* plug-in function; receives the host instance first */
  uintptr_t reserved1;
  const char *declaration;   /* e.g. "Connect() as Boolean" */
  uintptr_t flags;           /* TAVRO_FLAG_ENTRY, or TAVRO_FLAG_CONSTRUCTOR */
  uintptr_t attributeCount;
  const TavroAttribute *attributes;
} TavroMethodEntry;

/* Property entry (12 words). */
typedef struct TavroPropertyEntry {
  uintptr_t reserved0;
  const char *name;
  const char *type;          /* host type name: "Integer", "Boolean", "String", ... */
  uintptr_t flags;
  void *getter;              /* TAVRO_DIRECT_ACCESS or a function */
  void *setter;              /* TAVRO_DIRECT_ACCESS, a function, or 0 (read-only) */
  uintptr_t offset;          /* byte offset of the value in the instance data */
  uintptr_t reserved7;
  uintptr_t reserved8;
  uintptr_t reserved9;
  uintptr_t attributeCount;
  const TavroAttribute *attributes;
} TavroPropertyEntry;

/* Constant entry (5 words). */
typedef struct TavroConstantEntry {
  const char *declaration;   /* "NAME = value" */
  uintptr_t reserved1;
  uintptr_t flags;           /* 4 in class constants, 0 in module constants */
  uintptr_t reserved3;
  uintptr_t reserved4;
} TavroConstantEntry;

/* Class record (29 words). */
typedef struct TavroClassRecord {
  uintptr_t version;                       /* 0: TAVRO_HOST_VERSION */
  const char *name;                        /* 1 */
  const char *superclass;                  /* 2: or null */
  uintptr_t dataSize;                      /* 3: instance data bytes */
  uintptr_t dataOffset;                    /* 4: written by the host at registration */
  void *constructor;                       /* 5: void (*)(TavroObject instance) or null */
  void *destructor;                        /* 6: void (*)(TavroObject instance) or null */
  const TavroPropertyEntry *properties;    /* 7 */
  uintptr_t propertyCount;                 /* 8 */
  const TavroMethodEntry *methods;         /* 9 */
  uintptr_t methodCount;                   /* 10 */
  uintptr_t reserved11[4];                 /* 11-14 */
  const char *interfaces;                  /* 15: or null */
  uintptr_t reserved16[2];                 /* 16-17 */
  const TavroConstantEntry *constants;     /* 18 */
  uintptr_t constantCount;                 /* 19 */
  uintptr_t flags;                         /* 20: the plug-in ORs in 4 before registering */
  uintptr_t reserved21[8];                 /* 21-28 */
} TavroClassRecord;

/* Module record (24 words). */
typedef struct TavroModuleRecord {
  uintptr_t version;                       /* 0: TAVRO_HOST_VERSION */
  const char *name;                        /* 1 */
  uintptr_t reserved2[2];                  /* 2-3 */
  const TavroConstantEntry *constants;     /* 4 */
  uintptr_t constantCount;                 /* 5 */
  uintptr_t reserved6[18];                 /* 6-23 */
} TavroModuleRecord;

/* A cursor handed to the host: a small heap box whose first word points at
 * the plug-in's cursor object (or is null) and whose second word is 0. */
typedef struct TavroCursorHandle {
  void *cursor;
  uintptr_t reserved;
} TavroCursorHandle;

/* Node of the host's list of changed fields (cursor update). */
typedef struct TavroUpdateField {
  struct TavroUpdateField *next;
  int32_t column;          /* 0-based column index */
  TavroString value;
} TavroUpdateField;

/* Node of the host's list of column values (record insertion). */
typedef struct TavroColumnValue {
  struct TavroColumnValue *next;
  TavroString name;
  TavroString value;
  int32_t type;            /* host column type code */
} TavroColumnValue;

/* The connection record is the engine's own; the host passes it back unread. */
typedef void *TavroDatabase;

/* Engine functions (word number in the engine record). */
typedef void (TAVRO_CALL *TavroCloseFn)(TavroDatabase db);                                  /* 2 */
typedef TavroObject (TAVRO_CALL *TavroTableSchemaFn)(TavroDatabase db);                    /* 3 */
typedef TavroObject (TAVRO_CALL *TavroFieldSchemaFn)(TavroDatabase db, TavroString table); /* 4 */
typedef TavroObject (TAVRO_CALL *TavroSelectFn)(TavroDatabase db, TavroString sql);        /* 5 */
typedef void (TAVRO_CALL *TavroExecuteFn)(TavroDatabase db, TavroString sql);              /* 6 */
typedef void (TAVRO_CALL *TavroAddRecordFn)(TavroDatabase db, TavroString table,
                                            TavroColumnValue *values);                       /* 8 */
typedef TavroObject (TAVRO_CALL *TavroSelectParamsFn)(TavroDatabase db, TavroString sql,
                                                      TavroArray params);                   /* 9 */
typedef TavroObject (TAVRO_CALL *TavroIndexSchemaFn)(TavroDatabase db, TavroString table); /* 12 */
typedef int32_t (TAVRO_CALL *TavroErrorCodeFn)(TavroDatabase db);                           /* 13 */
typedef TavroString (TAVRO_CALL *TavroErrorStringFn)(TavroDatabase db);                     /* 14 */
typedef void (TAVRO_CALL *TavroTransactionFn)(TavroDatabase db);                            /* 15, 16 */
typedef void (TAVRO_CALL *TavroColumnTypesFn)(const int32_t **codes, const char **names,
                                              int32_t *codeBytes);                          /* 18 */
typedef TavroObject (TAVRO_CALL *TavroPrepareFn)(TavroDatabase db, TavroString sql);       /* 25 */
typedef void (TAVRO_CALL *TavroExecuteParamsFn)(TavroDatabase db, TavroString sql,
                                                TavroArray params);                         /* 26 */

/* Engine record (28 words). */
typedef struct TavroEngineRecord {
  uintptr_t version;                       /* 0: TAVRO_DB_RECORD_VERSION */
  uintptr_t flags;                         /* 1: TAVRO_ENGINE_FLAGS */
  TavroCloseFn close;                      /* 2 */
  TavroTableSchemaFn tableSchema;          /* 3 */
  TavroFieldSchemaFn fieldSchema;          /* 4 */
  TavroSelectFn select;                    /* 5 */
  TavroExecuteFn execute;                  /* 6 */
  uintptr_t reserved7;                     /* 7 */
  TavroAddRecordFn addRecord;              /* 8 */
  TavroSelectParamsFn selectWithParams;    /* 9 */
  uintptr_t reserved10[2];                 /* 10-11 */
  TavroIndexSchemaFn indexSchema;          /* 12 */
  TavroErrorCodeFn lastErrorCode;          /* 13 */
  TavroErrorStringFn lastErrorString;      /* 14 */
  TavroTransactionFn commit;               /* 15 */
  TavroTransactionFn rollback;             /* 16 */
  uintptr_t reserved17;                    /* 17 */
  TavroColumnTypesFn columnTypes;          /* 18 */
  uintptr_t reserved19[6];                 /* 19-24 */
  TavroPrepareFn prepare;                  /* 25 */
  TavroExecuteParamsFn executeWithParams;  /* 26 */
  uintptr_t reserved27;                    /* 27 */
} TavroEngineRecord;

/* Cursor functions (word number in the cursor record). */
typedef void (TAVRO_CALL *TavroCursorDestroyFn)(TavroCursorHandle *h);                      /* 2 */
typedef int32_t (TAVRO_CALL *TavroCursorCountFn)(TavroCursorHandle *h);                     /* 3, 5 */
typedef TavroString (TAVRO_CALL *TavroCursorColumnNameFn)(TavroCursorHandle *h, int32_t column); /* 4 */
typedef void (TAVRO_CALL *TavroCursorColumnValueFn)(TavroCursorHandle *h, int32_t column,
                                                    void **value, uint8_t *type,
                                                    int32_t *length);                       /* 6 */
typedef bool (TAVRO_CALL *TavroCursorNextFn)(TavroCursorHandle *h);                         /* 8 */
typedef void (TAVRO_CALL *TavroCursorActionFn)(TavroCursorHandle *h);                       /* 9, 13-16 */
typedef void (TAVRO_CALL *TavroCursorUpdateFn)(TavroCursorHandle *h, TavroUpdateField *fields); /* 12 */
typedef int32_t (TAVRO_CALL *TavroCursorColumnTypeFn)(TavroCursorHandle *h, int32_t column); /* 17 */

/* Cursor record (21 words). */
typedef struct TavroCursorRecord {
  uintptr_t version;                       /* 0: TAVRO_DB_RECORD_VERSION */
  uintptr_t reserved1;                     /* 1 */
  TavroCursorDestroyFn destroy;            /* 2 */
  TavroCursorCountFn columnCount;          /* 3 */
  TavroCursorColumnNameFn columnName;      /* 4 */
  TavroCursorCountFn recordCount;          /* 5 */
  TavroCursorColumnValueFn columnValue;    /* 6 */
  uintptr_t reserved7;                     /* 7 */
  TavroCursorNextFn nextRecord;            /* 8 */
  TavroCursorActionFn deleteRecord;        /* 9 */
  uintptr_t reserved10[2];                 /* 10-11 */
  TavroCursorUpdateFn updateRecord;        /* 12 */
  TavroCursorActionFn editRecord;          /* 13 */
  TavroCursorActionFn previousRecord;      /* 14 */
  TavroCursorActionFn firstRecord;         /* 15 */
  TavroCursorActionFn lastRecord;          /* 16 */
  TavroCursorColumnTypeFn columnType;      /* 17 */
  uintptr_t reserved18[3];                 /* 18-20 */
} TavroCursorRecord;

/* ------------------------------------------------------------------------ */
/* Host entry points (looked up by name through the resolver)                */
/* ------------------------------------------------------------------------ */

/* "RegisterPluginVersion" */
typedef void (TAVRO_CALL *TavroRegisterPluginVersionFn)(int32_t version);
/* "PluginRegisterDBCursor", "PluginRegisterDBEngine", "PluginRegisterClass", "PluginRegisterModule" */
typedef void (TAVRO_CALL *TavroRegisterDBCursorFn)(TavroCursorRecord *record);
typedef void (TAVRO_CALL *TavroRegisterDBEngineFn)(TavroEngineRecord *record);
typedef void (TAVRO_CALL *TavroRegisterClassFn)(TavroClassRecord *record);
typedef void (TAVRO_CALL *TavroRegisterModuleFn)(TavroModuleRecord *record);

/* The design-time connection dialog and the data-source opener. */
typedef void (TAVRO_CALL *TavroConnectionDialogFn)(void);
typedef TavroObject (TAVRO_CALL *TavroDataSourceOpenerFn)(const char *storedData);
/* "RegisterDataSourceInterface"(title, dialog function) */
typedef void (TAVRO_CALL *TavroRegisterDataSourceInterfaceFn)(const char *title,
                                                              TavroConnectionDialogFn dialog);
/* "RegisterDataSource"(kind, opener) -> integer */
typedef int32_t (TAVRO_CALL *TavroRegisterDataSourceFn)(const char *kind,
                                                        TavroDataSourceOpenerFn opener);
/* "DesignAddDataSource"(identifier, kind, data bytes, byte count) */
typedef void (TAVRO_CALL *TavroDesignAddDataSourceFn)(const char *identifier, const char *kind,
                                                      const void *data, int32_t length);
/* "VANTDBConnectionDialogCreate" / "AddField" / "Show" / "Delete" */
typedef TavroDialog (TAVRO_CALL *TavroDialogCreateFn)(void);
typedef void (TAVRO_CALL *TavroDialogAddFieldFn)(TavroDialog dialog, TavroString label,
                                                 int32_t reserved, int32_t isPassword);
typedef TavroString (TAVRO_CALL *TavroDialogShowFn)(TavroDialog dialog, TavroString title);
typedef void (TAVRO_CALL *TavroDialogDeleteFn)(TavroDialog dialog);

/* Database objects. */
/* "VANTConstructDBDatabase"(host instance, connection record, engine record) -> integer */
typedef int32_t (TAVRO_CALL *TavroConstructDBDatabaseFn)(TavroObject instance, TavroDatabase db,
                                                         TavroEngineRecord *engine);
/* "VANTdbDatabaseFromDBDatabase"(connection record, engine record) -> database object */
typedef TavroObject (TAVRO_CALL *TavroDatabaseFromDBFn)(TavroDatabase db, TavroEngineRecord *engine);
/* "VANTGetDBFromVANTdbDatabase"(database object) -> connection record */
typedef TavroDatabase (TAVRO_CALL *TavroDBFromDatabaseFn)(TavroObject database);
/* "VANTGetDBHost", "VANTGetDBUserName", "VANTGetDBPassword", "VANTGetDBDatabaseName" */
typedef TavroString (TAVRO_CALL *TavroDatabaseStringFn)(TavroObject database);
/* "VANTSetDBIsConnected"(database object, flag) */
typedef void (TAVRO_CALL *TavroSetDBIsConnectedFn)(TavroObject database, bool connected);
/* "VANTdbCursorFromDBCursor", "NewRowSetFromDBCursor"(cursor handle, cursor record) -> object */
typedef TavroObject (TAVRO_CALL *TavroCursorToObjectFn)(TavroCursorHandle *handle,
                                                        TavroCursorRecord *record);

/* Strings. */
/* "VANTBuildString"(bytes, byte count) -> new string (one reference, owned by the caller) */
typedef TavroString (TAVRO_CALL *TavroBuildStringFn)(const void *bytes, int32_t length);
/* "VANTSetStringEncoding", "VANTGetStringEncoding" */
typedef void (TAVRO_CALL *TavroSetStringEncodingFn)(TavroString s, uint32_t encoding);
typedef uint32_t (TAVRO_CALL *TavroGetStringEncodingFn)(TavroString s);
/* "StringGetCString": borrowed, NUL-terminated bytes (valid while the string lives) */
typedef const char *(TAVRO_CALL *TavroStringGetCStringFn)(TavroString s);
/* "PluginGetStringData"(string, encoding, out) -> true when the copy was made */
typedef bool (TAVRO_CALL *TavroGetStringDataFn)(TavroString s, uint32_t encoding,
                                               TavroStringData *out);
/* "PluginDisposeStringData" */
typedef void (TAVRO_CALL *TavroDisposeStringDataFn)(TavroStringData *data);
/* "VANTLockString", "VANTUnlockString": add / release a reference */
typedef int32_t (TAVRO_CALL *TavroLockStringFn)(TavroString s);
typedef int32_t (TAVRO_CALL *TavroUnlockStringFn)(TavroString s);

/* Objects and classes. */
typedef void (TAVRO_CALL *TavroLockObjectFn)(TavroObject o);           /* "VANTLockObject" */
typedef void (TAVRO_CALL *TavroUnlockObjectFn)(TavroObject o);         /* "VANTUnlockObject" */
typedef TavroClass (TAVRO_CALL *TavroObjectTypeFn)(const char *className); /* "pluginObjectType" */
typedef TavroObject (TAVRO_CALL *TavroCreateInstanceFn)(TavroClass cls);  /* "CreateInstance" */
typedef TavroObject (TAVRO_CALL *TavroNewInstanceOfClassFn)(TavroClassRecord *record); /* "PluginNewInstanceOfClass" */
typedef bool (TAVRO_CALL *TavroObjectIsaFn)(TavroObject o, TavroClass cls); /* "RuntimeObjectIsa" */
typedef void (TAVRO_CALL *TavroRaiseExceptionFn)(TavroObject exception); /* "RuntimeRaiseException" */

/* Arrays. "RuntimeUBound"(array) -> upper bound, -1 when empty. */
typedef int32_t (TAVRO_CALL *TavroUBoundFn)(TavroArray array);
/* Element getters: "PluginIntegerArrayGetProc"(array) -> getter; getter(array, index) -> element. */
typedef int32_t (TAVRO_CALL *TavroIntegerElementGetter)(TavroArray array, int32_t index);
typedef void *(TAVRO_CALL *TavroIntegerArrayGetProcFn)(TavroArray array);
typedef TavroObject (TAVRO_CALL *TavroObjectElementGetter)(TavroArray array, int32_t index);
typedef void *(TAVRO_CALL *TavroObjectArrayGetProcFn)(TavroArray array);

/* Properties by name: (object, property name, out) -> true when read. */
typedef bool (TAVRO_CALL *TavroGetPropIntegerFn)(TavroObject o, const char *name, int32_t *out);
typedef bool (TAVRO_CALL *TavroGetPropInt64Fn)(TavroObject o, const char *name, int64_t *out);
typedef bool (TAVRO_CALL *TavroGetPropSingleFn)(TavroObject o, const char *name, float *out);
typedef bool (TAVRO_CALL *TavroGetPropDoubleFn)(TavroObject o, const char *name, double *out);
/* The string and object reads hand out a new reference the caller releases. */
typedef bool (TAVRO_CALL *TavroGetPropStringFn)(TavroObject o, const char *name, TavroString *out);
typedef bool (TAVRO_CALL *TavroGetPropObjectFn)(TavroObject o, const char *name, TavroObject *out);
typedef bool (TAVRO_CALL *TavroSetPropIntegerFn)(TavroObject o, const char *name, int32_t value);
typedef bool (TAVRO_CALL *TavroSetPropStringFn)(TavroObject o, const char *name, TavroString value);

/* Variants: new variant objects (one reference, owned by the caller). */
typedef TavroObject (TAVRO_CALL *TavroIntegerToVariantFn)(int32_t value);
typedef TavroObject (TAVRO_CALL *TavroStringToVariantFn)(TavroString value);

/* Host global methods: "VANTLoadGlobalMethod"(null, declaration) -> function. */
typedef void *(TAVRO_CALL *TavroLoadGlobalMethodFn)(void *reserved, const char *declaration);
/* The one the plug-in loads: "LenB( s as string ) as integer". */
typedef int32_t (TAVRO_CALL *TavroLenBFn)(TavroString s);

/* Leaving and re-entering the runtime around blocking calls. */
typedef void *(TAVRO_CALL *TavroDetachThreadFn)(void);          /* "_UnsafeDetachCurrentThread" */
typedef void (TAVRO_CALL *TavroAttachThreadFn)(void *token);     /* "_UnsafeAttachCurrentThread" */

/* The plug-in's export. */
typedef int32_t (TAVRO_CALL *TavroPluginMainFn)(TavroResolver resolver);
#define TAVRO_PLUGIN_MAIN_NAME "VANTPluginMain"

/* ------------------------------------------------------------------------ */
/* Layout checks                                                             */
/* ------------------------------------------------------------------------ */
#ifdef __cplusplus
#define TAVRO_STATIC_ASSERT static_assert
#else
#define TAVRO_STATIC_ASSERT _Static_assert
#endif
#define TAVRO_WORDS(n) ((n) * sizeof(uintptr_t))
TAVRO_STATIC_ASSERT(sizeof(TavroAttribute) == TAVRO_WORDS(2), "attribute pair is 2 words");
TAVRO_STATIC_ASSERT(sizeof(TavroMethodEntry) == TAVRO_WORDS(6), "method entry is 6 words");
TAVRO_STATIC_ASSERT(sizeof(TavroPropertyEntry) == TAVRO_WORDS(12), "property entry is 12 words");
TAVRO_STATIC_ASSERT(sizeof(TavroConstantEntry) == TAVRO_WORDS(5), "constant entry is 5 words");
TAVRO_STATIC_ASSERT(sizeof(TavroClassRecord) == TAVRO_WORDS(29), "class record is 29 words");
TAVRO_STATIC_ASSERT(sizeof(TavroModuleRecord) == TAVRO_WORDS(24), "module record is 24 words");
TAVRO_STATIC_ASSERT(sizeof(TavroEngineRecord) == TAVRO_WORDS(28), "engine record is 28 words");
TAVRO_STATIC_ASSERT(sizeof(TavroCursorRecord) == TAVRO_WORDS(21), "cursor record is 21 words");
TAVRO_STATIC_ASSERT(sizeof(TavroCursorHandle) == TAVRO_WORDS(2), "cursor handle is 2 words");
TAVRO_STATIC_ASSERT(offsetof(TavroClassRecord, flags) == TAVRO_WORDS(20), "class flags are word 20");
TAVRO_STATIC_ASSERT(offsetof(TavroClassRecord, constants) == TAVRO_WORDS(18), "class constants are word 18");
TAVRO_STATIC_ASSERT(offsetof(TavroEngineRecord, prepare) == TAVRO_WORDS(25), "engine prepare is word 25");
TAVRO_STATIC_ASSERT(offsetof(TavroEngineRecord, columnTypes) == TAVRO_WORDS(18), "engine column types are word 18");
TAVRO_STATIC_ASSERT(offsetof(TavroCursorRecord, columnType) == TAVRO_WORDS(17), "cursor column type is word 17");
TAVRO_STATIC_ASSERT(offsetof(TavroModuleRecord, constants) == TAVRO_WORDS(4), "module constants are word 4");

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* TAVRO_PLUGIN_SDK_H */
