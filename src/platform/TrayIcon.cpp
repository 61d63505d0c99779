#include "TrayIcon.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>
#include <map>
#include <memory>

namespace {

// One icon in the tray. Qt reports only clicks (activated); on an XEmbed tray the
// icon is a widget of Qt's own whose raw mouse events give every message code, so
// those are relayed and activated() is used only where no such widget exists.
class TrayEntry : public QObject {
public:
    TrayEntry(const NotifyIconData& data) : target_(data.hWnd), message_(data.uCallbackMessage) {
        icon_.setIcon(data.hIcon);
        icon_.setToolTip(data.szTip.section(QChar(u'\0'), 0, 0));
        if (data.uFlags & NIF_MESSAGE) {
            QObject::connect(&icon_, &QSystemTrayIcon::activated, this, &TrayEntry::activated);
            qApp->installEventFilter(this);
        }
        icon_.show();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched->isWidgetType() && qstrcmp(watched->metaObject()->className(), "QSystemTrayIconSys") == 0) {
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

    void activated(QSystemTrayIcon::ActivationReason reason) {
        if (rawEvents_) return;
        switch (reason) {
            case QSystemTrayIcon::Trigger: notify(WM_LBUTTONDOWN), notify(WM_LBUTTONUP); break;
            case QSystemTrayIcon::DoubleClick: notify(WM_LBUTTONDBLCLK); break;
            case QSystemTrayIcon::Context: notify(WM_RBUTTONDOWN), notify(WM_RBUTTONUP); break;
            case QSystemTrayIcon::MiddleClick: notify(WM_MBUTTONDOWN), notify(WM_MBUTTONUP); break;
            default: break;
        }
    }

    // Posted, so that the handler runs from the event loop and not inside Qt's tray widget.
    void notify(int code) {
        if (!target_ || message_ != WM_MOUSEMOVE) return;
        const QPointF where(code, 0);
        QCoreApplication::postEvent(target_, new QMouseEvent(QEvent::MouseMove, where, where, Qt::NoButton,
                                                             Qt::NoButton, Qt::NoModifier));
    }

    QSystemTrayIcon icon_;
    QPointer<QWidget> target_;
    int message_;
    bool rawEvents_ = false;
};

std::map<std::pair<QWidget*, int>, std::unique_ptr<TrayEntry>>& icons() {
    static std::map<std::pair<QWidget*, int>, std::unique_ptr<TrayEntry>> entries;
    return entries;
}

}  // namespace

bool SystemTrayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

bool Shell_NotifyIcon(int message, const NotifyIconData& data) {
    const auto key = std::make_pair(data.hWnd, data.uID);
    if (message == NIM_ADD) {
        if (!SystemTrayAvailable() || icons().count(key)) return false;
        icons()[key] = std::make_unique<TrayEntry>(data);
        return true;
    }
    if (message == NIM_DELETE) return icons().erase(key) != 0;
    return false;
}
