#pragma once

#include <QObject>
#include <QPointer>
#include <QSet>

// Sway floats dialog windows but centres them, whatever position an X11 window asks for; the
// notes window must sit in its corner. Where sway's IPC socket is given (SWAYSOCK), each move
// the program makes of one of its own windows is passed on to sway, so that the window's
// client area is where the program put it, sway's title bar above it.
class SwayPlacement : public QObject {
public:
    // Null when this is no sway session.
    static SwayPlacement* Install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit SwayPlacement(QByteArray socket) : socket_(std::move(socket)) {}
    void PlaceSoon(QWidget* window, int tries);
    bool Place(QWidget* window);
    QByteArray Ask(uint32_t type, const QByteArray& payload);

    QByteArray socket_;
    QSet<QWidget*> pending_;
};
