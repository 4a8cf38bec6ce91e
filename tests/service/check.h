// A few assertion macros for the service tests (plain C++, no Qt), and
// their scratch folders and databases.
#pragma once

#include "db.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

namespace check {
inline int &failures() {
  static int n = 0;
  return n;
}
inline void fail(const char *file, int line, const std::string &what) {
  ++failures();
  std::cerr << file << ":" << line << ": FAIL: " << what << "\n";
}
template <typename A, typename B>
void equal(const A &a, const B &b, const char *as, const char *bs, const char *file, int line) {
  if (a == b) return;
  std::ostringstream s;
  s << as << " == " << bs << "\n    got:      " << a << "\n    expected: " << b;
  fail(file, line, s.str());
}
inline int run(const char *name, void (*fn)()) {
  int before = failures();
  fn();
  std::cout << (failures() == before ? "PASS " : "FAIL ") << name << std::endl;
  return failures() - before;
}
// A fresh folder that is removed with the object.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nuvoxa-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  const std::string &path() const { return path_; }

 private:
  std::string path_;
};
}  // namespace check

#define CHECK(cond) \
  do { \
    if (!(cond)) check::fail(__FILE__, __LINE__, #cond); \
  } while (0)
#define CHECK_EQ(a, b) check::equal((a), (b), #a, #b, __FILE__, __LINE__)
#define RUN(fn) check::run(#fn, fn)

namespace check {
// A new, empty database for one case: an SQLite file in `dir`, or under
// with-postgres.sh a database of that name on its server.
inline std::string freshDb(const TempDir &dir, const std::string &name) {
  const char *host = std::getenv("NUVOXA_TEST_PG_HOST");
  if (!host) return dir.path() + "/" + name + ".sqlite";
  const std::string server = std::string("postgresql:///postgres?user=postgres&host=") + host;
  auto admin = nuvoxa::Db::open(server, nullptr);
  CHECK(admin);
  if (!admin) return server;
  // Names are the tests' own constants; a database name cannot be bound.
  CHECK(admin->query(("DROP DATABASE IF EXISTS " + name).c_str()).ok);
  CHECK(admin->query(("CREATE DATABASE " + name).c_str()).ok);
  return "postgresql:///" + name + "?user=postgres&host=" + host;
}
}  // namespace check
