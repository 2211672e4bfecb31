#pragma once

// The two addresses built into the program. The program reads no configuration of its own at
// run time; each executable is linked with the definitions it is built for (app/CMakeLists.txt):
// `velmora` with VELMORA_SITE_BASE and VELMORA_VERSION_URL, the end-to-end tests' copy with a
// port of the tests' own.
namespace velmora::config {
extern const char siteBase[];
extern const char versionUrl[];
} // namespace velmora::config
