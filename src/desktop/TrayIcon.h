#pragma once

#include <QIcon>
#include <QString>

class QMenu;
class QWidget;

// The tray icon record the program fills: the icon's notifications arrive as
// mouse-move events of the widget hWnd, whose X coordinate is the mouse message
// code (0x200 move, 0x201/0x202 left down/up, 0x203 left double-click,
// 0x204/0x205 right down/up, 0x206 right double-click) in pixels.
struct NotifyIconData {
    int cbSize = 0;
    QWidget* hWnd = nullptr;
    int uID = 0;
    int uFlags = 0;
    int uCallbackMessage = 0;
    QIcon hIcon;
    QString szTip;  // shown up to its first NUL
    // The icon's pop-up menu, for the StatusNotifierItem hosts (XFCE, KDE, LXQt panels) that
    // draw an item's menu themselves: it is exported to them with the same actions.
    QMenu* hMenu = nullptr;
};

enum NotifyIconMessages { NIM_ADD = 0, NIM_DELETE = 2 };
enum NotifyIconFlags { NIF_MESSAGE = 1, NIF_ICON = 2, NIF_TIP = 4 };
enum MouseMessages {
    WM_MOUSEMOVE = 0x200,
    WM_LBUTTONDOWN = 0x201,
    WM_LBUTTONUP = 0x202,
    WM_LBUTTONDBLCLK = 0x203,
    WM_RBUTTONDOWN = 0x204,
    WM_RBUTTONUP = 0x205,
    WM_RBUTTONDBLCLK = 0x206,
    WM_MBUTTONDOWN = 0x207,
    WM_MBUTTONUP = 0x208,
    WM_MBUTTONDBLCLK = 0x209,
};

// Adds or removes a tray icon; false when the desktop has no tray or the icon is unknown.
bool Shell_NotifyIcon(int message, const NotifyIconData& data);

// Whether the desktop offers a system tray now.
bool SystemTrayAvailable();
