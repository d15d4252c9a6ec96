#pragma once

#include <QCoreApplication>
#include <QEvent>

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VANTELO_VIEWS_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define VANTELO_VIEWS_THREAD_SANITIZER 1
#endif
#ifdef VANTELO_VIEWS_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

// Workers hand their results to a view's thread as posted events. Qt passes a posted event
// over under a lock of its own that ThreadSanitizer cannot see (Qt is not built with it), so
// the handover is marked on the application object: released by the poster, acquired by the
// view before it reads an event.
inline void PostToView(QObject* view, QEvent* event) {
#ifdef VANTELO_VIEWS_THREAD_SANITIZER
    if (QCoreApplication* app = QCoreApplication::instance()) __tsan_release(app);
#endif
    QCoreApplication::postEvent(view, event);
}

inline void TakePostedEvent() {
#ifdef VANTELO_VIEWS_THREAD_SANITIZER
    if (QCoreApplication* app = QCoreApplication::instance()) __tsan_acquire(app);
#endif
}
