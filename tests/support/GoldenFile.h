#pragma once

#include <QString>

namespace qalor::test {

// Compares a text with a golden file, whole. With QALOR_UPDATE_GOLDEN=1 in
// the environment the file is written instead (review the change in the
// diff). On a difference, *why names the first line that differs.
bool matchesGolden(const QString& fileName, const QString& actual, QString* why);

} // namespace qalor::test
