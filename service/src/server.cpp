#include "server.h"

#include "codec.h"
#include "store.h"

#include <httplib.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace nuvoxa {

namespace {

const char kValidateSuffix[] = "rolo^_^";
const int64_t kMaxTopUpCents = 1000000;  // 10000.00 per top-up
// Browsers send a dozen or two; the client fewer.
const size_t kMaxHeaderCount = 64;
const size_t kWorkers = 32;

// What the cloud and page handlers share.
struct Context
{
    Context(Store &s, const ServiceConfig &c)
        : store(s)
        , config(c)
        , guard(s)
    {
    }
    Store &store;
    ServiceConfig config;
    Guard guard;
};

std::string accountKey(const std::string &what, const std::string &account)
{
    return what + "/acct/" + account;
}
// The client's address: the TCP peer, or behind one of the operator's
// proxies the address that proxy put last into X-Forwarded-For. Anything a
// client itself writes there comes before it and is not read; from any
// other peer the header is ignored, so a client cannot pick its address.
std::string clientAddress(const Context &ctx, const httplib::Request &req)
{
    const auto &trusted = ctx.config.trustedProxies;
    const size_t headers = req.get_header_value_count("X-Forwarded-For");
    if (headers == 0 || std::find(trusted.begin(), trusted.end(), req.remote_addr) == trusted.end())
        return req.remote_addr;
    const std::string value = req.get_header_value("X-Forwarded-For", headers - 1);
    const size_t comma = value.rfind(',');
    const std::string address =
        canonicalAddress(value.substr(comma == std::string::npos ? 0 : comma + 1));
    return address.empty() ? req.remote_addr : address;
}

std::string addressKey(const Context &ctx, const std::string &what, const httplib::Request &req)
{
    return what + "/addr/" + clientAddress(ctx, req);
}

std::string param(const httplib::Request &req, const char *key)
{
    return req.has_param(key) ? req.get_param_value(key) : std::string();
}

void plain(httplib::Response &res, const std::string &text)
{
    res.set_content(text, "text/plain; charset=utf-8");
}

// ---- cloud paths ---------------------------------------------------------

enum class Auth { Ok, Wrong, Locked };

// Checks a password digest for an account. Wrong digests count against the
// account and the client's address; either locked out refuses even the
// right one, so guessing gains nothing during the lock.
Auth checkPassword(Context &ctx, const httplib::Request &req, const std::string &acct,
    const std::string &pwd, std::optional<Account> *out)
{
    const std::string byAccount = accountKey("auth", acct),
                      byAddress = addressKey(ctx, "auth", req);
    if (ctx.guard.locked(byAccount, byAddress))
        return Auth::Locked;
    auto a = ctx.store.account(acct);
    if (!a || !equalsIgnoreCase(a->pwdMd5, pwd)) {
        ctx.guard.count(byAccount, ctx.config.limits.authPerAccount);
        ctx.guard.count(byAddress, ctx.config.limits.authPerAddress);
        return Auth::Wrong;
    }
    *out = std::move(a);
    return Auth::Ok;
}

// Checks acct + pwd (MD5 hex of the password). Returns the account, or
// sets the error word.
std::optional<Account> authenticate(Context &ctx, const httplib::Request &req, std::string *error)
{
    const std::string acct = param(req, "acct");
    const std::string pwd = param(req, "pwd");
    if (!isValidAccount(acct) || !isMd5Hex(pwd)) {
        *error = "ERROR_PARAM";
        return std::nullopt;
    }
    std::optional<Account> a;
    switch (checkPassword(ctx, req, acct, pwd, &a)) {
    case Auth::Ok:
        return a;
    case Auth::Wrong:
        *error = "ERROR_PASSWORD";
        break;
    case Auth::Locked:
        *error = "ERROR_LOCKED";
        break;
    }
    return std::nullopt;
}

std::string phoneAndBalance(const Account &a)
{
    return a.phone + "|" + formatMoney(a.balanceCents);
}

void installCloud(httplib::Server &server, Context &ctx)
{
    Store &store = ctx.store;
    server.Get("/cloud/login.aspx", [&ctx](const httplib::Request &req, httplib::Response &res) {
        std::string error;
        auto a = authenticate(ctx, req, &error);
        if (!a)
            return plain(res, error);
        const std::string validate = param(req, "validate");
        const std::string expected = md5Hex(a->account + param(req, "pwd") + kValidateSuffix);
        if (!equalsIgnoreCase(validate, expected))
            return plain(res, "ERROR_VALIDATE");
        plain(res, phoneAndBalance(*a));
    });

    server.Get("/cloud/balance.aspx", [&ctx](const httplib::Request &req, httplib::Response &res) {
        std::string error;
        auto a = authenticate(ctx, req, &error);
        plain(res, a ? phoneAndBalance(*a) : error);
    });

    server.Get("/cloud/callback.aspx", [&ctx](const httplib::Request &req, httplib::Response &res) {
        std::string error;
        auto a = authenticate(ctx, req, &error);
        if (!a)
            return plain(res, error);
        const std::string callee = param(req, "callee");
        const std::string caller = param(req, "caller");
        if (!isValidPhone(callee) || !isValidPhone(caller))
            return plain(res, "ERROR_NUMBER");
        // The first leg rings the account's own bound phone, never a number the
        // request names, and a call is paid for.
        if (a->phone.empty() || caller != a->phone)
            return plain(res, "ERROR_NUMBER");
        if (a->balanceCents <= 0)
            return plain(res, "ERROR_BALANCE");
        plain(res, ctx.store.addCallback(a->account, callee, caller) ? "OK" : "ERROR_SERVER");
    });

    const std::string sip = ctx.config.sipAddress;
    server.Get("/cloud/pc/server.aspx",
        [sip](const httplib::Request &, httplib::Response &res) { plain(res, sip); });

    server.Get(
        "/cloud/pc/onlieUpdate.xml", [&store](const httplib::Request &, httplib::Response &res) {
            res.set_content(store.manifest().value_or(""), "text/xml; charset=utf-8");
        });

    server.Get("/cloud/pc/onlieUpdate.xml.minisig",
        [&store](const httplib::Request &, httplib::Response &res) {
            auto sig = store.manifestSignature();
            if (!sig) {
                res.status = 404;
                return plain(res, "NOT_FOUND");
            }
            res.set_content(*sig, "text/plain; charset=utf-8");
        });

    server.Get("/cloud/pc/app/hd.gif", [&store](const httplib::Request &, httplib::Response &res) {
        auto gif = store.advert();
        if (!gif) {
            res.status = 404;
            return plain(res, "NOT_FOUND");
        }
        res.set_content(*gif, "image/gif");
    });

    server.Get(
        R"(/cloud/pc/app/([^/]+))", [&store](const httplib::Request &req, httplib::Response &res) {
            auto data = store.updateFile(req.matches[1]);
            if (!data) {
                res.status = 404;
                return plain(res, "NOT_FOUND");
            }
            res.set_content(*data, "application/octet-stream");
        });
}

// ---- web pages -----------------------------------------------------------

std::string page(const std::string &title, const std::string &body)
{
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width\">"
           "<title>"
        + htmlEscape(title)
        + " - Nuvoxa</title><style>"
          "body{font-family:sans-serif;margin:0;background:#f4f7fb;color:#07467b}"
          "header{background:rgb(28,108,216);color:#fff;padding:12px 24px;font-size:20px}"
          "header a{color:#fff;text-decoration:none}"
          "main{max-width:560px;margin:24px auto;background:#fff;padding:20px "
          "28px;border-radius:6px;"
          "box-shadow:0 1px 4px rgba(0,0,0,.15)}"
          "a{color:rgb(0,170,255)}label{display:block;margin:10px 0 4px}"
          "input{padding:6px;width:100%;box-sizing:border-box}"
          "button{margin-top:14px;padding:8px "
          "20px;background:rgb(28,108,216);color:#fff;border:0;border-radius:4px}"
          ".error{color:#c62828}.ok{color:#2e7d32}table{border-collapse:collapse;width:100%}"
          "td,th{border-bottom:1px solid #ddd;padding:4px;text-align:left}"
          "</style></head><body><header><a href=\"/\">Nuvoxa</a></header><main><h2>"
        + htmlEscape(title) + "</h2>\n" + body + "\n</main></body></html>\n";
}

void html(
    httplib::Response &res, const std::string &title, const std::string &body, int status = 200)
{
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("Content-Security-Policy",
        "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'");
    res.set_content(page(title, body), "text/html; charset=utf-8");
}

void badToken(httplib::Response &res)
{
    html(res, "链接无效",
        "<p class=\"error\">这个链接无效或已过期，无法确认您的账号。</p>"
        "<p>请在 Nuvoxa 客户端中重新登录后再打开本页面。</p><p><a href=\"/\">返回首页</a></p>",
        403);
}

void tooMany(httplib::Response &res)
{
    html(res, "请稍后再试",
        "<p class=\"error\">尝试次数过多，请稍后再试。</p><p><a href=\"/\">返回首页</a></p>", 429);
}

// Resolves the `v` token to its account; otherwise answers with the
// refusal page.
std::optional<Account> tokenAccount(
    Context &ctx, const httplib::Request &req, httplib::Response &res)
{
    auto t = parseToken(param(req, "v"));
    if (!t) {
        badToken(res);
        return std::nullopt;
    }
    std::optional<Account> a;
    switch (checkPassword(ctx, req, t->account, t->pwdMd5, &a)) {
    case Auth::Ok:
        return a;
    case Auth::Wrong:
        badToken(res);
        break;
    case Auth::Locked:
        tooMany(res);
        break;
    }
    return std::nullopt;
}

std::string tokenQuery(const Account &a)
{
    return "?v=" + httplib::detail::encode_query_param(makeToken(a.account, a.pwdMd5));
}

std::string hiddenToken(const Account &a)
{
    return "<input type=\"hidden\" name=\"v\" value=\"" + htmlEscape(makeToken(a.account, a.pwdMd5))
        + "\">";
}

std::string accountLinks(const Account &a)
{
    const std::string q = tokenQuery(a);
    return "<p><a href=\"/user/usercenter.aspx" + q + "\">用户中心</a> · <a href=\"/pay_list" + q
        + "\">充值</a> · <a href=\"/Reg_suc2.aspx" + q
        + "\">绑定手机</a> · <a href=\"/free_call.aspx" + q + "\">免费通话</a></p>";
}

std::string registerForm(
    const std::string &message, const std::string &account, const std::string &phone)
{
    std::string body;
    if (!message.empty())
        body += "<p class=\"error\">" + htmlEscape(message) + "</p>";
    body += "<form method=\"post\" action=\"/register.aspx\">"
            "<label for=\"account\">账号（1-32 位字母、数字或 . _ -）</label>"
            "<input id=\"account\" name=\"account\" maxlength=\"32\" required value=\""
        + htmlEscape(account)
        + "\">"
          "<label for=\"password\">密码（6-64 位）</label>"
          "<input id=\"password\" name=\"password\" type=\"password\" maxlength=\"64\" required>"
          "<label for=\"password2\">确认密码</label>"
          "<input id=\"password2\" name=\"password2\" type=\"password\" maxlength=\"64\" required>"
          "<label for=\"phone\">手机号码（可不填，之后可在用户中心绑定）</label>"
          "<input id=\"phone\" name=\"phone\" maxlength=\"21\" value=\""
        + htmlEscape(phone)
        + "\">"
          "<button type=\"submit\">注册</button></form>";
    return body;
}

void installWeb(httplib::Server &server, Context &ctx)
{
    Store &store = ctx.store;
    server.Get("/", [](const httplib::Request &, httplib::Response &res) {
        html(res, "欢迎使用 Nuvoxa 网络电话",
            "<p>"
            "用电脑拨打固定电话、手机和国际长途：直拨走电脑的麦克风和扬声器，回拨则先呼叫您绑定的手"
            "机，"
            "再接通对方。</p><ul>"
            "<li><a href=\"/register.aspx\">注册账号</a></li>"
            "<li><a href=\"/forgetpwd.aspx\">忘记密码</a></li>"
            "<li><a href=\"/free_call.aspx\">免费通话说明</a></li></ul>"
            "<p>客服电话：10000000000（客户端内可直接拨打）</p>");
    });

    server.Get("/register.aspx", [](const httplib::Request &, httplib::Response &res) {
        html(res, "注册账号", registerForm("", "", ""));
    });

    server.Post(
        "/register.aspx", [&ctx, &store](const httplib::Request &req, httplib::Response &res) {
            // Every attempt counts: refusals too tell which names are taken.
            if (!ctx.guard.take(
                    addressKey(ctx, "register", req), ctx.config.limits.registerPerAddress))
                return tooMany(res);
            const std::string account = param(req, "account");
            const std::string password = param(req, "password");
            const std::string password2 = param(req, "password2");
            const std::string phone = param(req, "phone");
            std::string error;
            if (!isValidAccount(account))
                error = "账号只能由 1-32 位字母、数字或 . _ - 组成。";
            else if (isGatewayNumber(account))
                error = "这是电话网络的号码，不能用作账号；纯数字的账号须为 8 开头的 8 位号码。";
            else if (!isValidPassword(password) || password.size() < 6)
                error = "密码需为 6-64 位，且不能含控制字符。";
            else if (password != password2)
                error = "两次输入的密码不一致。";
            else if (!phone.empty() && !isValidPhone(phone))
                error = "手机号码格式不正确。";
            if (!error.empty())
                return html(res, "注册账号", registerForm(error, account, phone), 400);

            // The phone is bound only once its code comes back.
            switch (store.addAccount(account, password, "", 0)) {
            case Store::AddResult::Exists:
                return html(res, "注册账号",
                    registerForm("账号 " + account + " 已被注册，请换一个。", account, phone), 409);
            case Store::AddResult::Failed:
                return html(res, "注册账号",
                    registerForm("服务暂时不可用，请稍后再试。", account, phone), 500);
            case Store::AddResult::Added:
                break;
            }
            auto a = store.account(account);
            if (!a)
                return html(res, "注册账号",
                    registerForm("服务暂时不可用，请稍后再试。", account, phone), 500);
            std::string body = "<p class=\"ok\">账号 <b>" + htmlEscape(account)
                + "</b> 注册成功，现在就可以在客户端登录。</p>";
            if (!phone.empty()
                && ctx.guard.take(accountKey("bind", account), ctx.config.limits.bindPerAccount)
                && store.sendBindCode(account, phone))
                body += "<p>验证码已发送到 " + htmlEscape(phone) + "，请在<a href=\"/Reg_suc2.aspx"
                    + tokenQuery(*a) + "\">绑定手机</a>页面输入，10 分钟内有效。</p>";
            html(res, "注册成功", body + accountLinks(*a));
        });

    server.Get("/forgetpwd.aspx", [](const httplib::Request &, httplib::Response &res) {
        html(res, "忘记密码",
            "<p>为了账号安全，密码不能在网页上找回。</p>"
            "<p>请用绑定的手机拨打客服电话 <b>10000000000</b>，核实身份后客服会为您重置密码。</p>"
            "<p><a href=\"/\">返回首页</a></p>");
    });

    server.Get("/user/usercenter.aspx",
        [&ctx, &store](const httplib::Request &req, httplib::Response &res) {
            auto a = tokenAccount(ctx, req, res);
            if (!a)
                return;
            std::string body = "<table><tr><th>账号</th><td>" + htmlEscape(a->account)
                + "</td></tr>"
                  "<tr><th>余额</th><td>"
                + formatMoney(a->balanceCents)
                + " 元</td></tr>"
                  "<tr><th>绑定手机</th><td>"
                + (a->phone.empty() ? std::string("未绑定（<a href=\"/Reg_suc2.aspx")
                            + tokenQuery(*a) + "\">去绑定</a>）"
                                    : htmlEscape(a->phone))
                + "</td></tr><tr><th>注册时间</th><td>" + htmlEscape(a->created)
                + " UTC</td></tr></table>";
            body += "<h3>最近的回拨请求</h3>";
            auto list = store.callbacks(a->account, 10);
            if (list.empty()) {
                body += "<p>暂无回拨记录。</p>";
            } else {
                body += "<table><tr><th>时间 (UTC)</th><th>被叫</th><th>主叫</th></tr>";
                for (const auto &c : list)
                    body += "<tr><td>" + htmlEscape(c.created) + "</td><td>" + htmlEscape(c.callee)
                        + "</td><td>" + htmlEscape(c.caller) + "</td></tr>";
                body += "</table>";
            }
            html(res, "用户中心", body + accountLinks(*a));
        });

    auto topUpForm = [](const Account &a, const std::string &message, bool ok) {
        std::string body =
            "<p class=\"error\">演示充值：不收取任何费用，金额直接记入余额，仅供试用本服务。</p>";
        if (!message.empty())
            body += std::string("<p class=\"") + (ok ? "ok" : "error") + "\">" + htmlEscape(message)
                + "</p>";
        body += "<p>账号 <b>" + htmlEscape(a.account) + "</b>，当前余额 <b>"
            + formatMoney(a.balanceCents)
            + " 元</b>。</p><form method=\"post\" action=\"/pay_list\">" + hiddenToken(a)
            + "<label for=\"amount\">充值金额（元，最多两位小数，单次不超过 10000）</label>"
              "<input id=\"amount\" name=\"amount\" maxlength=\"12\" required>"
              "<button type=\"submit\">充值</button></form>"
            + accountLinks(a);
        return body;
    };

    const std::string noPayments = "<p>本服务尚未开通在线充值，请联系客服充值。</p>";
    server.Get("/pay_list",
        [&ctx, topUpForm, noPayments](const httplib::Request &req, httplib::Response &res) {
            auto a = tokenAccount(ctx, req, res);
            if (!a)
                return;
            html(res, "账户充值",
                ctx.config.demoPayments ? topUpForm(*a, "", false) : noPayments + accountLinks(*a));
        });

    server.Post("/pay_list",
        [&ctx, &store, topUpForm, noPayments](const httplib::Request &req, httplib::Response &res) {
            auto a = tokenAccount(ctx, req, res);
            if (!a)
                return;
            if (!ctx.config.demoPayments)
                return html(res, "账户充值", noPayments + accountLinks(*a), 403);
            if (!ctx.guard.take(accountKey("topup", a->account), ctx.config.limits.topUpPerAccount)
                || !ctx.guard.take(
                    addressKey(ctx, "topup", req), ctx.config.limits.topUpPerAddress))
                return tooMany(res);
            auto cents = parseMoney(param(req, "amount"), kMaxTopUpCents);
            if (!cents || *cents <= 0)
                return html(res, "账户充值",
                    topUpForm(*a, "请输入 0.01 到 10000 之间的金额。", false), 400);
            auto balance = store.addBalance(a->account, *cents);
            if (!balance)
                return html(res, "账户充值", topUpForm(*a, "充值失败，请稍后再试。", false), 500);
            a->balanceCents = *balance;
            html(
                res, "账户充值", topUpForm(*a, "充值成功：" + formatMoney(*cents) + " 元。", true));
        });

    auto bindForm = [](const Account &a, const std::string &message, bool ok) {
        std::string body;
        if (!message.empty())
            body += std::string("<p class=\"") + (ok ? "ok" : "error") + "\">" + htmlEscape(message)
                + "</p>";
        body += "<p>账号 <b>" + htmlEscape(a.account) + "</b>，当前绑定手机：<b>"
            + (a.phone.empty() ? std::string("未绑定") : htmlEscape(a.phone))
            + "</b>。</p><p>绑定手机后即可使用回拨：系统先呼叫您的手机，再接通对方。</p>"
              "<form method=\"post\" action=\"/Reg_suc2.aspx\">"
            + hiddenToken(a)
            + "<label for=\"phone\">手机号码</label>"
              "<input id=\"phone\" name=\"phone\" maxlength=\"21\" required>"
              "<button type=\"submit\">获取验证码</button></form>"
            + accountLinks(a);
        return body;
    };

    auto codeForm = [](const Account &a, const std::string &phone, const std::string &message,
                        bool ok) {
        return std::string("<p class=\"") + (ok ? "ok" : "error") + "\">" + htmlEscape(message)
            + "</p>" + "<form method=\"post\" action=\"/Reg_suc2.aspx\">" + hiddenToken(a)
            + "<input type=\"hidden\" name=\"phone\" value=\"" + htmlEscape(phone)
            + "\">"
              "<label for=\"code\">发送到 "
            + htmlEscape(phone)
            + " 的 6 位验证码</label>"
              "<input id=\"code\" name=\"code\" maxlength=\"6\" inputmode=\"numeric\" "
              "autocomplete=\"one-time-code\" required>"
              "<button type=\"submit\">确认绑定</button></form>"
            + accountLinks(a);
    };

    server.Get(
        "/Reg_suc2.aspx", [&ctx, bindForm](const httplib::Request &req, httplib::Response &res) {
            auto a = tokenAccount(ctx, req, res);
            if (!a)
                return;
            html(res, "绑定手机", bindForm(*a, "", false));
        });

    // Without a code the form sends one to the phone; with one it binds.
    // Requests and wrong codes share one limit, which leaves a guesser a few
    // tries at a million codes.
    server.Post("/Reg_suc2.aspx",
        [&ctx, &store, bindForm, codeForm](const httplib::Request &req, httplib::Response &res) {
            auto a = tokenAccount(ctx, req, res);
            if (!a)
                return;
            const std::string phone = param(req, "phone");
            const std::string code = param(req, "code");
            if (!isValidPhone(phone))
                return html(res, "绑定手机", bindForm(*a, "手机号码格式不正确。", false), 400);
            const std::string key = accountKey("bind", a->account);
            if (ctx.guard.locked(key))
                return tooMany(res);
            if (code.empty()) {
                ctx.guard.count(key, ctx.config.limits.bindPerAccount);
                if (!store.sendBindCode(a->account, phone))
                    return html(
                        res, "绑定手机", bindForm(*a, "验证码发送失败，请稍后再试。", false), 500);
                return html(res, "绑定手机",
                    codeForm(*a, phone, "验证码已发送到 " + phone + "，10 分钟内有效。", true));
            }
            switch (store.confirmBind(a->account, phone, code)) {
            case Store::BindResult::Bound:
                a->phone = phone;
                return html(res, "绑定手机", bindForm(*a, "绑定成功。", true));
            case Store::BindResult::WrongCode:
                ctx.guard.count(key, ctx.config.limits.bindPerAccount);
                return html(res, "绑定手机", codeForm(*a, phone, "验证码不正确。", false), 400);
            case Store::BindResult::NoCode:
                return html(
                    res, "绑定手机", bindForm(*a, "验证码已失效，请重新获取。", false), 400);
            case Store::BindResult::Failed:
                break;
            }
            html(res, "绑定手机", bindForm(*a, "绑定失败，请稍后再试。", false), 500);
        });

    server.Get("/free_call.aspx", [&ctx](const httplib::Request &req, httplib::Response &res) {
        std::string body;
        if (req.has_param("v")) {
            auto a = tokenAccount(ctx, req, res);
            if (!a)
                return;
            body += "<p>您好，<b>" + htmlEscape(a->account) + "</b>。</p>";
            if (a->phone.empty())
                body += "<p>您还没有绑定手机，<a href=\"/Reg_suc2.aspx" + tokenQuery(*a)
                    + "\">绑定手机</a>后即可获得免费分钟数。</p>";
        }
        body += "<p>拨打客服电话 10000000000 永久免费。</p>"
                "<p>"
                "绑定手机号码的账号每月可获得免费通话分钟数，直拨和回拨均可使用；用完后按正常资费从"
                "余额扣除。</p>"
                "<p><a href=\"/\">返回首页</a></p>";
        html(res, "免费通话", body);
    });
}

}  // namespace

void installRoutes(httplib::Server &server, Store &store, const ServiceConfig &config)
{
    auto ctx = std::make_shared<Context>(store, config);
    // Forms here are a few short fields; nothing needs a large body.
    server.set_payload_max_length(64 * 1024);
    // A client must send or take each part of a request within the time-outs
    // and may keep a connection for a few requests only. The library has no
    // deadline for a whole request: a client trickling a byte every few
    // seconds keeps a worker, so there are more workers than its default 8.
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    server.set_keep_alive_timeout(2);
    server.set_keep_alive_max_count(20);
    // A response goes out in more than one write (headers, then body, each a
    // TLS record): with Nagle's algorithm on, the second waits for the
    // client's delayed ACK, some 40 ms a request.
    server.set_tcp_nodelay(true);
    server.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
    // The library reads every header line (8 KiB each) before this; what it
    // bounds is what the pages then handle. The context lives as long as
    // this handler, that is as long as the server.
    server.set_pre_routing_handler([ctx](const httplib::Request &req, httplib::Response &res) {
        if (req.headers.size() <= kMaxHeaderCount)
            return httplib::Server::HandlerResponse::Unhandled;
        res.status = 431;
        plain(res, "ERROR_PARAM");
        return httplib::Server::HandlerResponse::Handled;
    });
    installCloud(server, *ctx);
    installWeb(server, *ctx);
    server.set_error_handler([](const httplib::Request &req, httplib::Response &res) {
        if (!res.body.empty())
            return;
        if (req.path.rfind("/cloud/", 0) == 0) {
            plain(res, res.status == 404 ? "NOT_FOUND" : "ERROR");
            return;
        }
        html(res, res.status == 404 ? "页面不存在" : "出错了", "<p><a href=\"/\">返回首页</a></p>",
            res.status);
    });
    server.set_logger([](const httplib::Request &req, const httplib::Response &res) {
        // The path only: queries carry password digests.
        std::printf("%s %s %d\n", req.method.c_str(), req.path.c_str(), res.status);
        std::fflush(stdout);
    });
}

}  // namespace nuvoxa
