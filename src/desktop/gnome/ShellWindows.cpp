#include "ShellWindows.h"

#include <QCursor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace {

const QString Shell = QStringLiteral("org.gnome.Shell"), Path = QStringLiteral("/org/example/pelmora/Shell"),
              Interface = QStringLiteral("org.example.pelmora.Shell"), Uuid = QStringLiteral("pelmora@example.org");
constexpr double Enabled = 1;  // the extension's state: ENABLED up to GNOME 47, ACTIVE after

QDBusMessage Ask(const QString& method) {
    return QDBusConnection::sessionBus().call(ShellWindows::Call(method), QDBus::Block, 1000);
}

}  // namespace

QDBusMessage ShellWindows::Call(const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(Shell, Path, Interface, method);
    call.setArguments(arguments);
    return call;
}

std::shared_ptr<ShellWindows> ShellWindows::Start() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(Shell)) return nullptr;
    std::shared_ptr<ShellWindows> self(new ShellWindows);
    if (!self->Listen()) return nullptr;
    self->CatchUp();
    return self;
}

// Signals are taken from the shell's own name only.
bool ShellWindows::Listen() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.connect(Shell, Path, Interface, "WindowChanged", this,
                       SLOT(WindowChanged(QString, QString, QString, bool, int, int, int, int))) &&
           bus.connect(Shell, Path, Interface, "WindowClosed", this, SLOT(WindowClosed(QString))) &&
           bus.connect(Shell, Path, Interface, "FocusChanged", this, SLOT(FocusChanged(QString))) &&
           bus.connect(Shell, QStringLiteral("/org/gnome/Shell"), QStringLiteral("org.gnome.Shell.Extensions"),
                       "ExtensionStateChanged", this, SLOT(ExtensionStateChanged(QString, QVariantMap)));
}

// The windows there are and the focused one, asked once; changes come as signals.
void ShellWindows::CatchUp() {
    Forget();
    const QDBusMessage windows = Ask(QStringLiteral("Windows"));
    serving_ = windows.type() == QDBusMessage::ReplyMessage;
    if (!serving_) return;
    const QDBusArgument list = windows.arguments().value(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString id, title, wmClass;
        bool minimised = false;
        int x = 0, y = 0, width = 0, height = 0;
        list.beginStructure();
        list >> id >> title >> wmClass >> minimised >> x >> y >> width >> height;
        list.endStructure();
        WindowChanged(id, title, wmClass, minimised, x, y, width, height);
    }
    list.endArray();
    ReportActivated(Ask(QStringLiteral("Focused")).arguments().value(0).toString());
}

void ShellWindows::WindowChanged(const QString& id, const QString& title, const QString& wmClass, bool minimised,
                                 int x, int y, int width, int height) {
    if (!id.isEmpty()) Report(id, title, wmClass, minimised, {x, y, width, height});
}

void ShellWindows::ExtensionStateChanged(const QString& uuid, const QVariantMap& state) {
    if (uuid != Uuid) return;
    if (state.value(QStringLiteral("state")).toDouble() == Enabled) return CatchUp();
    serving_ = false;
    Forget();
}

void ShellWindows::Activate(uint32_t id) {
    const QString shellId = KeyOf(id);
    if (!shellId.isEmpty()) QDBusConnection::sessionBus().call(Call(QStringLiteral("Activate"), {shellId}));
}

QPoint ShellWindows::Position() {
    const QDBusMessage reply = Ask(QStringLiteral("Pointer"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
        return QCursor::pos();  // XWayland's, which follows the pointer over X11 windows only
    return {reply.arguments()[0].toInt(), reply.arguments()[1].toInt()};
}

ShellWindows::Keyboard ShellWindows::KeyboardState() {
    const QVariantList state = Ask(QStringLiteral("Keyboard")).arguments();
    return {state.value(0).toUInt(), state.value(1).toBool()};
}

bool ShellWindows::ShellHasKeyboard() {
    const QDBusMessage reply = Ask(QStringLiteral("ShellHasKeyboard"));
    return reply.type() != QDBusMessage::ReplyMessage || reply.arguments().value(0).toBool();
}
