// The table a SELECT reads from, as cursor editing finds it in the
// statement's text.
#pragma once

#include <string>
#include <string_view>

namespace sqelto {

// The run of non-blank characters (at most 1024) after the first FROM that
// stands between blanks (space, tab, CR or LF) in any letter case; empty
// when there is none. Only the first FROM counts: "SELECT * FROM t1, t2"
// gives "t1,", which names no table, so such a result is not editable.
std::string TableNameFromStatement(std::string_view sql);

}  // namespace sqelto
