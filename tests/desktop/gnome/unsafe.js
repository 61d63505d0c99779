// Lets the desktop tests ask GNOME Shell itself (org.gnome.Shell.Eval) what it shows.
class UnsafeMode {
    enable() {
        global.context.unsafe_mode = true;
    }

    disable() {
        global.context.unsafe_mode = false;
    }
}
