// GNOME 45 and later load extensions as modules.
import Clutter from 'gi://Clutter';
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Meta from 'gi://Meta';
import Shell from 'gi://Shell';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

@SHELL_BODY@

export default class PelmoraExtension extends Extension {
    enable() {
        this._shell = new PelmoraShell();
        this._shell.enable();
    }

    disable() {
        this._shell.disable();
        this._shell = null;
    }
}
