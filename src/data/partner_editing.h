// A project's partners as a user changes them: add one, change some fields of one (a rename
// takes the partner's history and analysis records along), and move a project's partners to and
// from a CSV file. zebhost and a partner window both go through these functions, so the rules of
// what a user may enter live only here (the checks of data/field_limits.h, kEntered).
//
// CSV layout (RFC 4180; export writes CR LF line ends, import also takes LF): a header line, then
// one partner per record with the fields
//   name, home page, start page, start hop, find text, link text, backlink
// The last two may be left off. The link text's lines are joined with CR LF in one quoted field.
// An empty start hop means 0. Export writes every field, so that importing an export into a
// fresh project gives the same partners.
//
// Errors: a refused change throws PartnerEditError, whose what() is the one-line message to show
// (user text quoted with QuoteForMessage); nothing is written then. A table fault throws
// DatabaseError from the session. Thread safety: as the Session given.
#ifndef ZEB_DATA_PARTNER_EDITING_H_
#define ZEB_DATA_PARTNER_EDITING_H_

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/app_tables.h"
#include "data/sqlite_session.h"
#include "text/lines.h"

namespace zeb {

class PartnerEditError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The fields an edit changes; a field left empty (nullopt) keeps its stored value.
struct PartnerChanges {
  std::optional<std::string> home;      // ContactWebSite
  std::optional<std::string> start;     // BotStart; "" removes the start page and its hop
  std::optional<int> start_hop;         // BotBaseHop; needs a start page unless it is 0
  std::optional<std::string> find;      // ShortCheck
  std::optional<Lines> link_text;       // LongCheck; no lines removes it
  std::optional<std::string> backlink;  // URL; "" forgets it
  std::optional<std::string> rename;    // SiteName

  bool empty() const {
    return !home && !start && !start_hop && !find && !link_text && !backlink && !rename;
  }
};


// The header line of the CSV layout, without its line end.
inline constexpr const char* kPartnerCsvHeader =
    "name,home page,start page,start hop,find text,link text,backlink";

// Throws PartnerEditError with the first problem of the partner's fields as a user enters them
// (names, addresses, texts, and a start hop without a start page).
void CheckEnteredPartner(const PartnerRecord& partner);

// Throws PartnerEditError unless the project exists.
void RequireProject(Session& session, const std::string& project);

// The stored partner; throws PartnerEditError when the project or the partner does not exist.
PartnerRecord RequirePartner(Session& session, const std::string& project, const std::string& name);

// Adds the partner to partner.Project after the checks of CheckEnteredPartner; refused when the
// project is missing or already has a partner of that name. Returns the new record's id.
std::int64_t AddEnteredPartner(Session& session, const PartnerRecord& partner);

// Changes the named fields of the partner `name` of `project` in one transaction and returns the
// partner as stored now. Refused when the partner is missing, a changed field breaks the rules,
// or a new name is taken in the project; no changes is no write.
PartnerRecord EditPartner(Session& session, const std::string& project, const std::string& name,
                          const PartnerChanges& changes);

// The partners of a CSV text (layout above), checked one by one and against each other (no name
// twice). A problem throws PartnerEditError "line N: ..." naming the line it starts on; an empty
// text is refused (it needs a header line). Reads no table.
std::vector<PartnerRecord> ReadPartnerCsv(std::string_view text, const std::string& project);

// Adds all partners of the CSV text to the project or, when one is refused (see ReadPartnerCsv;
// also a name the project has already), none. Returns how many were added.
std::size_t ImportPartnerCsv(Session& session, const std::string& project, std::string_view text);

// The project's own partners (the project "Default" included as a project of its own) as a CSV
// text in the layout above, in the order of AppTables::Partners. Throws PartnerEditError when
// the project is missing.
std::string ExportPartnerCsv(Session& session, const std::string& project);

}  // namespace zeb

#endif  // ZEB_DATA_PARTNER_EDITING_H_
