#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "controller/ui/OffThreadTone.h"
#include "controller/ui/WindowSleeper.h"

using namespace tarvo;
using namespace std::chrono_literals;

namespace {

// A loudspeaker that blocks for the tone's length, as the sound device does, and notes the
// thread it played on and how many tones sounded at once.
class BlockingSpeaker : public Tone {
  public:
    void Beep(unsigned frequencyHz, std::chrono::milliseconds duration) override {
        mostAtOnce = std::max(mostAtOnce.load(), ++playing);
        std::this_thread::sleep_for(duration);
        threads.push_back(std::this_thread::get_id());
        tones.push_back(frequencyHz);
        --playing;
    }
    std::atomic<int> playing = 0;
    std::atomic<int> mostAtOnce = 0;
    // Written by one player at a time.
    std::vector<std::thread::id> threads;
    std::vector<unsigned> tones;
};

// A widget that counts its paints.
class PaintCounter : public QLineEdit {
  public:
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        QLineEdit::paintEvent(event);
    }
};

}  // namespace

class WindowPausesTest : public QObject {
    Q_OBJECT

  private slots:
    // During a pause the window goes on: a posted call runs, a widget repaints with what was
    // set just before the pause, and the pause lasts at least its length.
    void pauseKeepsTheWindowRunningForItsWholeLength() {
        PaintCounter field;
        field.show();
        QVERIFY(QTest::qWaitForWindowExposed(&field));
        QTest::qWait(20);
        const int paintsBefore = field.paints;
        field.setText(QStringLiteral("Registrando DNI."));
        bool posted = false;
        QTimer::singleShot(0, [&] { posted = true; });

        WindowSleeper pauses;
        QElapsedTimer clock;
        clock.start();
        pauses.SleepMs(300);

        QVERIFY(clock.elapsed() >= 300);
        QVERIFY(posted);
        QVERIFY(field.paints > paintsBefore);
    }

    // Closing the window ends the pause under way and every later one; they are ended for
    // good, as the window is going.
    void endedPausesReturnAtOnce() {
        WindowSleeper pauses;
        QTimer::singleShot(50, [&] { pauses.EndPauses(); });
        QElapsedTimer clock;
        clock.start();
        pauses.SleepMs(20000);
        QVERIFY(clock.elapsed() < 10000);
        bool ranDuringPause = false;
        const QObject scope;  // the call below goes with the test's variables
        QTimer::singleShot(0, &scope, [&] { ranDuringPause = true; });
        pauses.SleepMs(20000);
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY(!ranDuringPause);
    }

    // The tone sounds on another thread while the window runs; the call returns once it has
    // ended, and a beep asked for meanwhile waits for it instead of sounding over it.
    void beepRunsOffTheWindowThreadOneAtATime() {
        BlockingSpeaker speaker;
        OffThreadTone tone(speaker);
        bool posted = false;
        QTimer::singleShot(0, [&] {
            posted = true;
            tone.Beep(440, 200ms);
        });
        QElapsedTimer clock;
        clock.start();
        tone.Beep(275, 300ms);

        QVERIFY(posted);
        QCOMPARE(speaker.tones.size(), std::size_t{2});
        QCOMPARE(speaker.playing.load(), 0);
        QCOMPARE(speaker.mostAtOnce.load(), 1);
        QVERIFY(clock.elapsed() >= 500);
        for (const std::thread::id player : speaker.threads) {
            QVERIFY(player != std::this_thread::get_id());
        }
    }
};

QTEST_MAIN(WindowPausesTest)
#include "WindowPausesTest.moc"
