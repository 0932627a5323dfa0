// The Sqelto test driver is a fake ODBC driver for fault injection only: it
// forwards every call to the SQLite3 driver and, told so by Test keywords in
// the connection string, reports limits or fails calls in ways no driver on
// this machine does. Tests use it only for such cases; everything else is
// tested against the real drivers.
//
// What every exported function is built from: no exception crosses into the
// driver manager, TestFail is checked on the call's handle, and the call goes
// on to the real driver.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include "handle_registry.hpp"
#include "real_driver.hpp"

namespace sqelto_test_driver {

inline bool succeeded(SQLRETURN result) { return result == SQL_SUCCESS || result == SQL_SUCCESS_WITH_INFO; }

template <typename Body>
SQLRETURN guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return SQL_ERROR;
  }
}

}  // namespace sqelto_test_driver

// Forwards a call that needs nothing beyond TestFail.
#define SQELTO_FORWARD(name, handleType, handle, ...)                                           \
  ::sqelto_test_driver::guarded([&]() -> SQLRETURN {                                            \
    if (::sqelto_test_driver::registry().failCall(#name, handleType, handle)) return SQL_ERROR; \
    return SQELTO_REAL(name)(__VA_ARGS__);                                                      \
  })
