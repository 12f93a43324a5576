#include "platform/qt/QtTimer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>

#include "qt/PtyLine.h"

namespace {

using platform::qt::QtTimer;

TEST(QtTimer, TicksOnTheGuiThreadOnlyWhileEnabled) {
    QtTimer timer;
    EXPECT_EQ(timer.interval(), 50);
    EXPECT_FALSE(timer.enabled());
    int ticks = 0;
    bool onGuiThread = true;
    timer.setOnTimer([&] {
        ++ticks;
        onGuiThread = onGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    });
    qttest::PumpFor(120);
    EXPECT_EQ(ticks, 0);

    timer.setEnabled(true);
    EXPECT_TRUE(timer.enabled());
    ASSERT_TRUE(qttest::PumpUntil([&] { return ticks >= 3; }));
    EXPECT_TRUE(onGuiThread);

    timer.setEnabled(false);
    EXPECT_FALSE(timer.enabled());
    const int seen = ticks;
    qttest::PumpFor(150);
    EXPECT_EQ(ticks, seen);
}

TEST(QtTimer, AHandlerMayStopOrReplaceItself) {
    QtTimer timer;
    timer.setInterval(5);
    int first = 0, second = 0;
    timer.setOnTimer([&] {
        ++first;
        timer.setOnTimer([&] {
            ++second;
            timer.setEnabled(false);
        });
    });
    timer.setEnabled(true);
    ASSERT_TRUE(qttest::PumpUntil([&] { return !timer.enabled(); }));
    qttest::PumpFor(50);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
}

TEST(QtTimer, ANewIntervalTakesEffectWhileRunning) {
    QtTimer timer;
    int ticks = 0;
    timer.setOnTimer([&] { ++ticks; });
    timer.setInterval(10000);
    timer.setEnabled(true);
    timer.setInterval(5);
    EXPECT_TRUE(timer.enabled());
    EXPECT_TRUE(qttest::PumpUntil([&] { return ticks >= 2; }, 2000));
}

} // namespace
