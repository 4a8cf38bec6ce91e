// Pictures of the skin for a person to look at: a contact sheet of every
// picture and mock-ups of the login and main windows built with the same
// geometry and style sheets as the real windows.
//
//   skinpreview BINDIR OUTDIR      (BINDIR holds image/ and image/skin.txt)

#include <QtWidgets>

namespace {

QImage checker(const QSize &size)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    for (int y = 0; y < size.height(); y += 8)
        for (int x = 0; x < size.width(); x += 8)
            p.fillRect(x, y, 8, 8, ((x + y) / 8) % 2 ? QColor(214, 214, 214) : QColor(238, 238, 238));
    return img;
}

bool contactSheet(const QString &imageDir, const QString &out)
{
    QFile table(imageDir + QStringLiteral("/skin.txt"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    QStringList names;
    for (const QByteArray &raw : table.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            names << line.section(QRegularExpression(QStringLiteral("\\s+")), 0, 0);
    }
    // Small pictures are shown three times as large, so their pixels show.
    const int cellW = 330, pad = 10, labelH = 16;
    struct Item { QString name; QImage img; int scale; };
    QVector<Item> items;
    for (const QString &n : names) {
        QImage img(imageDir + QLatin1Char('/') + n);
        const int scale = img.width() <= 60 && img.height() <= 60 ? 3 : 1;
        items.append({n, img, scale});
    }
    // Lay out in rows, shelf by shelf.
    QVector<QRect> cells;
    int x = pad, y = pad, rowH = 0;
    const int sheetW = 4 * cellW;
    for (const Item &it : items) {
        QSize s = it.img.isNull() ? QSize(60, 20) : it.img.size() * it.scale;
        if (s.width() > cellW * 2)
            s.scale(cellW * 2, 2000, Qt::KeepAspectRatio);
        const int w = std::max(s.width(), 120) + pad;
        if (x + w > sheetW) {
            x = pad;
            y += rowH + pad;
            rowH = 0;
        }
        cells.append(QRect(x, y, s.width(), s.height()));
        rowH = std::max(rowH, s.height() + labelH);
        x += w + pad;
    }
    QImage sheet(sheetW, y + rowH + pad, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(250, 250, 250));
    QPainter p(&sheet);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(10);
    p.setFont(f);
    for (int i = 0; i < items.size(); ++i) {
        const QRect r = cells[i];
        p.drawImage(r.topLeft(), checker(r.size()));
        if (items[i].img.isNull()) {
            p.setPen(Qt::red);
            p.drawText(r, Qt::AlignCenter, QStringLiteral("MISSING"));
        } else {
            p.setRenderHint(QPainter::SmoothPixmapTransform, items[i].scale == 1);
            p.drawImage(r, items[i].img);
        }
        p.setPen(Qt::black);
        p.drawText(QRect(r.left(), r.bottom() + 2, 300, labelH), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("%1 %2x%3%4").arg(items[i].name).arg(items[i].img.width()).arg(items[i].img.height())
                       .arg(items[i].scale > 1 ? QStringLiteral(" (x3)") : QString()));
    }
    p.end();
    return sheet.save(out);
}

QToolButton *toolButton(QWidget *parent, const QRect &g, const QString &sheet)
{
    auto *b = new QToolButton(parent);
    b->setGeometry(g);
    b->setStyleSheet(sheet);
    return b;
}

QString keySheet(const QString &normal, const QString &hover)
{
    const QString decl = QStringLiteral("{border-image:url(%1);border-style:none;background-color:transparent;border-width:1px;}");
    return QStringLiteral("QToolButton") + decl.arg(normal) + QStringLiteral(" QToolButton:hover") + decl.arg(hover)
        + QStringLiteral(" QToolButton:pressed") + decl.arg(hover);
}

void titleBar(QWidget *window, const QRect &g)
{
    auto *bar = new QWidget(window);
    bar->setGeometry(g);
    toolButton(bar, QRect(g.width() - 8 - 24 - 23, 7, 23, 25),
               QStringLiteral("QToolButton{border:none;border-image:url(image/min_1.png)}"));
    toolButton(bar, QRect(g.width() - 8 - 24, 7, 24, 25),
               QStringLiteral("QToolButton{border:none;border-image:url(image/close_2.png)}"));
}

void shape(QWidget *w, const QString &picture)
{
    QPixmap pix(picture);
    QPalette pal = w->palette();
    pal.setBrush(QPalette::Window, QBrush(pix));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
    w->setMask(pix.mask());
}

// The grabbed window over a dark desktop, cut out by its mask.
QImage onDesktop(QWidget *w)
{
    const QImage grabbed = w->grab().toImage();
    QImage out(grabbed.width() + 40, grabbed.height() + 40, QImage::Format_ARGB32_Premultiplied);
    out.fill(QColor(60, 70, 84));
    QPainter p(&out);
    // The offscreen platform keeps no window mask: cut by the picture's alpha.
    const QPixmap pic = w->palette().brush(QPalette::Window).texture();
    const QRegion mask = pic.isNull() ? QRegion(w->rect()) : QRegion(pic.mask()) & QRegion(w->rect());
    p.setClipRegion(mask.translated(20, 20));
    p.drawImage(20, 20, grabbed);
    return out;
}

QImage loginMock()
{
    auto *w = new QWidget;
    w->resize(300, 600);
    shape(w, QStringLiteral("image/login.png"));
    titleBar(w, QRect(0, 0, 301, 31));
    auto *box = new QWidget(w);
    box->setGeometry(24, 290, 251, 327);
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(6);
    auto *acc = new QComboBox;
    acc->setEditable(true);
    acc->addItem(QStringLiteral("13800138000"));
    acc->setMinimumSize(201, 40);
    acc->setStyleSheet(QStringLiteral(
        "QComboBox{background-color:transparent;border-width:4px;border-image:url(image/user_1.png);margin:0px;padding:0px;} "
        "QComboBox::down-arrow{image:url(image/droparrow.png);} "
        "QComboBox::drop-down{background-color:transparent;margin:0px;padding:0px;}"));
    auto *pwd = new QLineEdit(QStringLiteral("secret"));
    pwd->setEchoMode(QLineEdit::Password);
    pwd->setMinimumSize(199, 40);
    pwd->setTextMargins(3, 0, 0, 0);
    pwd->setStyleSheet(QStringLiteral("QLineEdit{border-image:url(image/pass_2.png);border-style:none;background-color:transparent;}"));
    grid->addWidget(new QLabel(QStringLiteral("Acc")), 2, 0);
    grid->addWidget(acc, 2, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Pwd")), 3, 0);
    grid->addWidget(pwd, 3, 1, 1, 3);
    grid->addItem(new QSpacerItem(20, 5), 4, 0);
    auto *cb = new QCheckBox(QStringLiteral("remember"));
    cb->setChecked(true);
    grid->addWidget(cb, 5, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("<a href=x>forgot</a>")), 5, 3);
    grid->addWidget(new QCheckBox(QStringLiteral("auto login")), 6, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("<a href=x>register</a>")), 6, 3);
    grid->addItem(new QSpacerItem(20, 20), 7, 0);
    auto *login = new QPushButton(QStringLiteral("L O G I N"));
    login->setMinimumSize(249, 40);
    QFont bf = login->font();
    bf.setBold(true);
    login->setFont(bf);
    login->setStyleSheet(QStringLiteral("QPushButton{border-image:url(image/loginbutton_1.png);color:white;}"));
    grid->addWidget(login, 9, 0, 1, 4);
    grid->addItem(new QSpacerItem(20, 60, QSizePolicy::Minimum, QSizePolicy::Expanding), 11, 0);
    w->show();
    return onDesktop(w);
}

QImage mainMock(bool advert)
{
    auto *w = new QWidget;
    w->resize(300, advert ? 575 : 515);
    shape(w, QStringLiteral("image/main.png"));
    auto *stack = new QWidget(w);
    stack->setGeometry(-30, 130, 331, 381);
    auto *panel = new QWidget(stack);
    panel->setObjectName(QStringLiteral("panel"));
    panel->setGeometry(35, 0, 291, 381);
    panel->setStyleSheet(QStringLiteral("QWidget#panel{border-style:none;border-image:url(image/back1.png);border-width:1px;}"));
    titleBar(w, QRect(0, 0, 300, 30));
    toolButton(w, QRect(15, 33, 38, 38), QStringLiteral("QToolButton{border-style:none;border-image:url(image/touxiang.png)}"));
    auto *acc = new QLabel(QStringLiteral("13800138000"), w);
    acc->setGeometry(55, 33, 81, 16);
    toolButton(w, QRect(140, 30, 20, 28), QStringLiteral("QToolButton{border-style:none;border-image:url(image/ye.png)}"));
    auto *bal = new QLabel(QStringLiteral("12.50 Y"), w);
    bal->setGeometry(160, 33, 81, 16);
    auto *bind = new QLabel(QStringLiteral("<a href=x>bind your phone</a>"), w);
    bind->setGeometry(55, 55, 131, 16);
    const char *top[] = {"chongzhi", "yuyinceshi1", "yuer", "setting"};
    for (int i = 0; i < 4; ++i)
        toolButton(w, QRect(170 + 30 * i, 65, 25, 26),
                   QStringLiteral("QToolButton{border-style:none;border-image:url(image/%1.png)}").arg(QLatin1String(top[i])));
    const char *tabs[] = {"lphone", "dphone", "tphone"};
    for (int i = 0; i < 3; ++i) {
        auto *t = toolButton(w, QRect(10 + 95 * i, 99, 91, 39),
                             QStringLiteral("QToolButton:checked{border-style:none;background-color:transparent;image:url(image/%1.png);}   "
                                            "QToolButton{border-style:none;background-color:transparent;image:url(image/%1-1.png);}")
                                 .arg(QLatin1String(tabs[i])));
        t->setCheckable(true);
        t->setChecked(i == 1);
    }
    auto *hints = new QListWidget(panel);
    hints->setGeometry(1, 2, 287, 82);
    hints->setStyleSheet(QStringLiteral("background-color:white;border-style:none;border-color:white;"));
    QPalette hp = hints->palette();
    hp.setColor(QPalette::Text, QColor(28, 108, 216));
    hints->setPalette(hp);
    hints->addItems({QStringLiteral(" Calling 13800138000"), QStringLiteral(" hint line two")});
    auto *hang = new QPushButton(panel);
    hang->setGeometry(100, 50, 91, 27);
    hang->setStyleSheet(QStringLiteral("QPushButton{border-style:none;border-image:url(image/tbHangup.png);border-width:0px;}"));
    auto *vol = new QWidget(panel);
    vol->setObjectName(QStringLiteral("vol"));
    vol->setGeometry(6, 84, 280, 31);
    vol->setStyleSheet(QStringLiteral("QWidget#vol{border-style:none;border-image:url(image/back.png);border-width:1px;}"));
    toolButton(vol, QRect(5, 7, 21, 19), QStringLiteral("QToolButton{border-style:none;border-image:url(image/tbAudio.png)}"));
    toolButton(vol, QRect(147, 7, 21, 19), QStringLiteral("QToolButton{border-style:none;border-image:url(image/tbMk1.png)}"));
    // The slider as its style class draws it: groove 5 below the groove's
    // top, handle at its natural size at the handle's corner.
    for (int i = 0; i < 2; ++i) {
        auto *lab = new QLabel(vol);
        lab->setGeometry(i ? 175 : 34, 9, 102, 15);
        QSlider s(Qt::Horizontal);
        s.resize(102, 15);
        s.setValue(i ? 30 : 70);
        QStyleOptionSlider o;
        o.initFrom(&s);
        o.orientation = Qt::Horizontal;
        o.minimum = 0;
        o.maximum = 100;
        o.sliderPosition = o.sliderValue = s.value();
        o.subControls = QStyle::SC_All;
        const QRect gr = s.style()->subControlRect(QStyle::CC_Slider, &o, QStyle::SC_SliderGroove, &s);
        const QRect hr = s.style()->subControlRect(QStyle::CC_Slider, &o, QStyle::SC_SliderHandle, &s);
        QPixmap pm(102, 15);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        const QPixmap groove(QStringLiteral("image/tuoqi1.png")), handle(QStringLiteral("image/huakuai1.png"));
        p.drawPixmap(QRect(gr.left(), gr.top() + 5, gr.width(), groove.height()), groove);
        p.drawPixmap(hr.topLeft(), handle);
        p.end();
        lab->setPixmap(pm);
    }
    toolButton(panel, QRect(5, 116, 45, 46), keySheet(QStringLiteral("image/addf.png"), QStringLiteral("image/addf1.png")));
    auto *input = new QLineEdit(QStringLiteral("13800138000"), panel);
    input->setGeometry(50, 116, 237, 46);
    QFont inf(QStringLiteral("Calibri"), 20);
    input->setFont(inf);
    input->setTextMargins(0, 0, 50, 0);
    QPalette ip = input->palette();
    ip.setColor(QPalette::Text, Qt::white);
    input->setPalette(ip);
    input->setStyleSheet(QStringLiteral("QLineEdit{border-image:url(image/inpp.png)}"));
    toolButton(panel, QRect(231, 120, 45, 38), keySheet(QStringLiteral("image/delx.png"), QStringLiteral("image/delx1.png")));
    const char *keys[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "11", "0", "12"};
    for (int i = 0; i < 12; ++i) {
        // One key drawn in its hover face, to see both side by side.
        const QString n = QString::fromLatin1(keys[i]);
        const QString normal = QStringLiteral("image/keyboard/%1%2.png").arg(n, i == 4 ? QStringLiteral("-1") : QString());
        toolButton(panel, QRect(5 + 94 * (i % 3), 162 + 41 * (i / 3), 94, 41),
                   keySheet(normal, QStringLiteral("image/keyboard/%1-1.png").arg(n)));
    }
    toolButton(panel, QRect(6, 326, 140, 50), keySheet(QStringLiteral("image/wcall.png"), QStringLiteral("image/wcall-1.png")));
    toolButton(panel, QRect(146, 326, 140, 50), keySheet(QStringLiteral("image/hcall-1.png"), QStringLiteral("image/hcall-1.png")));
    if (advert) {
        auto *ad = new QLabel(w);
        ad->setGeometry(6, 515, 288, 53);
        ad->setStyleSheet(QStringLiteral("background:#fbe9a6;color:#7a5a00;"));
        ad->setAlignment(Qt::AlignCenter);
        ad->setText(QStringLiteral("advertisement 288 x 53"));
    }
    w->show();
    return onDesktop(w);
}

QImage historyMock()
{
    auto *w = new QWidget;
    w->resize(300, 250);
    w->setStyleSheet(QStringLiteral("background:white;"));
    for (int i = 0; i < 3; ++i) {
        auto *item = new QWidget(w);
        item->setGeometry(10, 10 + 60 * i, 276, 55);
        toolButton(item, QRect(5, 13, 40, 40), QStringLiteral("QToolButton{border-style:none;border-image:url(image/moren.png)}"));
        auto *num = new QLabel(QStringLiteral("1380013800%1").arg(i), item);
        num->setGeometry(50, 35, 111, 16);
        auto *name = new QLabel(QStringLiteral("Contact %1").arg(i), item);
        name->setGeometry(50, 10, 111, 20);
        auto *time = new QLabel(QStringLiteral("12-0%1 10:2%1").arg(i), item);
        time->setGeometry(135, 8, 101, 20);
        time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        toolButton(item, QRect(240, 11, 17, 15), QStringLiteral("QToolButton{border-style:none;border-image:url(image/callout.png)}"));
        toolButton(item, QRect(198, 31, 25, 24), QStringLiteral("QToolButton{border-style:none;border-image:url(image/wangluo.png)}"));
        toolButton(item, QRect(231, 31, 25, 24), QStringLiteral("QToolButton{border-style:none;border-image:url(image/huibo.png)}"));
    }
    w->show();
    return w->grab().toImage();
}

// A widget that paints a picture stretched over itself, as the dialogs do.
class Painted : public QWidget
{
public:
    Painted(const QString &picture, bool smooth) : m_pic(picture), m_smooth(smooth) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform, m_smooth);
        p.drawPixmap(rect(), m_pic);
    }

private:
    QPixmap m_pic;
    bool m_smooth;
};

QPushButton *textButton(QWidget *parent, const QRect &g, const QString &text, bool hover = false)
{
    auto *b = new QPushButton(text, parent);
    b->setGeometry(g);
    b->setStyleSheet(QStringLiteral("QPushButton{border-style:none;border-image:url(image/%1.png);border-width:0px;}")
                         .arg(hover ? QStringLiteral("send_1") : QStringLiteral("send")));
    return b;
}

QImage dialogsMock()
{
    auto *settings = new Painted(QStringLiteral("image/backx.png"), true);
    settings->resize(617, 507);
    titleBar(settings, QRect(10, 3, 601, 31));
    auto *caption = new QLabel(QStringLiteral("  Settings"), settings);
    caption->setGeometry(10, 3, 200, 31);
    const char *icons[] = {"setset", "setting7", "setting4"};
    const char *labels[] = {"Basic", "Update", "About"};
    for (int i = 0; i < 3; ++i) {
        auto *frame = new QFrame(settings);
        frame->setGeometry(13, 50 + 40 * i, 135, 29);
        frame->setStyleSheet(i == 1 ? QStringLiteral("QFrame{border-style:none;background-color:transparent;border-width:1px;border-image:url(image/setting19.png);}")
                                    : QStringLiteral("QFrame{border-style:none;background-color:transparent;border-width:1px;}"));
        toolButton(frame, QRect(12, 4, 20, 21),
                   QStringLiteral("QToolButton{border-image:url(image/%1.png);border-style:none;background-color:transparent;border-width:1px;}")
                       .arg(QLatin1String(icons[i])));
        auto *l = new QLabel(QLatin1String(labels[i]), frame);
        l->setGeometry(40, 4, 90, 21);
    }
    auto *stack = new QWidget(settings);
    stack->setObjectName(QStringLiteral("stack"));
    stack->setGeometry(160, 50, 431, 371);
    stack->setStyleSheet(QStringLiteral("QWidget#stack{border-image:url(image/settingback.png);border-style:none;background-color:transparent;border-width:1px;}"));
    auto *check = new QToolButton(stack);
    check->setText(QStringLiteral("Check now"));
    check->setGeometry(30, 120, 80, 26);
    check->setStyleSheet(QStringLiteral("QToolButton{border-image:url(image/gengxin.png);border-style:none;background-color:transparent;border-width:1px;}"));
    auto *now = new QToolButton(stack);
    now->setText(QStringLiteral("Update now"));
    now->setGeometry(130, 120, 80, 26);
    now->setStyleSheet(QStringLiteral("QToolButton{border-image:url(image/gengxin1.png);border-style:none;background-color:transparent;border-width:1px;}"));
    textButton(settings, QRect(440, 450, 65, 26), QStringLiteral("OK"));
    textButton(settings, QRect(520, 450, 65, 26), QStringLiteral("Cancel"), true);
    settings->show();

    auto *test = new Painted(QStringLiteral("image/newChatBack.png"), false);
    test->resize(345, 237);
    titleBar(test, QRect(2, 2, 341, 31));
    auto *tcap = new QLabel(QStringLiteral("  Audio test"), test);
    tcap->setGeometry(2, 2, 200, 31);
    textButton(test, QRect(110, 90, 75, 23), QStringLiteral("Start"));
    textButton(test, QRect(260, 200, 65, 26), QStringLiteral("Cancel"));
    test->show();

    auto *popup = new Painted(QStringLiteral("image/newChatBack.png"), false);
    popup->resize(267, 146);
    auto *msg = new QLabel(QStringLiteral("Calling 13800138000, your phone will ring shortly."), popup);
    msg->setGeometry(20, 30, 231, 61);
    msg->setWordWrap(true);
    msg->setAlignment(Qt::AlignTop);
    popup->show();

    const QImage a = settings->grab().toImage(), b = test->grab().toImage(), c = popup->grab().toImage();
    QImage out(a.width() + b.width() + 30, a.height() + 20, QImage::Format_ARGB32_Premultiplied);
    out.fill(QColor(60, 70, 84));
    QPainter p(&out);
    p.drawImage(10, 10, a);
    p.drawImage(a.width() + 20, 10, b);
    p.drawImage(a.width() + 20, b.height() + 30, c);
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (app.arguments().size() != 3) {
        std::fprintf(stderr, "usage: skinpreview BINDIR OUTDIR\n");
        return 2;
    }
    const QString out = QDir(app.arguments()[2]).absolutePath();
    QDir().mkpath(out);
    QDir::setCurrent(app.arguments()[1]);
    bool ok = contactSheet(QStringLiteral("image"), out + QStringLiteral("/contact.png"));
    const QImage login = loginMock(), main575 = mainMock(true), main515 = mainMock(false), hist = historyMock();
    QImage windows(login.width() + main575.width() + main515.width(), login.height(), QImage::Format_ARGB32_Premultiplied);
    windows.fill(QColor(60, 70, 84));
    QPainter p(&windows);
    p.drawImage(0, 0, login);
    p.drawImage(login.width(), 0, main575);
    p.drawImage(login.width() + main575.width(), 0, main515);
    p.drawImage(login.width() + main575.width() + 20, main515.height() + 0, hist.scaled(hist.size() * 0.9, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    p.end();
    ok = windows.save(out + QStringLiteral("/windows.png")) && ok;
    ok = dialogsMock().save(out + QStringLiteral("/dialogs.png")) && ok;
    std::printf("%s/contact.png %s/windows.png %s/dialogs.png\n", qPrintable(out), qPrintable(out), qPrintable(out));
    return ok ? 0 : 1;
}
