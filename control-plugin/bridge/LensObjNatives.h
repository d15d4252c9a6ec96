#pragma once

// The natives of the Java class NPLensObj, in the order they are registered: X(name,
// signature) for each. The typed natives follow the viewer's members.
#define LENSOBJ_S "Ljava/lang/String;"
#define LENSOBJ_O "Ljava/lang/Object;"
#define LENSOBJ_BY_NAME(objects) "(I" LENSOBJ_S objects ")"
#define LENSOBJ_PROPERTY(X, Name, type) X(get##Name, "()" type) X(set##Name, "(" type ")V")

#define LENSOBJ_NATIVES(X)                                                                      \
    X(GetObject, "()I")                                                                         \
    X(ReleaseObject, "(I)V")                                                                    \
    X(SetFocus, "()V")                                                                          \
    X(getErrorHandler, "()" LENSOBJ_S)                                                          \
    X(setErrorHandler, "(" LENSOBJ_S ")V")                                                      \
    X(internalgetObjectProperty0, LENSOBJ_BY_NAME("") LENSOBJ_O)                                \
    X(internalgetObjectProperty1, LENSOBJ_BY_NAME(LENSOBJ_O) LENSOBJ_O)                         \
    X(internalgetObjectProperty2, LENSOBJ_BY_NAME(LENSOBJ_O LENSOBJ_O) LENSOBJ_O)               \
    X(internalgetObjectProperty3, LENSOBJ_BY_NAME(LENSOBJ_O LENSOBJ_O LENSOBJ_O) LENSOBJ_O)     \
    X(internalsetObjectProperty0, LENSOBJ_BY_NAME(LENSOBJ_O) "V")                               \
    X(internalsetObjectProperty1, LENSOBJ_BY_NAME(LENSOBJ_O LENSOBJ_O) "V")                     \
    X(internalsetObjectProperty2, LENSOBJ_BY_NAME(LENSOBJ_O LENSOBJ_O LENSOBJ_O) "V")           \
    X(internalsetObjectProperty3, LENSOBJ_BY_NAME(LENSOBJ_O LENSOBJ_O LENSOBJ_O LENSOBJ_O) "V") \
    X(internalinvokeObjectMethod0, LENSOBJ_BY_NAME("") LENSOBJ_O)                               \
    X(internalinvokeObjectMethod1, LENSOBJ_BY_NAME(LENSOBJ_O) LENSOBJ_O)                        \
    X(internalinvokeObjectMethod2, LENSOBJ_BY_NAME(LENSOBJ_O LENSOBJ_O) LENSOBJ_O)              \
    X(internalinvokeObjectMethod3, LENSOBJ_BY_NAME(LENSOBJ_O LENSOBJ_O LENSOBJ_O) LENSOBJ_O)    \
    X(internalinvokeObjectMethod4,                                                              \
      LENSOBJ_BY_NAME(LENSOBJ_O LENSOBJ_O LENSOBJ_O LENSOBJ_O) LENSOBJ_O)                       \
    X(internalinvokeObjectMethod5,                                                              \
      LENSOBJ_BY_NAME(LENSOBJ_O LENSOBJ_O LENSOBJ_O LENSOBJ_O LENSOBJ_O) LENSOBJ_O)             \
    X(internalinvokeObjectMethod6,                                                              \
      LENSOBJ_BY_NAME(LENSOBJ_O LENSOBJ_O LENSOBJ_O LENSOBJ_O LENSOBJ_O LENSOBJ_O) LENSOBJ_O)   \
    X(AboutBox, "()V")                                                                          \
    LENSOBJ_PROPERTY(X, BackColor, "I")                                                         \
    LENSOBJ_PROPERTY(X, Filename, LENSOBJ_S)                                                    \
    X(SetPosition, "(FFF)V")                                                                    \
    X(GetPosition, "(" LENSOBJ_O LENSOBJ_O LENSOBJ_O ")V")                                      \
    X(MoveTo, "(FFFII)V")                                                                       \
    LENSOBJ_PROPERTY(X, UserInterfaceLock, "I")                                                 \
    LENSOBJ_PROPERTY(X, Version, "F")                                                           \
    LENSOBJ_PROPERTY(X, BgColor, "I")                                                           \
    LENSOBJ_PROPERTY(X, CanvasColor, "I")                                                       \
    LENSOBJ_PROPERTY(X, CanvasWidth, "I")                                                       \
    LENSOBJ_PROPERTY(X, CanvasHeight, "I")                                                      \
    X(ReSizeCanvas, "(II)V")                                                                    \
    LENSOBJ_PROPERTY(X, MaxZoom, "F")                                                           \
    LENSOBJ_PROPERTY(X, MinZoom, "F")                                                           \
    LENSOBJ_PROPERTY(X, ZoomSpeed, "F")                                                         \
    LENSOBJ_PROPERTY(X, PanSpeed, "F")                                                          \
    LENSOBJ_PROPERTY(X, BorderColor, "I")                                                       \
    LENSOBJ_PROPERTY(X, BorderWidth, "I")                                                       \
    LENSOBJ_PROPERTY(X, BorderHeight, "I")                                                      \
    LENSOBJ_PROPERTY(X, Fit, "I")                                                               \
    LENSOBJ_PROPERTY(X, PosX, "F")                                                              \
    LENSOBJ_PROPERTY(X, PosY, "F")                                                              \
    LENSOBJ_PROPERTY(X, PosZ, "F")                                                              \
    X(RedrawCanvas, "()V")                                                                      \
    LENSOBJ_PROPERTY(X, ShowLogo, "I")                                                          \
    LENSOBJ_PROPERTY(X, Fullscreen, "I")                                                        \
    X(ZoomLock, "(II)V")                                                                        \
    X(ZoomUnlock, "()V")
