// The vyrpack command line: parsing and running one command. Kept apart from main() so that the
// tests run every command in-process.
#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace vyrformat {

// Runs "vyrpack ARGS..." (args without the program name); returns the process exit code.
// Output goes to out, the one-line error or the progress to err. Never throws.
int RunVyrpack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vyrformat
