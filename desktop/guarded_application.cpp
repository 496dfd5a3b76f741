#include "desktop/guarded_application.h"

#include <exception>

namespace kvt::desktop {

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    std::string reason;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        reason = failure.what();
    } catch (...) {
        reason = "?";
    }
    // The message may let events run; a failure meanwhile is not told twice.
    if (failure_ && !telling_) {
        telling_ = true;
        try {
            failure_(reason);
        } catch (...) {
        }
        telling_ = false;
    }
    return false;
}

}  // namespace kvt::desktop
