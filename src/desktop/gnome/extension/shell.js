// Tells Pelmora, over D-Bus, of the windows a task bar shows and the focused one as they change,
// and answers for the pointer, a picture of an area, the keyboard layout in use and Caps Lock. GNOME
// gives ordinary programs none of these. Nothing runs before enable(); disable() undoes it all.
const Interface = `<node><interface name="org.example.pelmora.Shell">
  <method name="Windows"><arg type="a(sssb)" direction="out"/></method>
  <method name="Focused"><arg type="s" direction="out"/></method>
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
  <signal name="WindowChanged"><arg type="s"/><arg type="s"/><arg type="s"/><arg type="b"/></signal>
  <signal name="WindowClosed"><arg type="s"/></signal>
  <signal name="FocusChanged"><arg type="s"/></signal>
  <signal name="Serving"><arg type="b"/></signal>
</interface></node>`;

const Listed = [Meta.WindowType.NORMAL, Meta.WindowType.DIALOG, Meta.WindowType.MODAL_DIALOG];
const listed = w => w && Listed.includes(w.get_window_type()) && !w.is_skip_taskbar();
const idOf = w => (listed(w) ? String(w.get_id()) : '');
const describe = w => [idOf(w), w.get_title() ?? '', w.get_wm_class() ?? '', w.minimized];
// Clutter's backend: the stage's context has it since GNOME 46, the default one is gone in 51.
const clutterBackend = () => global.stage.get_context?.().get_backend() ?? Clutter.get_default_backend();

class PelmoraShell {
    enable() {
        this._signals = [];  // [object, handler id] of the shell's own objects
        this._windows = new Map();  // window -> its handler ids
        // The layout in use now, which may not be the first (after an unlock, say).
        this._layoutGroup = KeyboardManager.getKeyboardManager().currentLayout?.groupIndex ?? 0;
        this._dbus = Gio.DBusExportedObject.wrapJSObject(Interface, this);
        this._dbus.export(Gio.DBus.session, '/org/example/pelmora/Shell');
        this._connect(global.display, 'window-created', (_, w) => this._follow(w, true));
        this._connect(global.display, 'notify::focus-window', () => this._emit('FocusChanged', '(s)', [this.Focused()]));
        this._connect(global.backend, 'keymap-layout-group-changed', (_, group) => (this._layoutGroup = group));
        global.get_window_actors().forEach(actor => this._follow(actor.meta_window, false));
        this._emit('Serving', '(b)', [true]);
    }

    // Every step is taken whatever the one before did, so that the next enable() starts clean.
    disable() {
        const steps = [
            () => this._emit('Serving', '(b)', [false]),
            () => this._dbus.unexport(),
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
        this._signals = this._windows = this._dbus = null;
    }

    _connect(object, signal, handler) {
        this._signals.push([object, object.connect(signal, handler)]);
    }

    _emit(name, signature, values) {
        this._dbus.emit_signal(name, new GLib.Variant(signature, values));
    }

    _follow(w, tell) {
        const changed = () => listed(w) && this._emit('WindowChanged', '(sssb)', describe(w));
        const ids = ['notify::title', 'notify::wm-class', 'notify::minimized'].map(signal => w.connect(signal, changed));
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

    async CaptureAreaAsync([x, y, width, height], invocation) {
        try {
            const stream = Gio.MemoryOutputStream.new_resizable();
            await new Shell.Screenshot().screenshot_area(x, y, width, height, stream);
            stream.close(null);
            invocation.return_value(new GLib.Variant('(ay)', [stream.steal_as_bytes().toArray()]));
        } catch (e) {
            invocation.return_error_literal(Gio.DBusError, Gio.DBusError.FAILED, e.message);
        }
    }
}
