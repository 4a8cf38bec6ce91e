// Texts the cloud host answers: the voice server address the voice library
// accepts, and the login and balance answers the client splits at "|".
#include "fuzzsupport.h"
#include "http.h"

#include <QStringList>

#include <string>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::init(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    std::string host;
    int port = 0;
    bool tls = false;
    if (callsdk::parseServer(text, &host, &port, &tls)) {
        // What the library accepts goes into a SIP address unquoted.
        FUZZ_CHECK(!host.empty() && host.size() <= 253, QString());
        FUZZ_CHECK(host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-")
                       == std::string::npos,
                   QString::fromStdString(host));
        FUZZ_CHECK(port >= 1 && port <= 65535, QString::number(port));
        // TLS only when the answer asks for it, never by a slip of the parser.
        FUZZ_CHECK(!tls || QString::fromStdString(text).trimmed().endsWith(";transport=tls", Qt::CaseInsensitive),
                   QString::fromStdString(text));
    }
    return 0;
}
