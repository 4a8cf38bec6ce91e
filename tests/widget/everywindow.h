// Every window of the client and the update program, made as the programs
// make them, for the tests that walk them all (accessibility, languages).
#ifndef NUVOXA_TESTS_EVERYWINDOW_H
#define NUVOXA_TESTS_EVERYWINDOW_H

#include "app/accountpages.h"
#include "app/globals.h"
#include "audio/hltestaudio.h"
#include "core/recordstore.h"
#include "login/giflogin.h"
#include "login/widget.h"
#include "mainwindow/callstate.h"
#include "mainwindow/incomingcall.h"
#include "mainwindow/mianwindow.h"
#include "records/addfriend.h"
#include "records/callrecord.h"
#include "records/editfriend.h"
#include "settings/settingdlg.h"
#include "settings/userdlg.h"
#include "updater/updatewindow.h"
#include "widgets/leavetimewidget.h"

#include <QCoreApplication>

#include <functional>
#include <iterator>

namespace EveryWindow {

// A logged-in main window with one history entry and one contact, 张三;
// without a bound phone it offers to bind one.
inline QWidget *mainWindow(bool bound = true)
{
    g_account = "1001";
    g_password = "secret";
    g_bindPhone = bound ? "13800000000" : "";
    g_balance = "12.50";
    g_adReady = false;
    g_callState = 0;
    HistoryStore("1001").write({"24.05.01 10:00", "13900000000", "out", "张三"});
    ContactStore("1001").save("张三", "13900000000");
    return new MianWindow;
}

// The update program's window as it fetches the manifest.
inline QWidget *updateWindow()
{
    auto *window = new UpdateWindow(nullptr);
    window->setStatus(QCoreApplication::translate("UpdateJob", "正在获取更新信息…"));
    return window;
}

inline QWidget *record(bool history)
{
    auto *row = new CallRecord;
    const PHONEDATA data{history ? "24.05.01 10:00" : "", "13900000000", history ? "out" : "", "张三"};
    if (history)
        row->setHistoryData(data);
    else
        row->setContactData(data);
    return row;
}

struct Entry
{
    const char *window;
    std::function<QWidget *()> make;
};

inline const Entry kWindows[] = {
    {"login", [] { return new Widget; }},
    {"login progress", [] { return new GifLogin; }},
    {"main", [] { return mainWindow(); }},
    {"settings", [] { return new SettingDlg; }},
    {"agreement", [] { return new UserDlg; }},
    {"audio test", [] { return new HLTestAudio; }},
    {"add contact", [] { return new AddFriend; }},
    {"edit contact", [] { return new EditFriend; }},
    {"bind popup", [] { return new leaveTimeWidget(AccountPages::withToken(QStringLiteral("/Reg_suc2.aspx?v="))); }},
    {"history row", [] { return record(true); }},
    {"contact row", [] { return record(false); }},
    {"update", updateWindow},
    {"main unbound", [] { return mainWindow(false); }},
    {"incoming call", [] { return new IncomingCall; }},
};

inline constexpr int kCount = int(std::size(kWindows));

}  // namespace EveryWindow

#endif
