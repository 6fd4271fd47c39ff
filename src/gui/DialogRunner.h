#pragma once

#include <functional>

class QDialog;

namespace qalor {

// Every modal dialog of the workstation is run through here. The program runs
// them with exec(); tests install a runner that fills the controls and
// presses a button instead of waiting for a person.
namespace DialogRunner {
using Runner = std::function<int(QDialog&)>;
void install(Runner runner); // an empty runner restores exec()
int run(QDialog& dialog);
} // namespace DialogRunner

} // namespace qalor
