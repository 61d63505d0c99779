#pragma once

#include "Pointer.h"
#include "ReportedWindows.h"

#include <QDBusContext>
#include <QObject>
#include <QPoint>
#include <memory>

class QDBusServiceWatcher;
class QTimer;

// The windows of a KWin (KDE Plasma) Wayland session. KWin lists no windows to ordinary clients,
// so a script of ours runs inside it and calls this object over D-Bus at each change: a window
// shown or changed, closed, activated; a second script, while the pointer is asked for, tells
// of its moves. Loaded at start, loaded again when KWin restarts, unloaded when the program ends.
// The scripts call this run's own name on the bus only, with a token of this run's: calls from
// anyone but KWin, or without the token (another script in KWin), are ignored.
class KWinWindows : public QObject, protected QDBusContext, public ReportedWindows, public Pointer {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.example.pelmora.KWin")
public:
    // Null, with the reason on the terminal, when KWin or its scripting is not there.
    static std::shared_ptr<KWinWindows> Start();
    ~KWinWindows() override;

    void Activate(uint32_t id) override;
    QPoint Position() override;

public slots:  // the scripts' calls; KWin's ids are UUID strings in braces
    void Changed(const QString& token, const QString& kwinId, const QString& caption, const QString& resourceClass,
                 bool minimised, int x, int y, int width, int height);
    void Closed(const QString& token, const QString& kwinId);
    void Activated(const QString& token, const QString& kwinId);
    void PointerAt(const QString& token, int x, int y);

private:
    KWinWindows() = default;
    bool LoadScripts();
    bool RunScript(const QString& name, bool pointer);
    void StopPointer();
    void UnloadActivation();
    bool Authentic(const QString& token) const;

    QPoint pointer_;
    QString activation_;  // the name of the activation script loaded last
    bool followingPointer_ = false;
    QTimer* pointerIdle_ = nullptr;
    QDBusServiceWatcher* watcher_ = nullptr;
    QString kwinCaller_;  // KWin's own name on the bus
    QString token_;       // made anew each time the scripts are loaded
};
