// zebhost_docs TEMPLATE MANPAGE COMPLETION: writes zebhost's manual page (from the template) and
// its bash completion script, both made from zebhost's command declarations. The build runs it.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "commands.h"
#include "manual.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: zebhost_docs TEMPLATE MANPAGE COMPLETION\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream page_template;
  page_template << in.rdbuf();
  if (!in) {
    std::cerr << "zebhost_docs: cannot read " << argv[1] << '\n';
    return 1;
  }
  try {
    const auto& commands = zebhost::AllCommands();
    std::ofstream(argv[2], std::ios::binary)
        << zebhost::ManualPage(commands, page_template.str(), zebhost::Version());
    std::ofstream(argv[3], std::ios::binary) << zebhost::BashCompletion(commands);
  } catch (const std::exception& e) {
    std::cerr << "zebhost_docs: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
