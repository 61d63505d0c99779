// GNOME 45 and later load extensions as modules.
import Clutter from 'gi://Clutter';
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Meta from 'gi://Meta';
import Shell from 'gi://Shell';
import * as KeyboardManager from 'resource:///org/gnome/shell/misc/keyboardManager.js';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

@SHELL_BODY@

export default class extends Extension {
    enable() {
        this._body = new @EXTENSION_CLASS@(this.path);
        this._body.enable();
    }

    disable() {
        this._body.disable();
        this._body = null;
    }
}
