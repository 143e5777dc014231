// The help pages shipped with the program, one per topic (880 the console, 885 the analysis
// view, 890 the keyword comparison), shown in a help window of their own.
#ifndef ZEB_VIEWS_HELP_H_
#define ZEB_VIEWS_HELP_H_

class QWidget;

namespace zeb {

// Opens the help window on the topic (non-modal; one window, brought to the front again).
// Returns false when the program has no page for the topic.
bool ShowHelpTopic(int topic, QWidget* parent);

}  // namespace zeb

#endif  // ZEB_VIEWS_HELP_H_
