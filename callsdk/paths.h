// Where the library finds the service and keeps its private files.
#ifndef CALLSDK_PATHS_H
#define CALLSDK_PATHS_H

#include <string>

namespace callsdk {

// The cloud host ("host" or "host:port"): NUVOXA_CLOUD_HOST, else the build default.
std::string cloudHost();
// The program's data folder (no trailing slash).
std::string dataFolder();
// <data folder>/temp/callsdk/ with a trailing slash, created with mode 0700.
// Empty when it cannot be created.
std::string privateFolder();

}

#endif
