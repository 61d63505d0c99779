// Tells Pelmora, over D-Bus, of the windows a task bar shows and the active one as they change,
// or (the pointer script) of the pointer's moves. Pelmora puts `pelmora` first: its own name on
// the bus, the only one called, and this run's token, which each call carries. Plasma 6 renamed
// the client calls; both names are served.
const call = (method, ...args) => callDBus(pelmora.name, "/KWin", "org.example.pelmora.KWin", method, pelmora.token, ...args);
const first = (...names) => names.map(name => workspace[name]).find(value => value !== undefined);
const windows = () => (workspace.windowList || workspace.clientList).call(workspace);
const listed = w => w && (w.normalWindow || w.dialog) && !w.skipTaskbar;
// Whole numbers go over D-Bus as integers; KWin 6 places windows at fractions of a pixel.
const whole = value => Math.round(value) | 0;

// KWin tells a second window of the same caption as "caption <2>": the program's own title counts.
function tell(w) {
    const frame = w && w.frameGeometry;
    if (listed(w))
        call("Changed", String(w.internalId), w.caption.replace(/ <\d+>$/, ""), String(w.resourceClass), w.minimized,
             whole(frame.x), whole(frame.y), whole(frame.width), whole(frame.height));
}
// KWin may activate a new window before it tells of it.
function tellActive(w) {
    tell(w);
    call("Activated", listed(w) ? String(w.internalId) : "");
}
function follow(w) {
    w.captionChanged.connect(() => tell(w));
    w.minimizedChanged.connect(() => tell(w));
    w.frameGeometryChanged.connect(() => tell(w));
    tell(w);
}
const tellPointer = () => call("PointerAt", workspace.cursorPos.x, workspace.cursorPos.y);

if (pelmora.pointer) {
    workspace.cursorPosChanged.connect(tellPointer);
    tellPointer();
} else {
    first("windowAdded", "clientAdded").connect(follow);
    first("windowRemoved", "clientRemoved").connect(w => { if (listed(w)) call("Closed", String(w.internalId)); });
    first("windowActivated", "clientActivated").connect(tellActive);
    windows().forEach(follow);
    tellActive(first("activeWindow", "activeClient"));
}
