// The loopback certificate authority under the tests' names (see loopback_pki.h).
#ifndef ZEB_TESTS_SUPPORT_TEST_CERTIFICATES_H_
#define ZEB_TESTS_SUPPORT_TEST_CERTIFICATES_H_

#include <filesystem>
#include <string>
#include <vector>

#include "loopback_pki.h"
#include "support/loopback_site.h"

namespace zeb::testing {

using TestPki = LoopbackPki;

inline TestPki MakeTestPki(const std::filesystem::path& folder,
                           const std::vector<std::string>& names) {
  return MakeLoopbackPki(folder, names);
}

}  // namespace zeb::testing

#endif  // ZEB_TESTS_SUPPORT_TEST_CERTIFICATES_H_
