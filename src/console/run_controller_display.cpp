// What the console shows of a run: the partner on display, the result tree's selection and
// its two edits, and what the engine events change on the display. All of it runs on the
// owner thread.
#include <algorithm>

#include "console/run_controller.h"
#include "data/app_tables.h"
#include "data/schema.h"

namespace zeb {

// The run moves to a partner: the list follows, and the labels the run reads back are filled.
// A partner that has gone from the table leaves them empty, so the run cannot crawl the last
// partner's site under this one's name.
void RunController::ShowPartner(const std::string& partner) {
  partner_ = partner;
  display_.selected_partner = partner;
  ++display_.selection_serial;
  AppTables app(*session_);
  if (std::optional<PartnerView> view = LookUpPartnerView(app, project_, partner, /*with_tree=*/false)) {
    ShowPartnerView(*view);
  } else {
    display_.Label35.clear();
    display_.Label33.clear();
    display_.HTMLabel1.clear();
    display_.HTMLabel2.clear();
  }
  Changed();
}

void RunController::ShowPartnerView(const PartnerView& view) {
  display_.HTMLabel2 = view.HTMLabel2;
  display_.HTMLabel1 = view.HTMLabel1;
  display_.Label35 = view.Label35;
  display_.Label28 = view.Label28;
  display_.Label33 = view.Label33;
}

void RunController::ShowSelectedPartner(const std::string& project, const std::string& partner) {
  if (running_) return;
  project_ = project;
  std::optional<PartnerView> view = PartnerSelection(locations_).ShowPartner(project, partner);
  if (!view) return;
  ShowPartnerView(*view);
  if (!display_.lock_tree) {
    display_.HTMLTreeview1 = view->TreeResults ? TreeFromLines(*view->TreeResults)
                                               : std::vector<TreeNode>{};
    ++display_.tree_serial;
    display_.tree_selection.Clear();
  }
  Changed();
}

void RunController::ClearPartnerLabels() {
  if (running_) return;
  display_.Label35.clear();
  display_.Label33.clear();
  Changed();
}

void RunController::SetLockTree(bool on) {
  display_.lock_tree = on;
  Changed();
}

void RunController::SelectProject(const std::string& project) {
  if (running_) return;
  project_ = project;
  display_.HTMLTreeview1.clear();
  ++display_.tree_serial;
  display_.tree_selection.Clear();
  Changed();
}

void RunController::UseSettings(const BotSettings& settings) {
  if (!running_) settings_ = settings;
}

void RunController::HTMLTreeview1MouseUp(const std::vector<std::size_t>& path) {
  display_.tree_selection.Select(display_.HTMLTreeview1, path);
  Changed();
}

bool RunController::EditFromTree(TreeSelection::Edit edit) {
  // Outside a run the console has no session open: the edit opens its own.
  std::unique_ptr<Session> own;
  Session* session = session_.get();
  if (session == nullptr && display_.tree_selection.enabled(edit)) {
    own = std::make_unique<Session>(OpenDataFolder(locations_.DataFolder));
    session = own.get();
  }
  std::optional<std::string> partner;
  if (session != nullptr) {
    AppTables app(*session);
    partner = display_.tree_selection.Apply(edit, display_.HTMLTreeview1, app, project_);
  }
  if (partner) {
    display_.selected_partner = *partner;
    ++display_.selection_serial;
  }
  Changed();
  return partner.has_value();
}

bool RunController::HTMLButton5Click() { return EditFromTree(TreeSelection::Edit::kBacklink); }
bool RunController::HTMLButton14Click() { return EditFromTree(TreeSelection::Edit::kStartBase); }

void RunController::EngineEvent(const EngineEventArgs& event) {
  switch (event.code) {
    case EventCode::kProgress:
      ShowProgress(event);
      break;
    case EventCode::kStringFound:
      Memo("String Found:", MessageRole::kRoutine);
      Memo(event.text, MessageRole::kRoutine);
      FoundURL = event.text;
      find_reported_ = true;
      MaxHopsReached = TimeExpired = MaxRecordsReached = false;
      break;
    case EventCode::kStop:
      ShowLimit(event);
      break;
    default:
      break;
  }
  if (observer_) observer_->OnEvent(event);
  Changed();
}

void RunController::ShowProgress(const EngineEventArgs& event) {
  namespace key = event_key;
  const auto slot = event.number1;
  const bool slot_ok = slot >= 0 && slot < kMaxConnections;
  if (event.key == key::kTotal && slot_ok) {
    ReadTotal[slot] = event.number2;
  } else if (event.key == key::kRead && slot_ok) {
    if (event.number2 != 0 && ReadTotal[slot] != 0) {
      display_.bars[slot] =
          static_cast<int>(std::min<std::int64_t>(100, event.number2 * 50 / ReadTotal[slot]));
    }
  } else if (event.key == key::kStringTotal && slot_ok) {
    StringTotal[slot] = event.number2;
  } else if (event.key == key::kStringLeft && slot_ok) {
    // The second half of the bar follows the page text still to scan.
    if (StringTotal[slot] > 0 && event.number2 >= 0) {
      std::int64_t done = std::max<std::int64_t>(0, StringTotal[slot] - event.number2);
      display_.bars[slot] =
          static_cast<int>(std::min<std::int64_t>(100, 50 + done * 50 / StringTotal[slot]));
    }
  } else if (event.key == key::kNewNode) {
    display_.Label28 = std::to_string(event.number2);
  } else if (event.key == key::kNewLink) {
    display_.Label16 = std::to_string(++display_.links_found);
  }
}

// A limit is shown once however often threads report it. A limit met after a find does not
// undo the find: the partner was updated and reported as found already.
void RunController::ShowLimit(const EngineEventArgs& event) {
  namespace key = event_key;
  if (event.key == key::kTimeExpired) {
    if (event.key != LastLimitMessage && !TimeExpired) {
      if (!find_reported_) FoundURL.clear();
      LastLimitMessage = event.key;
      Memo("Time expired");
      TimeExpired = true;
    }
  } else if (event.key == key::kMaxRecordsReached) {
    if (event.key != LastLimitMessage && !MaxRecordsReached) {
      if (!find_reported_) FoundURL.clear();
      LastLimitMessage = event.key;
      Memo("Maximum links reached");
      Memo("  No new links will be added");
      MaxRecordsReached = true;
    }
  } else if (event.key == key::kMaxNodesReached) {
    if (event.key != LastLimitMessage) {
      LastLimitMessage = event.key;
      if (!MaxHopsReached) {
        if (!find_reported_) FoundURL.clear();
        Memo("Max hops reached: " + std::to_string(event.number1));
        Memo("Please wait for current node to complete...");
        MaxHopsReached = true;
      }
    }
  }
}

}  // namespace zeb
