// nuvoxa-service: the local telephone service (HTTP side) and its operator
// commands.
#include "advert.h"
#include "codec.h"
#include "server.h"
#include "signing.h"
#include "store.h"
#include "tlsfiles.h"

#include <httplib.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace nuvoxa;

namespace {

enum Exit { kOk = 0, kFailed = 1, kUsage = 2, kExists = 3 };

const char kUsageText[] =
    "usage: nuvoxa-service --db DATABASE [--files DIR] COMMAND [ARGS]\n"
    "\n"
    "DATABASE is an SQLite file or a postgresql:// URL. The TLS certificates and the update\n"
    "signing key live in DIR, by default the SQLite file's folder (PostgreSQL needs --files).\n"
    "\n"
    "commands:\n"
    "  init [--realm HOST]          create the database and the TLS certificates (realm: the SIP\n"
    "                               domain, default 127.0.0.1)\n"
    "  serve [--port N] [--sip ADDRESS] [--https] [--demo-payments] [--trusted-proxy ADDR]...\n"
    "                               serve the cloud paths and web pages on 127.0.0.1:N\n"
    "  add-account ACCOUNT PASSWORD [--phone P] [--balance B]\n"
    "                               create an account (and its SIP subscriber); exit 3 if it "
    "exists\n"
    "  keygen                       create the update signing key (once) and print its public key\n"
    "  set-update VERSION FILE...   publish a signed update manifest with these files\n"
    "  set-advert FILE              replace the advertisement image (hd.gif)\n"
    "  callbacks [--account A] [--limit N]\n"
    "                               list recorded callback requests, newest first\n"
    "  outbox [--limit N]           list the texts sent to phones (binding codes), newest first\n"
    "  set-rate PREFIX PRICE        price calls to numbers starting with PREFIX (PRICE a minute)\n"
    "  rates                        list the rates by prefix\n"
    "  charges [--account A] [--limit N]\n"
    "                               list what answered calls cost, newest first\n"
    "  free-ports COUNT [--span K]  print COUNT free loopback ports (each the first of K free "
    "ones);\n"
    "                               needs no --db\n"
    "\n"
    "COMMAND --help describes one command.\n";

const char *commandHelp(const std::string &cmd)
{
    if (cmd == "init")
        return "usage: nuvoxa-service --db FILE init [--realm HOST]\n"
               "Creates the database and its tables when missing, with the default update manifest "
               "and\n"
               "advertisement. The realm (SIP domain, default 127.0.0.1) is fixed when the file is "
               "created.\n"
               "Next to the database, tls/ holds the service's own certificate authority (ca.pem, "
               "which\n"
               "clients trust through NUVOXA_CA_FILE; ca.key, owner-only) and a server certificate "
               "for\n"
               "localhost, 127.0.0.1 and ::1 (server.pem, server.key) that it issues anew when "
               "missing or\n"
               "within 30 days of expiry. Existing keys are never replaced.\n";
    if (cmd == "serve")
        return "usage: nuvoxa-service --db FILE serve [--port N] [--sip ADDRESS] [--https] "
               "[--demo-payments]\n"
               "                                     [--trusted-proxy ADDR]...\n"
               "Serves HTTP on 127.0.0.1:N (default 18080) until SIGINT or SIGTERM; with --https, "
               "HTTPS\n"
               "with the server certificate of init. server.aspx answers the --sip address: "
               "HOST:PORT\n"
               "(SIP over UDP) or HOST:PORT;transport=tls (default 127.0.0.1:5060).\n"
               "--demo-payments opens the top-up page, which then credits any amount without "
               "payment;\n"
               "without it the page says that top-up is not available.\n"
               "--trusted-proxy ADDR (repeatable) names a load balancer in front: for requests "
               "from ADDR the\n"
               "per-address limits count the last address of X-Forwarded-For, which it adds. From "
               "any other\n"
               "peer the header is ignored.\n";
    if (cmd == "add-account")
        return "usage: nuvoxa-service --db FILE add-account ACCOUNT PASSWORD [--phone P] "
               "[--balance B]\n"
               "ACCOUNT: 1-32 of A-Z a-z 0-9 . _ -; PASSWORD: 1-64 bytes of UTF-8 without control "
               "characters;\n"
               "P: optional \"+\" and 3-20 digits; B: amount with up to two decimals (default 0).\n"
               "Exit status 3 when the account exists.\n";
    if (cmd == "keygen")
        return "usage: nuvoxa-service --db FILE keygen\n"
               "Creates the update signing key next to the database (update-signing.key, "
               "owner-only) unless\n"
               "it exists, and prints its public key: minisign's key line, the clients' "
               "NUVOXA_UPDATE_PUBKEY.\n";
    if (cmd == "set-update")
        return "usage: nuvoxa-service --db FILE set-update VERSION FILE...\n"
               "Stores the files (by base name) and publishes a manifest of VERSION listing them "
               "with their\n"
               "SHA-256 and size, signed with the key of keygen, in place of the previous "
               "update.\n";
    if (cmd == "set-advert")
        return "usage: nuvoxa-service --db FILE set-advert FILE\nServes FILE as "
               "/cloud/pc/app/hd.gif.\n";
    if (cmd == "callbacks")
        return "usage: nuvoxa-service --db FILE callbacks [--account A] [--limit N]\n"
               "Prints one request a line: id, time (UTC), account, callee, caller, separated by "
               "tabs.\n";
    if (cmd == "outbox")
        return "usage: nuvoxa-service --db FILE outbox [--limit N]\n"
               "Prints one text a line: id, time (UTC), phone, text, separated by tabs. The "
               "service has no\n"
               "SMS gateway: this is where an operator reads the codes that bind phones.\n";
    if (cmd == "set-rate")
        return "usage: nuvoxa-service --db FILE set-rate PREFIX PRICE\n"
               "Calls through the gateways to numbers starting with PREFIX (1-20 digits, or \"*\" "
               "for every\n"
               "number) cost PRICE (up to two decimals, 0 for free) per started minute of answered "
               "time.\n"
               "The longest prefix that starts the dialled number applies; a leading \"+\" counts "
               "as \"00\".\n"
               "A call is refused when the balance does not pay its first minute, and cut when the "
               "balance\n"
               "runs out. A new rate applies to calls that start after it.\n";
    if (cmd == "rates")
        return "usage: nuvoxa-service --db FILE rates\n"
               "Prints one rate a line: prefix (\"*\" for every number) and price a minute, "
               "separated by a tab.\n";
    if (cmd == "charges")
        return "usage: nuvoxa-service --db FILE charges [--account A] [--limit N]\n"
               "Prints one answered call a line: call record id, time (UTC), account, number, "
               "answered\n"
               "seconds and price, separated by tabs.\n";
    if (cmd == "free-ports")
        return "usage: nuvoxa-service free-ports COUNT [--span K]\n"
               "Prints COUNT distinct ports, one a line, each starting a run of K (default 1) "
               "ports free\n"
               "for both TCP and UDP on 127.0.0.1 at the time of the call.\n";
    return nullptr;
}

int usageError(const std::string &message)
{
    std::cerr << "nuvoxa-service: " << message << "\n(see nuvoxa-service --help)\n";
    return kUsage;
}

bool parseInt(const std::string &s, long min, long max, long *out)
{
    if (s.empty() || s.size() > 9)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    long v = std::strtol(s.c_str(), nullptr, 10);
    if (v < min || v > max)
        return false;
    *out = v;
    return true;
}

bool readFile(const std::string &path, std::string *data)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    *data = ss.str();
    return !in.bad();
}

std::string baseName(const std::string &path)
{
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string signingKeyPath(const std::string &folder)
{
    return folder + "/update-signing.key";
}

bool readSigningKey(const std::string &folder, signing::KeyPair *key)
{
    std::string text;
    return readFile(signingKeyPath(folder), &text) && signing::parseSecretKey(text, key);
}

// Splits ARGS into positionals and "--name value" options; a known option
// without its value is an error.
struct Args
{
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    std::string error;
    const std::string *get(const std::string &name) const
    {
        for (auto it = options.rbegin(); it != options.rend(); ++it)
            if (it->first == name)
                return &it->second;
        return nullptr;
    }
};

Args parseArgs(const std::vector<std::string> &argv, const std::vector<std::string> &known,
    const std::vector<std::string> &flags = {})
{
    Args a;
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string &s = argv[i];
        bool isFlag = false;
        for (const auto &f : flags)
            isFlag = isFlag || f == s;
        if (isFlag) {
            a.options.emplace_back(s, "");
        } else if (s.size() > 2 && s.compare(0, 2, "--") == 0) {
            bool isKnown = false;
            for (const auto &k : known)
                isKnown = isKnown || k == s;
            if (!isKnown) {
                a.error = "unknown option " + s;
                return a;
            }
            if (i + 1 >= argv.size()) {
                a.error = "option " + s + " needs a value";
                return a;
            }
            a.options.emplace_back(s, argv[++i]);
        } else {
            a.positional.push_back(s);
        }
    }
    return a;
}

bool openStore(Store &store, const std::string &db, const std::string &realm)
{
    std::string error;
    if (!store.open(db, realm, &error)) {
        std::cerr << "nuvoxa-service: cannot open database " << Db::describe(db) << ": " << error
                  << "\n";
        return false;
    }
    if (!store.advert() && !store.setAdvert(defaultAdvertGif())) {
        std::cerr << "nuvoxa-service: cannot write to database " << Db::describe(db) << "\n";
        return false;
    }
    return true;
}

int cmdInit(const std::string &db, const std::string &folder, const Args &a)
{
    if (!a.positional.empty())
        return usageError("init takes no arguments");
    std::string realm = a.get("--realm") ? *a.get("--realm") : "127.0.0.1";
    if (realm.empty() || realm.find_first_of(" \t\r\n:;\"") != std::string::npos)
        return usageError("bad realm: " + realm);
    Store store;
    if (!openStore(store, db, realm))
        return kFailed;
    if (store.realm() != realm)
        std::cerr << "nuvoxa-service: note: the database keeps its realm " << store.realm() << "\n";
    std::string error;
    if (!tls::ensure(tls::filesFor(folder), &error)) {
        std::cerr << "nuvoxa-service: " << error << "\n";
        return kFailed;
    }
    return kOk;
}

int cmdServe(const std::string &db, const std::string &folder, const Args &a)
{
    if (!a.positional.empty())
        return usageError("serve takes no arguments");
    long port = 18080;
    if (a.get("--port") && !parseInt(*a.get("--port"), 1, 65535, &port))
        return usageError("bad port: " + *a.get("--port"));
    ServiceConfig config;
    config.demoPayments = a.get("--demo-payments") != nullptr;
    if (a.get("--sip")) {
        const std::string &sip = *a.get("--sip");
        static const std::string kTls = ";transport=tls";
        const bool tls = sip.size() > kTls.size()
            && sip.compare(sip.size() - kTls.size(), kTls.size(), kTls) == 0;
        const std::string hostPort = tls ? sip.substr(0, sip.size() - kTls.size()) : sip;
        auto colon = hostPort.rfind(':');
        long sipPort = 0;
        if (colon == std::string::npos || colon == 0
            || !parseInt(hostPort.substr(colon + 1), 1, 65535, &sipPort)
            || hostPort.find_first_of(" \t\r\n|;") != std::string::npos)
            return usageError("bad SIP address (HOST:PORT or HOST:PORT;transport=tls): " + sip);
        config.sipAddress = sip;
    }
    for (const auto &option : a.options) {
        if (option.first != "--trusted-proxy")
            continue;
        const std::string address = canonicalAddress(option.second);
        if (address.empty())
            return usageError("bad proxy address (IPv4 or IPv6): " + option.second);
        config.trustedProxies.push_back(address);
    }

    // Signals are taken by one thread that stops the server; every other
    // thread inherits the blocked mask.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);

    Store store;
    if (!openStore(store, db, "127.0.0.1"))
        return kFailed;
    const bool https = a.get("--https") != nullptr;
    std::unique_ptr<httplib::Server> served;
    if (https) {
        const tls::Files files = tls::filesFor(folder);
        auto secure =
            std::make_unique<httplib::SSLServer>(files.serverCert.c_str(), files.serverKey.c_str());
        if (!secure->is_valid()) {
            std::cerr << "nuvoxa-service: no usable certificate in " << files.folder
                      << " (run init first)\n";
            return kFailed;
        }
        served = std::move(secure);
    } else {
        served = std::make_unique<httplib::Server>();
    }
    httplib::Server &server = *served;
    installRoutes(server, store, config);
    if (!server.bind_to_port("127.0.0.1", static_cast<int>(port))) {
        std::cerr << "nuvoxa-service: cannot listen on 127.0.0.1:" << port << "\n";
        return kFailed;
    }
    std::thread([&server, set] {
        int sig = 0;
        sigwait(&set, &sig);
        server.stop();
    }).detach();
    std::printf("nuvoxa-service listening on %s://127.0.0.1:%ld (voice server %s, database %s)\n",
        https ? "https" : "http", port, config.sipAddress.c_str(), Db::describe(db).c_str());
    std::fflush(stdout);
    server.listen_after_bind();
    return kOk;
}

int cmdAddAccount(const std::string &db, const Args &a)
{
    if (a.positional.size() != 2)
        return usageError("add-account needs ACCOUNT and PASSWORD");
    const std::string &account = a.positional[0];
    const std::string &password = a.positional[1];
    if (!isValidAccount(account))
        return usageError("bad account (1-32 of A-Z a-z 0-9 . _ -): " + account);
    if (!isValidPassword(password))
        return usageError("bad password (1-64 bytes, no control characters)");
    std::string phone = a.get("--phone") ? *a.get("--phone") : "";
    if (!phone.empty() && !isValidPhone(phone))
        return usageError("bad phone number: " + phone);
    int64_t balance = 0;
    if (a.get("--balance")) {
        auto cents = parseMoney(*a.get("--balance"), 100000000000LL);
        if (!cents)
            return usageError("bad balance: " + *a.get("--balance"));
        balance = *cents;
    }
    Store store;
    if (!openStore(store, db, "127.0.0.1"))
        return kFailed;
    switch (store.addAccount(account, password, phone, balance)) {
    case Store::AddResult::Added:
        return kOk;
    case Store::AddResult::Exists:
        std::cerr << "nuvoxa-service: account " << account << " exists\n";
        return kExists;
    case Store::AddResult::Failed:
        break;
    }
    std::cerr << "nuvoxa-service: cannot add account " << account << "\n";
    return kFailed;
}

int cmdKeygen(const std::string &folder, const Args &a)
{
    if (!a.positional.empty())
        return usageError("keygen takes no arguments");
    const std::string path = signingKeyPath(folder);
    signing::KeyPair key;
    if (!readSigningKey(folder, &key)) {
        key = signing::generate();
        const std::string text = signing::secretKeyText(key);
        // Never over an existing file: a key that does not read is the
        // operator's to look at, not ours to replace.
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())
            || ::fsync(fd) != 0) {
            if (fd >= 0)
                ::close(fd);
            std::cerr << "nuvoxa-service: cannot write the signing key " << path << ": "
                      << std::strerror(errno) << "\n";
            return kFailed;
        }
        ::close(fd);
    }
    std::cout << signing::publicKeyLine(key) << "\n";
    return kOk;
}

int cmdSetUpdate(const std::string &db, const std::string &folder, const Args &a)
{
    if (a.positional.size() < 2)
        return usageError("set-update needs VERSION and at least one FILE");
    signing::KeyPair key;
    if (!readSigningKey(folder, &key)) {
        std::cerr << "nuvoxa-service: no signing key at " << signingKeyPath(folder)
                  << " (run keygen first)\n";
        return kFailed;
    }
    const std::string &version = a.positional[0];
    if (version.find_first_of("\r\n") != std::string::npos)
        return usageError("bad version");
    std::vector<Store::File> files;
    for (size_t i = 1; i < a.positional.size(); ++i) {
        Store::File f{baseName(a.positional[i]), {}};
        if (f.name.empty() || f.name == "." || f.name == ".." || f.name == "hd.gif")
            return usageError("bad file name: " + a.positional[i]);
        if (!readFile(a.positional[i], &f.data)) {
            std::cerr << "nuvoxa-service: cannot read " << a.positional[i] << "\n";
            return kFailed;
        }
        for (const auto &g : files)
            if (g.name == f.name)
                return usageError("two files named " + f.name);
        files.push_back(std::move(f));
    }
    Store store;
    if (!openStore(store, db, "127.0.0.1"))
        return kFailed;
    if (!store.setUpdate(version, files, &key)) {
        std::cerr << "nuvoxa-service: cannot store the update\n";
        return kFailed;
    }
    return kOk;
}

int cmdSetAdvert(const std::string &db, const Args &a)
{
    if (a.positional.size() != 1)
        return usageError("set-advert needs one FILE");
    std::string data;
    if (!readFile(a.positional[0], &data)) {
        std::cerr << "nuvoxa-service: cannot read " << a.positional[0] << "\n";
        return kFailed;
    }
    Store store;
    if (!openStore(store, db, "127.0.0.1") || !store.setAdvert(data))
        return kFailed;
    return kOk;
}

// The options of the listing commands: no positional arguments, --limit N
// (100 unless given) and, where the listing has one, --account A.
struct Listing
{
    long limit = 100;
    std::string account;
};

std::optional<int> parseListing(const char *command, const Args &a, Listing *l)
{
    if (!a.positional.empty())
        return usageError(std::string(command) + " takes no arguments");
    if (a.get("--limit") && !parseInt(*a.get("--limit"), 1, 1000000, &l->limit))
        return usageError("bad limit: " + *a.get("--limit"));
    l->account = a.get("--account") ? *a.get("--account") : "";
    if (!l->account.empty() && !isValidAccount(l->account))
        return usageError("bad account: " + l->account);
    return std::nullopt;
}

int cmdCallbacks(const std::string &db, const Args &a)
{
    Listing l;
    if (auto error = parseListing("callbacks", a, &l))
        return *error;
    const std::string &account = l.account;
    const long limit = l.limit;
    Store store;
    if (!openStore(store, db, "127.0.0.1"))
        return kFailed;
    for (const auto &c : store.callbacks(account, static_cast<int>(limit)))
        std::printf("%lld\t%s\t%s\t%s\t%s\n", static_cast<long long>(c.id), c.created.c_str(),
            c.account.c_str(), c.callee.c_str(), c.caller.c_str());
    return kOk;
}

int cmdOutbox(const std::string &db, const Args &a)
{
    Listing l;
    if (auto error = parseListing("outbox", a, &l))
        return *error;
    const long limit = l.limit;
    Store store;
    if (!openStore(store, db, "127.0.0.1"))
        return kFailed;
    for (const auto &m : store.outbox(static_cast<int>(limit)))
        std::printf("%lld\t%s\t%s\t%s\n", static_cast<long long>(m.id), m.created.c_str(),
            m.phone.c_str(), m.text.c_str());
    return kOk;
}

int cmdSetRate(const std::string &db, const Args &a)
{
    if (a.positional.size() != 2)
        return usageError("set-rate needs PREFIX and PRICE");
    std::string prefix = a.positional[0];
    if (prefix == "*")
        prefix.clear();
    if (prefix.size() > 20 || prefix.find_first_not_of("0123456789") != std::string::npos
        || a.positional[0].empty())
        return usageError("bad prefix (1-20 digits, or * for every number): " + a.positional[0]);
    auto cents = parseMoney(a.positional[1], 100000);
    if (!cents)
        return usageError("bad price (0 to 1000.00): " + a.positional[1]);
    Store store;
    if (!openStore(store, db, "127.0.0.1") || !store.setRate(prefix, *cents))
        return kFailed;
    return kOk;
}

int cmdRates(const std::string &db, const Args &a)
{
    if (!a.positional.empty())
        return usageError("rates takes no arguments");
    Store store;
    if (!openStore(store, db, "127.0.0.1"))
        return kFailed;
    for (const auto &r : store.rates())
        std::printf("%s\t%s\n", r.prefix.empty() ? "*" : r.prefix.c_str(),
            formatMoney(r.centsPerMinute).c_str());
    return kOk;
}

int cmdCharges(const std::string &db, const Args &a)
{
    Listing l;
    if (auto error = parseListing("charges", a, &l))
        return *error;
    const std::string &account = l.account;
    const long limit = l.limit;
    Store store;
    if (!openStore(store, db, "127.0.0.1"))
        return kFailed;
    for (const auto &c : store.charges(account, static_cast<int>(limit)))
        std::printf("%lld\t%s\t%s\t%s\t%lld\t%s\n", static_cast<long long>(c.cdrId),
            c.created.c_str(), c.account.c_str(), c.number.c_str(),
            static_cast<long long>(c.seconds), formatMoney(c.cents).c_str());
    return kOk;
}

// Binds a TCP and a UDP socket on 127.0.0.1:port (0 = any); returns the
// port or 0. The sockets stay open in `held` so later picks differ.
int holdPort(int port, std::vector<int> &held)
{
    int tcp = socket(AF_INET, SOCK_STREAM, 0);
    int udp = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    int got = 0;
    if (tcp >= 0 && udp >= 0 && bind(tcp, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0) {
        socklen_t len = sizeof addr;
        getsockname(tcp, reinterpret_cast<sockaddr *>(&addr), &len);
        if (bind(udp, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0)
            got = ntohs(addr.sin_port);
    }
    if (got) {
        held.push_back(tcp);
        held.push_back(udp);
    } else {
        if (tcp >= 0)
            close(tcp);
        if (udp >= 0)
            close(udp);
    }
    return got;
}

int cmdFreePorts(const Args &a)
{
    long count = 0, span = 1;
    if (a.positional.size() != 1 || !parseInt(a.positional[0], 1, 100, &count))
        return usageError("free-ports needs a COUNT of 1-100");
    if (a.get("--span") && !parseInt(*a.get("--span"), 1, 256, &span))
        return usageError("bad span (1-256)");
    std::vector<int> held, ports;
    for (int attempt = 0; attempt < 2000 && static_cast<long>(ports.size()) < count; ++attempt) {
        std::vector<int> run;
        int first = holdPort(0, run);
        bool ok = first > 0 && first + span - 1 <= 65535;
        for (long k = 1; ok && k < span; ++k)
            ok = holdPort(first + static_cast<int>(k), run) > 0;
        held.insert(held.end(), run.begin(), run.end());  // held either way: never offered twice
        if (ok)
            ports.push_back(first);
    }
    for (int fd : held)
        close(fd);
    if (static_cast<long>(ports.size()) < count) {
        std::cerr << "nuvoxa-service: not enough free ports\n";
        return kFailed;
    }
    for (int p : ports)
        std::printf("%d\n", p);
    return kOk;
}

}  // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string db, folder;
    size_t i = 0;
    while (i < args.size() && args[i].compare(0, 2, "--") == 0) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::cout << kUsageText;
            return kOk;
        }
        if ((args[i] == "--db" || args[i] == "--files") && i + 1 < args.size()) {
            (args[i] == "--db" ? db : folder) = args[i + 1];
            i += 2;
            continue;
        }
        if (args[i] == "--db" || args[i] == "--files")
            return usageError(args[i] + " needs a value");
        return usageError("unknown option " + args[i]);
    }
    if (i >= args.size())
        return usageError("no command given");
    const std::string cmd = args[i];
    std::vector<std::string> rest(args.begin() + static_cast<long>(i) + 1, args.end());
    if (!commandHelp(cmd))
        return usageError("unknown command " + cmd);
    for (const auto &r : rest)
        if (r == "--help" || r == "-h") {
            std::cout << commandHelp(cmd);
            return kOk;
        }

    if (cmd == "free-ports") {
        Args a = parseArgs(rest, {"--span"});
        return a.error.empty() ? cmdFreePorts(a) : usageError(a.error);
    }
    const std::vector<std::string> flags = cmd == "serve"
        ? std::vector<std::string>{"--https", "--demo-payments"}
        : std::vector<std::string>{};
    if (db.empty())
        return usageError(cmd + " needs --db FILE before the command");
    // The certificates and the signing key are files: beside an SQLite
    // database, and wherever --files says for a PostgreSQL one.
    if (folder.empty() && !Db::isPostgresUrl(db)) {
        const auto slash = db.find_last_of('/');
        folder = slash == std::string::npos ? std::string(".") : db.substr(0, slash);
    }
    const bool needsFiles = cmd == "init" || cmd == "keygen" || cmd == "set-update"
        || (cmd == "serve" && std::find(rest.begin(), rest.end(), "--https") != rest.end());
    if (folder.empty() && needsFiles)
        return usageError(cmd + " on a PostgreSQL database needs --files DIR before the command");

    static const std::vector<std::pair<std::string, std::vector<std::string>>> kOptions = {
        {"init", {"--realm"}},
        {"serve", {"--port", "--sip", "--trusted-proxy"}},
        {"add-account", {"--phone", "--balance"}},
        {"set-update", {}},
        {"set-advert", {}},
        {"callbacks", {"--account", "--limit"}},
        {"keygen", {}},
        {"outbox", {"--limit"}},
        {"set-rate", {}},
        {"rates", {}},
        {"charges", {"--account", "--limit"}},
    };
    for (const auto &o : kOptions) {
        if (o.first != cmd)
            continue;
        Args a = parseArgs(rest, o.second, flags);
        if (!a.error.empty())
            return usageError(a.error);
        if (cmd == "init")
            return cmdInit(db, folder, a);
        if (cmd == "serve")
            return cmdServe(db, folder, a);
        if (cmd == "add-account")
            return cmdAddAccount(db, a);
        if (cmd == "set-update")
            return cmdSetUpdate(db, folder, a);
        if (cmd == "keygen")
            return cmdKeygen(folder, a);
        if (cmd == "set-advert")
            return cmdSetAdvert(db, a);
        if (cmd == "callbacks")
            return cmdCallbacks(db, a);
        if (cmd == "outbox")
            return cmdOutbox(db, a);
        if (cmd == "set-rate")
            return cmdSetRate(db, a);
        if (cmd == "rates")
            return cmdRates(db, a);
        if (cmd == "charges")
            return cmdCharges(db, a);
    }
    return usageError("unknown command " + cmd);
}
