// The running stack: the cloud answers the client and the voice library
// rely on, the account web pages, a new account over SIP, the echo
// gateway's media port, and what calls cost. Arguments: the sip-uac.sh runner and the folder of
// its scenarios.
#include "check.h"
#include "codec.h"
#include "server.h"
#include "store.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <thread>

using namespace nuvoxa;

namespace {

std::string env(const char *name) {
  const char *v = std::getenv(name);
  return v ? v : "";
}

std::string g_uacRunner, g_sipDir;

// The cloud as clients see it: https with the stack's own authority, or a
// bare host:port in the plain mode.
httplib::Client client() {
  std::string host = env("NUVOXA_CLOUD_HOST");
  if (host.compare(0, 8, "https://") != 0) host = "http://" + host;
  httplib::Client c(host);
  if (!env("NUVOXA_CA_FILE").empty()) c.set_ca_cert_path(env("NUVOXA_CA_FILE").c_str());
  c.enable_server_certificate_verification(true);
  c.set_connection_timeout(5);
  c.set_read_timeout(10);
  return c;
}

struct Reply {
  int status = 0;
  std::string body;
};

Reply get(const std::string &target) {
  auto r = client().Get(target.c_str());
  return r ? Reply{r->status, r->body} : Reply{};
}

Reply post(const std::string &path, const httplib::Params &form) {
  auto r = client().Post(path.c_str(), form);
  return r ? Reply{r->status, r->body} : Reply{};
}

bool contains(const std::string &s, const std::string &part) { return s.find(part) != std::string::npos; }

std::string loginTarget(const std::string &acct, const std::string &pwd, const std::string &validate) {
  return "/cloud/login.aspx?acct=" + acct + "&pwd=" + pwd + "&validate=" + validate;
}

// The request the client sends for ACCOUNT and PASSWORD.
std::string login(const std::string &account, const std::string &password) {
  const std::string pwd = md5Hex(password);
  return get(loginTarget(account, pwd, md5Hex(account + pwd + "rolo^_^"))).body;
}

std::string uniqueAccount() {
  static int n = 0;
  return "t" + std::to_string(getpid()) + "x" + std::to_string(++n);
}

// Registers through the web page; returns the page.
Reply registerAccount(const std::string &account, const std::string &password, const std::string &phone = "") {
  return post("/register.aspx", {{"account", account}, {"password", password}, {"password2", password}, {"phone", phone}});
}

// The binding code the service "sent" to PHONE, from the stack's outbox.
std::string sentCode(const std::string &phone) {
  Store store;
  if (!store.open(env("NUVOXA_DB"), "127.0.0.1", nullptr)) return "";
  const std::string lead = "验证码 ";
  for (const auto &m : store.outbox(50))
    if (m.phone == phone && m.text.find(lead) != std::string::npos)
      return m.text.substr(m.text.find(lead) + lead.size(), 6);
  return "";
}

std::string token(const std::string &account, const std::string &password) {
  return httplib::detail::encode_query_param(makeToken(account, md5Hex(password)));
}

void cloudLogin() {
  const std::string demo = env("NUVOXA_DEMO");
  const std::string account = demo.substr(0, demo.find(':'));
  const std::string password = demo.substr(demo.find(':') + 1);
  const std::string pwd = md5Hex(password);
  const std::string validate = md5Hex(account + pwd + "rolo^_^");

  const std::string ok = login(account, password);
  CHECK_EQ(ok.substr(0, ok.find('|')), env("NUVOXA_DEMO_PHONE"));
  const std::string balance = ok.substr(ok.find('|') + 1);
  CHECK(parseMoney(balance, INT64_MAX / 200).has_value() && balance.size() >= 4 &&
        balance[balance.size() - 3] == '.');

  // Percent-encoded values and upper-case digests are the same request.
  std::string encoded;
  for (char c : account) encoded += "%" + std::to_string(30 + (c - '0'));  // digits only
  CHECK_EQ(get(loginTarget(encoded, pwd, validate)).body, ok);
  std::string upper = pwd;
  for (char &c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  CHECK_EQ(get(loginTarget(account, upper, md5Hex(account + upper + "rolo^_^"))).body, ok);

  // Every refusal is a word without "|".
  for (const std::string &target :
       {loginTarget(account, md5Hex("wrong"), md5Hex(account + md5Hex("wrong") + "rolo^_^")),
        loginTarget(account, pwd, md5Hex(account + pwd + "other")), loginTarget(account, pwd, ""),
        loginTarget("nobody" + std::to_string(getpid()), pwd, validate), std::string("/cloud/login.aspx"),
        loginTarget("a%7Cb", pwd, validate), loginTarget(account, "%00", validate)}) {
    Reply r = get(target);
    CHECK(r.status == 200 && !r.body.empty() && !contains(r.body, "|"));
  }
}

void cloudQueries() {
  // Clients of a secure stack are sent to its TLS address.
  const std::string tls = env("NUVOXA_SIP_TLS_HOST");
  CHECK_EQ(get("/cloud/pc/server.aspx").body, tls.empty() ? env("NUVOXA_SIP_HOST") : tls + ";transport=tls");
  Reply manifest = get("/cloud/pc/onlieUpdate.xml");
  CHECK(manifest.status == 200 && contains(manifest.body, "<update ver=\""));
  CHECK_EQ(get("/cloud/pc/app/hd.gif").body.substr(0, 6), "GIF89a");
  CHECK_EQ(get("/cloud/pc/app/no-such-file").status, 404);

  const std::string account = uniqueAccount();
  CHECK_EQ(registerAccount(account, "secret1", "13900000001").status, 200);
  const std::string auth = "acct=" + account + "&pwd=" + md5Hex("secret1");
  CHECK_EQ(get("/cloud/balance.aspx?" + auth).body, "|0.00");  // the phone waits for its code
  // A callback rings the bound phone and needs money.
  const std::string v = makeToken(account, md5Hex("secret1"));
  CHECK_EQ(post("/Reg_suc2.aspx", {{"v", v}, {"phone", "13900000001"}, {"code", sentCode("13900000001")}}).status, 200);
  CHECK_EQ(post("/pay_list", {{"v", v}, {"amount", "1"}}).status, 200);
  CHECK_EQ(get("/cloud/balance.aspx?" + auth).body, "13900000001|1.00");
  CHECK(!contains(get("/cloud/balance.aspx?acct=" + account + "&pwd=" + md5Hex("x")).body, "|"));

  CHECK_EQ(get("/cloud/callback.aspx?" + auth + "&callee=13800000002&caller=13900000001").body, "OK");
  CHECK_EQ(get("/cloud/callback.aspx?" + auth + "&callee=%2B8613800000003&caller=13900000001").body, "OK");
  CHECK(get("/cloud/callback.aspx?" + auth + "&callee=12ab&caller=13900000001").body != "OK");
  CHECK(get("/cloud/callback.aspx?" + auth + "&callee=13800000002").body != "OK");
  CHECK(get("/cloud/callback.aspx?acct=" + account + "&pwd=" + md5Hex("x") +
            "&callee=13800000002&caller=13900000001").body != "OK");
  // Recorded for this account, newest first, shown in the user centre.
  Reply centre = get("/user/usercenter.aspx?v=" + token(account, "secret1"));
  CHECK(centre.status == 200);
  const auto newest = centre.body.find("+8613800000003"), older = centre.body.find("13800000002");
  CHECK(newest != std::string::npos && older != std::string::npos && newest < older);
}

void registerThenSip() {
  const std::string account = uniqueAccount();
  Reply r = registerAccount(account, "p@ss w0rd");
  CHECK(r.status == 200 && contains(r.body, "注册成功"));
  CHECK_EQ(login(account, "p@ss w0rd"), "|0.00");
  // The same number cannot be registered twice; the first password stays.
  CHECK_EQ(registerAccount(account, "another1").status, 409);
  CHECK_EQ(login(account, "p@ss w0rd"), "|0.00");
  // The account registers over SIP at once.
  const std::string cmd = "'" + g_uacRunner + "' '" + g_sipDir + "/uac-register.xml' " + account + " " + account +
                          " 'p@ss w0rd'";
  CHECK_EQ(std::system(cmd.c_str()), 0);

  // Refusals keep no account.
  CHECK_EQ(post("/register.aspx", {{"account", uniqueAccount()}, {"password", "secret1"}, {"password2", "secret2"}})
               .status, 400);
  CHECK_EQ(registerAccount(uniqueAccount(), "short").status, 400);
  CHECK_EQ(registerAccount(uniqueAccount(), "secret1", "12-34").status, 400);
  CHECK_EQ(registerAccount("has space", "secret1").status, 400);
}

void escapingAndTokens() {
  // Values echoed into pages are escaped.
  Reply r = registerAccount("<script>alert(1)</script>", "secret1", "\"><img src=x>");
  CHECK_EQ(r.status, 400);
  CHECK(!contains(r.body, "<script>alert") && !contains(r.body, "<img src=x>"));
  CHECK(contains(r.body, "&lt;script&gt;alert(1)&lt;/script&gt;"));
  CHECK(contains(r.body, "&quot;&gt;&lt;img src=x&gt;"));

  const std::string account = uniqueAccount();
  CHECK_EQ(registerAccount(account, "secret1").status, 200);
  const std::string good = token(account, "secret1");
  for (const char *path : {"/user/usercenter.aspx", "/pay_list", "/Reg_suc2.aspx", "/free_call.aspx"}) {
    CHECK_EQ(get(std::string(path) + "?v=" + good).status, 200);
    for (const std::string &bad : {std::string(""), std::string("%%%"), std::string("bm90IGEgdG9rZW4="),
                                   token(account, "wrong"), token("nobody" + std::to_string(getpid()), "secret1")}) {
      Reply page = get(std::string(path) + "?v=" + bad);
      CHECK_EQ(page.status, 403);
      CHECK(contains(page.body, "链接无效"));
    }
  }
  CHECK(contains(get("/user/usercenter.aspx?v=" + good).body, account));
  CHECK_EQ(get("/free_call.aspx").status, 200);  // without a token it is a plain page
  // An oversized form is refused before it reaches a page.
  CHECK_EQ(post("/pay_list", {{"v", good}, {"amount", std::string(100 * 1024, '1')}}).status, 413);
  // A POST with a bad token changes nothing.
  CHECK_EQ(post("/pay_list", {{"v", "bm90IGEgdG9rZW4="}, {"amount", "5"}}).status, 403);
  CHECK_EQ(get("/cloud/balance.aspx?acct=" + account + "&pwd=" + md5Hex("secret1")).body, "|0.00");
}

void topUpAndBindPhone() {
  const std::string account = uniqueAccount();
  CHECK_EQ(registerAccount(account, "secret1").status, 200);
  const std::string v = makeToken(account, md5Hex("secret1"));
  const std::string balance = "/cloud/balance.aspx?acct=" + account + "&pwd=" + md5Hex("secret1");

  CHECK_EQ(post("/pay_list", {{"v", v}, {"amount", "12.3"}}).status, 200);
  CHECK_EQ(post("/pay_list", {{"v", v}, {"amount", "0.05"}}).status, 200);
  for (const char *bad : {"-5", "0", "1e3", "0.001", "10000.01", "abc", ""})
    CHECK_EQ(post("/pay_list", {{"v", v}, {"amount", bad}}).status, 400);
  CHECK_EQ(get(balance).body, "|12.35");

  // The page the client opens: a code goes to the phone, which binds.
  CHECK_EQ(post("/Reg_suc2.aspx", {{"v", v}, {"phone", "13912345678"}}).status, 200);
  CHECK_EQ(post("/Reg_suc2.aspx", {{"v", v}, {"phone", "139<b>"}}).status, 400);
  CHECK_EQ(get(balance).body, "|12.35");
  CHECK_EQ(post("/Reg_suc2.aspx", {{"v", v}, {"phone", "13912345678"}, {"code", sentCode("13912345678")}}).status, 200);
  CHECK_EQ(get(balance).body, "13912345678|12.35");
  CHECK_EQ(login(account, "secret1"), "13912345678|12.35");
}

// Runs one SIPp scenario of the folder through the proxy; true when it
// ended as the scenario expects.
bool sipCall(const std::string &scenario, const std::string &number, const std::string &account,
             const std::string &prefix = "") {
  const std::string cmd = prefix + " '" + g_uacRunner + "' '" + g_sipDir + "/" + scenario + "' '" + number + "' " +
                          account + " secret1";
  return std::system(cmd.c_str()) == 0;
}

std::string balanceOf(const std::string &account) {
  return get("/cloud/balance.aspx?acct=" + account + "&pwd=" + md5Hex("secret1")).body;
}

// Calls through the gateways cost their rate for each started minute when
// they end; a balance that does not pay a minute is refused at the proxy,
// and a call outliving its money is cut by the proxy.
void billedCalls() {
  const std::string payer = uniqueAccount(), broke = uniqueAccount(), brief = uniqueAccount();
  Store store;
  CHECK(store.open(env("NUVOXA_DB"), "127.0.0.1", nullptr));
  CHECK(store.addAccount(payer, "secret1", "", 500) == Store::AddResult::Added);
  CHECK(store.addAccount(broke, "secret1", "", 0) == Store::AddResult::Added);
  CHECK(store.addAccount(brief, "secret1", "", 10) == Store::AddResult::Added);

  // Never hangs up: the proxy's BYE after the one minute 0.10 pays.
  std::thread cut([&] { CHECK(sipCall("uac-call-cut.xml", "13800138001", brief, "SIP_UAC_LIMIT=120")); });

  struct Call {
    const char *number;
    int64_t cents;
  };
  // Half-second calls: one started minute each.
  const Call calls[] = {{"13800138000", 10}, {"0044123456", 100}, {"+44123456", 100}, {"10000000000", 0}};
  for (const Call &c : calls) CHECK(sipCall("uac-call-answered.xml", c.number, payer));
  CHECK_EQ(balanceOf(payer), "|2.90");
  auto charged = store.charges(payer, 10);
  CHECK_EQ(charged.size(), std::size(calls));
  for (size_t i = 0; i < charged.size() && i < std::size(calls); ++i) {
    const Call &c = calls[std::size(calls) - 1 - i];  // newest first
    CHECK_EQ(charged[i].number, billedNumber(c.number));
    CHECK_EQ(charged[i].cents, c.cents);
  }

  // Nothing to pay with: refused before a gateway sees the call, but the
  // free service number still answers.
  CHECK(sipCall("uac-call-refused.xml", "13800138000", broke));
  CHECK(sipCall("uac-call-answered.xml", "10000000000", broke));
  CHECK_EQ(balanceOf(broke), "|0.00");

  cut.join();
  CHECK_EQ(balanceOf(brief), "|0.00");
  auto spent = store.charges(brief, 10);
  // The dialog timer counts whole seconds from the answer: it fires within
  // a second of the minute's end.
  CHECK(spent.size() == 1 && spent[0].seconds >= 59 && spent[0].seconds <= 60 && spent[0].cents == 10);
  CHECK(sipCall("uac-call-refused.xml", "13800138001", brief));
}

// RTP sent to the echo gateway's media port comes back unchanged.
void echoGatewayMedia() {
  const std::string media = env("NUVOXA_GW_ECHO_MEDIA");
  const auto colon = media.rfind(':');
  CHECK(colon != std::string::npos);
  if (colon == std::string::npos) return;
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(std::atoi(media.c_str() + colon + 1)));
  inet_pton(AF_INET, media.substr(0, colon).c_str(), &to.sin_addr);
  // An RTP header (version 2, PCMU) and 160 bytes of payload.
  std::string packet("\x80\x00\x00\x01\x00\x00\x00\xa0\x12\x34\x56\x78", 12);
  for (int i = 0; i < 160; ++i) packet += static_cast<char>(i);
  CHECK(sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr *>(&to), sizeof to) ==
        static_cast<ssize_t>(packet.size()));
  pollfd p{fd, POLLIN, 0};
  char buf[2048];
  ssize_t n = poll(&p, 1, 3000) == 1 ? recv(fd, buf, sizeof buf, 0) : -1;
  CHECK(n == static_cast<ssize_t>(packet.size()) && std::string(buf, static_cast<size_t>(n)) == packet);
  close(fd);
}

// Publishing an update changes what every client sees, so it runs on a
// server of its own.
void updateFilesOnPrivateServer() {
  check::TempDir dir;
  Store store;
  CHECK(store.open(dir.path() + "/db.sqlite", "127.0.0.1", nullptr));
  const signing::KeyPair key = signing::generate();
  CHECK(store.setUpdate("9.9", {{"nuvoxa", std::string("EXE\0data", 8)}}, &key));
  httplib::Server server;
  installRoutes(server, store, ServiceConfig{"127.0.0.1:5999"});
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread t([&server] { server.listen_after_bind(); });
  httplib::Client c("127.0.0.1", port);
  auto manifest = c.Get("/cloud/pc/onlieUpdate.xml");
  CHECK(manifest && contains(manifest->body, "ver=\"9.9\"") && contains(manifest->body, "size=\"8\">nuvoxa</file>"));
  // The signature is served beside it, signed at publication.
  auto sig = c.Get("/cloud/pc/onlieUpdate.xml.minisig");
  CHECK(sig && sig->status == 200 && contains(sig->body, "trusted comment: timestamp:"));
  auto file = c.Get("/cloud/pc/app/nuvoxa");
  CHECK(file && file->status == 200 && file->body == std::string("EXE\0data", 8));
  auto traversal = c.Get("/cloud/pc/app/../../etc/passwd");
  CHECK(!traversal || traversal->status == 404 || traversal->status == 400);
  auto sip = c.Get("/cloud/pc/server.aspx");
  CHECK(sip && sip->body == "127.0.0.1:5999");
  server.stop();
  t.join();
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 3 || env("NUVOXA_CLOUD_HOST").empty()) {
    std::cerr << "usage: with the stack's environment, test_service_http SIP-UAC-RUNNER SCENARIO-DIR\n";
    return 2;
  }
  g_uacRunner = argv[1];
  g_sipDir = argv[2];
  int failed = RUN(cloudLogin) + RUN(cloudQueries) + RUN(registerThenSip) + RUN(escapingAndTokens) +
               RUN(topUpAndBindPhone) + RUN(echoGatewayMedia) + RUN(updateFilesOnPrivateServer) + RUN(billedCalls);
  return failed == 0 ? 0 : 1;
}
