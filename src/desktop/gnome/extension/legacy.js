// GNOME 43 and 44 load extensions as scripts.
const {Clutter, Gio, GLib, Meta, Shell} = imports.gi;

@SHELL_BODY@

/* exported init */
function init() {
    return new PelmoraShell();
}
