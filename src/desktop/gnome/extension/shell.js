// Tells Pelmora, over D-Bus, of the windows a task bar shows and the focused one as they change,
// and answers for the pointer, a picture of an area, the keyboard layout in use and Caps Lock. GNOME
// gives ordinary programs none of these, and neither does this: it serves Pelmora only, a process
// of this session's user running the program file @PELMORA_PROGRAM@ (from the extension's folder),
// and sends its signals to that process alone. Nothing runs before enable(); disable() undoes it all.
const Interface = `<node><interface name="org.example.pelmora.Shell">
  <method name="Windows"><arg type="a(sssbiiii)" direction="out"/></method>
  <method name="Focused"><arg type="s" direction="out"/></method>
  <method name="ShellHasKeyboard"><arg type="b" direction="out"/></method>
  <method name="Activate"><arg type="s" name="id" direction="in"/></method>
  <method name="RestoreX11"><arg type="u" name="xid" direction="in"/></method>
  <method name="Pointer"><arg type="i" direction="out"/><arg type="i" direction="out"/></method>
  <method name="Keyboard">
    <arg type="u" name="layoutGroup" direction="out"/><arg type="b" name="capsLock" direction="out"/>
  </method>
  <method name="CaptureArea">
    <arg type="i" name="x" direction="in"/><arg type="i" name="y" direction="in"/>
    <arg type="i" name="width" direction="in"/><arg type="i" name="height" direction="in"/>
    <arg type="ay" name="png" direction="out"/>
  </method>
  <signal name="WindowChanged"><arg type="s"/><arg type="s"/><arg type="s"/><arg type="b"/>
    <arg type="i"/><arg type="i"/><arg type="i"/><arg type="i"/></signal>
  <signal name="WindowClosed"><arg type="s"/></signal>
  <signal name="FocusChanged"><arg type="s"/></signal>
</interface></node>`;
const ObjectPath = '/org/example/pelmora/Shell';
const Program = '@PELMORA_PROGRAM@';

// A call to the bus itself: its answer unpacked, and the fds that came with it (or null).
const askBus = (method, signature, values) => new Promise((resolve, reject) => Gio.DBus.session.call_with_unix_fd_list(
    'org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus', method, new GLib.Variant(signature, values),
    null, Gio.DBusCallFlags.NONE, -1, null, null, (bus, result) => {
        try {
            const [reply, fds] = bus.call_with_unix_fd_list_finish(result);
            resolve([reply.deepUnpack(), fds]);
        } catch (e) {
            reject(e);
        }
    }));
// The pid of a pidfd's process now; -1 once it has ended.
const pidOf = pidfd => {
    const [, info] = GLib.file_get_contents(`/proc/self/fdinfo/${pidfd}`);
    return Number(/^Pid:\s*(-?\d+)/m.exec(new TextDecoder().decode(info))?.[1] ?? -1);
};
// The file's identity (device and inode), links followed.
const fileId = path => Gio.File.new_for_path(path).query_info('id::file', Gio.FileQueryInfoFlags.NONE, null)
    .get_attribute_string('id::file');

const Listed = [Meta.WindowType.NORMAL, Meta.WindowType.DIALOG, Meta.WindowType.MODAL_DIALOG];
const listed = w => w && Listed.includes(w.get_window_type()) && !w.is_skip_taskbar();
const idOf = w => (listed(w) ? String(w.get_id()) : '');
const describe = w => {
    const frame = w.get_frame_rect();
    return [idOf(w), w.get_title() ?? '', w.get_wm_class() ?? '', w.minimized, frame.x, frame.y, frame.width, frame.height];
};
// Clutter's backend: the stage's context has it since GNOME 46, the default one is gone in 51.
const clutterBackend = () => global.stage.get_context?.().get_backend() ?? Clutter.get_default_backend();

class PelmoraShell {
    constructor(path) {
        this._program = GLib.path_is_absolute(Program) ? Program : GLib.build_filenamev([path, Program]);
    }

    enable() {
        this._signals = [];  // [object, handler id] of the shell's own objects
        this._windows = new Map();  // window -> its handler ids
        this._callers = new Map();  // Pelmora's names on the bus -> the subscription to its leaving
        // The layout in use now, which may not be the first (after an unlock, say).
        this._layoutGroup = KeyboardManager.getKeyboardManager().currentLayout?.groupIndex ?? 0;
        const methods = Gio.DBusInterfaceInfo.new_for_xml(Interface).methods;
        const doors = Object.fromEntries(methods.map(method => [`${method.name}Async`,
            (values, invocation) => this._serve(method, values, invocation)]));
        this._dbus = Gio.DBusExportedObject.wrapJSObject(Interface, doors);
        this._dbus.export(Gio.DBus.session, ObjectPath);
        this._connect(global.display, 'window-created', (_, w) => this._follow(w, true));
        this._connect(global.display, 'notify::focus-window', () => this._emit('FocusChanged', '(s)', [this.Focused()]));
        this._connect(global.backend, 'keymap-layout-group-changed', (_, group) => (this._layoutGroup = group));
        global.get_window_actors().forEach(actor => this._follow(actor.meta_window, false));
    }

    // Every step is taken whatever the one before did, so that the next enable() starts clean.
    disable() {
        const steps = [
            () => this._dbus.unexport(),
            ...[...this._callers.values()].map(id => () => Gio.DBus.session.signal_unsubscribe(id)),
            ...this._signals.map(([object, id]) => () => object.disconnect(id)),
            ...[...this._windows].flatMap(([w, ids]) => ids.map(id => () => w.disconnect(id))),
        ];
        for (const step of steps) {
            try {
                step();
            } catch (e) {
                logError(e, 'Pelmora');
            }
        }
        this._signals = this._windows = this._callers = this._dbus = null;
    }

    async _serve(method, values, invocation) {
        try {
            if (!await this._fromPelmora(invocation.get_sender())) {
                invocation.return_dbus_error('org.freedesktop.DBus.Error.AccessDenied', 'This serves Pelmora only');
                return;
            }
            const result = await this[method.name](...values);
            const outs = method.out_args.map(arg => arg.signature);
            invocation.return_value(new GLib.Variant(`(${outs.join('')})`, outs.length === 1 ? [result] : result ?? []));
        } catch (e) {
            invocation.return_error_literal(Gio.DBusError, Gio.DBusError.FAILED, e.message);
        }
    }

    // A name is Pelmora's when the process behind it is of this user and runs Pelmora's program file;
    // it is remembered until it leaves the bus (names are never given twice).
    async _fromPelmora(name) {
        if (this._callers.has(name))
            return true;
        const [[credentials], fds] = await askBus('GetConnectionCredentials', '(s)', [name]);
        // Newer buses (dbus-daemon 1.16, not 1.14) give the process's pidfd too; it is ours to close.
        const handle = credentials.ProcessFD?.deepUnpack(), pidfd = handle !== undefined && fds ? fds.get(handle) : -1;
        let runsPelmora;
        try {
            // With a pidfd, the pid is still the caller's after the look at its program file.
            const pid = pidfd >= 0 ? pidOf(pidfd) : credentials.ProcessID?.deepUnpack() ?? -1;
            runsPelmora = pid > 0 && fileId(`/proc/${pid}/exe`) === fileId(this._program) && (pidfd < 0 || pidOf(pidfd) === pid);
        } finally {
            if (pidfd >= 0)
                GLib.close(pidfd);
        }
        if (!runsPelmora || credentials.UnixUserID?.deepUnpack() !== new Gio.Credentials().get_unix_user() || !this._callers)
            return false;
        this._callers.set(name, Gio.DBus.session.signal_subscribe('org.freedesktop.DBus', 'org.freedesktop.DBus',
            'NameOwnerChanged', '/org/freedesktop/DBus', name, Gio.DBusSignalFlags.NONE, () => this._forget(name)));
        const [[there]] = await askBus('NameHasOwner', '(s)', [name]);  // it may have left meanwhile
        if (!there)
            this._forget(name);
        return there;
    }

    _forget(name) {
        const id = this._callers?.get(name);
        if (id === undefined)
            return;
        Gio.DBus.session.signal_unsubscribe(id);
        this._callers.delete(name);
    }

    _connect(object, signal, handler) {
        this._signals.push([object, object.connect(signal, handler)]);
    }

    _emit(name, signature, values) {
        for (const caller of this._callers.keys())
            Gio.DBus.session.emit_signal(caller, ObjectPath, 'org.example.pelmora.Shell', name, new GLib.Variant(signature, values));
    }

    _follow(w, tell) {
        const changed = () => listed(w) && this._emit('WindowChanged', '(sssbiiii)', describe(w));
        const signals = ['notify::title', 'notify::wm-class', 'notify::minimized', 'position-changed', 'size-changed'];
        const ids = signals.map(signal => w.connect(signal, changed));
        ids.push(w.connect('unmanaged', () => {
            ids.forEach(id => w.disconnect(id));
            this._windows.delete(w);
            if (listed(w))
                this._emit('WindowClosed', '(s)', [idOf(w)]);
        }));
        this._windows.set(w, ids);
        if (tell)
            changed();
    }

    Windows() {
        return global.get_window_actors().map(actor => actor.meta_window).filter(listed).map(describe);
    }

    Focused() {
        return idOf(global.display.focus_window);
    }

    // The overview, the shell's menus and its modal dialogs take the keys while the focus window
    // stays what it was: a grab of the stage, or a key focus of the shell's own.
    ShellHasKeyboard() {
        const focus = global.stage.get_key_focus();
        return Boolean(global.stage.get_grab_actor()) || (focus !== null && focus !== global.stage);
    }

    Activate(id) {
        const actor = global.get_window_actors().find(each => idOf(each.meta_window) === id);
        actor?.meta_window.activate(global.get_current_time());
    }

    // Without activating it: Pelmora's notes come back from minimised that way, keyboard left alone.
    RestoreX11(xid) {
        const x11 = w => w.get_client_type() === Meta.WindowClientType.X11 && parseInt(w.get_description(), 16) === xid;
        global.get_window_actors().map(actor => actor.meta_window).find(x11)?.unminimize();
    }

    Pointer() {
        const [x, y] = global.get_pointer();
        return [x, y];
    }

    Keyboard() {
        const keymap = clutterBackend().get_default_seat().get_keymap();
        return [this._layoutGroup, keymap.get_caps_lock_state()];
    }

    async CaptureArea(x, y, width, height) {
        const stream = Gio.MemoryOutputStream.new_resizable();
        await new Shell.Screenshot().screenshot_area(x, y, width, height, stream);
        stream.close(null);
        return stream.steal_as_bytes().toArray();
    }
}
