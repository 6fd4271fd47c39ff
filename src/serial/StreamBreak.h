#pragma once

namespace qalor {

// The mark a communications control puts into its input where the byte
// stream was broken: a network connection was made afresh, so whatever came
// before is not continued by what follows. Received bytes are read as
// Latin-1 (U+0000 to U+00FF), so this character never comes off a line.
// The line assembly drops an unfinished line at the mark.
inline constexpr char16_t StreamBreak = 0xFFFF;

} // namespace qalor
