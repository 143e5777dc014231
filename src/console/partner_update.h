// Keeping the host's partner records in step with what the crawl finds: the found flags and the
// backlink address of a partner (LA) and one history record per partner and day (LAHist); and
// the two tree buttons, Backlink and Start Base, that store a page of the result tree as the
// partner's backlink address or start page.
#ifndef ZEB_CONSOLE_PARTNER_UPDATE_H_
#define ZEB_CONSOLE_PARTNER_UPDATE_H_

#include <string>
#include <vector>

#include "data/app_tables.h"
#include "text/date_time.h"

namespace zeb {

struct PartnerUpdateContext {
  bool AutoUpdatePartner = false;  // RECheckBox4
  std::string project;
  std::string partner;
  std::string FindText;  // Label33
  std::string FoundURL;
  DateTime now{};
};

// Stores the found flags and, when it changed, the backlink address, and the day's history
// record. Does nothing with Auto-Update off, for a partner that is gone or whose ShortCheck is
// no longer the Find text, and when neither flag is set. Returns the console's messages.
std::vector<std::string> UpdatePartner(AppTables& app, const PartnerUpdateContext& context,
                                       bool found_short, bool found_long);

// Backlink: stores url as the partner's backlink address; Start Base: as its start page, at
// the given hop. The partner is looked up in the project itself, "Default" included. False
// when there is no such partner.
bool SetBacklink(AppTables& app, const std::string& project, const std::string& partner,
                 const std::string& url);
bool SetStartBase(AppTables& app, const std::string& project, const std::string& partner,
                  const std::string& url, int hop);

}  // namespace zeb

#endif  // ZEB_CONSOLE_PARTNER_UPDATE_H_
