#include "fetch_path.hpp"
#include "pyodbc_fetch_path.hpp"
#include "raw_odbc_path.hpp"
#ifdef SQELTO_PLUGIN_PATH
#include "plugin_fetch_path.hpp"
#endif

#include <stdexcept>

namespace odbc_bench {

// A new path is added here after the baseline; the report then prints its
// rate as a ratio of the raw loop's.
std::vector<std::unique_ptr<FetchPath>> allFetchPaths() {
  std::vector<std::unique_ptr<FetchPath>> paths;
  paths.push_back(std::make_unique<RawOdbcPath>());
#ifdef SQELTO_PLUGIN_PATH
  paths.push_back(std::make_unique<PluginFetchPath>());
#endif
  paths.push_back(std::make_unique<PyodbcFetchPath>());
  return paths;
}

std::unique_ptr<FetchPath> fetchPathNamed(const std::string& name) {
  for (auto& path : allFetchPaths())
    if (path->name() == name) return std::move(path);
  throw std::invalid_argument("no fetch path named \"" + name + "\"");
}

}  // namespace odbc_bench
