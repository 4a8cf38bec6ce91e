// The load bench's own helpers (run-load-bench.sh drives them):
//
//   load_bench subscribers FIRST COUNT PASSWORD BALANCE REALM ADDRESSES CSV
//     prints one SQL transaction that makes COUNT subscribers FIRST,
//     FIRST+1, ... with one password and balance, as the service's
//     add-account makes them (for the database's own client: sqlite3, psql),
//     and writes SIPp's injection file: one line "account;password;source
//     address;[authentication ...]" each, the addresses 127.1.x.y taken in
//     turn from ADDRESSES of them. SIPp takes a field's keyword as it stands
//     but no field inside a keyword's arguments.
//   load_bench logins URL CA FIRST COUNT PASSWORD CONNECTIONS REQUESTS RATE SECONDS
//     signs in REQUESTS times (the COUNT subscribers in turn) over
//     CONNECTIONS kept-alive HTTPS connections checked against CA, each from
//     a loopback address of its own; RATE requests a second (0: each
//     connection sends its next request as soon as the last one is answered),
//     for SECONDS at most. Prints NAME=value lines.
//   load_bench percentiles FILE COLUMN
//     median and 99th percentile of a column of SIPp's response-time file.
//
// Thousands of add-account runs would each commit on their own.
#include "codec.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int usage()
{
    std::fprintf(stderr,
                 "usage: load_bench subscribers FIRST COUNT PASSWORD BALANCE REALM ADDRESSES CSV\n"
                 "       load_bench logins URL CA FIRST COUNT PASSWORD CONNECTIONS REQUESTS RATE SECONDS\n"
                 "       load_bench percentiles FILE COLUMN\n");
    return 2;
}

bool number(const char *text, long min, long max, long *out)
{
    char *end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < min || v > max)
        return false;
    *out = v;
    return true;
}

// Source address number i of a run: 127.1.0.1, 127.1.0.2, ... 127.1.0.250,
// 127.1.1.1, ...: a flood from many subscribers comes from many addresses,
// which per-address limits of the proxy and the service expect.
std::string sourceAddress(long i)
{
    return "127.1." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
}

int subscribers(char **argv)
{
    long first, count, addresses;
    const std::string password = argv[3], realm = argv[5];
    const auto cents = nuvoxa::parseMoney(argv[4], 100000000000LL);
    // The values go into SQL text and SIPp's fields as they are.
    const auto plain = [](const std::string &v) {
        return !v.empty() && v.find_first_of("';[] \\\"") == std::string::npos;
    };
    if (!number(argv[1], 0, 99999999, &first) || !number(argv[2], 1, 1000000, &count) ||
        !number(argv[6], 1, 250 * 250, &addresses) || !cents || !nuvoxa::isValidPassword(password) ||
        !plain(password) || !plain(realm))
        return usage();
    std::ofstream csv(argv[7]);
    csv << "SEQUENTIAL\n";
    std::printf("BEGIN;\n");
    const std::string pwdMd5 = nuvoxa::md5Hex(password);
    char created[32];
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    std::strftime(created, sizeof created, "%Y-%m-%d %H:%M:%S", gmtime_r(&now, &utc));
    for (long i = 0; i < count; ++i) {
        const std::string user = std::to_string(first + i);
        std::printf("INSERT INTO accounts (account, pwd_md5, phone, balance_cents, created) "
                    "VALUES ('%s', '%s', '', %lld, '%s');\n"
                    "INSERT INTO subscriber (username, domain, password, ha1, ha1b) "
                    "VALUES ('%s', '%s', '', '%s', '%s');\n",
                    user.c_str(), pwdMd5.c_str(), static_cast<long long>(*cents), created, user.c_str(), realm.c_str(),
                    nuvoxa::sipHa1(user, realm, password).c_str(),
                    nuvoxa::sipHa1(user + "@" + realm, realm, password).c_str());
        csv << user << ';' << password << ';' << sourceAddress(i % addresses) << ";[authentication username=" << user
            << " password=" << password << "]\n";
    }
    std::printf("COMMIT;\n");
    csv.close();
    return csv && std::fflush(stdout) == 0 ? 0 : 1;
}

// Median and 99th percentile (nearest rank) in milliseconds.
void printPercentiles(const char *prefix, std::vector<double> v)
{
    if (v.empty()) {
        std::printf("%smedian_ms=n/a\n%sp99_ms=n/a\n", prefix, prefix);
        return;
    }
    std::sort(v.begin(), v.end());
    const auto rank = [&](double p) { return v[std::min(v.size() - 1, static_cast<size_t>(p * v.size()))]; };
    std::printf("%smedian_ms=%.2f\n%sp99_ms=%.2f\n", prefix, rank(0.5), prefix, rank(0.99));
}

int percentiles(char **argv)
{
    long column;
    if (!number(argv[2], 0, 100, &column))
        return usage();
    std::ifstream in(argv[1]);
    std::vector<double> values;
    std::string line;
    while (std::getline(in, line)) {
        std::stringstream fields(line);
        std::string field;
        for (long i = 0; i <= column && std::getline(fields, field, ';'); ++i) {
        }
        char *end = nullptr;
        const double v = std::strtod(field.c_str(), &end);
        if (end != field.c_str())  // the header line has none
            values.push_back(v);
    }
    std::printf("samples=%zu\n", values.size());
    printPercentiles("", values);
    return 0;
}

struct Lane {
    CURL *easy = nullptr;
    std::string body;
    long request = -1;  // in flight, or -1
    Clock::time_point since;
};

size_t collect(char *data, size_t size, size_t n, void *lane)
{
    std::string &body = static_cast<Lane *>(lane)->body;
    if (body.size() < 4096)
        body.append(data, size * n);
    return size * n;
}

int logins(char **argv)
{
    const std::string url = argv[1], ca = argv[2], password = argv[5];
    long first, count, connections, requests, rate, seconds;
    if (!number(argv[3], 0, 99999999, &first) || !number(argv[4], 1, 1000000, &count) ||
        !number(argv[6], 1, 250, &connections) || !number(argv[7], 1, 10000000, &requests) ||
        !number(argv[8], 0, 1000000, &rate) || !number(argv[9], 1, 3600, &seconds))
        return usage();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    CURLM *multi = curl_multi_init();
    // Its default keeps 4 idle connections per handle added at the moment:
    // with few requests in flight it would close the kept-alive ones.
    curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, connections);
    const std::string pwd = nuvoxa::md5Hex(password);
    std::vector<Lane> lanes(static_cast<size_t>(connections));
    for (size_t i = 0; i < lanes.size(); ++i) {
        CURL *e = curl_easy_init();
        lanes[i].easy = e;
        curl_easy_setopt(e, CURLOPT_CAINFO, ca.c_str());
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(e, CURLOPT_NOPROXY, "*");
        curl_easy_setopt(e, CURLOPT_TIMEOUT, 10L);
        curl_easy_setopt(e, CURLOPT_INTERFACE, ("host!" + sourceAddress(static_cast<long>(i) + 1000)).c_str());
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, collect);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, &lanes[i]);
        curl_easy_setopt(e, CURLOPT_PRIVATE, &lanes[i]);
    }

    // All of them, and those that had to open (and shake hands on) a
    // connection: the service closes one after 20 requests.
    std::vector<double> latencies, opening;
    latencies.reserve(static_cast<size_t>(requests));
    const auto loginUrl = [&](long k) {
        const std::string acct = std::to_string(first + k % count);
        const std::string validate = nuvoxa::md5Hex(acct + pwd + "rolo^_^");
        return url + "/cloud/login.aspx?acct=" + acct + "&pwd=" + pwd + "&validate=" + validate;
    };
    // Each connection opens with a sign-in of its own, not counted: the
    // figures are of a running service, not of the first handshakes
    // queueing together.
    for (Lane &lane : lanes) {
        curl_easy_setopt(lane.easy, CURLOPT_URL, loginUrl(0).c_str());
        curl_multi_add_handle(multi, lane.easy);
    }
    for (int running = 1; running > 0;) {
        curl_multi_perform(multi, &running);
        curl_multi_poll(multi, nullptr, 0, 50, nullptr);
    }
    int queued = 0;
    while (CURLMsg *m = curl_multi_info_read(multi, &queued))
        if (m->msg == CURLMSG_DONE)
            curl_multi_remove_handle(multi, m->easy_handle);

    long next = 0, done = 0, errors = 0, connects = 0;
    std::string firstError;
    const Clock::time_point start = Clock::now(), deadline = start + std::chrono::seconds(seconds);
    // Paced: request k is due at start + k / RATE, and its latency counts
    // from then, so time spent waiting for a free connection is not hidden.
    const auto due = [&](long k) {
        return start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(k) / rate));
    };
    for (;;) {
        const Clock::time_point now = Clock::now();
        const bool issuing = next < requests && now < deadline;
        for (Lane &lane : lanes) {
            if (!issuing || lane.request >= 0 || next >= requests || (rate > 0 && due(next) > now))
                continue;
            curl_easy_setopt(lane.easy, CURLOPT_URL, loginUrl(next).c_str());
            lane.body.clear();
            lane.request = next;
            lane.since = rate > 0 ? due(next) : now;
            ++next;
            curl_multi_add_handle(multi, lane.easy);
        }
        int running = 0, left = 0;
        curl_multi_perform(multi, &running);
        while (CURLMsg *m = curl_multi_info_read(multi, &left)) {
            if (m->msg != CURLMSG_DONE)
                continue;
            Lane *lane = nullptr;
            curl_easy_getinfo(m->easy_handle, CURLINFO_PRIVATE, reinterpret_cast<char **>(&lane));
            long status = 0, newConnections = 0;
            curl_easy_getinfo(m->easy_handle, CURLINFO_RESPONSE_CODE, &status);
            curl_easy_getinfo(m->easy_handle, CURLINFO_NUM_CONNECTS, &newConnections);
            connects += newConnections;
            const CURLcode result = m->data.result;
            curl_multi_remove_handle(multi, m->easy_handle);
            // A signed-in subscriber gets "phone|balance"; error words have no "|".
            if (result == CURLE_OK && status == 200 && lane->body.find('|') != std::string::npos) {
                latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - lane->since).count());
                if (newConnections > 0)
                    opening.push_back(latencies.back());
            } else {
                ++errors;
                if (firstError.empty())
                    firstError = result != CURLE_OK ? curl_easy_strerror(result)
                                                    : std::to_string(status) + " " + lane->body.substr(0, 60);
            }
            lane->request = -1;
            ++done;
        }
        if (!issuing && std::none_of(lanes.begin(), lanes.end(), [](const Lane &l) { return l.request >= 0; }))
            break;
        // Wakes for socket activity, or by the next request's due time.
        int waitMs = 50;
        if (issuing && rate > 0)
            waitMs = static_cast<int>(std::clamp<long long>(
                std::chrono::duration_cast<std::chrono::milliseconds>(due(next) - Clock::now()).count(), 0, 50));
        curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("requests=%ld\nok=%zu\nerrors=%ld\nseconds=%.2f\nrate=%.0f\nconnections_opened=%ld\n", done,
                latencies.size(), errors, elapsed, double(latencies.size()) / elapsed, connects);
    printPercentiles("", latencies);
    printPercentiles("new_connection_", opening);
    if (!firstError.empty())
        std::printf("first_error=%s\n", firstError.c_str());
    for (Lane &lane : lanes)
        curl_easy_cleanup(lane.easy);
    curl_multi_cleanup(multi);
    curl_global_cleanup();
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "subscribers" && argc == 9)
        return subscribers(argv + 1);
    if (command == "logins" && argc == 11)
        return logins(argv + 1);
    if (command == "percentiles" && argc == 4)
        return percentiles(argv + 1);
    return usage();
}
