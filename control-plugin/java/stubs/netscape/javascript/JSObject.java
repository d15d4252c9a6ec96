package netscape.javascript;

/** Compile-only: the browser supplies the real class at run time. */
public abstract class JSObject {
    public abstract Object call(String name, Object[] args);
}
