<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AddFriend</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>姓名：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>姓名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>电话：</source>
        <translation>Phone:</translation>
    </message>
    <message>
        <source>电话</source>
        <translation>Phone</translation>
    </message>
    <message>
        <source>Nuvoxa</source>
        <translation>Nuvoxa</translation>
    </message>
    <message>
        <source>电话号码不能为空</source>
        <translation>The phone number must not be empty</translation>
    </message>
    <message>
        <source>添加联系人</source>
        <translation>Add contact</translation>
    </message>
</context>
<context>
    <name>CallRecord</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>网络电话直拨</source>
        <translation>Internet direct call</translation>
    </message>
    <message>
        <source>回拨呼叫</source>
        <translation>Callback call</translation>
    </message>
    <message>
        <source>头像</source>
        <translation>Avatar</translation>
    </message>
    <message>
        <source>呼出电话</source>
        <translation>Outgoing call</translation>
    </message>
    <message>
        <source>呼入电话</source>
        <translation>Incoming call</translation>
    </message>
    <message>
        <source>未接来电</source>
        <translation>Missed call</translation>
    </message>
</context>
<context>
    <name>EditFriend</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>修改</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>姓名：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>姓名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>电话：</source>
        <translation>Phone:</translation>
    </message>
    <message>
        <source>电话</source>
        <translation>Phone</translation>
    </message>
</context>
<context>
    <name>GifLogin</name>
    <message>
        <source>Nuvoxa</source>
        <translation>Nuvoxa</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>HLTestAudio</name>
    <message>
        <source>语音测试</source>
        <translation>Sound test</translation>
    </message>
    <message>
        <source>语音测试向导</source>
        <translation>Sound test wizard</translation>
    </message>
    <message>
        <source>开始测试</source>
        <translation>Start test</translation>
    </message>
    <message>
        <source>请对着麦克风说话，如果听到自己的声音说明电脑设备正常；如果听不到自己的声音，请检查您的耳机或麦克风是否与电脑连接正常。</source>
        <translation>Speak into the microphone. If you hear yourself, your devices work; if you do not, check that your headset or microphone is connected to the computer.</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>  语音测试</source>
        <translation>  Sound test</translation>
    </message>
    <message>
        <source>停止测试</source>
        <translation>Stop test</translation>
    </message>
</context>
<context>
    <name>IncomingCall</name>
    <message>
        <source>来电</source>
        <translation>Incoming call</translation>
    </message>
    <message>
        <source>来电号码</source>
        <translation>Caller</translation>
    </message>
    <message>
        <source>联系人</source>
        <translation>Contact</translation>
    </message>
    <message>
        <source>接听</source>
        <translation>Answer</translation>
    </message>
    <message>
        <source>拒绝</source>
        <translation>Decline</translation>
    </message>
    <message>
        <source>未知号码</source>
        <translation>Unknown number</translation>
    </message>
</context>
<context>
    <name>Installer</name>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation>Cannot create the folder %1</translation>
    </message>
    <message>
        <source>%1 是一个文件夹</source>
        <translation>%1 is a folder</translation>
    </message>
    <message>
        <source>无法备份 %1：%2</source>
        <translation>Cannot back up %1: %2</translation>
    </message>
    <message>
        <source>无法替换 %1：%2</source>
        <translation>Cannot replace %1: %2</translation>
    </message>
</context>
<context>
    <name>MessageBox</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
</context>
<context>
    <name>MianWindow</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>拨号提示</source>
        <translation>Dialling hints</translation>
    </message>
    <message>
        <source>挂断</source>
        <translation>Hang up</translation>
    </message>
    <message>
        <source>扬声器静音</source>
        <translation>Mute speaker</translation>
    </message>
    <message>
        <source>扬声器音量</source>
        <translation>Speaker volume</translation>
    </message>
    <message>
        <source>麦克风静音</source>
        <translation>Mute microphone</translation>
    </message>
    <message>
        <source>麦克风音量</source>
        <translation>Microphone volume</translation>
    </message>
    <message>
        <source>添加联系人</source>
        <translation>Add contact</translation>
    </message>
    <message>
        <source>电话号码</source>
        <translation>Phone number</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>长按清空号码</source>
        <translation>Hold to clear the number</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>2 ABC</source>
        <translation>2 ABC</translation>
    </message>
    <message>
        <source>3 DEF</source>
        <translation>3 DEF</translation>
    </message>
    <message>
        <source>4 GHI</source>
        <translation>4 GHI</translation>
    </message>
    <message>
        <source>5 JKL</source>
        <translation>5 JKL</translation>
    </message>
    <message>
        <source>6 MNO</source>
        <translation>6 MNO</translation>
    </message>
    <message>
        <source>7 PQRS</source>
        <translation>7 PQRS</translation>
    </message>
    <message>
        <source>8 TUV</source>
        <translation>8 TUV</translation>
    </message>
    <message>
        <source>9 WXYZ</source>
        <translation>9 WXYZ</translation>
    </message>
    <message>
        <source>*</source>
        <translation>*</translation>
    </message>
    <message>
        <source>0 +</source>
        <translation>0 +</translation>
    </message>
    <message>
        <source>长按输入 +</source>
        <translation>Hold to enter +</translation>
    </message>
    <message>
        <source>#</source>
        <translation>#</translation>
    </message>
    <message>
        <source>直接拨打</source>
        <translation>Direct call</translation>
    </message>
    <message>
        <source>回拨</source>
        <translation>Callback</translation>
    </message>
    <message>
        <source>通话记录</source>
        <translation>Call history</translation>
    </message>
    <message>
        <source>联系人</source>
        <translation>Contacts</translation>
    </message>
    <message>
        <source>头像</source>
        <translation>Avatar</translation>
    </message>
    <message>
        <source>余额</source>
        <translation>Balance</translation>
    </message>
    <message>
        <source>现在绑定</source>
        <translation>Bind now</translation>
    </message>
    <message>
        <source>充值</source>
        <translation>Top up</translation>
    </message>
    <message>
        <source>语音测试</source>
        <translation>Sound test</translation>
    </message>
    <message>
        <source>个人中心</source>
        <translation>My account</translation>
    </message>
    <message>
        <source>基本设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>拨号</source>
        <translation>Dial</translation>
    </message>
    <message>
        <source>Nuvoxa</source>
        <translation>Nuvoxa</translation>
    </message>
    <message>
        <source>网络直拨</source>
        <translation>Internet call</translation>
    </message>
    <message>
        <source>元</source>
        <translation> CNY</translation>
    </message>
    <message>
        <source>&lt;a href = %1&gt;%2&lt;/a&gt;</source>
        <translation>&lt;a href = %1&gt;%2&lt;/a&gt;</translation>
    </message>
    <message>
        <source>绑定手机号码</source>
        <translation>Bind your phone</translation>
    </message>
    <message>
        <source>绑定号码:</source>
        <translation>Phone: </translation>
    </message>
    <message>
        <source>无效被叫号码</source>
        <translation>Invalid number</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>呼叫失败，请稍后再试！</source>
        <translation>The call failed, please try again later!</translation>
    </message>
    <message>
        <source> 正在呼叫：%1</source>
        <translation> Calling: %1</translation>
    </message>
    <message>
        <source>呼叫失败</source>
        <translation>Call failed</translation>
    </message>
    <message>
        <source>主叫和被叫电话号码不能一样！</source>
        <translation>You cannot call your own bound number!</translation>
    </message>
    <message>
        <source>正在呼叫：</source>
        <translation>Calling: </translation>
    </message>
    <message>
        <source>，稍后您的电话将会响铃，请接听来电（有可能是未知号码，请放心接听）</source>
        <translation>. Your phone will ring shortly; please answer it (the caller may show as an unknown number).</translation>
    </message>
    <message>
        <source>绑定手机号码才能使用该功能（绑定成功可获得免费分钟数）。</source>
        <translation>Bind your mobile number to use this feature (binding earns you free minutes).</translation>
    </message>
    <message>
        <source>您与 %1 通话 %2</source>
        <translation>Call with %1: %2</translation>
    </message>
    <message>
        <source>  客服热线：10000000000</source>
        <translation>  Service line: 10000000000</translation>
    </message>
    <message>
        <source>  手机 - 直接拨打</source>
        <translation>  Mobile - dial directly</translation>
    </message>
    <message>
        <source>  固话 - 区号+电话号码</source>
        <translation>  Landline - area code+number</translation>
    </message>
    <message>
        <source>  国际长途 - 00+国际区号+号码</source>
        <translation>  International - 00+country code+number</translation>
    </message>
    <message>
        <source>网络电话直拨</source>
        <translation>Internet direct call</translation>
    </message>
    <message>
        <source>网络电话直拨：只需要您的网速良好</source>
        <translation>Internet direct call: needs only a good connection</translation>
    </message>
    <message>
        <source>Nuvoxa回拨电话</source>
        <translation>Nuvoxa callback</translation>
    </message>
    <message>
        <source>回拨：网速慢和网络不稳定时使用，通话不受网络影响，%1通话不耗流量，回拨相当于Nuvoxa同时呼叫两个号码，%2变拨打为接听电话，回拨的费用为直拨的2倍</source>
        <translation>Callback: for slow or unsteady connections; the call does not depend on the network%1and uses no data. Nuvoxa calls both numbers at once,%2so you answer instead of dialling. A callback costs twice a direct call.</translation>
    </message>
    <message>
        <source>编辑联系人</source>
        <translation>Edit contact</translation>
    </message>
    <message>
        <source>从通讯录删除</source>
        <translation>Delete contact</translation>
    </message>
    <message>
        <source>删除该条记录</source>
        <translation>Delete this entry</translation>
    </message>
    <message>
        <source>删除所有记录</source>
        <translation>Delete all entries</translation>
    </message>
    <message>
        <source>Nuvoxa客服</source>
        <translation>Nuvoxa service</translation>
    </message>
    <message>
        <source>是否删除本条记录</source>
        <translation>Delete this entry?</translation>
    </message>
    <message>
        <source>是否删除所有记录</source>
        <translation>Delete all entries?</translation>
    </message>
    <message>
        <source>联系人已存在!</source>
        <translation>The contact exists already!</translation>
    </message>
    <message>
        <source>是否删该联系人</source>
        <translation>Delete this contact?</translation>
    </message>
    <message>
        <source>宋体</source>
        <translation>SimSun</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>确定关闭Nuvoxa？</source>
        <translation>Close Nuvoxa?</translation>
    </message>
    <message>
        <source>未知号码</source>
        <translation>Unknown number</translation>
    </message>
    <message>
        <source>来电</source>
        <translation>Incoming call</translation>
    </message>
    <message>
        <source>未接来电</source>
        <translation>Missed call</translation>
    </message>
</context>
<context>
    <name>MyTitleBar</name>
    <message>
        <source>最小化</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>MyTitleBarClass</name>
    <message>
        <source>MyTitleBar</source>
        <translation>MyTitleBar</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>NumberLink</name>
    <message>
        <source>无法拨打这个号码：号码只能由数字、* 和 # 组成，最长 25 位。</source>
        <translation>This number cannot be dialled: a number holds only digits, * and #, at most 25 of them.</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Nuvoxa</source>
        <translation>Nuvoxa</translation>
    </message>
    <message>
        <source>更新失败：%1
原来的版本已保留。</source>
        <translation>The update failed: %1
The previous version was kept.</translation>
    </message>
    <message>
        <source>无法重新启动Nuvoxa，请手动启动。</source>
        <translation>Nuvoxa could not be restarted; please start it yourself.</translation>
    </message>
</context>
<context>
    <name>SettingDlg</name>
    <message>
        <source>系统设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>在线升级</source>
        <translation>Updates</translation>
    </message>
    <message>
        <source>关于我们</source>
        <translation>About</translation>
    </message>
    <message>
        <source>  Nuvoxa是目前国内领先的网络电话品牌软件。Nuvoxa通过WIFI/3G/PGRS流量直接拨打电话，和手机直接打电话完全一样， 绝非对讲机或语音短信，Nuvoxa集当前最先进技术研发，品质卓越，高清音质，话费低廉，支持电脑、手机使用，注册最高赠送60分钟免费电话通话时间，欢迎免费下载！

版本号：V3.0.1
客服热线：10000000000（Nuvoxa客服）
版权所有 © Veltrano国际有限公司</source>
        <translation>  Nuvoxa is a leading internet telephone service. It calls real phone numbers over WIFI/3G/GPRS, just like a mobile phone, not walkie-talkie or voice messages: clear HD sound, low rates, on computers and phones. New accounts get up to 60 free minutes. Download it free!

Version: V3.0.1
Service line: 10000000000 (Nuvoxa service)
Copyright © Veltrano International Ltd.</translation>
    </message>
    <message>
        <source>修改记录:

1.修改个别xp系统不能正常运行

2.修改拨打Nuvoxa客服不能正常接通的问题</source>
        <translation>Changes:

1. Fixed start-up on some XP systems

2. Fixed calls to the Nuvoxa service line not connecting</translation>
    </message>
    <message>
        <source>基本设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>自动登录</source>
        <translation>Log in automatically</translation>
    </message>
    <message>
        <source>开机时自动启动Nuvoxa</source>
        <translation>Start Nuvoxa when I log on</translation>
    </message>
    <message>
        <source>选择更新方式：</source>
        <translation>How to update:</translation>
    </message>
    <message>
        <source>有更新时自动安装（推荐）</source>
        <translation>Install updates automatically (recommended)</translation>
    </message>
    <message>
        <source>有更新时不安装，但提醒我</source>
        <translation>Do not install updates, but tell me</translation>
    </message>
    <message>
        <source>当前版本</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation>Check now</translation>
    </message>
    <message>
        <source>有可用更新</source>
        <translation>An update is available</translation>
    </message>
    <message>
        <source>立即更新</source>
        <translation>Update now</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>  系统设置</source>
        <translation>  Settings</translation>
    </message>
    <message>
        <source>查看用户协议</source>
        <translation>User agreement</translation>
    </message>
    <message>
        <source>您当前使用的已是最新版本!</source>
        <translation>You have the latest version!</translation>
    </message>
    <message>
        <source>更新程序无法启动</source>
        <translation>The update program could not be started</translation>
    </message>
    <message>
        <source>Nuvoxa</source>
        <translation>Nuvoxa</translation>
    </message>
</context>
<context>
    <name>UpdateJob</name>
    <message>
        <source>更新文件名无效：%1</source>
        <translation>Invalid update file name: %1</translation>
    </message>
    <message>
        <source>程序文件夹 %1 不可写</source>
        <translation>The program folder %1 is not writable</translation>
    </message>
    <message>
        <source>这个版本没有更新签名密钥，不能接受任何更新</source>
        <translation>This version has no update signing key and accepts no updates</translation>
    </message>
    <message>
        <source>正在等待Nuvoxa退出…</source>
        <translation>Waiting for Nuvoxa to exit…</translation>
    </message>
    <message>
        <source>Nuvoxa仍在运行，请退出后重新更新</source>
        <translation>Nuvoxa is still running; quit it and update again</translation>
    </message>
    <message>
        <source>正在获取更新信息…</source>
        <translation>Fetching the update information…</translation>
    </message>
    <message>
        <source>更新信息的签名无效（%1）</source>
        <translation>The update information has an invalid signature (%1)</translation>
    </message>
    <message>
        <source>更新信息的签名没有签名时间</source>
        <translation>The signature of the update information has no signing time</translation>
    </message>
    <message>
        <source>更新信息比已安装的版本旧</source>
        <translation>The update information is older than the installed version</translation>
    </message>
    <message>
        <source>更新信息中没有 %1 的大小和校验值</source>
        <translation>The update information lacks the size and checksum of %1</translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <source>更新信息无效</source>
        <translation>The update information is invalid</translation>
    </message>
    <message>
        <source>文件 %1 与更新信息不符</source>
        <translation>The file %1 does not match the update information</translation>
    </message>
    <message>
        <source>更新已取消</source>
        <translation>The update was cancelled</translation>
    </message>
    <message>
        <source>更新信息</source>
        <translation>update information</translation>
    </message>
    <message>
        <source>下载 %1 失败：%2</source>
        <translation>Downloading %1 failed: %2</translation>
    </message>
    <message>
        <source>正在安装更新…</source>
        <translation>Installing the update…</translation>
    </message>
    <message>
        <source>安装失败：%1</source>
        <translation>Installing failed: %1</translation>
    </message>
</context>
<context>
    <name>UpdateWindow</name>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Nuvoxa 在线升级</source>
        <translation>Nuvoxa update</translation>
    </message>
    <message>
        <source>正在下载更新文件（%1/%2）</source>
        <translation>Downloading update files (%1/%2)</translation>
    </message>
</context>
<context>
    <name>UserDlg</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>用户协议</source>
        <translation>User agreement</translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;宋体&apos;; font-size:9pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p align=&quot;center&quot; style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:14pt; font-weight:600;&quot;&gt;Nuvoxa用户服务协议&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;1. &lt;/span&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;本服务条款是用户（您）与Veltrano国际有限公司（下称Nuvoxa）之间的协议。Nuvoxa的服务网络由Nuvoxa官方网站及其下属页面、Nuvoxa电脑客户端、Nuvoxa手机客户端，以及Nuvoxa通过短信、移动互联网向您提供的各项服务共同组成（以下统称“Nuvoxa服务”）。您注册、登录或以任何方式使用Nuvoxa服务，均受本协议约束。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;1.1 重要须知：&lt;/span&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;在使用Nuvoxa服务之前，请您务必仔细阅读并充分理解本协议的全部条款。您一旦注册、登录或使用Nuvoxa服务，即视为您已阅读并同意接受本协议及其日后的修改；如您不同意本协议的任何内容，请立即停止使用Nuvoxa服务。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;1.2 &lt;/span&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;Nuvoxa有权根据业务发展和法律法规的变化随时更新本协议，更新时不再另行单独通知。修改后的条款一经在Nuvoxa网站页面上公布即生效，您可以随时在网站上查阅最新版本；如您在条款更新后继续使用Nuvoxa服务，即表示您接受修改后的条款。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;1.3 &lt;/span&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;本协议适用于Nuvoxa提供的网络电话、回拨电话、账户充值、余额查询、号码绑定及其他相关服务。Nuvoxa的单项服务如另有专门的服务条款或规则，该等条款或规则同样适用于您对该项服务的使用，并与本协议共同构成您与Nuvoxa之间的完整协议。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;2. 用户使用规则&lt;/span&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;2.1 &lt;/span&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;Nuvoxa仅提供网络电话相关的通信服务。使用服务所需的电脑、手机、耳机、麦克风等设备由您自行准备，接入互联网所产生的上网费用、流量费用以及您的电信运营商收取的其他费用，均由您自行承担。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;2.2 &lt;/span&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;Nuvoxa服务仅供您个人非商业用途使用。未经Nuvoxa书面许可，您不得对Nuvoxa服务的任何部分进行复制、转售、出租或用于其他商业目的，不得利用Nuvoxa服务发布广告，也不得群发短信或拨打骚扰电话。&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;2.3 &lt;/span&gt;&lt;span style=&quot; font-family:&apos;微软雅黑&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;您在使用Nuvoxa服务时必须遵守国家法律法规，不得利用Nuvoxa服务传播任何违法、虚假、骚扰、侮辱、威胁、有害、煽动或淫秽的内容，不得侵犯他人的合法权益。如有违反，Nuvoxa有权立即暂停或终止向您提供服务，由此产生的一切法律责任由您自行承担。&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;SimSun&apos;; font-size:9pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p align=&quot;center&quot; style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:14pt; font-weight:600;&quot;&gt;Nuvoxa User Service Agreement&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;1. &lt;/span&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;These terms are an agreement between you, the user, and Veltrano International Ltd. (&quot;Nuvoxa&quot;). The Nuvoxa service consists of the Nuvoxa website and its pages, the Nuvoxa computer client, the Nuvoxa mobile client and the services Nuvoxa provides to you by text message and mobile internet (together the &quot;Nuvoxa service&quot;). By signing up, logging in or using the Nuvoxa service in any way you are bound by this agreement.&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;1.1 Important: &lt;/span&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;Before using the Nuvoxa service, please read and fully understand all terms of this agreement. Once you sign up, log in or use the Nuvoxa service, you are taken to have read and accepted this agreement and its later changes; if you disagree with any part of it, stop using the Nuvoxa service at once.&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;1.2 &lt;/span&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;Nuvoxa may update this agreement at any time as its business and the law change, without separate notice. Changed terms take effect when published on the Nuvoxa website, where you can read the latest version at any time; if you keep using the Nuvoxa service after an update, you accept the changed terms.&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;1.3 &lt;/span&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;This agreement covers the internet calls, callbacks, top-ups, balance queries, number binding and related services Nuvoxa provides. Where a single Nuvoxa service has terms or rules of its own, they also apply to your use of that service and form, together with this agreement, the whole agreement between you and Nuvoxa.&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;2. Rules of use&lt;/span&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;2.1 &lt;/span&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;Nuvoxa provides internet telephone services only. You provide the computer, phone, headset, microphone and other equipment the service needs, and you bear the internet access and data charges and any other fees your carrier charges.&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;2.2 &lt;/span&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;The Nuvoxa service is for your personal, non-commercial use only. Without written permission from Nuvoxa you may not copy, resell, rent out or commercially use any part of the Nuvoxa service, advertise through it, send bulk text messages or make nuisance calls.&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:12px; margin-bottom:12px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt; font-weight:600;&quot;&gt;2.3 &lt;/span&gt;&lt;span style=&quot; font-family:&apos;Microsoft YaHei&apos;,&apos;sans-serif&apos;; font-size:10pt;&quot;&gt;When using the Nuvoxa service you must obey the law and may not use it to spread unlawful, false, harassing, insulting, threatening, harmful, inciting or obscene content, nor infringe the rights of others. If you do, Nuvoxa may suspend or end your service at once, and you bear all legal liability that results.&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>Widget</name>
    <message>
        <source>Nuvoxa</source>
        <translation>Nuvoxa</translation>
    </message>
    <message>
        <source>国家</source>
        <translation>Country</translation>
    </message>
    <message>
        <source>账号</source>
        <translation>Account</translation>
    </message>
    <message>
        <source>密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>记住密码</source>
        <translation>Remember</translation>
    </message>
    <message>
        <source>自动登陆</source>
        <translation>Auto login</translation>
    </message>
    <message>
        <source>登 录</source>
        <translation>Log in</translation>
    </message>
    <message>
        <source>&lt;a href = %1&gt;%2&lt;/a&gt;</source>
        <translation>&lt;a href = %1&gt;%2&lt;/a&gt;</translation>
    </message>
    <message>
        <source>注册账号</source>
        <translation>Sign up</translation>
    </message>
    <message>
        <source>忘记密码</source>
        <translation>Forgot password</translation>
    </message>
    <message>
        <source>请输入账号</source>
        <translation>Please enter your account</translation>
    </message>
    <message>
        <source>请输入密码</source>
        <translation>Please enter your password</translation>
    </message>
    <message>
        <source>登录失败</source>
        <translation>Login failed</translation>
    </message>
    <message>
        <source>账号或密码错误</source>
        <translation>Wrong account or password</translation>
    </message>
    <message>
        <source>有更新，是否更新!</source>
        <translation>An update is available. Update now?</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>更新程序无法启动</source>
        <translation>The update program could not be started</translation>
    </message>
</context>
<context>
    <name>leaveTimeWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>&lt;a href = %1&gt;%2&lt;/a&gt;</source>
        <translation>&lt;a href = %1&gt;%2&lt;/a&gt;</translation>
    </message>
    <message>
        <source>点击现在绑定</source>
        <translation>Bind now</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Nuvoxa</source>
        <translation>Nuvoxa</translation>
    </message>
    <message>
        <source>只能同时登录一个账号！</source>
        <translation>Only one account can be logged in at a time!</translation>
    </message>
</context>
</TS>
