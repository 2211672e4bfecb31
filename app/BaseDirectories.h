#pragma once

namespace velmora {

/// Forgets a relative XDG_DATA_HOME, XDG_CONFIG_HOME or XDG_CACHE_HOME, as the base directory
/// rules say (such a value is invalid and is ignored): Qt would take it as relative to the current
/// folder, and the working set would land wherever the program happened to be started. Called
/// once at start-up, before any of those folders is asked for.
void ignoreRelativeBaseDirectories();

} // namespace velmora
