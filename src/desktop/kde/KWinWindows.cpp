#include "KWinWindows.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUuid>
#include <cstdio>

namespace {

const QString KWin = QStringLiteral("org.kde.KWin"), Service = QStringLiteral("org.example.pelmora"),
              ScriptName = QStringLiteral("pelmora"), ActivateName = QStringLiteral("pelmora-activate");

QDBusMessage CallScripting(const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(KWin, QStringLiteral("/Scripting"),
                                                       QStringLiteral("org.kde.kwin.Scripting"), method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}

// Installed under the prefix beside bin/; in the build tree, the source file.
QString ScriptPath() {
    const QString installed = QCoreApplication::applicationDirPath() + "/../share/pelmora/kwin/pelmora.js";
    return QFile::exists(installed) ? QDir::cleanPath(installed) : QStringLiteral(PELMORA_KWIN_SCRIPT);
}

// The file of an activation script of that name.
QString ActivationPath(const QString& name) {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + '/' + name + ".js";
}

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
    if (!self->LoadScript()) {
        Say("KWin did not take Pelmora's script; native windows cannot be seen.");
        return nullptr;
    }
    // A KWin restarted has forgotten the script.
    self->watcher_ = new QDBusServiceWatcher(KWin, bus, QDBusServiceWatcher::WatchForRegistration, self.get());
    connect(self->watcher_, &QDBusServiceWatcher::serviceRegistered, self.get(), [raw = self.get()] {
        raw->Forget();
        raw->LoadScript();
    });
    connect(qApp, &QCoreApplication::aboutToQuit, self.get(), [raw = self.get()] {
        CallScripting(QStringLiteral("unloadScript"), {ScriptName});
        raw->UnloadActivation();
    });
    return self;
}

KWinWindows::~KWinWindows() = default;

bool KWinWindows::LoadScript() {
    kwinCaller_ = QDBusConnection::sessionBus().interface()->serviceOwner(KWin);
    CallScripting(QStringLiteral("unloadScript"), {ScriptName});  // one left by a run that was killed
    const QDBusMessage loaded = CallScripting(QStringLiteral("loadScript"), {ScriptPath(), ScriptName});
    if (loaded.type() != QDBusMessage::ReplyMessage || loaded.arguments().value(0).toInt() < 0) return false;
    return CallScripting(QStringLiteral("start")).type() == QDBusMessage::ReplyMessage;
}

bool KWinWindows::FromKWin() const { return calledFromDBus() && message().service() == kwinCaller_; }

void KWinWindows::Changed(const QString& kwinId, const QString& caption, const QString& resourceClass, bool minimised) {
    if (!FromKWin() || QUuid::fromString(kwinId).isNull()) return;  // the id goes into a script of ours
    Report(kwinId, caption, resourceClass, minimised);
}

void KWinWindows::Closed(const QString& kwinId) {
    if (FromKWin()) ReportClosed(kwinId);
}

void KWinWindows::Activated(const QString& kwinId) {
    if (FromKWin()) ReportActivated(kwinId);
}

void KWinWindows::PointerAt(int x, int y) {
    if (FromKWin()) pointer_ = {x, y};
}

// A script can be given no call, so a short one does it: KWin 5 and 6 name the active window
// differently. Each has a name of its own: KWin unloads a script some time after it is asked
// to, and takes none of the same name meanwhile.
void KWinWindows::Activate(uint32_t id) {
    const QString kwinId = KeyOf(id);
    if (kwinId.isEmpty()) return;
    UnloadActivation();
    activation_ = ActivateName + '-' + QUuid::createUuid().toString(QUuid::Id128);
    const QString path = ActivationPath(activation_);
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly)) return;
    script.write(QStringLiteral("for (const w of (workspace.windowList || workspace.clientList).call(workspace))\n"
                                "    if (String(w.internalId) === \"%1\")\n"
                                "        workspace[workspace.activeWindow === undefined ? \"activeClient\" : "
                                "\"activeWindow\"] = w;\n").arg(kwinId).toUtf8());
    script.close();
    CallScripting(QStringLiteral("loadScript"), {path, activation_});
    CallScripting(QStringLiteral("start"));
}

void KWinWindows::UnloadActivation() {
    if (activation_.isEmpty()) return;
    CallScripting(QStringLiteral("unloadScript"), {activation_});
    QFile::remove(ActivationPath(activation_));
    activation_.clear();
}
