// Where the library finds the service and keeps its private files.
#ifndef CALLSDK_PATHS_H
#define CALLSDK_PATHS_H

#include <string>

namespace callsdk {

// The cloud's scheme and host ("http://host:port", "https://host"):
// NUVOXA_CLOUD_HOST, else the build default; a bare host is plain http.
std::string cloudBase();
// Certificates trusted besides the system's for https and the TLS voice
// server: NUVOXA_CA_FILE, else the build default; empty for none.
std::string caFile();
// The program's data folder (no trailing slash).
std::string dataFolder();
// <data folder>/temp/callsdk/ with a trailing slash, created with mode 0700.
// Empty when it cannot be created.
std::string privateFolder();
// `file` in the folder the library holding this code was loaded from, where
// the voice library's parts are installed together.
std::string besideThisLibrary(const char *file);

}  // namespace callsdk

#endif
