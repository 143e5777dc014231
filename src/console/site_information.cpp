#include "console/site_information.h"

#include <algorithm>
#include <optional>

#include "analysis/link_extraction.h"
#include "analysis/page_normalisation.h"
#include "analysis/page_text.h"
#include "data/app_tables.h"
#include "data/list_file.h"
#include "data/schema.h"
#include "data/settings_catalog.h"
#include "data/settings_reader.h"
#include "engine/http_client.h"
#include "engine/network_settings.h"
#include "engine/page_size_guard.h"
#include "text/html_text.h"
#include "text/text_routines.h"

namespace zeb {

GatherOutcome GatherSiteInformation(Session& session, const SettingsStore& store,
                                    const std::string& data_folder, const std::string& project,
                                    int kw_density,
                                    const std::function<void(const std::string&)>& status,
                                    std::vector<std::string>* problems) {
  GatherOutcome out;
  auto set_status = [&](const std::string& text) {
    out.status = text;
    if (status) status(text);
  };
  if (project.empty()) {
    set_status("No project has been selected");
    return out;
  }
  set_status("Working...");
  Lines stop_words = ReadListFile(data_folder + kStopWordsFile).value_or(Lines{});
  for (std::string& word : stop_words) word = LowerCase(word);

  HttpOptions options = LoadNetworkSettings(store, kFixedUserAgent, 0, problems);
  options.user_agent = kFixedUserAgent;
  options.transfer_limit = TransferLimit(kTransferFloor, options.read_timeout, 0, 0);
  options.max_body = kHardPageCap;
  // With the modern web on, your own https and compressed home page is read like a partner's.
  options.modern = SettingsReader(store, kStartupSettingsKey, StartupSettingDefs(), "Setting",
                                  SettingsReader::OutOfRange::kClamp, nullptr)
                       .Switch("ZEBModernWeb");

  AppTables app(session);
  std::string page;
  try {
    std::optional<ProjectRecord> record = app.FindProject(project);
    if (record) {
      if (record->YourHomePage.empty()) {
        out.dialog_html = "<P align=\"center\"><B>Error</B><BR>Project " + HtmlEscaped(project) +
                          " does not contain your Home Page value.<BR>Correct in ZEB:<BR>from "
                          "the main menu click \"Update\" then \"Project...\" and add \"Your "
                          "Home Page\" <BR>and run again.</P>";
        set_status("Add a Home Page to this project.");
        return out;
      }
      page = HttpClient(options).Get(record->YourHomePage).body;
      set_status("Page loaded...");
    }
    page = StripLeadingLineBreaks(page);
    if (page.empty()) throw HttpError("The home page is empty", 0);
    page = TrimToHtmlEnd(page);
  } catch (const std::exception& e) {
    set_status(e.what());
    return out;
  }
  page.erase(std::remove_if(page.begin(), page.end(),
                            [](char c) { return c == '\n' || c == '\r' || c == '\t'; }),
             page.end());
  page = FastAnsiReplace(page, "%2E", ".", kReplaceAll);
  page = FastAnsiReplace(page, "%3A", ":", kReplaceAll);
  page = FastAnsiReplace(page, "%2F", "/", kReplaceAll);
  out.stored = app.SetProjectKeywords(project, ExtractMetaKeywords(page),
                                      AnalyzeKeywordDensity(page, kw_density, StopWords(stop_words)));
  set_status("Done");
  return out;
}

std::string ShowSiteInformation(Session& session, const std::string& project) {
  Lines keywords, density;
  if (std::optional<ProjectRecord> record = AppTables(session).FindProject(project)) {
    keywords = record->YourKWTag;
    density = record->YourKWDensity;
  }
  std::string html = "<P align=\"center\"><B>Search Term information for<BR>" + HtmlEscaped(project) +
                     "</B><BR>(use \"Keyword Analysis...\" for more information.)</P><BR>";
  html += "<LH><B>Keyword Tags</B></LH><P align=\"left\"><UL>";
  for (const std::string& line : keywords) html += "<LI>" + HtmlEscaped(line) + "</LI>";
  html += "</UL></P><BR>";
  html += "<P align=\"left\"><LH><B>Keyword Density</B></B</LH><UL>";
  for (const std::string& line : density) html += "<LI>" + HtmlEscaped(line) + "</LI>";
  html += "</UL></P>";
  return html;
}

GatherOutcome GatherSiteInformation(const SettingsStore& store, const std::string& data_folder,
                                    const std::string& project, int kw_density,
                                    const std::function<void(const std::string&)>& status) {
  Session session = OpenDataFolder(data_folder);
  return GatherSiteInformation(session, store, data_folder, project, kw_density, status, nullptr);
}

std::string ShowSiteInformation(const std::string& data_folder, const std::string& project) {
  Session session = OpenDataFolder(data_folder);
  return ShowSiteInformation(session, project);
}

}  // namespace zeb
