// What the console shows around a run, read from the application tables: the project list, the
// partner list with its found marks, the selected partner's links, start page, hop, Find text
// and stored result tree, the AutoRun checks, and when Run Checked may be pressed.
//
// Every function opens the tables for its own short read and throws DatabaseError (or
// MissingTableError) when the data folder cannot be read.
#ifndef ZEB_CONSOLE_PARTNER_SELECTION_H_
#define ZEB_CONSOLE_PARTNER_SELECTION_H_

#include <optional>
#include <string>
#include <vector>

#include "data/file_locations.h"
#include "text/lines.h"

namespace zeb {

class AppTables;

// The hint line's text when the control under the mouse has none.
inline constexpr const char* kConsoleDefaultHint =
    "ZEB Bot is designed to aid you in locating and analyzing your links on exchange partners' "
    "site.";

struct PartnerItem {
  std::string name;
  bool found = false;  // the partner's FoundShort: the list's found mark
};

// A partner as the console shows it; the names are the controls'.
struct PartnerView {
  std::string HTMLabel2;             // the "Partner" link to the partner's home page
  std::string HTMLabel1;             // the "Start at" link, or why there is none
  std::string Label35;               // the start address: BotStart when set, else the home page
  std::string Label28;               // the start page's hop
  std::string Label33;               // the Find text
  std::optional<Lines> TreeResults;  // the stored result tree, when the partner was analysed
};

// The partner's view, with its stored tree when with_tree; nullopt when the project (or, for
// "Default", any project) has no partner of that name.
std::optional<PartnerView> LookUpPartnerView(AppTables& app, const std::string& project,
                                             const std::string& partner, bool with_tree);

class PartnerSelection {
 public:
  explicit PartnerSelection(FileLocations locations) : locations_(std::move(locations)) {}

  // Every project, in name order.
  std::vector<std::string> LoadProjects() const;
  // The partners of the project in name order ("Default": of every project).
  std::vector<PartnerItem> LoadPartners(const std::string& project) const;
  std::optional<PartnerView> ShowPartner(const std::string& project,
                                         const std::string& partner) const;
  // The AutoRun checks: the messages to show, in order (the project's, then one per listed
  // partner the project lacks). Empty when the run may start.
  std::vector<std::string> AutoRunErrors(const std::string& project,
                                         const std::vector<std::string>& partners) const;

 private:
  FileLocations locations_;
};

// Run Checked and the partner counter while no run is on (UpdateRunButton).
struct RunButtonState {
  bool enabled = false;
  std::string Label24;  // "0/" + number of checked partners
};
RunButtonState UpdateRunButton(const std::string& project, int checked, const std::string& start_at,
                               const std::string& find);

}  // namespace zeb

#endif  // ZEB_CONSOLE_PARTNER_SELECTION_H_
