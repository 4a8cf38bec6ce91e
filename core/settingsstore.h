#ifndef NUVOXA_CORE_SETTINGSSTORE_H
#define NUVOXA_CORE_SETTINGSSTORE_H

#include <QList>
#include <QPair>
#include <QString>
#include <memory>

class QSettings;

// The remembered logins and the per-account record files, all INI files
// without extension in the settings folder:
//   login      one group per account: acc, pwd (empty unless remembered)
//   lastlogin  group "lastlogin": acc, pwd
//   autologin  group "AUTO": acc, pwd (its presence turns auto-login on)
//   phonedata<account>, frined<account>  history and contacts
namespace SettingsStore {

QString folder();
QString loginFile();
QString lastLoginFile();
QString autoLoginFile();
QString historyFile(const QString &account);   // "phonedata" + account
QString contactsFile(const QString &account);  // "frined" + account

// An account text as a piece of a file or group name. Ordinary accounts are
// returned unchanged; separators, control characters, "%" and a leading dot
// are percent-encoded, so no account reaches outside the settings folder,
// becomes a subgroup, or collides with another account.
QString safeName(const QString &account);

// Opens an INI file of the store (UTF-8). When `secret`, the file is created
// owner-only (0600) before QSettings first writes it; QSettings keeps the
// mode of an existing file when it rewrites it.
std::unique_ptr<QSettings> open(const QString &path, bool secret = false);

// Whether the store may write the file. The INI store rewrites a file that
// did not read cleanly without every part it skipped, so the bytes of such a
// file are first copied to damaged/<file>-<time> in the settings folder; if
// that fails, or the file cannot be read at all, it is left as it is (false).
bool writable(const QSettings &settings);

bool ensureFolder();

// The write sequence after a successful login. The caller shows the main
// window between the two calls.
void saveLogin(const QString &account, const QString &password, bool rememberPassword,
               bool autoLogin);
void saveLastLogin(const QString &account, const QString &password, bool rememberPassword);

void writeAutoLogin(const QString &account, const QString &password);
void removeAutoLogin();
bool autoLoginExists();

using Account = QPair<QString, QString>;  // account, password
// The first group of the autologin file, if any.
bool readAutoLogin(Account *account);
// Every group of the login file in group order.
QList<Account> readLogins();
// Every group of the lastlogin file.
QList<Account> readLastLogins();

}  // namespace SettingsStore

#endif
