#include "console/partner_update.h"

#include <optional>

namespace zeb {

std::vector<std::string> UpdatePartner(AppTables& app, const PartnerUpdateContext& context,
                                       bool found_short, bool found_long) {
  std::vector<std::string> messages;
  if (!context.AutoUpdatePartner) return messages;
  std::optional<PartnerRecord> partner =
      app.FindPartner(context.project, context.partner, ProjectScope::kAllForDefault);
  if (!partner || partner->ShortCheck != context.FindText) return messages;
  if (!found_short && !found_long) return messages;

  partner->FoundShort = found_short;
  partner->FoundLong = found_long;
  if (partner->URL != context.FoundURL) {
    partner->URL = context.FoundURL;
    messages.push_back("Backlink address updated");
  } else {
    messages.push_back("Backlink correct--no change");
  }
  app.SavePartner(*partner);

  // One history record per partner and day: the day's record is rewritten.
  HistoryRecord history;
  if (std::optional<HistoryRecord> today =
          app.FindHistory(context.project, context.partner, context.now)) {
    history = *today;
  }
  history.SiteName = context.partner;
  history.xDate = context.now;
  history.RFound = found_short;
  history.PFound = found_long;
  history.Bad = false;
  history.Project = context.project;
  app.SaveHistory(history);
  return messages;
}

namespace {

template <typename Change>
bool ChangePartner(AppTables& app, const std::string& project, const std::string& partner,
                   Change change) {
  std::optional<PartnerRecord> record = app.FindPartner(project, partner, ProjectScope::kExact);
  if (!record) return false;
  change(*record);
  return app.SavePartner(*record);
}

}  // namespace

bool SetBacklink(AppTables& app, const std::string& project, const std::string& partner,
                 const std::string& url) {
  return ChangePartner(app, project, partner, [&](PartnerRecord& r) { r.URL = url; });
}

bool SetStartBase(AppTables& app, const std::string& project, const std::string& partner,
                  const std::string& url, int hop) {
  return ChangePartner(app, project, partner, [&](PartnerRecord& r) {
    r.BotStart = url;
    r.BotBaseHop = hop;
  });
}

}  // namespace zeb
