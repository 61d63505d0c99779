#include "KWinWindows.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QUuid>
#include <cstdio>

namespace {

const QString KWin = QStringLiteral("org.kde.KWin"), Service = QStringLiteral("org.example.pelmora"),
              WindowsName = QStringLiteral("pelmora"), PointerName = QStringLiteral("pelmora-pointer"),
              ActivateName = QStringLiteral("pelmora-activate");
constexpr int PointerIdleMs = 2000;  // the magnifier asks several times a second

QDBusMessage CallScripting(const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(KWin, QStringLiteral("/Scripting"),
                                                       QStringLiteral("org.kde.kwin.Scripting"), method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}

// Installed under the prefix beside bin/; in the build tree, the source file.
QString TemplatePath() {
    const QString installed = QCoreApplication::applicationDirPath() + "/../share/pelmora/kwin/pelmora.js";
    return QFile::exists(installed) ? QDir::cleanPath(installed) : QStringLiteral(PELMORA_KWIN_SCRIPT);
}

// The file of a script of that name, in the user's own runtime folder.
QString ScriptPath(const QString& name) {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + '/' + name + ".js";
}

// KWin unloads a script a moment after it is asked to, and takes none of the same name meanwhile:
// this waits for it, a second at most.
void AwaitUnloaded(const QString& name) {
    for (int tries = 0; tries < 50 && CallScripting(QStringLiteral("isScriptLoaded"), {name}).arguments().value(0).toBool();
         ++tries)
        QThread::msleep(20);
}

// Loads and starts the script, from a file only this user can read.
bool Run(const QString& name, const QByteArray& text) {
    AwaitUnloaded(name);
    QFile file(ScriptPath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate, QFile::ReadOwner | QFile::WriteOwner) ||
        file.write(text) != text.size())
        return false;
    file.close();
    const QDBusMessage loaded = CallScripting(QStringLiteral("loadScript"), {file.fileName(), name});
    if (loaded.type() != QDBusMessage::ReplyMessage || loaded.arguments().value(0).toInt() < 0) return false;
    return CallScripting(QStringLiteral("start")).type() == QDBusMessage::ReplyMessage;
}

void Unload(const QString& name) {
    CallScripting(QStringLiteral("unloadScript"), {name});
    QFile::remove(ScriptPath(name));
}

// The only form of KWin's ids, and so the only text that goes into an activation script.
bool IsKWinId(const QString& id) { return QUuid::fromString(id).toString(QUuid::WithBraces) == id; }

void Say(const char* what) { std::fprintf(stderr, "pelmora: %s\n", what); }

}  // namespace

std::shared_ptr<KWinWindows> KWinWindows::Start() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(KWin)) return nullptr;
    std::shared_ptr<KWinWindows> self(new KWinWindows);
    if (!bus.registerService(Service) || !bus.registerObject(QStringLiteral("/KWin"), self.get(),
                                                             QDBusConnection::ExportAllSlots)) {
        Say("another Pelmora serves this KDE session; this one cannot see native windows.");
        return nullptr;
    }
    if (!self->LoadScripts()) {
        Say("KWin did not take Pelmora's script; native windows cannot be seen.");
        return nullptr;
    }
    self->pointerIdle_ = new QTimer(self.get());
    self->pointerIdle_->setSingleShot(true);
    self->pointerIdle_->setInterval(PointerIdleMs);
    connect(self->pointerIdle_, &QTimer::timeout, self.get(), [raw = self.get()] { raw->StopPointer(); });
    // A KWin restarted has forgotten the scripts.
    self->watcher_ = new QDBusServiceWatcher(KWin, bus, QDBusServiceWatcher::WatchForRegistration, self.get());
    connect(self->watcher_, &QDBusServiceWatcher::serviceRegistered, self.get(), [raw = self.get()] {
        raw->Forget();
        raw->followingPointer_ = false;
        raw->LoadScripts();
    });
    connect(qApp, &QCoreApplication::aboutToQuit, self.get(), [raw = self.get()] {
        Unload(WindowsName);
        raw->StopPointer();
        raw->UnloadActivation();
    });
    return self;
}

KWinWindows::~KWinWindows() = default;

bool KWinWindows::LoadScripts() {
    kwinCaller_ = QDBusConnection::sessionBus().interface()->serviceOwner(KWin);
    token_ = QUuid::createUuid().toString(QUuid::Id128);
    Unload(PointerName);  // those left by a run that was killed
    Unload(WindowsName);
    return RunScript(WindowsName, false);
}

// The template with our name on the bus and the token put first.
bool KWinWindows::RunScript(const QString& name, bool pointer) {
    QFile source(TemplatePath());
    if (!source.open(QIODevice::ReadOnly)) return false;
    const QString head = QStringLiteral("const pelmora = {name: \"%1\", token: \"%2\", pointer: %3};\n")
                             .arg(QDBusConnection::sessionBus().baseService(), token_, pointer ? "true" : "false");
    return Run(name, head.toUtf8() + source.readAll());
}

QPoint KWinWindows::Position() {
    if (!followingPointer_) {
        followingPointer_ = RunScript(PointerName, true);
        // Until the script's first word: XWayland's pointer, rather than the desktop's corner (the
        // magnifier's left edge) or where the pointer was when it was last followed.
        pointer_ = QCursor::pos();
    }
    pointerIdle_->start();
    return pointer_;
}

void KWinWindows::StopPointer() {
    if (!std::exchange(followingPointer_, false)) return;
    Unload(PointerName);
}

bool KWinWindows::Authentic(const QString& token) const {
    return calledFromDBus() && message().service() == kwinCaller_ && token == token_;
}

void KWinWindows::Changed(const QString& token, const QString& kwinId, const QString& caption,
                          const QString& resourceClass, bool minimised, int x, int y, int width, int height) {
    if (Authentic(token) && IsKWinId(kwinId)) Report(kwinId, caption, resourceClass, minimised, {x, y, width, height});
}

void KWinWindows::Closed(const QString& token, const QString& kwinId) {
    if (Authentic(token)) ReportClosed(kwinId);
}

void KWinWindows::Activated(const QString& token, const QString& kwinId) {
    if (Authentic(token)) ReportActivated(kwinId);
}

void KWinWindows::PointerAt(const QString& token, int x, int y) {
    if (Authentic(token)) pointer_ = {x, y};
}

// A script can be given no call, so a short one does it: KWin 5 and 6 name the active window
// differently. Each has a name of its own, so that none waits for the one before to go.
void KWinWindows::Activate(uint32_t id) {
    const QString kwinId = KeyOf(id);
    if (!IsKWinId(kwinId)) return;
    UnloadActivation();
    activation_ = ActivateName + '-' + QUuid::createUuid().toString(QUuid::Id128);
    Run(activation_, QStringLiteral("for (const w of (workspace.windowList || workspace.clientList).call(workspace))\n"
                                    "    if (String(w.internalId) === \"%1\")\n"
                                    "        workspace[workspace.activeWindow === undefined ? \"activeClient\" : "
                                    "\"activeWindow\"] = w;\n")
                         .arg(kwinId)
                         .toUtf8());
}

void KWinWindows::UnloadActivation() {
    if (activation_.isEmpty()) return;
    Unload(activation_);
    activation_.clear();
}
