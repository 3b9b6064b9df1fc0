// GoogleTest's own hook for platform adjustments, taken instead of its empty
// default where the compilers' thread model gives no std::mutex and no
// std::condition_variable: the win32 model of the i686 compilers, which the
// shipped program is built with. GoogleTest's only use of them is
// Notification, which holds back the threads of its own thread helpers; no
// test here starts one, so a flag waited on by spinning does.
#pragma once

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
public:
    Notification() = default;
    Notification(const Notification &) = delete;
    Notification &operator=(const Notification &) = delete;

    void Notify() { notified_.store(true); }
    void WaitForNotification()
    {
        while (!notified_.load()) {
        }
    }

private:
    std::atomic<bool> notified_{false};
};

} // namespace testing::internal
