// GNOME 43 and 44 load extensions as scripts.
const {Clutter, Gio, GLib, Meta, Shell} = imports.gi;
const KeyboardManager = imports.misc.keyboardManager;

@SHELL_BODY@

/* exported init */
function init(meta) {
    return new @EXTENSION_CLASS@(meta.path);
}
