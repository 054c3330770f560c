#pragma once

namespace watcher {

// The designed inner size of a page frame of the Watcher window, in twips;
// pages place their controls within it.
inline constexpr double kPageWidthTwips = 8280;
inline constexpr double kPageHeightTwips = 4715;

} // namespace watcher
