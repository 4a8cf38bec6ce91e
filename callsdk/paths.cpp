#include "paths.h"

#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef CALLSDK_DEFAULT_CLOUD_HOST
#define CALLSDK_DEFAULT_CLOUD_HOST "127.0.0.1:18080"
#endif
#ifndef CALLSDK_DEFAULT_CA_FILE
#define CALLSDK_DEFAULT_CA_FILE ""
#endif

namespace callsdk {
namespace {

std::string envText(const char *name)
{
    const char *v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string executableFolder()
{
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return std::string();
    std::string path(buf, size_t(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

bool makeFolder(const std::string &path, mode_t mode)
{
    if (mkdir(path.c_str(), mode) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool makeFolders(const std::string &path, mode_t mode)
{
    for (size_t pos = 1; pos < path.size(); ++pos) {
        if (path[pos] == '/' && !makeFolder(path.substr(0, pos), 0755))
            return false;
    }
    return makeFolder(path, mode);
}

}  // namespace

std::string cloudBase()
{
    std::string host = envText("NUVOXA_CLOUD_HOST");
    if (host.empty())
        host = CALLSDK_DEFAULT_CLOUD_HOST;
    static const std::string https = "https://";
    bool secure =
        host.size() >= https.size() && strncasecmp(host.c_str(), https.c_str(), https.size()) == 0;
    std::string base = secure ? https + host.substr(https.size()) : "http://" + host;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base;
}

std::string caFile()
{
    std::string file = envText("NUVOXA_CA_FILE");
    return file.empty() ? std::string(CALLSDK_DEFAULT_CA_FILE) : file;
}

std::string dataFolder()
{
    std::string dir = envText("NUVOXA_DATA_DIR");
    if (!dir.empty())
        return dir;
    std::string exe = executableFolder();
    if (!exe.empty() && access((exe + "/portable").c_str(), F_OK) == 0)
        return exe;
    std::string xdg = envText("XDG_DATA_HOME");
    if (xdg.empty() || xdg[0] != '/') {
        std::string home = envText("HOME");
        if (home.empty())
            home = "/tmp";
        xdg = home + "/.local/share";
    }
    return xdg + "/nuvoxa";
}

std::string privateFolder()
{
    std::string base = dataFolder();
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    std::string temp = base + "/temp";
    std::string dir = temp + "/callsdk";
    if (!makeFolders(temp, 0755) || !makeFolder(dir, 0700))
        return std::string();
    chmod(dir.c_str(), 0700);
    return dir + "/";
}

std::string besideThisLibrary(const char *file)
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&besideThisLibrary), &info) && info.dli_fname) {
        std::string self = info.dli_fname;
        size_t slash = self.rfind('/');
        if (slash != std::string::npos)
            return self.substr(0, slash + 1) + file;
    }
    return file;
}

}  // namespace callsdk
