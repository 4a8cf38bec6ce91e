// A few assertion macros for the service tests (plain C++, no Qt).
#pragma once

#include <stdlib.h>

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
