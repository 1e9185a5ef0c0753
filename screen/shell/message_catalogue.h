#pragma once

#include <string>
#include <vector>

namespace gsf::screen {

/// The 42 entries of the screen's message table `msgPadrao`, each "key|text".
const std::vector<std::string>& msgPadraoEntries();

} // namespace gsf::screen
