#pragma once

#include "Pointer.h"
#include "ReportedWindows.h"

#include <QDBusContext>
#include <QObject>
#include <QPoint>
#include <memory>

class QDBusServiceWatcher;

// The windows of a KWin (KDE Plasma) Wayland session. KWin lists no windows to ordinary clients,
// so a script of ours runs inside it and calls this object over D-Bus at each change: a window
// shown or changed, closed, activated, and the pointer moved. Loaded at start, loaded again when
// KWin restarts, unloaded when the program ends. Calls from anyone but KWin are ignored.
class KWinWindows : public QObject, protected QDBusContext, public ReportedWindows, public Pointer {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.example.pelmora.KWin")
public:
    // Null, with the reason on the terminal, when KWin or its scripting is not there.
    static std::shared_ptr<KWinWindows> Start();
    ~KWinWindows() override;

    void Activate(uint32_t id) override;
    QPoint Position() override { return pointer_; }

public slots:  // the script's calls; KWin's ids are UUID strings
    void Changed(const QString& kwinId, const QString& caption, const QString& resourceClass, bool minimised);
    void Closed(const QString& kwinId);
    void Activated(const QString& kwinId);
    void PointerAt(int x, int y);

private:
    KWinWindows() = default;
    bool LoadScript();
    void UnloadActivation();
    bool FromKWin() const;

    QPoint pointer_;
    QString activation_;  // the name of the activation script loaded last
    QDBusServiceWatcher* watcher_ = nullptr;
    QString kwinCaller_;  // KWin's own name on the bus
};
