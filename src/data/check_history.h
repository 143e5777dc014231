// The library's own record of every check of a partner (table ZEBCheckHistory), kept beside the
// host's history LAHist when the modern web is on. LAHist can only say "found" or not; this
// table also says when a partner could not be checked at all ("unverifiable", with the reason),
// so that such a check is never read as a lost link.
//
// Errors: DatabaseError from the session. Thread safety: as the Session it is made with.
#ifndef ZEB_DATA_CHECK_HISTORY_H_
#define ZEB_DATA_CHECK_HISTORY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "data/sqlite_session.h"
#include "text/date_time.h"

namespace zeb {

inline constexpr const char* kCheckHistoryTable = "ZEBCheckHistory";

// What a check came to.
inline constexpr const char* kCheckFound = "found";
inline constexpr const char* kCheckNotFound = "not found";       // the only lost link
inline constexpr const char* kCheckUnverifiable = "unverifiable";  // could not be checked

struct CheckRecord {
  std::int64_t id = 0;
  std::string Project;
  std::string SiteName;
  DateTime CheckedAt{};
  std::string Result;  // kCheckFound, kCheckNotFound or kCheckUnverifiable
  std::string Reason;  // why not found or unverifiable ("403 challenge page"); empty when found
  std::string URL;     // the backlink page when found
  bool Lost = false;   // the link was looked for and is not there (only for kCheckNotFound)
};

// Creates the table and its index when they are missing.
void CreateCheckHistoryTable(Session& session);

// Appends a check (the table is created first when missing). Returns its id.
std::int64_t AppendCheck(Session& session, const CheckRecord& record);

// A partner's checks, oldest first; empty when the table is missing.
std::vector<CheckRecord> PartnerChecks(Session& session, const std::string& project,
                                       const std::string& site);

}  // namespace zeb

#endif  // ZEB_DATA_CHECK_HISTORY_H_
