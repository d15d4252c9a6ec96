package netscape.plugin;

import netscape.javascript.JSObject;

/** Compile-only: the browser supplies the real class at run time. */
public class Plugin {
    public int getPeer() {
        return 0;
    }

    public JSObject getWindow() {
        return null;
    }
}
