// The help pages shipped with the program, one per topic, shown in a help window of their own.
// GUI thread only.
#ifndef ZEB_VIEWS_HELP_H_
#define ZEB_VIEWS_HELP_H_

class QString;
class QWidget;

namespace zeb {

// The help topics; each number names its page, help/<number>.html.
enum class HelpTopic : int {
  kConsole = 880,
  kAnalysisView = 885,
  kKeywordComparison = 890,
};

// Opens the help window on the topic (non-modal; one window, brought to the front again).
// Returns false when the program has no page for the topic.
bool ShowHelpTopic(HelpTopic topic, QWidget* parent);
// Opens the help window on an HTML page of the program's resources (a host's own page, e.g.
// ":/zebhost/help/host.html"). Returns false when there is no such page.
bool ShowHelpPage(const QString& resource, QWidget* parent);

}  // namespace zeb

#endif  // ZEB_VIEWS_HELP_H_
