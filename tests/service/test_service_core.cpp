// Digests, Base64, tokens, money amounts, validation, the database (with
// rates and call charges) and the advertisement image, without any server
// running. Under with-postgres.sh the database cases run on its PostgreSQL.
#include "advert.h"
#include "check.h"
#include "codec.h"
#include "db.h"
#include "store.h"

#include <QGuiApplication>
#include <QImage>
#include <unistd.h>

#include <cstdlib>
#include <vector>

using namespace nuvoxa;

static void digestsAndBase64() {
  CHECK_EQ(md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  CHECK_EQ(md5Hex("The quick brown fox jumps over the lazy dog"), "9e107d9d372bb6826bd81d3542a419d6");
  // Multi-byte UTF-8 is hashed byte for byte.
  CHECK_EQ(md5Hex("\xe4\xb8\xad"), "aed1dfbc31703955e64806b799b67645");
  CHECK_EQ(sipHa1("alice", "127.0.0.1", "secret"), md5Hex("alice:127.0.0.1:secret"));

  for (const std::string &s : std::vector<std::string>{"", "f", "fo", "foo", "foob", "fooba", "foobar", std::string("\0\xff\x80", 3)}) {
    auto back = base64Decode(base64Encode(s));
    CHECK(back && *back == s);
  }
  CHECK_EQ(base64Encode("foobar"), "Zm9vYmFy");
  CHECK_EQ(base64Encode("fo"), "Zm8=");
  CHECK(base64Decode("Zm8") == std::optional<std::string>("fo"));  // padding optional
  CHECK(!base64Decode("Zm9v!"));
  CHECK(!base64Decode("Z"));
  // "+" turned into a space by query decoding still decodes.
  CHECK(base64Decode("+/8=") == base64Decode(" /8="));
}

static void tokens() {
  const std::string pwd = md5Hex("secret");
  auto t = parseToken(makeToken("80000001", pwd));
  CHECK(t && t->account == "80000001" && t->pwdMd5 == pwd);
  CHECK(!parseToken(""));
  CHECK(!parseToken("not base64!"));
  CHECK(!parseToken(base64Encode("80000001" + pwd)));             // no bar
  CHECK(!parseToken(base64Encode("80000001|abc")));               // not a digest
  CHECK(!parseToken(base64Encode("<b>|" + pwd)));                 // not an account
  CHECK(!parseToken(std::string(300, 'A')));
}

static void moneyAndValidation() {
  CHECK(parseMoney("12", 100000) == std::optional<int64_t>(1200));
  CHECK(parseMoney("12.5", 100000) == std::optional<int64_t>(1250));
  CHECK(parseMoney("0.07", 100000) == std::optional<int64_t>(7));
  CHECK(parseMoney("1000.00", 100000) == std::optional<int64_t>(100000));
  for (const char *bad : {"", "-1", "+1", "1.", ".5", "1.234", "1e3", "12a", "1,5", " 1", "1000.01",
                          "99999999999"})
    CHECK(!parseMoney(bad, 100000));
  CHECK_EQ(formatMoney(0), "0.00");
  CHECK_EQ(formatMoney(1205), "12.05");
  CHECK_EQ(formatMoney(-50), "-0.50");

  CHECK_EQ(htmlEscape("<a href=\"x\">'&'</a>"), "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");

  CHECK(isValidAccount("80000001") && isValidAccount("a.b_c-D"));
  CHECK(!isValidAccount("") && !isValidAccount(std::string(33, '1')) && !isValidAccount("a b") &&
        !isValidAccount("a|b") && !isValidAccount("a@b"));
  CHECK(isValidPassword("pässwörd 1") && !isValidPassword("") && !isValidPassword("a\nb") &&
        !isValidPassword(std::string(65, 'x')) && !isValidPassword("\xff\xfe"));
  CHECK(isValidPhone("13800138000") && isValidPhone("+8613800138000") && isValidPhone("110"));
  CHECK(!isValidPhone("12") && !isValidPhone("+") && !isValidPhone("138-0013") &&
        !isValidPhone(std::string(21, '1')));
  // Letters fold, nothing else does: "@" and "`", "[" and "{" differ only
  // in the bit that tells the case of a letter.
  struct Pair {
    const char *a, *b;
    bool same;
  };
  for (const Pair &p : {Pair{"AbC-9", "aBc-9", true}, Pair{"@[", "`{", false}, Pair{"abc", "abcd", false}})
    CHECK_EQ(equalsIgnoreCase(p.a, p.b), p.same);
  CHECK(isMd5Hex(md5Hex("x")) && isMd5Hex("D41D8CD98F00B204E9800998ECF8427E") && !isMd5Hex("d41d"));
}

static void storeAccounts() {
  check::TempDir dir;
  const std::string path = check::freshDb(dir, "accounts");
  {
    Store store;
    std::string error;
    CHECK(store.open(path, "10.0.0.1", &error));
    CHECK(store.addAccount("acct1", "pw1", "13800138000", 1050) == Store::AddResult::Added);
    CHECK(store.addAccount("acct1", "other", "", 0) == Store::AddResult::Exists);
    auto a = store.account("acct1");
    CHECK(a && a->pwdMd5 == md5Hex("pw1") && a->phone == "13800138000" && a->balanceCents == 1050);
    CHECK(!store.account("nobody"));
    CHECK(store.addBalance("acct1", 250) == std::optional<int64_t>(1300));
    CHECK(!store.addBalance("nobody", 250));
    CHECK(store.setPhone("acct1", "+861234") && !store.setPhone("nobody", "123"));
    CHECK(store.account("acct1")->phone == "+861234");
    // A NUL ends a name on some engines; the name with it is another one.
    CHECK(!store.account(std::string("acct1\0x", 7)));
  }
  // A later open keeps the realm of the file; the subscriber row is what
  // Kamailio reads.
  Store store;
  CHECK(store.open(path, "127.0.0.1", nullptr));
  CHECK_EQ(store.realm(), "10.0.0.1");
  auto db = Db::open(path, nullptr);
  CHECK(db);
  if (!db) return;
  const auto rows = db->query("SELECT username, domain, ha1 FROM subscriber").rows;
  CHECK_EQ(rows.size(), 1u);  // the refused duplicate left no second row
  for (const auto &row : rows)
    CHECK(row == (Db::Row{"acct1", "10.0.0.1", md5Hex("acct1:10.0.0.1:pw1")}));
  // Nothing is kept in the store: a second one on the same database sees
  // what the first changed.
  Store other;
  CHECK(other.open(path, "127.0.0.1", nullptr));
  CHECK(store.addBalance("acct1", 100) == std::optional<int64_t>(1400));
  CHECK_EQ(other.account("acct1")->balanceCents, 1400);
  // A server restart ends the connections: the statement that meets the
  // end fails, the ones after it are served again.
  if (db->engine() == Db::Engine::Postgres) {
    CHECK(db->query("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                    "WHERE datname = current_database() AND pid <> pg_backend_pid()")
              .ok);
    other.account("acct1");
    CHECK(other.account("acct1") && other.addBalance("acct1", 1) == std::optional<int64_t>(1401));
  }
}

static void storeCallbacksAndUpdates() {
  check::TempDir dir;
  Store store;
  CHECK(store.open(check::freshDb(dir, "callbacks"), "127.0.0.1", nullptr));
  CHECK(store.addCallback("a", "111", "222") && store.addCallback("b", "333", "444") &&
        store.addCallback("a", "555", "666"));
  auto mine = store.callbacks("a", 10);
  CHECK(mine.size() == 2 && mine[0].callee == "555" && mine[1].callee == "111");
  CHECK(store.callbacks("", 10).size() == 3 && store.callbacks("", 1).size() == 1);

  // The first open publishes a manifest without files.
  CHECK(store.manifest() && store.manifest()->find("<file>") == std::string::npos);
  CHECK(store.setUpdate("2.0", {{"nuvoxa", "binary"}, {"a&b.txt", "text"}}));
  CHECK(store.manifest()->find("ver=\"2.0\"") != std::string::npos);
  // Each entry carries the file's SHA-256 and size.
  CHECK(store.manifest()->find("<file sha256=\"" + signing::sha256Hex("text") + "\" size=\"4\">a&amp;b.txt</file>") !=
        std::string::npos);
  CHECK(!store.manifestSignature());  // unsigned without a key
  CHECK(store.updateFile("nuvoxa") == std::optional<std::string>("binary"));
  // A new update replaces the old files.
  CHECK(store.setUpdate("2.1", {{"other", std::string("\0x", 2)}}));
  CHECK(!store.updateFile("nuvoxa"));
  CHECK(store.updateFile("other") == std::optional<std::string>(std::string("\0x", 2)));
}

// The rate of the longest prefix, and the charge a call record makes when
// it is written (as Kamailio writes it: text values, a fractional duration).
static void ratesAndCharges() {
  check::TempDir dir;
  Store store;
  const std::string path = check::freshDb(dir, "charges");
  CHECK(store.open(path, "127.0.0.1", nullptr));
  CHECK(store.setRate("0044", 80) && store.setRate("00447", 150));
  struct Rated {
    const char *number;
    std::optional<int64_t> cents;
  };
  for (const Rated &r : {Rated{"13800138000", 10}, Rated{"10000000000", 0}, Rated{"1000000000", 10},
                         Rated{"0086123", 100}, Rated{"+86123", 100}, Rated{"0044123", 80}, Rated{"+447123", 150}})
    CHECK(store.rateFor(r.number) == r.cents);
  CHECK(store.setRate("", 25));  // the operator's own default replaces the first one
  CHECK(store.rateFor("4861234") == std::optional<int64_t>(25));
  CHECK_EQ(store.rates().front().centsPerMinute, 25);

  CHECK(store.addAccount("payer", "pw", "", 1000) == Store::AddResult::Added);
  struct Record {
    const char *account, *duration, *rate;
    int64_t cents;
  };
  // 61 s is two started minutes; a cut a moment after a whole minute is not
  // a new one; an answered call costs a first minute; no caller, no charge;
  // a rate that is no number costs nothing but keeps the record.
  const Record records[] = {{"payer", "61.0", "10", 20},   {"payer", "60.8", "100", 100}, {"payer", "0.4", "10", 10},
                            {"payer", "3599.9", "0", 0},   {"", "30", "10", 0},           {"payer", "120", "", 0},
                            {"payer", "30", "x1", 0}};
  auto db = Db::open(path, nullptr);
  CHECK(db);
  if (!db) return;
  int64_t spent = 0;
  for (const Record &r : records) {
    CHECK(db->query("INSERT INTO acc_cdrs (duration, account, number, cents_per_minute, callid) "
                    "VALUES (CAST($1 AS REAL), $2, '13800138000', $3, 'call')",
                    {Db::Param::text(r.duration), Db::Param::text(r.account), Db::Param::text(r.rate)})
              .ok);
    spent += r.cents;
    CHECK_EQ(store.account("payer")->balanceCents, 1000 - spent);
  }
  const auto charged = store.charges("payer", 10);
  CHECK_EQ(charged.size(), 6u);
  CHECK(charged.back().seconds == 61 && charged.back().cents == 20);
}

static void advertImage() {
  const std::string gif = defaultAdvertGif();
  CHECK(gif.compare(0, 6, "GIF89a") == 0);
  CHECK_EQ(static_cast<unsigned char>(gif[6]) | static_cast<unsigned char>(gif[7]) << 8, 300);
  CHECK_EQ(static_cast<unsigned char>(gif[8]) | static_cast<unsigned char>(gif[9]) << 8, 60);
  CHECK_EQ(gif.back(), ';');
  // A real decoder reads it: the blue band, white lettering, orange rule.
  QImage image;
  CHECK(image.loadFromData(reinterpret_cast<const uchar *>(gif.data()), static_cast<int>(gif.size()), "GIF"));
  CHECK(image.width() == 300 && image.height() == 60);
  if (image.isNull()) return;
  CHECK_EQ(image.pixelColor(0, 0).name().toStdString(), "#1c6cd8");
  CHECK_EQ(image.pixelColor(299, 0).name().toStdString(), "#00aaff");
  CHECK_EQ(image.pixelColor(150, 59).name().toStdString(), "#ff9800");
  CHECK_EQ(image.pixelColor(14 + 1, 12 + 2).name().toStdString(), "#ffffff");  // stem of the N
}

int main(int argc, char **argv) {
  QGuiApplication app(argc, argv);  // image format plugins
  int failed = RUN(storeAccounts) + RUN(storeCallbacksAndUpdates) + RUN(ratesAndCharges);
  if (!std::getenv("NUVOXA_TEST_PG_HOST"))
    failed += RUN(digestsAndBase64) + RUN(tokens) + RUN(moneyAndValidation) + RUN(advertImage);
  return failed == 0 ? 0 : 1;
}
