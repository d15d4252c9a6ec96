/**
 * The Java face of NPLensObj: page scripts and applets reach the viewer control through
 * these natives, which the plug-in library registers when the browser's Java starts it.
 * Objects are handles the library hands out; they are never addresses.
 */
public class NPLensObj extends netscape.plugin.Plugin {
    // Handles and by-name access to any automation object.
    public native int GetObject();
    public native void ReleaseObject(int handle);
    public native void SetFocus();
    public native String getErrorHandler();
    public native void setErrorHandler(String name);

    private native Object internalgetObjectProperty0(int handle, String name);
    private native Object internalgetObjectProperty1(int handle, String name, Object a);
    private native Object internalgetObjectProperty2(int handle, String name, Object a, Object b);
    private native Object internalgetObjectProperty3(int handle, String name, Object a, Object b,
                                                     Object c);
    private native void internalsetObjectProperty0(int handle, String name, Object value);
    private native void internalsetObjectProperty1(int handle, String name, Object a,
                                                   Object value);
    private native void internalsetObjectProperty2(int handle, String name, Object a, Object b,
                                                   Object value);
    private native void internalsetObjectProperty3(int handle, String name, Object a, Object b,
                                                   Object c, Object value);
    private native Object internalinvokeObjectMethod0(int handle, String name);
    private native Object internalinvokeObjectMethod1(int handle, String name, Object a);
    private native Object internalinvokeObjectMethod2(int handle, String name, Object a,
                                                      Object b);
    private native Object internalinvokeObjectMethod3(int handle, String name, Object a,
                                                      Object b, Object c);
    private native Object internalinvokeObjectMethod4(int handle, String name, Object a,
                                                      Object b, Object c, Object d);
    private native Object internalinvokeObjectMethod5(int handle, String name, Object a,
                                                      Object b, Object c, Object d, Object e);
    private native Object internalinvokeObjectMethod6(int handle, String name, Object a,
                                                      Object b, Object c, Object d, Object e,
                                                      Object f);

    public Object getObjectProperty(int handle, String name) {
        return internalgetObjectProperty0(handle, name);
    }

    public Object getObjectProperty(int handle, String name, Object a) {
        return internalgetObjectProperty1(handle, name, a);
    }

    public Object getObjectProperty(int handle, String name, Object a, Object b) {
        return internalgetObjectProperty2(handle, name, a, b);
    }

    public Object getObjectProperty(int handle, String name, Object a, Object b, Object c) {
        return internalgetObjectProperty3(handle, name, a, b, c);
    }

    public void setObjectProperty(int handle, String name, Object value) {
        internalsetObjectProperty0(handle, name, value);
    }

    public void setObjectProperty(int handle, String name, Object a, Object value) {
        internalsetObjectProperty1(handle, name, a, value);
    }

    public void setObjectProperty(int handle, String name, Object a, Object b, Object value) {
        internalsetObjectProperty2(handle, name, a, b, value);
    }

    public void setObjectProperty(int handle, String name, Object a, Object b, Object c,
                                  Object value) {
        internalsetObjectProperty3(handle, name, a, b, c, value);
    }

    public Object invokeObjectMethod(int handle, String name) {
        return internalinvokeObjectMethod0(handle, name);
    }

    public Object invokeObjectMethod(int handle, String name, Object a) {
        return internalinvokeObjectMethod1(handle, name, a);
    }

    public Object invokeObjectMethod(int handle, String name, Object a, Object b) {
        return internalinvokeObjectMethod2(handle, name, a, b);
    }

    public Object invokeObjectMethod(int handle, String name, Object a, Object b, Object c) {
        return internalinvokeObjectMethod3(handle, name, a, b, c);
    }

    public Object invokeObjectMethod(int handle, String name, Object a, Object b, Object c,
                                     Object d) {
        return internalinvokeObjectMethod4(handle, name, a, b, c, d);
    }

    public Object invokeObjectMethod(int handle, String name, Object a, Object b, Object c,
                                     Object d, Object e) {
        return internalinvokeObjectMethod5(handle, name, a, b, c, d, e);
    }

    public Object invokeObjectMethod(int handle, String name, Object a, Object b, Object c,
                                     Object d, Object e, Object f) {
        return internalinvokeObjectMethod6(handle, name, a, b, c, d, e, f);
    }

    // The viewer's members.
    public native void AboutBox();
    public native int getBackColor();
    public native void setBackColor(int color);
    public native String getFilename();
    public native void setFilename(String name);
    public native void SetPosition(float x, float y, float z);
    // Each target receives its float: element 0 of a Vector or of a float array.
    public native void GetPosition(Object x, Object y, Object z);
    public native void MoveTo(float x, float y, float z, int a, int b);
    public native int getUserInterfaceLock();
    public native void setUserInterfaceLock(int lock);
    public native float getVersion();
    public native void setVersion(float version);
    public native int getBgColor();
    public native void setBgColor(int color);
    public native int getCanvasColor();
    public native void setCanvasColor(int color);
    public native int getCanvasWidth();
    public native void setCanvasWidth(int width);
    public native int getCanvasHeight();
    public native void setCanvasHeight(int height);
    public native void ReSizeCanvas(int width, int height);
    public native float getMaxZoom();
    public native void setMaxZoom(float zoom);
    public native float getMinZoom();
    public native void setMinZoom(float zoom);
    public native float getZoomSpeed();
    public native void setZoomSpeed(float speed);
    public native float getPanSpeed();
    public native void setPanSpeed(float speed);
    public native int getBorderColor();
    public native void setBorderColor(int color);
    public native int getBorderWidth();
    public native void setBorderWidth(int width);
    public native int getBorderHeight();
    public native void setBorderHeight(int height);
    public native int getFit();
    public native void setFit(int fit);
    public native float getPosX();
    public native void setPosX(float x);
    public native float getPosY();
    public native void setPosY(float y);
    public native float getPosZ();
    public native void setPosZ(float z);
    public native void RedrawCanvas();
    public native int getShowLogo();
    public native void setShowLogo(int show);
    public native int getFullscreen();
    public native void setFullscreen(int full);
    public native void ZoomLock(int a, int b);
    public native void ZoomUnlock();
}
