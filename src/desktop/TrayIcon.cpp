#include "TrayIcon.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>
#include <algorithm>
#include <map>

namespace {

// Qt shows the icon in one of two ways. In an XEmbed tray (trayer, i3bar, icewm, fluxbox) it
// embeds a widget of its own, whose raw mouse events give every message code. On a
// StatusNotifierItem host (a D-Bus panel: XFCE, KDE, LXQt) there is no such widget: the host
// draws the icon and calls the item's Activate, SecondaryActivate and ContextMenu, and draws
// the item's exported menu itself.
bool isEmbeddedIcon(const QObject* object) {
    return object->isWidgetType() && qstrcmp(object->metaObject()->className(), "QSystemTrayIconSys") == 0;
}

bool embeddedInXEmbedTray() {
    const auto widgets = QApplication::topLevelWidgets();
    return std::any_of(widgets.begin(), widgets.end(), isEmbeddedIcon);
}

class TrayEntry : public QObject {
public:
    explicit TrayEntry(const NotifyIconData& data)
        : QObject(qApp), target_(data.hWnd), message_(data.uCallbackMessage) {
        icon_.setIcon(data.hIcon);
        icon_.setToolTip(data.szTip.section(QChar(u'\0'), 0, 0));
        if (data.uFlags & NIF_MESSAGE) {
            QObject::connect(&icon_, &QSystemTrayIcon::activated, this, &TrayEntry::activated);
            qApp->installEventFilter(this);
        }
        // A host reads the item's menu when the item appears, so the menu is set before it is
        // shown; an embedded icon would open it on its own at a right press, so there it goes again.
        if (data.hMenu) {
            exported_.addActions(data.hMenu->actions());
            icon_.setContextMenu(&exported_);
        }
        icon_.show();
        if (embeddedInXEmbedTray()) icon_.setContextMenu(nullptr);
    }

    // Takes the icon off the panel at once; the object goes when the event loop is back, since
    // a choice in its exported menu may be what removes it.
    void Remove() {
        icon_.hide();
        deleteLater();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (isEmbeddedIcon(watched)) {
            rawEvents_ = true;
            if (int code = codeOf(event)) notify(code);
        }
        return false;
    }

private:
    static int codeOf(QEvent* event) {
        const int base = event->type() == QEvent::MouseButtonPress ? 0 : event->type() == QEvent::MouseButtonRelease ? 1
                       : event->type() == QEvent::MouseButtonDblClick                                       ? 2 : -1;
        if (event->type() == QEvent::MouseMove) return WM_MOUSEMOVE;
        if (base < 0) return 0;
        switch (static_cast<QMouseEvent*>(event)->button()) {
            case Qt::LeftButton: return WM_LBUTTONDOWN + base;
            case Qt::RightButton: return WM_RBUTTONDOWN + base;
            case Qt::MiddleButton: return WM_MBUTTONDOWN + base;
            default: return 0;
        }
    }

    // A StatusNotifierItem host's calls as mouse messages. Activate is the host's primary action
    // (a left click, and each click of a double-click: the protocol has no double-click), so it
    // stands for the double-click that brings the program back; ContextMenu is a right click.
    void activated(QSystemTrayIcon::ActivationReason reason) {
        if (rawEvents_) return;
        switch (reason) {
            case QSystemTrayIcon::Trigger:
            case QSystemTrayIcon::DoubleClick: notify(WM_LBUTTONDBLCLK); break;
            case QSystemTrayIcon::Context: notify(WM_RBUTTONDOWN), notify(WM_RBUTTONUP); break;
            case QSystemTrayIcon::MiddleClick: notify(WM_MBUTTONDOWN), notify(WM_MBUTTONUP); break;
            default: break;
        }
    }

    // Posted, so that the handler runs from the event loop and not inside Qt's tray code.
    void notify(int code) {
        if (!target_ || message_ != WM_MOUSEMOVE) return;
        const QPointF where(code, 0);
        QCoreApplication::postEvent(target_, new QMouseEvent(QEvent::MouseMove, where, where, Qt::NoButton,
                                                             Qt::NoButton, Qt::NoModifier));
    }

    QMenu exported_;
    QSystemTrayIcon icon_;
    QPointer<QWidget> target_;
    int message_;
    bool rawEvents_ = false;
};

std::map<std::pair<QWidget*, int>, QPointer<TrayEntry>>& icons() {
    static std::map<std::pair<QWidget*, int>, QPointer<TrayEntry>> entries;
    return entries;
}

}  // namespace

bool SystemTrayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

bool Shell_NotifyIcon(int message, const NotifyIconData& data) {
    const auto key = std::make_pair(data.hWnd, data.uID);
    if (message == NIM_ADD) {
        QPointer<TrayEntry>& entry = icons()[key];
        if (!SystemTrayAvailable() || entry) return false;
        entry = new TrayEntry(data);
        return true;
    }
    if (message == NIM_DELETE) {
        const QPointer<TrayEntry> entry = icons()[key];
        icons().erase(key);
        if (entry) entry->Remove();
        return entry != nullptr;
    }
    return false;
}
