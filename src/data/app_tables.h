// The host's tables as the library uses them: projects (ZEBProjects), partners (LA), the check
// history (LAHist) and the analysis results (ZEBAnalyze).
//
// Project selection: most listings and lookups take a ProjectScope. With kAllForDefault the
// project named "Default" stands for every project (no filter); with kExact "Default" is a
// project like any other. Names are compared exactly as they stand, and always reach SQLite as
// bound values, so names holding quotes or SQL work like any other.
//
// Errors: DatabaseError from the session; a duplicate name throws DatabaseError with
// IsConstraint() true. Every writer (AddProject, AddPartner, SavePartner, SaveHistory,
// SaveAnalysis) first throws std::invalid_argument, naming the field, when a name, address or
// text breaks its bounds as stored (data/field_limits.h: too many bytes, or a NUL byte). Thread safety: as the Session the object is made with.
#ifndef ZEB_DATA_APP_TABLES_H_
#define ZEB_DATA_APP_TABLES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/sqlite_session.h"
#include "text/date_time.h"
#include "text/lines.h"

namespace zeb {

inline constexpr const char* kDefaultProject = "Default";

// The tables besides LA that hold records of a partner by its project and name: the host's
// history and analysis, and the library's own checks and verdicts. A renamed partner takes them
// along, a removed one takes them with it; a table that does not exist yet is skipped.
inline constexpr const char* kPartnerRecordTables[] = {"LAHist", "ZEBAnalyze", "ZEBCheckHistory",
                                                       "ZEBLinkVerdict"};

enum class ProjectScope {
  kAllForDefault,  // "Default" selects the records of every project
  kExact,          // the project's own records only, "Default" included
};

struct ProjectRecord {
  std::string Name;
  std::string YourHomePage;
  Lines YourKWTag;
  Lines YourKWDensity;
};

struct PartnerRecord {
  std::int64_t id = 0;  // row key; 0 for a record not stored yet
  std::string Project;
  std::string SiteName;
  std::string ContactWebSite;
  std::string BotStart;
  int BotBaseHop = 0;
  std::string ShortCheck;
  Lines LongCheck;
  std::string URL;
  bool FoundShort = false;
  bool FoundLong = false;
};

struct HistoryRecord {
  std::int64_t id = 0;
  std::string SiteName;
  DateTime xDate{};
  bool RFound = false;
  bool PFound = false;
  bool Bad = false;
  std::string Project;
};

struct AnalysisRecord {
  std::int64_t id = 0;
  std::string SiteName;
  std::string Project;
  DateTime xDate{};
  Lines HopSequence;
  int Hops = 0;
  std::string BaseURL;
  std::string ShortCheck;
  Lines Base_TitleTag, Base_DescTag, Base_KWTag, Base_KWDensity;
  Lines Back_TitleTag, Back_DescTag, Back_KWTag, Back_KWDensity;
  Lines AllLinks, InternalLinks, ExternalLinks;
  int AllLinkPosition = 0, AllLinksTotal = 0, AllLinkStack = 0;
  int ExternalLinkPosition = 0, ExternalLinksTotal = 0, ExternalLinkStack = 0;
  int WordPosTags = 0, WordTotalTags = 0, WordTotalTagsDiff = 0;
  int WordPosNoTags = 0, WordTotalNoTags = 0, WordTotalNoTagsDiff = 0;
  Lines TreeResults;
};

// Sort fields of the analysis view's query.
enum class AnalysisOrder {
  kSiteName,
  kHops,
  kWordPosTags,
  kWordPosNoTags,
  kWordTotalTags,
  kWordTotalNoTags,
  kAllLinksTotal,
  kAllLinkPosition,
  kExternalLinksTotal,
  kExternalLinkPosition,
};

class AppTables {
 public:
  explicit AppTables(Session& session) : session_(session) {}

  // Projects, in name order.
  std::vector<std::string> ProjectNames();
  std::optional<ProjectRecord> FindProject(const std::string& name);
  // Adds a project; throws DatabaseError (IsConstraint) when the name is taken.
  void AddProject(const ProjectRecord& project);
  // Removes the project with its partners and their records (kPartnerRecordTables). False when
  // absent.
  bool RemoveProject(const std::string& name);
  // Stores the keywords and density of the user's home page. False when the project is absent.
  bool SetProjectKeywords(const std::string& name, const Lines& kw_tag, const Lines& kw_density);

  // The partners of a project in name order (with kAllForDefault and "Default": of all projects).
  std::vector<PartnerRecord> Partners(const std::string& project, ProjectScope scope);
  // The partner SiteName within the project; with kAllForDefault and "Default" the first partner
  // of that name in any project.
  std::optional<PartnerRecord> FindPartner(const std::string& project, const std::string& site,
                                           ProjectScope scope);
  // Adds a partner; throws DatabaseError (IsConstraint) when the project already has one of that
  // name. Returns the new record's id.
  std::int64_t AddPartner(const PartnerRecord& partner);
  // Writes every field of a stored partner (by id). False when the record is gone.
  bool SavePartner(const PartnerRecord& partner);
  // Removes the partner with its records (kPartnerRecordTables); false when there was none.
  bool RemovePartner(const std::string& project, const std::string& site);

  // The history record of a partner for the day that holds `day`, if there is one.
  std::optional<HistoryRecord> FindHistory(const std::string& project, const std::string& site,
                                           DateTime day);
  // Stores a history record: updates it when it has an id, appends it otherwise. xDate is stored
  // as the day alone (midnight). Returns the id.
  std::int64_t SaveHistory(const HistoryRecord& record);
  // The partner's history, oldest first.
  std::vector<HistoryRecord> History(const std::string& project, const std::string& site);

  // The analysis record of a partner (scope as for FindPartner).
  std::optional<AnalysisRecord> FindAnalysis(const std::string& project, const std::string& site,
                                             ProjectScope scope);
  // Stores an analysis record: updates it when it has an id, appends it otherwise. Returns the id.
  std::int64_t SaveAnalysis(const AnalysisRecord& record);

  // The analysis view's result set: the records of the project, optionally only those where one
  // of Hops, AllLinkPosition, WordPosTags, WordPosNoTags is greater than 0, ascending by `order`.
  std::vector<AnalysisRecord> QueryAnalysis(const std::string& project, bool only_with_values,
                                            AnalysisOrder order);

 private:
  Session& session_;
};

// The sort field's column name.
const char* AnalysisOrderField(AnalysisOrder order);

}  // namespace zeb

#endif  // ZEB_DATA_APP_TABLES_H_
