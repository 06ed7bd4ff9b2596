#include "app/trayicon.h"

#include <QAction>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

namespace {

// The installed theme's icon, else the main window's colours with an "F".
QIcon programIcon() {
    const QIcon themed = QIcon::fromTheme(QStringLiteral("fennick"));
    if (!themed.isNull())
        return themed;
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 32, 32);
    fill.setColorAt(0, QColor(0x2e, 0x5a, 0x88));
    fill.setColorAt(1, QColor(0x9c, 0xc3, 0xe6));
    p.setBrush(fill);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(1, 1, 30, 30, 6, 6);
    QFont font = p.font();
    font.setPixelSize(22);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("F"));
    return QIcon(pixmap);
}

} // namespace

TrayIcon::TrayIcon(Actions actions, UnreadCount unread, QObject* parent)
    : QObject(parent), actions_(std::move(actions)), unread_(std::move(unread)), menu_(new QMenu),
      icon_(new QSystemTrayIcon(programIcon(), this)) {
    menu_->setObjectName(QStringLiteral("TrayMenu"));
    const auto add = [this](const char* name, const QString& caption, const std::function<void()>& call) {
        QAction* action = menu_->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [call] {
            if (call)
                call();
        });
        return action;
    };
    ReceiveMenu = add("ReceiveMenu", QStringLiteral("受信"), actions_.receive);
    ComposeMenu = add("ComposeMenu", QStringLiteral("新規作成"), actions_.compose);
    HistoryMenu = add("HistoryMenu", QStringLiteral("着信履歴"), actions_.history);
    menu_->addSeparator();
    QuitMenu = add("QuitMenu", QStringLiteral("終了"), actions_.quit);
    connect(menu_, &QMenu::aboutToShow, this, &TrayIcon::refresh);
    icon_->setContextMenu(menu_);
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && actions_.showMain)
            actions_.showMain();
    });
    refresh();
}

TrayIcon::~TrayIcon() {
    delete menu_;
}

bool TrayIcon::show() {
    if (QSystemTrayIcon::isSystemTrayAvailable())
        icon_->show();
    return isShown();
}

bool TrayIcon::isShown() const {
    return icon_->isVisible();
}

QString TrayIcon::toolTip() const {
    const std::optional<int> count = unread_ ? unread_() : std::nullopt;
    if (!count)
        return QStringLiteral("Fennick");
    return QStringLiteral("Fennick　未読 %1 通").arg(*count);
}

void TrayIcon::refresh() {
    icon_->setToolTip(toolTip());
}
